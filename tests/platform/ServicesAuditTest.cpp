// The window-side objects the game drives: scene-graph links, the panorama
// camera's stored parameters, the screen and the motion history.
#include "core/KyCallback0Param.h"
#include "core/KySingleton.h"
#include "platform/Ky3DObject.h"
#include "platform/Ky3DObject2.h"
#include "platform/KyCamera.h"
#include "platform/KyScreen.h"
#include "platform/KyVectorHistory.h"

#include <gtest/gtest.h>

namespace {

struct FireCounter {
    int calls = 0;
    bool onFire()
    {
        ++calls;
        return false;
    }
};

} // namespace

TEST(PlatformServices, NodeDefaultsAndChangeSignals)
{
    Ky3DObject2 node;
    EXPECT_TRUE(node.visible());
    KyVector3f32 anchor = node.anchor();
    EXPECT_EQ(anchor.x, 0.5f);
    EXPECT_EQ(anchor.y, 0.5f);
    EXPECT_EQ(anchor.z, 0.5f);

    FireCounter transform;
    FireCounter color;
    node.onWorldTransformationChanged().pushBack(kyNewCallback(&transform, &FireCounter::onFire));
    node.onWorldColorChanged().pushBack(kyNewCallback(&color, &FireCounter::onFire));
    node.setRotation(KyQuaternion(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(transform.calls, 0);
    node.setRotation(KyQuaternion(0.0f, 0.0f, 1.0f, 0.0f));
    EXPECT_EQ(transform.calls, 1);
    node.setColor(KyColor(10, 20, 30, 40));
    node.setColor(KyColor(10, 20, 30, 40));
    EXPECT_EQ(color.calls, 2);
    node.setVisible(false);
    EXPECT_FALSE(node.visible());
}

TEST(PlatformServices, DeletingParentOrChildFirstLeavesNoLink)
{
    {
        Ky3DObject2* parent = new Ky3DObject2();
        Ky3DObject2* child = new Ky3DObject2();
        parent->addChild(child);
        EXPECT_EQ(child->parent(), parent);
        EXPECT_EQ(parent->childCount(), 1u);
        delete parent;
        EXPECT_EQ(child->parent(), nullptr);
        delete child;
    }
    {
        Ky3DObject2* parent = new Ky3DObject2();
        Ky3DObject2* child = new Ky3DObject2();
        Ky3DObject2* second = new Ky3DObject2();
        parent->addChild(child);
        parent->addChildBefore(second, child);
        EXPECT_EQ(parent->child(0), second);
        delete child;
        EXPECT_EQ(parent->childCount(), 1u);
        // The parent's signals no longer reach the deleted child.
        parent->setColor(KyColor(1, 2, 3, 4));
        parent->removeChild(second);
        EXPECT_EQ(second->parent(), nullptr);
        EXPECT_EQ(parent->childCount(), 0u);
        delete second;
        delete parent;
    }
}

TEST(PlatformServices, OpacityIsStoredAsGiven)
{
    Ky3DObject object;
    EXPECT_EQ(object.opacity(), 1.0f);
    object.setOpacity(128.0f);
    EXPECT_EQ(object.opacity(), 128.0f);
}

TEST(PlatformServices, PanoramaCameraKeepsItsParameters)
{
    KyCamera camera;
    camera.setPerspective(60.0f, 1.5f, 1.0f, 5000.0f);
    EXPECT_EQ(camera.fov(), 60.0f);
    EXPECT_EQ(camera.aspect(), 1.5f);
    EXPECT_EQ(camera.near(), 1.0f);
    EXPECT_EQ(camera.far(), 5000.0f);
    camera.setFov(90.0f);
    EXPECT_EQ(camera.aspect(), 1.5f);
    EXPECT_EQ(camera.far(), 5000.0f);

    camera.setViewport(800u, 600u);
    EXPECT_EQ(camera.viewportWidth(), 800u);
    EXPECT_EQ(camera.viewportHeight(), 600u);
    camera.setProjectionMode(2);
    EXPECT_EQ(camera.projectionMode(), 2);
    camera.setOrthogonal(-240.0f, 240.0f, 160.0f, -160.0f, -2048.0f, 2048.0f);
    EXPECT_EQ(camera.orthoBottom(), 160.0f);
}

TEST(PlatformServices, ScreenAndMotionHistory)
{
    KyScreen* screen = KySingleton<KyScreen>::instance();
    ASSERT_NE(screen, nullptr);
    KyRenderer* renderer = screen->renderer();
    screen->setRenderer(nullptr);
    screen->setClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(screen->clearColor().a, 255);
    EXPECT_EQ(screen->clearColor().r, 0);
    screen->setRenderer(renderer);

    KyVectorHistory* history = KyVectorHistory::instance();
    ASSERT_EQ(history, KySingleton<KyVectorHistory>::instance());
    KyQuaternion saved = history->orientation();
    history->setOrientation(KyQuaternion(0.0f, 0.0f, 1.0f, 0.0f));
    EXPECT_EQ(history->orientation().z, 1.0f);
    history->setOrientation(saved);

    KyVectorHistory fresh;
    EXPECT_EQ(fresh.orientation().x, 0.0f);
    EXPECT_EQ(fresh.orientation().w, 1.0f);
}
