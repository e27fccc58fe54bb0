#include "ui/KyTextSprite.h"

#include "core/KySingleton.h"
#include "platform/KyImg.h"
#include "platform/KyScreen.h"
#include "ui/KyTextBlock.h"
#include "ui/KyTextNode.h"

namespace {

// The colours every text sprite prints with, by palette index.
const KyColor kColours[] = {
    KyColor(0, 0, 0, 0),         KyColor(0, 0, 0, 255),       KyColor(255, 255, 255, 255),
    KyColor(170, 0, 0, 255),     KyColor(255, 255, 255, 255), KyColor(0, 170, 0, 255),
    KyColor(255, 255, 255, 255),
};

// A size component as whole pixels; nothing below 0, and nothing the image
// could not hold anyway.
u32 pixels(f32 v)
{
    return v >= 1.0f ? (v < 1.0e9f ? u32(v) : 1000000000u) : 0;
}

// A margin as whole pixels, truncated toward zero.
s32 marginPixels(f32 v)
{
    if (!(v > -1.0e9f))
        return v != v ? 0 : -1000000000;
    return v < 1.0e9f ? s32(v) : 1000000000;
}

} // namespace

KyTextSprite::KyTextSprite()
    : KySprite(KySingleton<KyScreen>::instance()),
      leftMargin(0.0f),
      rightMargin(0.0f),
      bottomMargin(0.0f),
      topMargin(0.0f),
      m_textHeight(0.0f, 0.0f, 0.0f)
{
}

KyTextSprite::~KyTextSprite()
{
    m_palette.reset();
}

void KyTextSprite::createPalette()
{
    if (m_palette)
        return;
    KyPalette* palette = new KyPalette;
    palette->allocate(3);
    for (u32 i = 0; i < sizeof(kColours) / sizeof(kColours[0]); ++i)
        palette->setColor(i, kColours[i]);
    m_palette = palette;
}

void KyTextSprite::setPaletteEntry(u32 index, const KyColor& color)
{
    createPalette();
    m_palette->setColor(index, color);
}

void KyTextSprite::setMargins(f32 left, f32 right, f32 bottom, f32 top)
{
    leftMargin = left;
    rightMargin = right;
    bottomMargin = bottom;
    topMargin = top;
}

void KyTextSprite::setText(const char* text)
{
    setText(KyString(text ? text : ""));
}

void KyTextSprite::setText(const KyString& text)
{
    createPalette();

    const KyVector3f32 area = size();
    KyIntrusivePtr<KyImg> image(new KyImg);
    image->create(0, pixels(area.x), pixels(area.y), m_palette);
    image->setTransparent(1);
    image->clear(0);

    KyTextBlock block;
    block.setMargins(marginPixels(rightMargin), marginPixels(leftMargin), marginPixels(topMargin),
                    marginPixels(bottomMargin));
    KyString markup(text);
    block.setText(image.get(), markup);
    block.print();

    LoadFromImage(image.get());
    m_textHeight = KyVector3f32(0.0f, block.tree ? f32(block.tree->height) : 0.0f, 0.0f);
}
