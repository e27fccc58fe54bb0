// Laying out and meshing a 10,000-character text in a glyph font: the line
// pass and the quad writing of a full rebuild (left-aligned and justified,
// box of 400 pixels) beside a flat loop applying the same rules, and the
// whole path of a text layout's description:
// parse, text and styles, mesh sizing and rebuild. The font's atlas needs
// an OpenGL context: an offscreen window gives one (SDL's offscreen driver
// unless SDL_VIDEODRIVER says otherwise).

#include "bench/BenchStatistics.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "core/KyString.h"
#include "core/KyXmlDocument.h"
#include "os/KyOsGL.h"
#include "os/KyOsWindow.h"
#include "platform/KyFont2.h"
#include "tests/support/FlatGlyphLayout.h"
#include "tools/content/KyfWriter.h"
#include "ui/KyTextBase2.h"
#include "ui/KyTextMarkup.h"

#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const u32 kCharacters = 10000;

// Words of 1 to 9 letters, one blank between them, a colour every 500
// characters and a line break every 2,000.
std::string sampleText(std::string* markup)
{
    std::string text;
    u32 seed = 12345;
    while (text.size() < kCharacters) {
        seed = seed * 1103515245u + 12345u;
        const u32 letters = 1 + (seed >> 16) % 9;
        for (u32 i = 0; i < letters && text.size() < kCharacters; ++i)
            text += char('a' + (seed >> (8 + i)) % 26);
        if (text.size() < kCharacters)
            text += ' ';
    }
    if (markup) {
        for (size_t i = 0; i < text.size(); i += 500) {
            *markup += "<color r=\"" + std::to_string(i % 256) + "\"/>";
            if (i % 2000 == 0 && i > 0)
                *markup += "<br/>";
            *markup += text.substr(i, 500);
        }
    }
    return text;
}

struct Fixture {
    KyOsWindow window;
    KyOsGL gl;
    std::string fontPath;
    KyIntrusivePtr<KyFont2> font;
    std::string text;
    std::string markup;

    Fixture()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (!window.create("bench", 64, 64, false) || !gl.create(window) || !gl.makeCurrent()) {
            std::fprintf(stderr, "no OpenGL context\n");
            std::exit(1);
        }
        KyfWriter::GridOptions options;
        options.cellWidth = 9;
        options.cellHeight = 16;
        options.kerning = {{'a', 'v', -1.0f, 0.0f}, {'t', 'y', -0.5f, 0.5f}};
        char name[] = "/tmp/kybenchfontXXXXXX";
        const int fd = mkstemp(name);
        const KyfWriter::Bytes bytes = KyfWriter::kyf(KyfWriter::gridFont(options));
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())) {
            std::fprintf(stderr, "cannot write the font\n");
            std::exit(1);
        }
        close(fd);
        fontPath = name;
        font = new KyFont2;
        font->Load(fontPath.c_str());
        text = sampleText(&markup);
        markup = "<font file=\"" + fontPath + "\"/>" + markup;
    }

    ~Fixture()
    {
        font.reset();
        unlink(fontPath.c_str());
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_RebuildText(benchmark::State& state)
{
    Fixture& f = fixture();
    KyTextBase2 base;
    base.setFont(0, f.font);
    base.text = f.text.c_str();
    base.setSize(400, 0);
    base.setAlignment(s32(state.range(0)));
    for (u32 i = 2000; i < kCharacters; i += 2000)
        base.addLineBreak(i);
    base.rebuild();
    for (auto _ : state) {
        base.dirty = true;
        base.rebuild();
        benchmark::DoNotOptimize(base.textHeight);
    }
    state.SetItemsProcessed(state.iterations() * kCharacters);
    state.counters["lines"] = base.lineCount + 1;
}
BENCHMARK(BM_RebuildText)->Arg(0)->Arg(2)->ArgName("alignment")->ComputeStatistics("min", benchMinimum);

// The baseline of the rebuild: the same rules applied to the same text by
// one flat loop over plain tables (tests/support/FlatGlyphLayout.h), writing
// the same mesh. Checked once against the rebuild's mesh before timing.
void BM_RebuildTextFlatLoop(benchmark::State& state)
{
    Fixture& f = fixture();
    KyTextBase2 base;
    base.setFont(0, f.font);
    base.text = f.text.c_str();
    base.setSize(400, 0);
    base.setAlignment(s32(state.range(0)));
    for (u32 i = 2000; i < kCharacters; i += 2000)
        base.addLineBreak(i);
    base.rebuild();
    FlatGlyphLayout flat(*f.font);
    flat.setText(base);
    FlatGlyphLayout::Mesh mesh = flat.freshMesh();
    flat.rebuild(mesh);
    const size_t vertexFloats = size_t(base.mesh.vertexCount()) * 3;
    if (std::memcmp(mesh.vertices.data(), base.mesh.vertices(), vertexFloats * sizeof(f32)) != 0 ||
        std::memcmp(mesh.colors.data(), base.mesh.colors(), mesh.colors.size()) != 0 ||
        std::memcmp(mesh.textureCoords.data(), base.mesh.textureCoords(), mesh.textureCoords.size() * sizeof(f32)) ||
        mesh.textHeight != base.textHeight || mesh.textWidth != base.textWidth) {
        state.SkipWithError("the flat loop and the rebuild give different meshes");
        return;
    }
    for (auto _ : state) {
        flat.rebuild(mesh);
        benchmark::DoNotOptimize(mesh.textHeight);
    }
    state.SetItemsProcessed(state.iterations() * kCharacters);
}
BENCHMARK(BM_RebuildTextFlatLoop)->Arg(0)->Arg(2)->ArgName("alignment")->ComputeStatistics("min", benchMinimum);

void BM_DescriptionToMesh(benchmark::State& state)
{
    Fixture& f = fixture();
    const KyString description(f.markup.c_str());
    for (auto _ : state) {
        KyTextBase2 base;
        base.setSize(400, 0);
        KyXmlDocument document;
        KyTextMarkup::parse(description, document, "bench");
        for (const TiXmlNode* node = document.RootElement()->FirstChildElement(); node; node = node->NextSibling()) {
            if (const TiXmlElement* element = node->ToElement())
                KyTextMarkup::applyElement(*element, base, "bench");
            else if (const TiXmlText* data = node->ToText())
                KyTextMarkup::appendCharacters(base, data->Value());
        }
        KyTextMarkup::sizeMesh(base);
        base.rebuild();
        benchmark::DoNotOptimize(base.textHeight);
    }
    state.SetItemsProcessed(state.iterations() * kCharacters);
}
BENCHMARK(BM_DescriptionToMesh);

} // namespace
