#include "core/KyIntersect.h"

#include <gtest/gtest.h>

namespace {

// A triangle in the plane z = 5, covering the corner x, y >= 0, x + y <= 2.
const KyVector3f32 kP(0.0f, 0.0f, 5.0f);
const KyVector3f32 kQ(2.0f, 0.0f, 5.0f);
const KyVector3f32 kR(0.0f, 2.0f, 5.0f);

const KyVector3f32 kUnset(-99.0f, -99.0f, -99.0f);

} // namespace

TEST(IntersectRayTriangle, HitWritesDistanceAndPoint)
{
    f32 t = -99.0f;
    KyVector3f32 point = kUnset;
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(0.5f, 0.5f, 0.0f), KyVector3f32(0.0f, 0.0f, 2.0f),
                                   kP, kQ, kR, t, point), 1);
    // t is measured in lengths of the direction, without an upper bound.
    EXPECT_FLOAT_EQ(t, 2.5f);
    EXPECT_EQ(point, KyVector3f32(0.5f, 0.5f, 5.0f));

    // The winding of the triangle does not matter.
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(0.5f, 0.5f, 0.0f), KyVector3f32(0.0f, 0.0f, 1.0f),
                                   kP, kR, kQ, t, point), 1);
    EXPECT_FLOAT_EQ(t, 5.0f);

    // Far away along a slanted ray still counts.
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(-1000.0f, 0.5f, -995.0f), KyVector3f32(1.0f, 0.0f, 1.0f),
                                   kP, kQ, kR, t, point), 1);
    EXPECT_NEAR(point.x, 0.0f, 1e-3f);
}

TEST(IntersectRayTriangle, MissOutsideStillWritesThePlanePoint)
{
    f32 t = -99.0f;
    KyVector3f32 point = kUnset;
    // Crosses the plane beyond the hypotenuse.
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(1.5f, 1.5f, 0.0f), KyVector3f32(0.0f, 0.0f, 1.0f),
                                   kP, kQ, kR, t, point), 0);
    EXPECT_FLOAT_EQ(t, 5.0f);
    EXPECT_EQ(point, KyVector3f32(1.5f, 1.5f, 5.0f));
    // Outside on the negative side of each edge.
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(-0.1f, 0.5f, 0.0f), KyVector3f32(0.0f, 0.0f, 1.0f),
                                   kP, kQ, kR, t, point), 0);
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(0.5f, -0.1f, 0.0f), KyVector3f32(0.0f, 0.0f, 1.0f),
                                   kP, kQ, kR, t, point), 0);
    // On a vertex and on an edge: inside.
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(0.0f, 0.0f, 0.0f), KyVector3f32(0.0f, 0.0f, 1.0f),
                                   kP, kQ, kR, t, point), 1);
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(1.0f, 0.0f, 0.0f), KyVector3f32(0.0f, 0.0f, 1.0f),
                                   kP, kQ, kR, t, point), 1);
}

TEST(IntersectRayTriangle, BehindTheOriginWritesNegativeDistanceOnly)
{
    f32 t = 0.0f;
    KyVector3f32 point = kUnset;
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(0.5f, 0.5f, 10.0f), KyVector3f32(0.0f, 0.0f, 1.0f),
                                   kP, kQ, kR, t, point), 0);
    EXPECT_FLOAT_EQ(t, -5.0f);
    EXPECT_EQ(point, kUnset);
}

TEST(IntersectRayTriangle, ParallelRays)
{
    f32 t = -99.0f;
    KyVector3f32 point = kUnset;
    // Lying in the plane.
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(-1.0f, 0.5f, 5.0f), KyVector3f32(1.0f, 0.0f, 0.0f),
                                   kP, kQ, kR, t, point), 2);
    // Parallel, off the plane.
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(-1.0f, 0.5f, 4.0f), KyVector3f32(1.0f, 0.0f, 0.0f),
                                   kP, kQ, kR, t, point), 0);
    // Neither case computes a distance.
    EXPECT_EQ(t, -99.0f);
    EXPECT_EQ(point, kUnset);
}

TEST(IntersectRayTriangle, DegenerateTriangles)
{
    f32 t = -99.0f;
    KyVector3f32 point = kUnset;
    KyVector3f32 o(0.5f, 0.5f, 0.0f);
    KyVector3f32 d(0.0f, 0.0f, 1.0f);
    EXPECT_EQ(intersectRayTriangle(o, d, kP, kP, kR, t, point), -1);
    EXPECT_EQ(intersectRayTriangle(o, d, kP, kQ, kP, t, point), -1);
    // Three points on one line.
    EXPECT_EQ(intersectRayTriangle(o, d, kP, kQ, KyVector3f32(4.0f, 0.0f, 5.0f), t, point), -1);
    EXPECT_EQ(t, -99.0f);
}

TEST(IntersectRayTriangle, SliverTriangleDoesNotHitFarAway)
{
    // Edges so nearly parallel that the barycentric denominator rounds to 0
    // in single precision; a point far outside then gives 0 / 0, which must
    // not count as inside.
    KyVector3f32 p(0.0f, 0.0f, 1.0f);
    KyVector3f32 q(1.0f, 0.0f, 1.0f);
    KyVector3f32 r(1.0f, 1e-4f, 1.0f);
    f32 t;
    KyVector3f32 point;
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(5.0f, 0.0f, 0.0f), KyVector3f32(0.0f, 0.0f, 1.0f),
                                   p, q, r, t, point), 0);
    EXPECT_EQ(intersectRayTriangle(KyVector3f32(-3.0f, 0.0f, 0.0f), KyVector3f32(0.0f, 0.0f, 1.0f),
                                   p, q, r, t, point), 0);
}
