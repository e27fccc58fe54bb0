#include "core/KyCallback0Param.h"
#include "core/KySingleton.h"
#include "platform/Ky3DObject2.h"
#include "ui/KyLayout.h"
#include "ui/KyMainWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

class Counter {
public:
    bool hit()
    {
        ++count;
        return false;
    }
    int count = 0;
};

// The main window singleton is the root of every layout tree here.
class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = KySingleton<KyMainWindow>::instance();
        window->setSize(KyVector3f32(800, 600, 0));
    }
    void TearDown() override
    {
        layouts.clear();
        KySingleton<KyMainWindow>::destroy();
    }

    KyLayout* make(KyI3DObject2* parent, KyLayout::CoordinatesType type, const KyVector3f32& size)
    {
        layouts.push_back(std::make_unique<KyLayout>());
        KyLayout* l = layouts.back().get();
        l->setSizeType(type);
        l->setSize(size);
        if (parent)
            parent->addChild(l);
        return l;
    }

    // A pixel layout of w x h at the centre of the window.
    KyLayout* box(f32 w, f32 h) { return make(window, KyLayout::Pixel, KyVector3f32(w, h, 1)); }

    KyMainWindow* window = nullptr;
    std::vector<std::unique_ptr<KyLayout>> layouts;
};

// Notes its turn in the draw pass.
class RecordingLayout : public KyLayout {
public:
    RecordingLayout(std::vector<int>& order, int id) : m_order(order), m_id(id) {}
    bool draw() override
    {
        m_order.push_back(m_id);
        return KyLayout::draw();
    }

private:
    std::vector<int>& m_order;
    int m_id;
};

void expectPoint(const KyVector3f32& expected, const KyVector3f32& got)
{
    EXPECT_NEAR(expected.x, got.x, 1e-3f);
    EXPECT_NEAR(expected.y, got.y, 1e-3f);
}

} // namespace

TEST_F(LayoutTest, DefaultsAndSettersOnlyFlagTheLayout)
{
    KyLayout l;
    EXPECT_TRUE(l.needsUpdate());
    EXPECT_EQ(KyString(""), l.name());
    EXPECT_EQ(KyLayout::Pixel, l.sizeType());
    EXPECT_EQ(KyVector3f32(1, 1, 1), l.userSize());
    EXPECT_EQ(1.0f, l.ratio());
    EXPECT_EQ(KyLayout::None, l.ratioMode());
    EXPECT_EQ(4.0f / 3.0f, l.safeAreaRatio());
    EXPECT_EQ(KyLayout::Percent, l.positionType());
    EXPECT_EQ(KyVector3f32(0.5f, 0.5f, 0.5f), l.userPosition());
    EXPECT_EQ(KyVector3f32(0.5f, 0.5f, 0.5f), l.anchor());
    EXPECT_EQ(0u, l.drawMode());
    EXPECT_TRUE(l.setName("panel"));
    EXPECT_EQ(KyString("panel"), l.name());

    // Without a parent nothing is computed: the realised values stay.
    l.setPosition(KyVector3f32(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(KyVector3f32(0.5f, 0.5f, 0.5f), l.position());
    EXPECT_FALSE(l.isMouseIn(KyVector2s32(0, 0)));

    KyLayout* c = box(10, 10);
    // Updating the tree from its root leaves nothing to do below.
    window->update();
    ASSERT_FALSE(c->needsUpdate());
    Counter sized;
    c->onSizeChanged().pushBack(kyNewCallback(&sized, &Counter::hit));
    c->setSize(KyVector3f32(10, 10, 1));
    EXPECT_FALSE(c->needsUpdate());
    EXPECT_EQ(0, sized.count);
    c->setSize(KyVector3f32(10, NAN, 1));
    EXPECT_TRUE(c->needsUpdate());
    EXPECT_EQ(1, sized.count);
    c->setSize(KyVector3f32(10, NAN, 1)); // NaN never equals
    EXPECT_EQ(2, sized.count);
    c->setSize(KyVector3f32(10, 10, 1));
    window->update();
    EXPECT_FALSE(c->needsUpdate());
    c->setPosition(c->userPosition());
    EXPECT_TRUE(c->needsUpdate());
}

TEST_F(LayoutTest, FreshLayoutIsOnePixelAtTheParentsCentre)
{
    KyLayout* l = make(window, KyLayout::Pixel, KyVector3f32(1, 1, 1));
    expectPoint(KyVector3f32(1, 1, 0), l->size());
    KyMatrix4x4 m = l->worldTransformationMatrix();
    expectPoint(KyVector3f32(0, 0, 0), m.transformPoint(KyVector3f32(0, 0, 0)));
    EXPECT_TRUE(l->isMouseIn(KyVector2s32(400, 300)));
    EXPECT_FALSE(l->isMouseIn(KyVector2s32(401, 300)));
    EXPECT_FALSE(l->isMouseIn(KyVector2s32(400, 302)));
    // The window itself: 800 x 600 x 100 pixels.
    EXPECT_EQ(KyVector3f32(800, 600, 100), window->size());
}

TEST_F(LayoutTest, PixelAndPercentSizesAndPositions)
{
    KyLayout* panel = box(400, 200);
    panel->setPosition(KyVector3f32(0.25f, 0.75f, 0.5f));
    expectPoint(KyVector3f32(400, 200, 0), panel->size());
    // Positions are fractions of the parent: a quarter across, three
    // quarters down, from the window centre (-200, 150).
    expectPoint(KyVector3f32(-200, 150, 0), panel->worldTransformationMatrix().transformPoint(KyVector3f32(0, 0, 0)));

    KyLayout* half = make(panel, KyLayout::Percent, KyVector3f32(0.5f, 0.25f, 1));
    expectPoint(KyVector3f32(200, 50, 0), half->size());
    EXPECT_EQ(KyVector3f32(0.5f, 0.25f, 1), half->scale());
    // A fraction of a pixel-sized parent: pixels.
    expectPoint(KyVector3f32(200, 50, 0), half->worldScale());
    // Its top-left corner in the panel's frame: anchored at its own corner
    // on the panel's corner.
    half->setAnchor(KyVector3f32(0, 0, 0.5f));
    half->setPosition(KyVector3f32(0, 0, 0.5f));
    expectPoint(KyVector3f32(-400, 50, 0), half->worldTransformationMatrix().transformPoint(KyVector3f32(-0.5f, -0.5f, 0)));

    // A pixel child keeps its pixels inside a scaled parent.
    KyLayout* icon = make(half, KyLayout::Pixel, KyVector3f32(16, 8, 1));
    expectPoint(KyVector3f32(16, 8, 0), icon->size());
    EXPECT_EQ(icon->scale(), icon->worldScale());
    // Resizing the panel reaches the grandchildren through the signals.
    panel->setSize(KyVector3f32(800, 400, 1));
    expectPoint(KyVector3f32(400, 100, 0), half->size());
    expectPoint(KyVector3f32(-600, -50, 0), half->worldTransformationMatrix().transformPoint(KyVector3f32(-0.5f, -0.5f, 0)));
    expectPoint(KyVector3f32(16, 8, 0), icon->size());

    // A size type outside the enumeration keeps the realised size.
    icon->setSizeType(static_cast<KyLayout::CoordinatesType>(7));
    icon->setSize(KyVector3f32(99, 99, 1));
    expectPoint(KyVector3f32(16, 8, 0), icon->size());
}

TEST_F(LayoutTest, LetterBoxKeepsTheRatioInsideTheParent)
{
    KyLayout* square = box(1000, 1000);
    KyLayout* l = make(square, KyLayout::Percent, KyVector3f32(1, 1, 1));
    l->setRatioMode(KyLayout::LetterBox);
    l->setRatio(2);
    EXPECT_EQ(KyVector3f32(1, 0.5f, 1), l->scale());
    expectPoint(KyVector3f32(1000, 500, 0), l->size());

    square->setSize(KyVector3f32(3000, 1000, 1));
    EXPECT_FLOAT_EQ(2.0f / 3.0f, l->scale().x);
    expectPoint(KyVector3f32(2000, 1000, 0), l->size());
}

TEST_F(LayoutTest, PanScanKeepsTheSafeAreaVisible)
{
    KyLayout* wide = box(1600, 900);
    KyLayout* l = make(wide, KyLayout::Percent, KyVector3f32(1, 1, 1));
    l->setRatioMode(KyLayout::PanScan);
    l->setRatio(16.0f / 9.0f);
    l->setSafeAreaRatio(4.0f / 3.0f);
    EXPECT_NEAR(1.0f, l->scale().x, 1e-6f);
    EXPECT_EQ(1.0f, l->scale().y);

    wide->setSize(KyVector3f32(1000, 1000, 1));
    EXPECT_NEAR(4.0f / 3.0f, l->scale().x, 1e-6f);
    EXPECT_EQ(1.0f, l->scale().y);
    EXPECT_EQ(1.0f, l->scale().z);
}

TEST_F(LayoutTest, EmptyParentLeavesTheRatioUnapplied)
{
    KyLayout* empty = box(0, 0);
    KyLayout* l = make(empty, KyLayout::Percent, KyVector3f32(0.5f, 0.5f, 1));
    l->setRatioMode(KyLayout::LetterBox);
    EXPECT_EQ(KyVector3f32(0.5f, 0.5f, 1), l->scale());
    l->setRatioMode(KyLayout::PanScan);
    l->setRatio(0);
    EXPECT_EQ(KyVector3f32(0.5f, 0.5f, 1), l->scale());
    EXPECT_FALSE(l->isMouseIn(KyVector2s32(400, 300)));
    EXPECT_FALSE(empty->isMouseIn(KyVector2s32(400, 300)));

    // A ratio of 0 in a real parent collapses the width; nothing divides by it.
    KyLayout* real = box(100, 100);
    KyLayout* thin = make(real, KyLayout::Percent, KyVector3f32(1, 1, 1));
    thin->setRatioMode(KyLayout::LetterBox);
    thin->setRatio(0);
    EXPECT_EQ(KyVector3f32(0, 1, 1), thin->scale());
    EXPECT_FALSE(thin->isMouseIn(KyVector2s32(400, 300)));
}

TEST_F(LayoutTest, ChildrenAreSpreadInDepthByChildOrder)
{
    KyLayout* parent = box(100, 100);
    KyLayout* a = make(parent, KyLayout::Pixel, KyVector3f32(1, 1, 1));
    KyLayout* b = make(parent, KyLayout::Pixel, KyVector3f32(1, 1, 1));
    KyLayout* c = make(parent, KyLayout::Pixel, KyVector3f32(1, 1, 1));
    parent->update();
    EXPECT_FLOAT_EQ(0.5f + 0.5f / 6, a->userPosition().z);
    EXPECT_FLOAT_EQ(0.5f + 1.5f / 6, b->userPosition().z);
    EXPECT_FLOAT_EQ(0.5f + 2.5f / 6, c->userPosition().z);
    // Later children lie in front and draw later (lower priority).
    EXPECT_GT(a->drawPriority(), b->drawPriority());
    EXPECT_GT(b->drawPriority(), c->drawPriority());

    Ky3DObject2 other;
    other.setPosition(KyVector3f32(0, 0, 7));
    parent->addChildBefore(&other, b);
    parent->update();
    EXPECT_FLOAT_EQ(0.5f + 0.5f / 8, a->userPosition().z);
    EXPECT_FLOAT_EQ(0.5f + 2.5f / 8, b->userPosition().z);
    EXPECT_FLOAT_EQ(0.5f + 3.5f / 8, c->userPosition().z);
    EXPECT_EQ(7.0f, other.position().z);
    parent->removeChild(&other);
}

TEST_F(LayoutTest, DrawSignalDrawsBackToFront)
{
    std::vector<int> order;
    RecordingLayout back(order, 1), front(order, 2), nested(order, 3);
    window->addChild(&back);
    window->addChild(&front);
    back.addChild(&nested);
    window->update();
    window->onDraw().call();
    // A small child lies just in front of its parent, behind the parent's
    // later siblings.
    EXPECT_EQ((std::vector<int>{1, 3, 2}), order);

    // Moving a child to the front changes the order at the next update.
    window->removeChild(&back);
    window->addChild(&back);
    window->update();
    order.clear();
    window->onDraw().call();
    EXPECT_EQ((std::vector<int>{2, 1, 3}), order);
    window->removeChild(&back);
    window->removeChild(&front);
    back.removeChild(&nested);
}

TEST_F(LayoutTest, IsMouseInCountsEveryEdge)
{
    KyLayout* l = box(100, 50);
    // The quad covers window x 350 .. 450 and y 275 .. 325.
    EXPECT_TRUE(l->isMouseIn(KyVector2s32(350, 275)));
    EXPECT_TRUE(l->isMouseIn(KyVector2s32(450, 325)));
    EXPECT_TRUE(l->isMouseIn(KyVector2s32(450, 275)));
    EXPECT_TRUE(l->isMouseIn(KyVector2s32(350, 325)));
    EXPECT_FALSE(l->isMouseIn(KyVector2s32(349, 300)));
    EXPECT_FALSE(l->isMouseIn(KyVector2s32(451, 300)));
    EXPECT_FALSE(l->isMouseIn(KyVector2s32(400, 274)));
    EXPECT_FALSE(l->isMouseIn(KyVector2s32(400, 326)));

    // The window's top-left corner is (-400, -300) of the camera's space.
    KyLayout* corner = box(10, 10);
    corner->setAnchor(KyVector3f32(0, 0, 0.5f));
    corner->setPosition(KyVector3f32(0, 0, 0.5f));
    expectPoint(KyVector3f32(-400, -300, 0), corner->worldTransformationMatrix().transformPoint(KyVector3f32(-0.5f, -0.5f, 0)));
    EXPECT_TRUE(corner->isMouseIn(KyVector2s32(0, 0)));
    EXPECT_TRUE(corner->isMouseIn(KyVector2s32(10, 10)));
    EXPECT_FALSE(corner->isMouseIn(KyVector2s32(11, 5)));
    EXPECT_FALSE(corner->isMouseIn(KyVector2s32(-1, 5)));

    // A flat layout (no depth) is still a rectangle on the screen; one
    // without width has no inside.
    KyLayout* flat = make(window, KyLayout::Pixel, KyVector3f32(100, 50, 0));
    EXPECT_TRUE(flat->isMouseIn(KyVector2s32(420, 310)));
    EXPECT_FALSE(flat->isMouseIn(KyVector2s32(460, 310)));
    KyLayout* line = make(window, KyLayout::Pixel, KyVector3f32(0, 50, 1));
    EXPECT_FALSE(line->isMouseIn(KyVector2s32(400, 300)));
}

TEST_F(LayoutTest, UnchangedUpdatesFireTheTransformationSignalAtMostOnce)
{
    KyLayout* l = box(20, 20);
    window->update();
    Counter moved, positioned;
    l->onWorldTransformationChanged().pushBack(kyNewCallback(&moved, &Counter::hit));
    l->onPositionChanged().pushBack(kyNewCallback(&positioned, &Counter::hit));
    l->setPosition(l->userPosition());
    l->update();
    l->update();
    EXPECT_EQ(0, moved.count);
    EXPECT_EQ(0, positioned.count);

    l->setPosition(KyVector3f32(0.25f, 0.5f, l->userPosition().z));
    l->update();
    l->update();
    EXPECT_EQ(1, moved.count);
    EXPECT_EQ(1, positioned.count);
}

TEST_F(LayoutTest, OnlyLayoutsWithAParentListenToTheDrawSignal)
{
    u32 before = window->onDraw().count();
    KyLayout* parent = box(50, 50);
    KyLayout* child = make(parent, KyLayout::Pixel, KyVector3f32(5, 5, 1));
    EXPECT_EQ(before + 2, window->onDraw().count());
    EXPECT_EQ(1u, parent->onSizeChanged().count());

    parent->removeChild(child);
    EXPECT_EQ(before + 1, window->onDraw().count());
    EXPECT_EQ(0u, parent->onSizeChanged().count());
    parent->addChild(child);

    // A destroyed layout leaves every signal it sat in.
    layouts.pop_back();
    EXPECT_EQ(before + 1, window->onDraw().count());
    EXPECT_EQ(0u, parent->onSizeChanged().count());
    EXPECT_EQ(0u, parent->childCount());
}

TEST_F(LayoutTest, ParentAndChildListsStayInStep)
{
    KyLayout* parent = box(50, 50);
    KyLayout* a = make(parent, KyLayout::Pixel, KyVector3f32(5, 5, 1));
    KyLayout* b = make(parent, KyLayout::Pixel, KyVector3f32(5, 5, 1));
    // Setting no parent takes the layout out of its parent's list...
    a->setParent(nullptr);
    EXPECT_EQ(1u, parent->childCount());
    EXPECT_EQ(b, parent->child(0));
    // ... so deleting it afterwards leaves nothing behind.
    layouts.erase(layouts.begin() + 1);
    window->update();

    // Moving to another parent directly.
    KyLayout* other = box(20, 20);
    b->setParent(other);
    EXPECT_EQ(0u, parent->childCount());
    EXPECT_EQ(other, b->parent());
    b->setParent(nullptr);

    // Detaching all children, or destroying the parent, reaches every child.
    KyLayout* c1 = make(parent, KyLayout::Pixel, KyVector3f32(1, 1, 1));
    KyLayout* c2 = make(parent, KyLayout::Pixel, KyVector3f32(1, 1, 1));
    KyLayout* c3 = make(parent, KyLayout::Pixel, KyVector3f32(1, 1, 1));
    parent->removeChildren();
    EXPECT_EQ(0u, parent->childCount());
    EXPECT_EQ(nullptr, c1->parent());
    EXPECT_EQ(nullptr, c3->parent());
    for (KyLayout* c : {c1, c2, c3})
        parent->addChild(c);
    parent->setParent(nullptr);
    for (auto& l : layouts) {
        if (l.get() == parent)
            l.reset();
    }
    EXPECT_EQ(nullptr, c1->parent());
    EXPECT_EQ(nullptr, c2->parent());
    EXPECT_EQ(nullptr, c3->parent());
}

TEST_F(LayoutTest, DestroyingTheWindowFirstLeavesNoDanglingListener)
{
    KyLayout* parent = box(50, 50);
    make(parent, KyLayout::Pixel, KyVector3f32(5, 5, 1));
    KySingleton<KyMainWindow>::destroy();
    EXPECT_EQ(nullptr, parent->parent());
    window = KySingleton<KyMainWindow>::instance();
    EXPECT_EQ(0u, window->onDraw().count());
    layouts.clear();
}
