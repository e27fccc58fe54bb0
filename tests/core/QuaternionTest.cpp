#include "core/KyQuaternion.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const f32 kPi = 3.14159265f;

void expectNear(const KyQuaternion& a, const KyQuaternion& b, f32 tolerance = 1e-6f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
    EXPECT_NEAR(a.w, b.w, tolerance);
}

void expectNear(const KyVector3f32& a, const KyVector3f32& b, f32 tolerance = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

} // namespace

TEST(Quaternion, DefaultIsNoRotation)
{
    KyQuaternion q;
    EXPECT_EQ(q, KyQuaternion(0.0f, 0.0f, 0.0f, 1.0f));
}

TEST(Quaternion, ProductOrder)
{
    KyQuaternion a(1.0f, 0.0f, 0.0f, 0.0f);
    KyQuaternion b(0.0f, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(a * b, KyQuaternion(0.0f, 0.0f, -1.0f, 0.0f));
    EXPECT_EQ(b * a, KyQuaternion(0.0f, 0.0f, 1.0f, 0.0f));
    // Operands are left untouched.
    EXPECT_EQ(a, KyQuaternion(1.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(b, KyQuaternion(0.0f, 1.0f, 0.0f, 0.0f));

    KyQuaternion id;
    KyQuaternion r(0.1f, -0.2f, 0.3f, 0.9f);
    EXPECT_EQ(id * r, r);
    EXPECT_EQ(r * id, r);
}

TEST(Quaternion, ProductAppliesLeftOperandFirst)
{
    // 90 degrees about x, then 90 degrees about z.
    KyQuaternion rx = KyQuaternion::fromAxisAndAngle(KyVector3f32(1.0f, 0.0f, 0.0f), kPi / 2.0f);
    KyQuaternion rz = KyQuaternion::fromAxisAndAngle(KyVector3f32(0.0f, 0.0f, 1.0f), kPi / 2.0f);
    KyQuaternion both = rx * rz;
    KyMatrix4x4 m = both.toMatrix();
    // y -> z under rx, and z stays z under rz.
    expectNear(m.transformPoint(KyVector3f32(0.0f, 1.0f, 0.0f)), KyVector3f32(0.0f, 0.0f, 1.0f));
    // x stays x under rx, then x -> y under rz.
    expectNear(m.transformPoint(KyVector3f32(1.0f, 0.0f, 0.0f)), KyVector3f32(0.0f, 1.0f, 0.0f));
}

TEST(Quaternion, FromAxisAndAngleKeepsAxisLength)
{
    KyQuaternion q = KyQuaternion::fromAxisAndAngle(KyVector3f32(0.0f, 2.0f, 0.0f), kPi);
    expectNear(q, KyQuaternion(0.0f, 2.0f, 0.0f, 0.0f));
}

TEST(Quaternion, NormalizeLeavesZeroAlone)
{
    KyQuaternion zero(0.0f, 0.0f, 0.0f, 0.0f);
    zero.normalize();
    EXPECT_EQ(zero, KyQuaternion(0.0f, 0.0f, 0.0f, 0.0f));

    KyQuaternion q(0.0f, 3.0f, 0.0f, 4.0f);
    q.normalize();
    expectNear(q, KyQuaternion(0.0f, 0.6f, 0.0f, 0.8f));
}

TEST(Quaternion, ToAxisAngle)
{
    KyVector3f32 axis(9.0f, 9.0f, 9.0f);
    f32 angle = 9.0f;
    KyQuaternion().toAxisAngle(axis, angle);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(axis, KyVector3f32(0.0f, 0.0f, 0.0f));

    KyQuaternion q = KyQuaternion::fromAxisAndAngle(KyVector3f32(0.0f, 0.0f, 1.0f), 1.0f);
    q.toAxisAngle(axis, angle);
    EXPECT_NEAR(angle, 1.0f, 1e-5f);
    expectNear(axis, KyVector3f32(0.0f, 0.0f, 1.0f));
}

TEST(Quaternion, ToAxisAngleClampsW)
{
    // Slightly over unit length, as rounding leaves products of rotations.
    KyVector3f32 axis;
    f32 angle;
    KyQuaternion(0.0f, 0.0f, 0.0f, 1.0000001f).toAxisAngle(axis, angle);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(axis, KyVector3f32(0.0f, 0.0f, 0.0f));

    KyQuaternion(0.0f, 0.0f, 0.0f, -1.5f).toAxisAngle(axis, angle);
    EXPECT_FLOAT_EQ(angle, 2.0f * kPi);
    EXPECT_FALSE(std::isnan(axis.x) || std::isnan(axis.y) || std::isnan(axis.z));
}

TEST(Quaternion, ToMatrixNormalisesItselfFirst)
{
    // 90 degrees about z, scaled by 2.
    KyQuaternion q(0.0f, 0.0f, std::sqrt(2.0f), std::sqrt(2.0f));
    KyMatrix4x4 m = q.toMatrix();
    expectNear(q, KyQuaternion(0.0f, 0.0f, std::sqrt(0.5f), std::sqrt(0.5f)));
    expectNear(m.transformPoint(KyVector3f32(1.0f, 0.0f, 0.0f)), KyVector3f32(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(m.m[3], 0.0f);
    EXPECT_EQ(m.m[12], 0.0f);
    EXPECT_EQ(m.m[15], 1.0f);
}

TEST(Quaternion, SlerpEndPointsAndMidpoint)
{
    KyQuaternion from = KyQuaternion::fromAxisAndAngle(KyVector3f32(0.0f, 1.0f, 0.0f), 0.2f);
    KyQuaternion to = KyQuaternion::fromAxisAndAngle(KyVector3f32(0.0f, 1.0f, 0.0f), 1.4f);
    expectNear(KyQuaternion::slerp(from, to, 0.0f), from);
    expectNear(KyQuaternion::slerp(from, to, 1.0f), to);
    expectNear(KyQuaternion::slerp(from, to, 0.5f),
               KyQuaternion::fromAxisAndAngle(KyVector3f32(0.0f, 1.0f, 0.0f), 0.8f));

    // Equal ends take the linear branch and give the same rotation back.
    EXPECT_EQ(KyQuaternion::slerp(from, from, 0.3f), from);
}

TEST(Quaternion, SlerpKeepsTheLongArc)
{
    // to and -to are the same rotation; with -to the path goes the long way
    // round, through w = 0 at the middle.
    KyQuaternion from;
    KyQuaternion to = KyQuaternion::fromAxisAndAngle(KyVector3f32(0.0f, 0.0f, 1.0f), 0.5f);
    KyQuaternion negTo(-to.x, -to.y, -to.z, -to.w);
    KyQuaternion mid = KyQuaternion::slerp(from, negTo, 0.5f);
    KyQuaternion shortMid = KyQuaternion::slerp(from, to, 0.5f);
    EXPECT_GT(shortMid.w, 0.9f);
    EXPECT_LT(std::fabs(mid.w), 0.3f);
}

TEST(Quaternion, SlerpOfOppositeQuaternions)
{
    KyQuaternion from(0.0f, 0.0f, 0.0f, 1.0f);
    KyQuaternion to(0.0f, 0.0f, 0.0f, -1.0f);
    expectNear(KyQuaternion::slerp(from, to, 0.0f), from);
    // Halfway turns through the perpendicular (0, 0, 1, 0) direction.
    f32 h = std::sin(0.5f * 1.5707964f);
    expectNear(KyQuaternion::slerp(from, to, 0.5f), KyQuaternion(0.0f, 0.0f, h, h));
}
