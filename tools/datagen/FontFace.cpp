#include "tools/datagen/FontFace.h"

#include "tools/datagen/DataError.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>

struct FontFace::Library {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

FontFace::FontFace(const std::string& path, int pixelSize, bool hinting)
    : m_path(path), m_pixelSize(pixelSize), m_hinting(hinting), m_library(new Library)
{
    if (pixelSize < 1 || pixelSize > 1000) {
        delete m_library;
        throw DataError(path, 0, "font size " + std::to_string(pixelSize) + " is outside 1 to 1000 pixels");
    }
    const char* failure = nullptr;
    if (FT_Init_FreeType(&m_library->library) != 0)
        failure = "FreeType does not start";
    else if (FT_New_Face(m_library->library, path.c_str(), 0, &m_library->face) != 0)
        failure = "is not a font file FreeType can read";
    else if (FT_Set_Pixel_Sizes(m_library->face, 0, FT_UInt(pixelSize)) != 0)
        failure = "cannot be set to this pixel size";
    if (failure) {
        if (m_library->face)
            FT_Done_Face(m_library->face);
        if (m_library->library)
            FT_Done_FreeType(m_library->library);
        delete m_library;
        throw DataError(path, 0, failure);
    }
}

FontFace::~FontFace()
{
    FT_Done_Face(m_library->face);
    FT_Done_FreeType(m_library->library);
    delete m_library;
}

bool FontFace::has(std::uint32_t codePoint) const
{
    return FT_Get_Char_Index(m_library->face, codePoint) != 0;
}

FontFace::Glyph FontFace::render(std::uint32_t codePoint, bool mono) const
{
    Glyph glyph;
    FT_Face face = m_library->face;
    FT_Int32 flags = FT_LOAD_RENDER;
    if (!m_hinting)
        flags |= FT_LOAD_NO_HINTING;
    flags |= mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
    if (FT_Load_Char(face, codePoint, flags) != 0)
        return glyph;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.width = int(bitmap.width);
    glyph.rows = int(bitmap.rows);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.advance = slot->advance.x / 64.0;
    glyph.coverage.assign(size_t(glyph.width) * glyph.rows, 0);
    for (int y = 0; y < glyph.rows; ++y) {
        const unsigned char* row = bitmap.buffer + std::ptrdiff_t(y) * bitmap.pitch;
        for (int x = 0; x < glyph.width; ++x) {
            std::uint8_t value;
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                value = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            else
                value = row[x];
            glyph.coverage[size_t(y) * glyph.width + x] = value;
        }
    }
    return glyph;
}

double FontFace::kerning(std::uint32_t left, std::uint32_t right) const
{
    FT_Face face = m_library->face;
    if (!FT_HAS_KERNING(face))
        return 0.0;
    FT_Vector delta;
    const FT_UInt mode = m_hinting ? FT_KERNING_DEFAULT : FT_KERNING_UNFITTED;
    if (FT_Get_Kerning(face, FT_Get_Char_Index(face, left), FT_Get_Char_Index(face, right), mode, &delta) != 0)
        return 0.0;
    return delta.x / 64.0;
}

bool FontFace::hasKerning() const
{
    return FT_HAS_KERNING(m_library->face);
}

double FontFace::ascender() const
{
    return m_library->face->size->metrics.ascender / 64.0;
}

double FontFace::descender() const
{
    return -m_library->face->size->metrics.descender / 64.0;
}

double FontFace::lineHeight() const
{
    return m_library->face->size->metrics.height / 64.0;
}
