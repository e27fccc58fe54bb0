#ifndef KY_TEXT_BASE2_H
#define KY_TEXT_BASE2_H

#include "core/KyColor.h"
#include "ui/KyGlyphText.h"

// A run of text in a glyph font, wrapped into a box and drawn as one mesh
// (the text of a text layout), with a settable colour for the characters
// that have none of their own: opaque white until set.
class KyTextBase2 : public KyGlyphText {
public:
    KyTextBase2();
    KyTextBase2(const KyTextBase2& other) = default;
    KyTextBase2& operator=(const KyTextBase2& other) = default;
    ~KyTextBase2() override;

    void setDefaultColor(const KyColor& color);

    using KyGlyphText::defaultColor;
};

#endif
