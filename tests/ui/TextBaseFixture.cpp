#include "tests/ui/TextBaseFixture.h"

#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "tools/content/ImageWriters.h"

#include <GL/gl.h>

#include <cstdio>

KyfWriter::Font blendGridFont(const KyfWriter::GridOptions& options)
{
    KyfWriter::Font font = KyfWriter::gridFont(options);
    ImageWriters::PngImage atlas;
    atlas.colorType = 6;
    atlas.rows = KyfWriter::gridAtlasRows(options, &atlas.width, &atlas.height);
    for (size_t i = 0; i + 3 < atlas.rows.size(); i += 4)
        atlas.rows[i] = atlas.rows[i + 1] = atlas.rows[i + 2] = 0;
    font.atlas = ImageWriters::png(atlas);
    return font;
}

KyfWriter::Kerning kerningPair(u32 first, u32 second, f32 x, f32 y)
{
    KyfWriter::Kerning k;
    k.first = first;
    k.second = second;
    k.x = x;
    k.y = y;
    return k;
}

KyString TextTest::writeFont(const std::string& name, const KyfWriter::Font& font)
{
    EXPECT_TRUE(m_dir.writeFile(name, KyfWriter::toString(KyfWriter::kyf(font))));
    return KyString(m_dir.file(name).c_str());
}

KyIntrusivePtr<KyFont2> TextTest::font(const std::string& name, const KyfWriter::Font& font)
{
    const KyString path = writeFont(name, font);
    KyIntrusivePtr<KyFont2> loaded = KySingleton<KyResourceManager>::instance()->getOrLoad<KyFont2>(path);
    EXPECT_TRUE(loaded && loaded->glyphCount() > 0) << name;
    return loaded;
}

std::string TextTest::quad(const KyGlyphMesh& mesh, u32 i)
{
    std::string out;
    for (u32 k = 0; k < 4; ++k) {
        const f32* v = mesh.vertices() + 3 * (4 * size_t(i) + k);
        char corner[64];
        std::snprintf(corner, sizeof corner, "%s%g,%g", k ? " " : "", v[0], v[1]);
        out += corner;
    }
    return out;
}

f32 TextTest::quadLeft(const KyGlyphMesh& mesh, u32 i)
{
    return mesh.vertices()[3 * (4 * size_t(i))];
}

f32 TextTest::quadTop(const KyGlyphMesh& mesh, u32 i)
{
    return mesh.vertices()[3 * (4 * size_t(i) + 3) + 1];
}

f32 TextTest::quadRight(const KyGlyphMesh& mesh, u32 i)
{
    return mesh.vertices()[3 * (4 * size_t(i) + 1)];
}

f32 TextTest::quadBottom(const KyGlyphMesh& mesh, u32 i)
{
    return mesh.vertices()[3 * (4 * size_t(i)) + 1];
}

KyColor TextTest::quadColor(const KyGlyphMesh& mesh, u32 i)
{
    const u8* c = mesh.colors() + 4 * (4 * size_t(i));
    return KyColor(c[0], c[1], c[2], c[3]);
}

void TextTest::pixelProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, context().width(), context().height(), 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

KyColor TextTest::pixelFromTop(s32 x, s32 y)
{
    return pixel(x, context().height() - 1 - y);
}
