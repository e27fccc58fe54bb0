#ifndef KY_TEXT_PRINTER_H
#define KY_TEXT_PRINTER_H

#include "core/KyIntrusivePtr.h"
#include "core/KyList.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/KyFont.h"
#include "platform/KyImg.h"
#include "ui/KyTextVisitor.h"

// The rectangle a link covers on one line, in image pixels (rows counted
// from the bottom): from left to right, from bottom up to top.
struct KyLinkRegion {
    KyString href;
    s32 left = 0;
    s32 right = 0;
    s32 bottom = 0;
    s32 top = 0;
};

// Draws a laid-out rich-text tree into an 8-bit palette image with the
// bitmap fonts it names, and records the rectangles its links cover: one
// region per line a link spans. A printer lives for one print:
//
//   KyTextPrinter printer(image);
//   printer.topMargin = 2;
//   printer.leftMargin = 4;
//   printer.links = &regions;
//   tree->accept(printer);
//
// Lines go from the top of the image down; a line that does not fit above
// the bottom row stops the drawing. Glyphs are clipped at the image edges.
class KyTextPrinter : public KyTextVisitor {
public:
    // Empty stacks; margins, pen and gaps 0; no link.
    explicit KyTextPrinter(KyImg* target);
    virtual ~KyTextPrinter() {}

    using KyTextVisitor::visit;
    void visit(KyStringNode& node) override;
    void visit(KyEndRefNode& node) override;
    void visit(KyRefNode& node) override;
    void visit(KyEndFontNode& node) override;
    void visit(KyFontNode& node) override;
    void visit(KyEndColorNode& node) override;
    void visit(KyColorNode& node) override;
    void visit(KyLineNode& node) override;
    void visit(KyParagraphNode& node) override;
    void visit(KyTextNode& node) override;

    // The image drawn into (not owned).
    KyImg* target;
    // Glyph colour indices; the front one is in use.
    KyList<u8> colorStack;
    // Background indices; the front one is in use.
    KyList<u8> bColorStack;
    // The front font is in use.
    KyList<KyIntrusivePtr<KyFont>> fontStack;
    // Where finished link regions go (not owned); none recorded when null.
    KyList<KyLinkRegion>* links;
    // Target of the link being drawn.
    KyString href;
    // Left edge of the open link region: -1 no link, -2 link opened and no
    // word drawn yet on this line.
    s32 linkLeft;
    s32 linkRight;
    s32 linkBottom;
    s32 linkTop;
    s32 topMargin;
    s32 leftMargin;
    // Image row of the current line's glyphs.
    s32 penY;
    // Next glyph column.
    s32 penX;
    // Gaps of the current line that still get one extra pixel.
    s32 gapsLeft;
    // Pixels added to every gap of the current line.
    s32 gapExtra;

private:
    KyTextPrinter(const KyTextPrinter&) = delete;
    KyTextPrinter& operator=(const KyTextPrinter&) = delete;

    KyFont* currentFont() const;
    // Height of a line of the current font, line spacing included.
    s32 fontLineHeight() const;
    void pushFont(const KyString& name);
    void recordLink();

    // Stack sizes an end marker may not go below: the entries of the
    // paragraph being drawn and of what encloses it.
    u32 m_colorFloor;
    u32 m_fontFloor;
    // A line did not fit: nothing more is drawn.
    bool m_full;
};

#endif
