#ifndef KY_TESTS_UI_TEXT_BASE_FIXTURE_H
#define KY_TESTS_UI_TEXT_BASE_FIXTURE_H

#include "core/KyColor.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyString.h"
#include "platform/KyFont2.h"
#include "tests/support/GLTestContext.h"
#include "tools/content/KyfWriter.h"
#include "tests/support/TempDir.h"
#include "ui/KyGlyphMesh.h"

#include <string>

// Glyph fonts for the text tests. The grid font of KyfWriter with its atlas
// made for the GL_BLEND texture environment of text meshes: every pixel's
// colour black and its alpha the glyph's coverage, so a quad shows exactly
// its vertex colour where the glyph is. With the defaults every glyph is
// 8 x 12 pixels, advance 8, x offset 0, y offset 12 (its top 12 above the
// base line) and the line height 12.
KyfWriter::Font blendGridFont(const KyfWriter::GridOptions& options = KyfWriter::GridOptions());

KyfWriter::Kerning kerningPair(u32 first, u32 second, f32 x, f32 y);

// Fixture of the text tests: an OpenGL context (fonts make their atlas
// texture), a folder for the fonts, and helpers to read meshes back.
class TextTest : public GLTest {
protected:
    // Writes the font under the fixture's folder; returns its path.
    KyString writeFont(const std::string& name, const KyfWriter::Font& font);
    // Writes and loads the font through the resource manager.
    KyIntrusivePtr<KyFont2> font(const std::string& name, const KyfWriter::Font& font);
    KyIntrusivePtr<KyFont2> gridFont() { return font("grid.kyf", blendGridFont()); }

    // Quad i as "x0,y0 x1,y1 x2,y2 x3,y3" (the four corners in order).
    static std::string quad(const KyGlyphMesh& mesh, u32 i);
    // Left, top, right and bottom of quad i.
    static f32 quadLeft(const KyGlyphMesh& mesh, u32 i);
    static f32 quadTop(const KyGlyphMesh& mesh, u32 i);
    static f32 quadRight(const KyGlyphMesh& mesh, u32 i);
    static f32 quadBottom(const KyGlyphMesh& mesh, u32 i);
    static KyColor quadColor(const KyGlyphMesh& mesh, u32 i);

    // Projection of the context for drawing in pixels: origin at the top-left
    // corner, y downwards; blending on, depth test off; cleared to black.
    void pixelProjection();
    // Pixel at (x, y) counted from the top row, as the text lays out.
    KyColor pixelFromTop(s32 x, s32 y);

    TempDir m_dir;
};

#endif
