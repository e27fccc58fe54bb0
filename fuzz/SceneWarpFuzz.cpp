// Fuzzes scene descriptions: the reading into checked elements and their
// application to a loaded panorama (with animations), then the markers and
// picking over what they made. Besides what the sanitizers catch: every
// element read is whole, the panorama keeps one path and one pick mesh per
// exit, and every marker index it keeps names a marker.

#include "core/KyString.h"
#include "platform/KyInputMgr.h"
#include "scene/KySceneWarp.h"
#include "scene/KyWarp.h"
#include "tools/content/WarpWriter.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

KyWarp* g_warp = nullptr;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// Six faces and two animations, "DOOR" (two frames) and "LAMP" (one).
WarpWriter::Bytes panorama()
{
    WarpWriter::Source source;
    for (u32 f = 0; f < 6; ++f)
        source.faces[f] = WarpWriter::Picture::filled(16, 16, u8(40 * f), 90, 200, 255);
    source.tileSize = 8;
    WarpWriter::Picture layer = WarpWriter::Picture::filled(16, 16, 0, 0, 0, 0);
    for (size_t i = 0; i < 16 * 8 * 4; ++i)
        layer.rgba[i] = 255;
    WarpWriter::PickCells cells;
    cells.face = 3;
    cells.opaque = true;
    for (const char* name : {"DOOR", "LAMP"}) {
        WarpWriter::AnimationSource animation;
        animation.name = name;
        animation.frames.resize(name[0] == 'D' ? 2 : 1);
        for (WarpWriter::FrameSource& frame : animation.frames) {
            frame.layers = {{3, layer}};
            frame.picks = {cells};
        }
        source.animations.push_back(animation);
    }
    WarpWriter::Bytes out;
    std::string error;
    require(WarpWriter::write(source, out, error));
    return out;
}

void checkElement(const KySceneWarp::Element& e)
{
    if (e.kind != KySceneWarp::Element::Animation)
        require(e.markers.size() <= 1);
    require(std::isfinite(e.fps) && e.fps > 0.0);
    for (const KyVector3f32& p : e.markers)
        require(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
    if (e.kind != KySceneWarp::Element::Exit)
        return;
    const KyWarp::Exit& exit = e.exit;
    require(exit.linkedPath.length() > 3 && exit.name == e.name);
    require(exit.blockGrid >= 1 && exit.blockGrid <= KySceneWarp::MaxBlockGrid);
    require(std::isfinite(exit.angleX) && std::isfinite(exit.angleY));
    for (const KyWarp::ExitBlock& b : exit.blocks) {
        require(b.face >= 0 && b.face <= 5 && b.columns == exit.blockGrid && b.rows == exit.blockGrid);
        require(b.column >= 0 && b.column < b.columns && b.row >= 0 && b.row < b.rows);
    }
}

void checkWarp(KyWarp& warp, const KySceneWarp& scene)
{
    const u32 markers = warp.markers().count();
    require(warp.exits().count() == scene.exits().count());
    require(warp.paths().count() == warp.exits().count());
    require(warp.exitPickMeshes().count() == warp.exits().count());
    auto mesh = warp.exitPickMeshes().begin();
    for (KyWarp::Exit& exit : warp.exits()) {
        require((*mesh)->name() == exit.linkedPath);
        require((*mesh)->triangleCount == 2 * exit.blocks.count());
        require(exit.marker == KyWarp::NoMarker || exit.marker < markers);
        require(warp.findExit(exit.linkedPath, true) != nullptr);
        ++mesh;
    }
    for (u32 a = 0; a < warp.animationCount(); ++a) {
        for (unsigned int index : warp.animations()[a].markerIndices)
            require(index < markers);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every problem of a description is logged; the fuzzer reports on stderr.
    if (!std::freopen("/dev/null", "w", stdout))
        return 0;
    char folder[] = "/tmp/kyfuzzsceneXXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    const std::string path = std::string(folder) + "/Hall.wp";
    const WarpWriter::Bytes bytes = panorama();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    require(file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    std::fclose(file);
    g_warp = new KyWarp;
    require(g_warp->load(KyString(path.c_str())));
    g_warp->camera().setViewport(160, 120);
    g_warp->camera().setPerspective(60.0f, 160.0f / 120.0f, 1.0f, 4096.0f);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16))
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    KySceneWarp::Description description;
    if (!KySceneWarp::parse(text.c_str(), KyString("fuzz.xml"), description)) {
        require(description.elements.empty());
        return 0;
    }
    for (const KySceneWarp::Element& element : description.elements)
        checkElement(element);

    KyWarp& warp = *g_warp;
    KySceneWarp scene;
    scene.apply(description, &warp);
    checkWarp(warp, scene);

    // Markers and picking over what the description made.
    warp.setMarkersVisible(size % 2 == 0);
    for (const KySceneWarp::Element& element : description.elements) {
        const KyString name = element.kind == KySceneWarp::Element::Exit
                                  ? KyString(element.exit.linkedPath.c_str() + 3)
                                  : element.name;
        warp.setMarker(name, element.line % 3 == 0 ? -1 : 0, u32(element.markers.size()) - 1);
        warp.setMarker(name, 0, 0);
    }
    warp.setAnimationFrame(KyString("DOOR"), 0, true);
    KyInputMgr::instance()->setMousePosition(KyVector2s32(s32(size % 160), s32(size % 120)), 0);
    warp.onMouseClick();
    warp.click();
    warp.resetMarkersState();
    for (KyWarpMarker* marker : warp.markers())
        warp.updateMarker(warp.camera(), *marker->sprite());
    return 0;
}
