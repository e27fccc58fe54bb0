#include "core/KySingleton.h"
#include "platform/Ky3DObject2.h"
#include "ui/KyListLayout.h"
#include "ui/KyMainWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class ListLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = KySingleton<KyMainWindow>::instance();
        window->setSize(KyVector3f32(800, 600, 0));
        window->addChild(&list);
        list.setSize(KyVector3f32(100, 100, 1));
    }

    KyLayout* addItem(f32 width, f32 height)
    {
        items.push_back(std::make_unique<KyLayout>());
        KyLayout* item = items.back().get();
        item->setSize(KyVector3f32(width, height, 1));
        list.addChild(item);
        return item;
    }

    // The centre of item, in pixels from the list's minimum corner.
    KyVector3f32 centre(KyLayout* item)
    {
        KyVector3f32 size = list.size();
        return item->userPosition() * size;
    }

    KyMainWindow* window = nullptr;
    // Declared before the list: destroyed after it.
    std::vector<std::unique_ptr<KyLayout>> items;
    KyListLayout list;
};

void expectNear(const KyVector3f32& expected, const KyVector3f32& actual)
{
    EXPECT_NEAR(expected.x, actual.x, 1e-4f);
    EXPECT_NEAR(expected.y, actual.y, 1e-4f);
    EXPECT_NEAR(expected.z, actual.z, 1e-4f);
}

} // namespace

TEST_F(ListLayoutTest, Defaults)
{
    KyListLayout fresh;
    expectNear(KyVector3f32(0, 1, 0), fresh.direction);
    EXPECT_EQ(-1000000.0f, fresh.minimumMargin.x);
    EXPECT_EQ(-1000000.0f, fresh.minimumMargin.z);
    EXPECT_EQ(3.4028235e38f, fresh.maximumMargin.y);
}

TEST_F(ListLayoutTest, FreeSpaceIsSharedAsEqualGaps)
{
    KyLayout* a = addItem(100, 20);
    KyLayout* b = addItem(100, 20);
    KyLayout* c = addItem(100, 20);
    list.update();

    expectNear(KyVector3f32(100, 100, 1), list.size());
    expectNear(KyVector3f32(0.5f, 0.1f, 0.5f), a->userPosition());
    expectNear(KyVector3f32(0.5f, 0.5f, 0.5f), b->userPosition());
    expectNear(KyVector3f32(0.5f, 0.9f, 0.5f), c->userPosition());
    EXPECT_EQ(KyLayout::Percent, a->positionType());
    expectNear(KyVector3f32(0.5f, 0.5f, 0.5f), c->anchor());
}

TEST_F(ListLayoutTest, BoundedGapShrinksTheListButKeepsTheRequestedSize)
{
    list.maximumMargin = KyVector3f32(0, 0.05f, 0);
    KyLayout* a = addItem(100, 20);
    KyLayout* b = addItem(100, 20);
    KyLayout* c = addItem(100, 20);
    list.update();

    expectNear(KyVector3f32(100, 70, 1), list.size());
    EXPECT_NEAR(10.0f, centre(a).y, 1e-3f);
    EXPECT_NEAR(35.0f, centre(b).y, 1e-3f);
    EXPECT_NEAR(60.0f, centre(c).y, 1e-3f);
    // What the owner asked for stays for the next update.
    expectNear(KyVector3f32(100, 100, 1), list.userSize());
    EXPECT_EQ(KyLayout::Pixel, list.sizeType());

    // A minimum gap above what the space allows grows the list.
    list.maximumMargin = KyVector3f32(3.4028235e38f, 3.4028235e38f, 3.4028235e38f);
    list.minimumMargin = KyVector3f32(0, 0.5f, 0);
    list.setSize(KyVector3f32(100, 100, 2));
    list.update();
    expectNear(KyVector3f32(100, 160, 2), list.size());
}

TEST_F(ListLayoutTest, GapAppliesOnEveryAxis)
{
    list.setSize(KyVector3f32(200, 100, 1));
    KyLayout* a = addItem(100, 20);
    KyLayout* b = addItem(100, 20);
    KyLayout* c = addItem(100, 20);
    list.update();

    // (200 - 100) / 2 across, although the list runs along y.
    EXPECT_NEAR(0.25f, a->userPosition().x, 1e-5f);
    EXPECT_NEAR(0.5f, b->userPosition().x, 1e-5f);
    EXPECT_NEAR(0.75f, c->userPosition().x, 1e-5f);
}

TEST_F(ListLayoutTest, DirectionAlongX)
{
    list.direction = KyVector3f32(1, 0, 0);
    list.setSize(KyVector3f32(100, 20, 1));
    KyLayout* a = addItem(20, 20);
    KyLayout* b = addItem(40, 20);
    list.update();

    // 40 pixels free between the two.
    EXPECT_NEAR(10.0f, centre(a).x, 1e-3f);
    EXPECT_NEAR(80.0f, centre(b).x, 1e-3f);
    EXPECT_NEAR(10.0f, centre(b).y, 1e-3f);
}

TEST_F(ListLayoutTest, OneChildGivesItsSize)
{
    list.minimumMargin = KyVector3f32(0.5f, 0.5f, 0.5f);
    KyLayout* only = addItem(30, 40);
    list.update();
    expectNear(KyVector3f32(30, 40, 1), list.size());
    expectNear(KyVector3f32(0.5f, 0.5f, 0.5f), only->userPosition());
}

TEST_F(ListLayoutTest, EmptyListTakesSizeZero)
{
    list.update();
    expectNear(KyVector3f32(0, 0, 0), list.size());

    // A positive minimum gap does not apply without gaps.
    list.minimumMargin = KyVector3f32(0.1f, 0.1f, 0.1f);
    list.setSize(KyVector3f32(100, 100, 2));
    list.update();
    expectNear(KyVector3f32(0, 0, 0), list.size());

    // Emptying a list that had children empties it too.
    KyLayout* item = addItem(10, 10);
    list.update();
    list.removeChild(item);
    list.update();
    expectNear(KyVector3f32(0, 0, 0), list.size());
}

TEST_F(ListLayoutTest, PlainNodesArePlacedInPixels)
{
    Ky3DObject2 node;
    node.setSize(KyVector3f32(30, 10, 1));
    KyLayout* after = addItem(100, 20);
    list.addChildBefore(&node, after);
    list.update();

    // 10 + 20 of 100 pixels used: a gap of 70 between the two.
    expectNear(KyVector3f32(15, 5, 0.5f), node.position());
    expectNear(KyVector3f32(0.5f, 0.5f, 0.5f), node.anchor());
    expectNear(KyVector3f32(0.5f, 0.9f, 0.5f), after->userPosition());
    list.removeChild(&node);
}

TEST_F(ListLayoutTest, AChildReachedFirstIsMeasuredWholeNotHalfUpdated)
{
    // Entries sized after the list (its width, a fixed shape) and a grand
    // child asked for its place before anything else, as a hit test does:
    // the list must still place every entry after its real size.
    list.maximumMargin = KyVector3f32(0, 0.05f, 0);
    std::vector<KyLayout*> entries;
    std::vector<std::unique_ptr<KyLayout>> insides;
    for (int i = 0; i < 3; ++i) {
        KyLayout* entry = addItem(1, 1);
        entry->setSizeType(KyLayout::Percent);
        entry->setRatioMode(KyLayout::LetterBox);
        entry->setRatio(5.0f);
        insides.push_back(std::make_unique<KyLayout>());
        insides.back()->setSizeType(KyLayout::Percent);
        entry->addChild(insides.back().get());
        entries.push_back(entry);
    }
    insides[0]->worldTransformationMatrix();
    list.update();

    for (KyLayout* entry : entries) {
        EXPECT_NEAR(100.0f, entry->size().x, 1e-3f);
        EXPECT_NEAR(20.0f, entry->size().y, 1e-3f);
    }
    expectNear(KyVector3f32(100, 70, 1), list.size());
    EXPECT_NEAR(10.0f, centre(entries[0]).y, 1e-3f);
    EXPECT_NEAR(35.0f, centre(entries[1]).y, 1e-3f);
    EXPECT_NEAR(60.0f, centre(entries[2]).y, 1e-3f);
    for (auto& inside : insides)
        inside->setParent(nullptr);
}
