#ifndef KY_TEXT_NODE_H
#define KY_TEXT_NODE_H

#include "core/KyList.h"
#include "core/KyString.h"
#include "ui/KyTextTree.h"

class KyParagraphNode;

// The root of a rich-text tree: its paragraphs, the default colours, font
// and alignments for them, and the vertical figures the parser decided.
class KyTextNode : public KyTextTree {
public:
    // Horizontal alignments of texts, paragraphs and lines.
    enum { AlignJustify = 0, AlignLeft = 1, AlignCenter = 2, AlignRight = 3 };
    // Vertical alignments of a text in its box.
    enum { AlignTop = 0, AlignMiddle = 1, AlignDown = 2 };

    // The font of a text, paragraph or font marker that names none.
    static const char* const defaultFontName;

    // Colour 1 on background 0, the default font, top and left aligned.
    KyTextNode();
    // Deletes every paragraph in order.
    ~KyTextNode() override;

    u32 serialize(KyStream& stream) override;
    void accept(KyTextVisitor& visitor) override;

    // Owned paragraphs, in reading order.
    KyList<KyParagraphNode*> children;
    u8 color;
    u8 bColor;
    KyString fontName;
    s32 vAlign;
    s32 hAlign;
    // Total height of all lines in pixels.
    s32 height;
    // Pixels from the top of the box to the first line.
    s32 vOffset;

protected:
    bool readFrom(KyStream& stream) override;
    void dropChildren() override;
};

#endif
