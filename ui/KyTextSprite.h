#ifndef KY_TEXT_SPRITE_H
#define KY_TEXT_SPRITE_H

#include "core/KyColor.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/KyPalette.h"
#include "ui/KySprite.h"

// A sprite whose picture is rich-text markup printed into a paletted image
// of the sprite's own size. The label of the sprite buttons and of some
// screens.
//
// Every text sprite prints with the same seven colours, held in a palette of
// its own made on first use: 0 transparent, 1 black, 2 white, 3 dark red,
// 4 white, 5 dark green, 6 white; the colour and background indices of the
// markup select them. Entries 7 to 255 are transparent black.
//
//   KyTextSprite caption;
//   caption.setSize(KyVector3f32(420, 80, 0));
//   caption.setText("<p color=2>Hello");
//   caption.setPosition(KyVector3f32(30, 20, 250));
class KyTextSprite : public KySprite {
public:
    // A sprite on the screen singleton; no palette yet, margins 0.
    KyTextSprite();
    ~KyTextSprite() override;

    // Makes the palette when there is none.
    void createPalette();
    // Makes the palette if needed, then sets one of its entries.
    void setPaletteEntry(u32 index, const KyColor& color);
    KyIntrusivePtr<KyPalette> palette() const { return m_palette; }

    // Prints the markup into a new transparent image of the sprite's size
    // (less the margins around the text) and shows it.
    void setText(const KyString& text);
    void setText(const char* text);

    // Space kept free around the text, in pixels (truncated when printing).
    void setMargins(f32 left, f32 right, f32 bottom, f32 top);

    // (0, height in pixels of the last printed text, 0); 0 when the last
    // markup was rejected.
    const KyVector3f32& textHeight() const { return m_textHeight; }

    f32 leftMargin;
    f32 rightMargin;
    f32 bottomMargin;
    f32 topMargin;

private:
    KyIntrusivePtr<KyPalette> m_palette;
    KyVector3f32 m_textHeight;
};

#endif
