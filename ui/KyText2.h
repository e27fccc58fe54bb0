#ifndef KY_TEXT2_H
#define KY_TEXT2_H

#include "core/KyIntrusivePtr.h"
#include "core/KyList.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject.h"
#include "platform/KyFont2.h"
#include "ui/KyTextBase.h"

class TiXmlElement;
class TiXmlNode;

// The rich text widget of the XML interface: text written in the small XML
// text description (KyTextMarkup), laid out in a wrap box and drawn through
// the process-wide widget camera as a listener of the main window's draw
// signal, ordered by its depth like the sprites.
//
// The description's nodes are walked in document order, elements nested
// included. Character data appends to the text; "br" breaks the line;
// "color" colours the text from its position on; "section" sets the
// alignment (0 left, 1 right, 2 justify, 3 center; another style keeps the
// alignment); "font" names the glyph font. Fonts and colours stay in effect
// after their element's content, until changed. The font is the widget's:
// a text without a "font" element is drawn in the font the widget last had.
// A new widget has no font (a text without one draws nothing, with a log
// line) and draws in opaque black until a "color" element.
//
// A text is held as one text block (KyTextBase), positioned at the widget's
// world position when drawn.
class KyText2 : public Ky3DObject {
public:
    KyText2();
    ~KyText2() override;

    // An empty text clears the runs. A text that does not parse changes
    // nothing, with a log line.
    void setText(const KyString& text);
    // The wrap box, for every block.
    void setTextBox(s32 width, s32 height);
    void setInterline(f32 value);
    // Lays the blocks out again in the widget's box when the widget is dirty.
    void applyLayout();
    // (largest block width, largest block height, 0), laying out dirty
    // blocks first.
    KyVector3f32 textSize();

    // Stores the position, then registers the draw listener again with the
    // priority of the new depth.
    void setPosition(const KyVector3f32& position) override;

    // "visible" (integer, non-zero: visible) and "interline" (decimal), then
    // the element's child nodes from its first child element on as the text.
    void loadFromXml(const TiXmlElement* element);

    // The draw listener: lays out, then draws every block through the widget
    // camera. False, so that the other listeners still draw.
    bool draw();

    void setVisible(bool visible) { m_visible = visible; }
    bool visible() const { return m_visible; }

    const KyList<KyTextBase>& blocks() const { return m_blocks; }
    s32 boxWidth() const { return m_boxWidth; }
    s32 boxHeight() const { return m_boxHeight; }
    f32 interline() const { return m_interline; }
    bool isDirty() const { return m_dirty; }
    // The font the next text starts with (null before the first one).
    KyFont2* font() const { return m_font.get(); }

private:
    KyText2(const KyText2&) = delete;
    KyText2& operator=(const KyText2&) = delete;

    // Builds the text of the nodes from first (and their siblings) and makes
    // it the widget's only block.
    void setMarkup(const TiXmlNode* first);
    // Appends first, its following siblings and everything inside them, in
    // document order.
    void walk(const TiXmlNode* first, KyTextBase& block);
    // -(world z of the origin): deeper widgets draw first.
    f32 drawPriority();
    void addDrawListener();
    void removeDrawListener();

    KyList<KyTextBase> m_blocks;
    s32 m_boxWidth;
    s32 m_boxHeight;
    f32 m_interline;
    bool m_dirty;
    bool m_visible;
    KyIntrusivePtr<KyFont2> m_font;
    bool m_listening;
};

#endif
