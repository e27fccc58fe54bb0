#include "platform/Ky3DObject.h"

#include "core/KyCallback0Param.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Counter {
    int calls = 0;
    bool bump()
    {
        ++calls;
        return false;
    }
};

void expectNear(const KyVector3f32& expected, const KyVector3f32& actual, f32 eps = 1e-4f)
{
    EXPECT_NEAR(expected.x, actual.x, eps);
    EXPECT_NEAR(expected.y, actual.y, eps);
    EXPECT_NEAR(expected.z, actual.z, eps);
}

} // namespace

TEST(ObjectTest, NewObjectIsATranslation)
{
    Ky3DObject o;
    EXPECT_EQ(0, o.tag());
    EXPECT_FALSE(o.hasOptionalPoint());
    EXPECT_EQ(1.0f, o.opacity());
    EXPECT_EQ(KyVector3f32(0.5f, 0.5f, 0.5f), o.rotationCenter());
    o.setSize(KyVector3f32(100, 50, 0));
    o.setPosition(KyVector3f32(3, 4, 5));
    KyMatrix4x4 expected;
    expected.translate(KyVector3f32(3, 4, 5));
    EXPECT_EQ(expected, o.transformationMatrix());
}

TEST(ObjectTest, RotationTurnsAboutTheCentreOfTheSize)
{
    Ky3DObject o;
    o.setSize(KyVector3f32(100, 50, 0));
    o.setPosition(KyVector3f32(10, 20, 0));
    o.setRotation(90);
    KyMatrix4x4 m = o.transformationMatrix();
    // The centre stays, a corner turns about it.
    expectNear(KyVector3f32(60, 45, 0), m.transformPoint(KyVector3f32(50, 25, 0)));
    expectNear(KyVector3f32(85, -5, 0), m.transformPoint(KyVector3f32(0, 0, 0)));
    expectNear(KyVector3f32(85, 95, 0), m.transformPoint(KyVector3f32(100, 0, 0)));
}

TEST(ObjectTest, ScaleAboutARoundedCentre)
{
    Ky3DObject o;
    o.setSize(KyVector3f32(100, 50, 0));
    o.setScale(KyVector3f32(2, 2, 1));
    expectNear(KyVector3f32(50, 25, 0), o.transformationMatrix().transformPoint(KyVector3f32(50, 25, 0)));
    expectNear(KyVector3f32(-50, -25, 0), o.transformationMatrix().transformPoint(KyVector3f32(0, 0, 0)));

    // 3 * 0.5 = 1.5: forward centre floor(2.0) = 2, back floor(-1.0) = -1,
    // so the scaled picture moves by one unit.
    o.setSize(KyVector3f32(3, 3, 0));
    expectNear(KyVector3f32(0, 0, 0), o.transformationMatrix().transformPoint(KyVector3f32(0, 0, 0)));
    expectNear(KyVector3f32(2, 2, 0), o.transformationMatrix().transformPoint(KyVector3f32(1, 1, 0)));
}

TEST(ObjectTest, OnlyPositionAndSizeFireAndOnlyOnChange)
{
    Ky3DObject o;
    Counter position, size;
    o.onPositionChanged().pushBack(kyNewCallback(&position, &Counter::bump));
    o.onSizeChanged().pushBack(kyNewCallback(&size, &Counter::bump));
    o.setPosition(KyVector3f32(0, 0, 0));
    o.setSize(KyVector3f32(0, 0, 0));
    o.setScale(KyVector3f32(2, 2, 2));
    o.setRotation(45);
    o.setOpacity(0.5f);
    EXPECT_EQ(0, position.calls);
    EXPECT_EQ(0, size.calls);
    o.setPosition(KyVector3f32(0, 0, 1));
    o.setSize(KyVector3f32(1, 0, 0));
    o.setPosition(KyVector3f32(0, 0, 1));
    EXPECT_EQ(1, position.calls);
    EXPECT_EQ(1, size.calls);
}

TEST(ObjectTest, WorldValuesFollowTheParentPlainly)
{
    Ky3DObject parent, child;
    child.setParent(&parent);
    parent.setPosition(KyVector3f32(100, 0, 0));
    parent.setScale(KyVector3f32(3, 3, 3));
    parent.setSize(KyVector3f32(10, 10, 0));
    parent.setRotation(30);
    child.setPosition(KyVector3f32(1, 2, 3));
    EXPECT_EQ(KyVector3f32(101, 2, 3), child.worldPosition());
    KyMatrix4x4 expected = parent.transformationMatrix() * child.transformationMatrix();
    EXPECT_EQ(expected, child.worldTransformationMatrix());
}

TEST(ObjectTest, RotationCentreFromAPoint)
{
    Ky3DObject o;
    o.setPosition(KyVector3f32(10, 20, 0));
    o.setSize(KyVector3f32(100, 0, 0));
    o.setRotationCenter(KyVector3f32(0.5f, 0.25f, 0.75f));
    o.setRotationCenterAt(35, 1000);
    // x from the point; y has no size to divide by and stays.
    EXPECT_EQ(KyVector3f32(0.25f, 0.25f, 0.75f), o.rotationCenter());
    o.setSize(KyVector3f32(0, 40, 0));
    o.setRotationCenterAt(1000, 30);
    EXPECT_EQ(KyVector3f32(0.25f, 0.25f, 0.75f), o.rotationCenter());
}

TEST(ObjectTest, CopyFromTakesValuesNotListeners)
{
    Ky3DObject parent, source, target;
    source.setParent(&parent);
    source.setTag(reinterpret_cast<std::intptr_t>(&parent));
    source.setPosition(KyVector3f32(1, 2, 3));
    source.setSize(KyVector3f32(4, 5, 6));
    source.setScale(KyVector3f32(7, 8, 9));
    source.setOptionalPoint(true, KyVector3f32(1, 1, 1));
    source.setRotation(12);
    source.setOpacity(0.25f);
    Counter sourceCalls, targetCalls;
    source.onPositionChanged().pushBack(kyNewCallback(&sourceCalls, &Counter::bump));
    target.onPositionChanged().pushBack(kyNewCallback(&targetCalls, &Counter::bump));
    target.onSizeChanged().pushBack(kyNewCallback(&targetCalls, &Counter::bump));

    target.copyFrom(source);
    EXPECT_EQ(0, targetCalls.calls);
    EXPECT_EQ(1u, target.onPositionChanged().count());
    EXPECT_EQ(&parent, target.parent());
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(&parent), target.tag());
    EXPECT_EQ(KyVector3f32(1, 2, 3), target.position());
    EXPECT_EQ(KyVector3f32(4, 5, 6), target.size());
    EXPECT_EQ(KyVector3f32(7, 8, 9), target.scale());
    EXPECT_TRUE(target.hasOptionalPoint());
    EXPECT_EQ(12.0f, target.rotation());
    EXPECT_EQ(0.25f, target.opacity());
}
