#include "platform/Ky3DObject2.h"

#include "core/KyCallback0Param.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

// Records which signals fired, in order.
struct SignalLog {
    std::vector<std::string> events;

    void watch(Ky3DObject2& node, const std::string& name)
    {
        watchers.push_back(std::unique_ptr<Watcher>(new Watcher{this, name}));
        Watcher* w = watchers.back().get();
        node.onPositionChanged().pushBack(kyNewCallback(w, &Watcher::position));
        node.onSizeChanged().pushBack(kyNewCallback(w, &Watcher::size));
        node.onWorldTransformationChanged().pushBack(kyNewCallback(w, &Watcher::transform));
        node.onWorldColorChanged().pushBack(kyNewCallback(w, &Watcher::color));
    }

    struct Watcher {
        SignalLog* log;
        std::string name;
        bool position() { return add("position"); }
        bool size() { return add("size"); }
        bool transform() { return add("transform"); }
        bool color() { return add("color"); }
        bool add(const char* what)
        {
            log->events.push_back(name + "." + what);
            return false;
        }
    };
    std::vector<std::unique_ptr<Watcher>> watchers;
};

KyQuaternion aboutZ(f32 degrees)
{
    f32 h = degrees * 3.14159265f / 180.0f * 0.5f;
    return KyQuaternion(0.0f, 0.0f, std::sin(h), std::cos(h));
}

void expectNear(const KyVector3f32& expected, const KyVector3f32& actual, f32 eps = 1e-4f)
{
    EXPECT_NEAR(expected.x, actual.x, eps);
    EXPECT_NEAR(expected.y, actual.y, eps);
    EXPECT_NEAR(expected.z, actual.z, eps);
}

} // namespace

TEST(SceneGraphTest, WorldValuesComposeThroughThreeLevels)
{
    Ky3DObject2 root, middle, leaf;
    root.addChild(&middle);
    middle.addChild(&leaf);

    root.setPosition(KyVector3f32(10, 20, 30));
    middle.setPosition(KyVector3f32(1, 2, 3));
    leaf.setPosition(KyVector3f32(0.5f, 0.25f, 0));
    root.setScale(KyVector3f32(2, 3, 4));
    middle.setScale(KyVector3f32(0.5f, 2, 1));
    leaf.setScale(KyVector3f32(3, 1, 0.5f));
    root.setRotation(aboutZ(30));
    middle.setRotation(aboutZ(45));
    leaf.setRotation(aboutZ(15));
    root.setColor(KyColor(255, 128, 255, 255));
    middle.setColor(KyColor(128, 255, 255, 128));
    leaf.setColor(KyColor(255, 255, 51, 255));

    // Positions add up without the parents' scale or rotation.
    expectNear(KyVector3f32(11.5f, 22.25f, 33), leaf.worldPosition());
    expectNear(KyVector3f32(3, 6, 2), leaf.worldScale());

    KyQuaternion q = leaf.worldRotation();
    KyQuaternion expected = aboutZ(90);
    EXPECT_NEAR(expected.z, q.z, 1e-5f);
    EXPECT_NEAR(expected.w, q.w, 1e-5f);

    // The order of the product matters once the axes differ: parent (x) own.
    Ky3DObject2 a, b;
    a.addChild(&b);
    a.setRotation(KyQuaternion(1, 0, 0, 0));
    b.setRotation(KyQuaternion(0, 1, 0, 0));
    KyQuaternion ab = b.worldRotation();
    EXPECT_FLOAT_EQ(0, ab.x);
    EXPECT_FLOAT_EQ(0, ab.y);
    EXPECT_FLOAT_EQ(1, ab.z);
    EXPECT_FLOAT_EQ(0, ab.w);

    // Each channel modulated down the chain: a channel at 0 anywhere above
    // stays 0, white changes nothing.
    KyColor c = leaf.worldColor();
    EXPECT_EQ(leaf.color() * (middle.color() * root.color()), c);
    EXPECT_EQ(51, c.b);
    root.setColor(KyColor(255, 0, 255, 255));
    EXPECT_EQ(0, leaf.worldColor().g);

    // The world matrix is the parents' matrices applied after the local one.
    KyMatrix4x4 world = leaf.worldTransformationMatrix();
    KyMatrix4x4 product = root.transformationMatrix() * middle.transformationMatrix() * leaf.transformationMatrix();
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(product.m[i], world.m[i], 1e-4f) << i;
}

TEST(SceneGraphTest, LocalMatrixScalesThenRotatesThenTranslatesMinusAnchor)
{
    Ky3DObject2 node;
    node.setPosition(KyVector3f32(10, 0, 0));
    node.setAnchor(KyVector3f32(1, 1, 0));
    node.setScale(KyVector3f32(2, 2, 1));
    node.setRotation(aboutZ(90));
    // (1, 0): scaled to (2, 0), turned to (0, 2), moved by (9, -1).
    expectNear(KyVector3f32(9, 1, 0), node.transformationMatrix().transformPoint(KyVector3f32(1, 0, 0)));
}

TEST(SceneGraphTest, SettersFireOnlyRealChangesInOrder)
{
    Ky3DObject2 node;
    SignalLog log;
    log.watch(node, "n");

    node.setPosition(KyVector3f32(0, 0, 0));
    node.setScale(KyVector3f32(1, 1, 1));
    node.setRotation(KyQuaternion(0, 0, 0, 1));
    node.setSize(KyVector3f32(0, 0, 0));
    node.setVisible(false);
    node.setAnchor(KyVector3f32(0, 0, 0));
    EXPECT_TRUE(log.events.empty());

    node.setPosition(KyVector3f32(1, 0, 0));
    node.setSize(KyVector3f32(5, 5, 0));
    node.setScale(KyVector3f32(2, 1, 1));
    node.setRotation(KyQuaternion(0, 0, 1, 0));
    node.setColor(KyColor(255, 255, 255, 255)); // same colour still fires
    std::vector<std::string> expected = {"n.position", "n.transform", "n.size", "n.transform", "n.transform",
                                         "n.color"};
    EXPECT_EQ(expected, log.events);

    // A NaN never equals itself, so it always counts as a change.
    log.events.clear();
    node.setPosition(KyVector3f32(NAN, 0, 0));
    node.setPosition(KyVector3f32(NAN, 0, 0));
    EXPECT_EQ(4u, log.events.size());
}

TEST(SceneGraphTest, ChangesReachTheWholeSubtree)
{
    Ky3DObject2 root, middle, leaf, sibling;
    root.addChild(&middle);
    middle.addChild(&leaf);
    root.addChild(&sibling);
    SignalLog log;
    log.watch(leaf, "leaf");
    log.watch(sibling, "sibling");

    root.setPosition(KyVector3f32(0, 5, 0));
    std::vector<std::string> expected = {"leaf.transform", "sibling.transform"};
    EXPECT_EQ(expected, log.events);

    log.events.clear();
    root.setColor(KyColor(1, 2, 3, 4));
    expected = {"leaf.color", "sibling.color"};
    EXPECT_EQ(expected, log.events);

    // A size change does not move anything.
    log.events.clear();
    root.setSize(KyVector3f32(1, 1, 1));
    EXPECT_TRUE(log.events.empty());
}

TEST(SceneGraphTest, ParentingFiresTransformThenColourAndUnhooking)
{
    Ky3DObject2 parent, node;
    SignalLog log;
    log.watch(node, "n");

    node.setParent(&parent);
    std::vector<std::string> expected = {"n.transform", "n.color"};
    EXPECT_EQ(expected, log.events);
    EXPECT_EQ(0u, parent.childCount()); // setParent alone leaves the list alone

    log.events.clear();
    node.setParent(nullptr);
    EXPECT_TRUE(log.events.empty());
    parent.setPosition(KyVector3f32(1, 1, 1));
    parent.setColor(KyColor(0, 0, 0, 0));
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(0u, parent.onWorldTransformationChanged().count());
    EXPECT_EQ(0u, parent.onWorldColorChanged().count());
}

TEST(SceneGraphTest, ChildListOperations)
{
    Ky3DObject2 parent, a, b, c, other;
    parent.addChild(&a);
    parent.addChild(&b);

    // Before a child: inserted there; before a stranger: appended.
    parent.addChildBefore(&c, &b);
    ASSERT_EQ(3u, parent.childCount());
    EXPECT_EQ(&a, parent.child(0));
    EXPECT_EQ(&c, parent.child(1));
    EXPECT_EQ(&b, parent.child(2));
    EXPECT_EQ(&parent, c.parent());

    Ky3DObject2 d;
    parent.addChildBefore(&d, &other);
    EXPECT_EQ(&d, parent.child(3));

    // Adding twice is ignored; addChildBefore of a child moves it.
    parent.addChild(&a);
    EXPECT_EQ(4u, parent.childCount());
    EXPECT_EQ(4u, parent.onWorldTransformationChanged().count());
    parent.addChildBefore(&d, &a);
    EXPECT_EQ(&d, parent.child(0));
    EXPECT_EQ(&a, parent.child(1));
    EXPECT_EQ(4u, parent.childCount());

    // Removing a stranger touches neither list nor the stranger's parent.
    Ky3DObject2 strangerParent, stranger;
    strangerParent.addChild(&stranger);
    parent.removeChild(&stranger);
    EXPECT_EQ(4u, parent.childCount());
    EXPECT_EQ(&strangerParent, stranger.parent());

    parent.removeChild(&c);
    EXPECT_EQ(3u, parent.childCount());
    EXPECT_EQ(nullptr, c.parent());
    EXPECT_EQ(&b, parent.child(2));

    parent.removeChildren();
    EXPECT_EQ(0u, parent.childCount());
    EXPECT_EQ(nullptr, a.parent());
    EXPECT_EQ(0u, parent.onWorldTransformationChanged().count());
}

TEST(SceneGraphTest, AddingAChildOfAnotherNodeMovesIt)
{
    Ky3DObject2 first, second, node;
    first.addChild(&node);
    second.addChild(&node);
    EXPECT_EQ(0u, first.childCount());
    EXPECT_EQ(1u, second.childCount());
    EXPECT_EQ(&second, node.parent());
    EXPECT_EQ(0u, first.onWorldTransformationChanged().count());
    EXPECT_EQ(0u, first.onWorldColorChanged().count());

    // Also when it goes in before another child.
    Ky3DObject2 anchor;
    first.addChild(&anchor);
    first.addChildBefore(&node, &anchor);
    EXPECT_EQ(0u, second.childCount());
    EXPECT_EQ(&node, first.child(0));
    EXPECT_EQ(&first, node.parent());
}

TEST(SceneGraphTest, LoopsAndNullChildrenAreRefused)
{
    Ky3DObject2 root, middle, leaf;
    root.addChild(&middle);
    middle.addChild(&leaf);
    leaf.addChild(&root);
    leaf.addChild(&leaf);
    leaf.addChild(nullptr);
    leaf.addChildBefore(&root, nullptr);
    EXPECT_EQ(0u, leaf.childCount());
    EXPECT_EQ(nullptr, root.parent());
    // World values still end at the root.
    EXPECT_TRUE(leaf.worldVisible());
}

TEST(SceneGraphTest, DestroyedNodesLeaveNoDanglingLinks)
{
    // Child first.
    {
        Ky3DObject2 parent;
        Ky3DObject2* child = new Ky3DObject2;
        parent.addChild(child);
        delete child;
        EXPECT_EQ(0u, parent.childCount());
        EXPECT_EQ(0u, parent.onWorldTransformationChanged().count());
        EXPECT_EQ(0u, parent.onWorldColorChanged().count());
        parent.setPosition(KyVector3f32(1, 2, 3)); // would reach the dead child
    }
    // Parent first.
    {
        Ky3DObject2 child, grandchild;
        Ky3DObject2* parent = new Ky3DObject2;
        parent->addChild(&child);
        child.addChild(&grandchild);
        delete parent;
        EXPECT_EQ(nullptr, child.parent());
        EXPECT_EQ(&child, grandchild.parent());
        expectNear(KyVector3f32(0, 0, 0), grandchild.worldPosition());
    }
    // Destroyed while its parent's signal is being fired by a sibling.
    {
        struct Killer {
            Ky3DObject2* victim;
            bool kill()
            {
                delete victim;
                victim = nullptr;
                return false;
            }
        };
        Ky3DObject2 parent, first;
        Ky3DObject2* second = new Ky3DObject2;
        parent.addChild(&first);
        parent.addChild(second);
        Killer killer{second};
        first.onWorldTransformationChanged().pushBack(kyNewCallback(&killer, &Killer::kill));
        parent.setPosition(KyVector3f32(4, 4, 4));
        EXPECT_EQ(nullptr, killer.victim);
        EXPECT_EQ(1u, parent.childCount());
    }
}

TEST(SceneGraphTest, WorldVisibilityReadsEveryAncestorsOwnFlag)
{
    Ky3DObject2 root, middle, leaf;
    root.addChild(&middle);
    middle.addChild(&leaf);
    EXPECT_TRUE(leaf.worldVisible());
    root.setVisible(false);
    EXPECT_TRUE(leaf.visible());
    EXPECT_FALSE(leaf.worldVisible());
    EXPECT_FALSE(middle.worldVisible());
    root.setVisible(true);
    leaf.setVisible(false);
    EXPECT_FALSE(leaf.worldVisible());
    EXPECT_TRUE(middle.worldVisible());
}
