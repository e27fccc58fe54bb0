// Cost of one frame of the interface for trees of 1,000 and 10,000 layouts:
// the tree is resized at its root (every layout recomputes its geometry),
// updated, and drawn through the main window's draw signal.
//
//   Update: resize + update of the whole tree.
//   UpdateAndDraw: the same, then the overlay pass; layouts outline
//     themselves when the draw mode is 1 (needs an OpenGL context; run with
//     SDL_VIDEODRIVER=offscreen when there is no display).
// The tree is a root panel, 10 groups under it and the rest spread evenly
// over the groups, as interface files build them. Counters report the time
// per layout. The work per layout is the same at every size (about 3,100
// instructions at 1,000 layouts, 3,400 at 10,000, counted with cachegrind);
// beyond a few thousand layouts the tree no longer fits in the caches and
// the time per layout rises with the memory traffic.

#include "core/KySingleton.h"
#include "os/KyOsWindow.h"
#include "platform/KyOpenGLContext.h"
#include "platform/KyRenderer.h"
#include "ui/KyLayout.h"
#include "ui/KyMainWindow.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

const int Groups = 10;

class Tree {
public:
    Tree(int count, u32 drawMode)
    {
        KyMainWindow* window = KySingleton<KyMainWindow>::instance();
        window->setSize(KyVector3f32(800, 600, 0));
        layouts.reserve(count);
        root = add(window, KyLayout::Pixel, KyVector3f32(640, 480, 1), drawMode);
        std::vector<KyLayout*> groups;
        for (int g = 0; g < Groups; ++g)
            groups.push_back(add(root, KyLayout::Percent, KyVector3f32(0.1f, 1, 1), drawMode));
        for (int i = static_cast<int>(layouts.size()); i < count; ++i) {
            KyLayout* l = add(groups[i % Groups], KyLayout::Pixel, KyVector3f32(20, 10, 1), drawMode);
            l->setPosition(KyVector3f32(0.5f, (i % 97) / 97.0f, 0.5f));
        }
    }
    ~Tree()
    {
        // Children first: each leaves its parent's list and the draw signal.
        for (auto it = layouts.rbegin(); it != layouts.rend(); ++it)
            it->reset();
    }

    KyLayout* add(KyI3DObject2* parent, KyLayout::CoordinatesType type, const KyVector3f32& size, u32 drawMode)
    {
        layouts.push_back(std::make_unique<KyLayout>());
        KyLayout* l = layouts.back().get();
        l->setSizeType(type);
        l->setSize(size);
        l->setDrawMode(drawMode);
        parent->addChild(l);
        return l;
    }

    KyLayout* root;
    std::vector<std::unique_ptr<KyLayout>> layouts;
};

void frame(Tree& tree, benchmark::State& state, bool draw)
{
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    f32 width = 640;
    for (auto _ : state) {
        width = width == 640 ? 642 : 640;
        tree.root->setSize(KyVector3f32(width, 480, 1));
        window->update();
        if (draw)
            window->draw();
    }
    if (draw)
        glFinish();
    state.counters["per_layout"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(tree.layouts.size()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Update(benchmark::State& state)
{
    Tree tree(static_cast<int>(state.range(0)), 0);
    frame(tree, state, false);
}

void UpdateAndDraw(benchmark::State& state)
{
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    window->setSize(KyVector3f32(800, 600, 0));
    if (!window->handle() && (!window->create() || !KyOpenGLContext::Initialize(window->handle()))) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    KySingleton<KyRenderer>::instance()->init();
    Tree tree(static_cast<int>(state.range(0)), 1);
    frame(tree, state, true);
}

} // namespace

BENCHMARK(Update)->Arg(1000)->Arg(4000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(UpdateAndDraw)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
