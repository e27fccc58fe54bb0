#include "platform/KyFont.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyPath.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"

KyFont::KyFont()
    : m_glyphCount(0), m_characterHeight(0), m_secondHeaderByte(0), m_spacing(1), m_lineSpacing(0)
{
}

KyFont::~KyFont()
{
    destroyGlyphs();
    m_palette.reset();
}

void KyFont::destroyGlyphs()
{
    m_glyphs.clear();
}

void KyFont::load(const KyString& path)
{
    destroyGlyphs();
    m_spacing = 1;
    m_palette.reset();
    m_glyphCount = 0;
    m_characterHeight = 0;
    m_secondHeaderByte = 0;

    KyFile file;
    if (!file.Open_2(path, KyFile::ModeRead)) {
        logPrint("Echec de l'ouverture du fichier : %s\n", path.c_str());
        return;
    }
    u8 header[4] = {0, 0, 0, 0};
    if (file.read(header, sizeof(header)) == sizeof(header)) {
        m_glyphCount = static_cast<u16>(header[0] | (header[1] << 8));
        m_characterHeight = header[2];
        m_secondHeaderByte = header[3];
        m_palette = new KyPalette;
        m_palette->deserialize(file);
        // Glyphs are made as they are read: a file shorter than its count
        // announces ends the reading instead of making empty images.
        for (u32 i = 0; i < m_glyphCount && !file.eof(); ++i) {
            KyIntrusivePtr<KyImg> image(new KyImg);
            image->deserialize(file);
            image->setPalette(m_palette);
            m_glyphs.push_back(image);
        }
    }
    setPath(path);
    file.close();
}

KyImg* KyFont::glyph(u8 c) const
{
    return c < m_glyphs.size() ? m_glyphs[c].get() : nullptr;
}

u32 KyFont::glyphWidth(u8 c) const
{
    KyImg* image = glyph(c);
    return image ? image->width() : 0;
}

void KyFont::drawChar(u8 c, s32 x, s32 y, KyImg* target, u8 background, u8 colour) const
{
    KyImg* image = glyph(c);
    if (!image || !target || !image->pixels())
        return;
    u32 width = image->width();
    if (width == 0)
        return;
    // Never read past the glyph's own pixels, whatever the character height.
    u64 rows = m_characterHeight;
    if (rows > image->height())
        rows = image->height();
    if (rows > image->allocatedBytes() / width)
        rows = image->allocatedBytes() / width;
    if (rows == 0)
        return;
    target->drawGlyph(x, y, image->pixels(), width, static_cast<u32>(rows), background, colour);
}

KyIntrusivePtr<KyFont> KyFont::fromName(const KyString& name)
{
    KyPath path(name);
    path.normalize();
    KyResourceManager* manager = KySingleton<KyResourceManager>::instance();
    if (!manager)
        return KyIntrusivePtr<KyFont>();
    return manager->getOrLoad<KyFont>(path);
}
