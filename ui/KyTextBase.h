#ifndef KY_TEXT_BASE_H
#define KY_TEXT_BASE_H

#include "core/KyVector3f32.h"
#include "ui/KyGlyphText.h"

// A run of text in a glyph font, wrapped into a box and drawn as one mesh
// (the text blocks of the rich text widget). Characters without a colour of
// their own are opaque black. Copies carry every field: text, mesh, line
// breaks and both style maps.
class KyTextBase : public KyGlyphText {
public:
    KyTextBase();
    KyTextBase(const KyTextBase& other) = default;
    KyTextBase& operator=(const KyTextBase& other) = default;
    ~KyTextBase() override;

    // The mesh's position: each coordinate rounded to the nearest whole
    // number (floor of value + 0.5), so glyphs land on whole pixels.
    void setPosition(const KyVector3f32& position);
};

#endif
