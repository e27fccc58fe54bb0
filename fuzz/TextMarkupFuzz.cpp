// Fuzzes the glyph-text markup through the rich text widget and the text
// layout, laid out in a glyph font with bearings and kerned pairs. The first
// input byte picks the box width, the second the interline; the rest is the
// markup, after an element naming the font. Besides what the sanitizers
// catch: the markup's bounds measured before parsing match what TinyXML
// builds, refused markup builds nothing, and every stretched line of a
// justified text ends with its last glyph at the box's right edge.

#include "core/KyIntrusivePtr.h"
#include "core/KyString.h"
#include "fuzz/XmlCheck.h"
#include "os/KyOsGL.h"
#include "os/KyOsWindow.h"
#include "platform/KyFont2.h"
#include "tools/content/KyfWriter.h"
#include "ui/KyText2.h"
#include "ui/KyTextLayout.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string g_fontElement;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Right side of quad i of the mesh.
f32 quadRight(const KyGlyphMesh& mesh, u32 i)
{
    return mesh.vertices()[3 * (4 * size_t(i) + 1)];
}

void checkJustifiedEdges(const KyTextBase& built)
{
    if (built.alignment != KyGlyphText::Justify || built.dirty || !built.font() || built.boxWidth <= 0)
        return;
    KyTextBase lines(built);
    const u32 length = built.text.length();
    const char* text = built.text.c_str();
    KyTextLine line;
    for (u32 start = 0; start < length; start = line.next) {
        lines.nextLine(start, line);
        if (line.next <= start && line.end <= start)
            break;
        if (line.end == length || built.lineBreaks.contains(line.end))
            continue;
        lines.countGaps(start, line);
        if (line.gaps == 0)
            continue;
        u32 last = line.end;
        while (last > start && isBlank(text[last - 1]))
            --last;
        XmlCheck::require(quadRight(built.mesh, last - 1) == f32(built.boxWidth));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("KY_HEADLESS", "1", 0);
    if (!std::freopen("/dev/null", "w", stdout))
        return 0;
    static KyOsWindow window;
    static KyOsGL gl;
    if (!window.create("fuzz", 64, 64, false) || !gl.create(window) || !gl.makeCurrent()) {
        std::fprintf(stderr, "no OpenGL context\n");
        std::abort();
    }
    // Glyphs 8 wide in cells of 10 with a 1-pixel bearing, a narrower space
    // and kerned pairs, among them one with the space.
    KyfWriter::GridOptions options;
    options.spacing = 2.0f;
    options.kerning = {{'a', 'b', -3.0f, 0.0f}, {' ', 'b', 1.5f, 0.0f}, {'t', 'y', -0.5f, 0.5f}};
    KyfWriter::Font font = KyfWriter::gridFont(options);
    for (KyfWriter::Glyph& g : font.glyphs)
        g.xOffset = 1.0f;
    font.glyphs[' '].advance = 4.0f;
    char name[] = "/tmp/kyfuzzfontXXXXXX";
    const int fd = mkstemp(name);
    const KyfWriter::Bytes bytes = KyfWriter::kyf(font);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        std::abort();
    close(fd);
    g_fontElement = std::string("<font file=\"") + name + "\"/>";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1u << 20))
        return 0;
    const s32 box = 1 + data[0];
    const f32 interline = f32(data[1] % 8);
    // Callers hand the markup over as a C string.
    const KyString description((g_fontElement + std::string(reinterpret_cast<const char*>(data + 2), size - 2)).c_str());

    const KyString wrapped = KyString("<document>") + description + KyString("</document>");
    const KyXmlDocument::Extent extent = XmlCheck::measureAndCompare(wrapped.c_str(), TIXML_ENCODING_LEGACY);

    KyText2 text;
    text.setTextBox(box, 100);
    text.setInterline(interline);
    text.setText(description);
    text.textSize();
    if (extent.refused)
        XmlCheck::require(text.blocks().isEmpty());
    if (!text.blocks().isEmpty())
        checkJustifiedEdges(*text.blocks().begin());

    KyTextLayout layout;
    layout.setSizeType(KyLayout::Pixel);
    layout.setSize(KyVector3f32(f32(box), 1.0f, 1.0f));
    layout.setInterline(interline);
    layout.setText(description);
    if (extent.refused)
        XmlCheck::require(layout.textBase.text.isEmpty());
    return 0;
}
