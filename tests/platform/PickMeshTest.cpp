#include "platform/KyPickMesh.h"

#include "core/KyList.h"

#include <gtest/gtest.h>

namespace {

// A square facing +z at depth z, split in two triangles.
void setSquare(KyPickMesh& mesh, u32 first, f32 z, f32 half = 1.0f)
{
    mesh.setTriangle(first, KyVector3f32(-half, -half, z), KyVector3f32(half, -half, z), KyVector3f32(half, half, z));
    mesh.setTriangle(first + 1, KyVector3f32(-half, -half, z), KyVector3f32(half, half, z),
                     KyVector3f32(-half, half, z));
}

} // namespace

TEST(PickMeshTest, NearestHitInFrontOfTheOrigin)
{
    KyPickMesh mesh;
    mesh.allocate(6);
    setSquare(mesh, 0, -5);
    setSquare(mesh, 2, -3);
    setSquare(mesh, 4, 4); // behind the origin
    KyVector3f32 point(9, 9, 9);
    f32 distance = -1;
    ASSERT_TRUE(mesh.intersect(KyVector3f32(0.25f, 0.5f, 0), KyVector3f32(0, 0, -1), point, distance));
    EXPECT_FLOAT_EQ(3, distance);
    EXPECT_EQ(KyVector3f32(0.25f, 0.5f, -3), point);

    // The distance is in units of the direction's length.
    ASSERT_TRUE(mesh.intersect(KyVector3f32(0, 0, 0), KyVector3f32(0, 0, -2), point, distance));
    EXPECT_FLOAT_EQ(1.5f, distance);
    EXPECT_EQ(KyVector3f32(0, 0, -3), point);

    // Every triangle behind the origin: no hit, outputs kept.
    point = KyVector3f32(7, 7, 7);
    distance = 42;
    EXPECT_FALSE(mesh.intersect(KyVector3f32(0, 0, 5), KyVector3f32(0, 0, 1), point, distance));
    EXPECT_EQ(KyVector3f32(7, 7, 7), point);
    EXPECT_EQ(42, distance);
}

TEST(PickMeshTest, EmptyOrDisabledMeshesAreNeverHit)
{
    KyPickMesh mesh;
    KyVector3f32 point(7, 7, 7);
    f32 distance = 42;
    EXPECT_FALSE(mesh.intersect(KyVector3f32(0, 0, 0), KyVector3f32(0, 0, -1), point, distance));
    mesh.allocate(2);
    setSquare(mesh, 0, -1);
    mesh.setEnabled(false);
    EXPECT_FALSE(mesh.intersect(KyVector3f32(0, 0, 0), KyVector3f32(0, 0, -1), point, distance));
    EXPECT_EQ(KyVector3f32(7, 7, 7), point);
    EXPECT_EQ(42, distance);
    mesh.setEnabled(true);
    EXPECT_TRUE(mesh.intersect(KyVector3f32(0, 0, 0), KyVector3f32(0, 0, -1), point, distance));
}

TEST(PickMeshTest, CopiesOwnTheirTriangles)
{
    KyPickMesh a;
    a.setName("Exit_00");
    a.placement[3] = 77;
    a.allocate(2);
    setSquare(a, 0, -2);
    a.setEnabled(false);

    KyPickMesh b(a);
    EXPECT_STREQ("Exit_00", b.name().c_str());
    EXPECT_EQ(77u, b.placement[3]);
    EXPECT_FALSE(b.isEnabled());
    ASSERT_EQ(2u, b.triangleCount);
    EXPECT_NE(a.triangles, b.triangles);
    setSquare(a, 0, -9);
    KyVector3f32 p, q, r;
    b.getTriangle(0, p, q, r);
    EXPECT_EQ(-2, p.z);

    // Self-assignment keeps everything; assigning over triangles frees them.
    KyPickMesh& same = b;
    b = same;
    ASSERT_EQ(2u, b.triangleCount);
    b.getTriangle(1, p, q, r);
    EXPECT_EQ(KyVector3f32(-1, 1, -2), r);

    KyPickMesh empty;
    b = empty;
    EXPECT_EQ(0u, b.triangleCount);
    EXPECT_EQ(nullptr, b.triangles);
    EXPECT_TRUE(b.isEnabled());

    // Re-allocation replaces the old array without leaking it.
    a.allocate(5);
    EXPECT_EQ(5u, a.triangleCount);
    a.allocate(0);
    EXPECT_EQ(5u, a.triangleCount);
    a.clear();
    EXPECT_EQ(0u, a.triangleCount);
}

TEST(PickMeshTest, AppendingJoinsTriangleLists)
{
    KyPickMesh a, b, none;
    a += none;
    EXPECT_EQ(0u, a.triangleCount);
    b.allocate(2);
    setSquare(b, 0, -4);
    a += b;
    ASSERT_EQ(2u, a.triangleCount);
    a += a; // the source is read before the old array goes
    ASSERT_EQ(4u, a.triangleCount);
    KyVector3f32 p, q, r;
    a.getTriangle(3, p, q, r);
    EXPECT_EQ(KyVector3f32(-1, 1, -4), r);
    a += none;
    EXPECT_EQ(4u, a.triangleCount);
}

TEST(PickMeshTest, RayListTestUsesTheExtendedMesh)
{
    KyPickMesh near, far;
    near.allocate(2);
    setSquare(near, 0, -1);
    far.allocate(2);
    setSquare(far, 0, -10);
    KyList<KyPickMesh*> list;
    list.pushBack(&far);
    list.pushBack(&near);
    EXPECT_EQ(&near, intersectRayMesh(KyVector3f32(0, 0, 0), KyVector3f32(0, 0, -1), list, 3.4028235e38f, 0));
    near.setEnabled(false);
    EXPECT_EQ(&far, intersectRayMesh(KyVector3f32(0, 0, 0), KyVector3f32(0, 0, -1), list, 3.4028235e38f, 0));
}

TEST(PickMeshTest, TriangleAgainstPlanes)
{
    // A unit box |x|, |y|, |z| < 1 as six planes.
    const f32 box[6][4] = {{1, 0, 0, 1}, {-1, 0, 0, 1}, {0, 1, 0, 1}, {0, -1, 0, 1}, {0, 0, 1, 1}, {0, 0, -1, 1}};
    const KyVector3f32 inside[3] = {KyVector3f32(0, 0, 0), KyVector3f32(0.5f, 0, 0), KyVector3f32(0, 0.5f, 0)};
    EXPECT_EQ(2, isTriangleInFrustum(inside, box));

    // One point exactly on the x = 1 plane, two beyond it: outside.
    const KyVector3f32 touching[3] = {KyVector3f32(1, 0, 0), KyVector3f32(2, 0, 0), KyVector3f32(2, 0.5f, 0)};
    EXPECT_EQ(0, isTriangleInFrustum(touching, box));

    // Beyond the corner (1, 1) (x + y > 3 everywhere) yet reaching the inner
    // side of every plane: passes, the test is per plane.
    const KyVector3f32 corner[3] = {KyVector3f32(3, 0.5f, 0), KyVector3f32(0.5f, 3, 0), KyVector3f32(3, 3, 0)};
    EXPECT_EQ(2, isTriangleInFrustum(corner, box));
}

namespace {

// A mesh of one square facing the z axis at depth z.
void makeSquare(KyPickMesh& mesh, f32 z)
{
    mesh.allocate(2);
    setSquare(mesh, 0, z);
}

const KyVector3f32 kOrigin(0.0f, 0.2f, 0.0f);
const KyVector3f32 kForward(0.0f, 0.0f, 1.0f);
const f32 kFar = 3.4028235e38f;

} // namespace

TEST(IntersectRayMesh, LastHitMeshInListOrderWins)
{
    KyPickMesh nearMesh, farMesh;
    makeSquare(nearMesh, 2.0f);
    makeSquare(farMesh, 10.0f);

    KyList<KyPickMesh*> list;
    list.pushBack(&nearMesh);
    list.pushBack(&farMesh);
    EXPECT_EQ(intersectRayMesh(kOrigin, kForward, list, kFar, 0.0f), &farMesh);

    KyList<KyPickMesh*> reversed;
    reversed.pushBack(&farMesh);
    reversed.pushBack(&nearMesh);
    EXPECT_EQ(intersectRayMesh(kOrigin, kForward, reversed, kFar, 0.0f), &nearMesh);
}

TEST(IntersectRayMesh, DisabledEmptyAndMissedMeshesAreSkipped)
{
    KyPickMesh hit, disabled, empty, missed;
    makeSquare(hit, 4.0f);
    makeSquare(disabled, 5.0f);
    disabled.enabled = 0;
    makeSquare(missed, -5.0f);

    KyList<KyPickMesh*> list;
    list.pushBack(&hit);
    list.pushBack(&disabled);
    list.pushBack(&empty);
    list.pushBack(&missed);
    EXPECT_EQ(intersectRayMesh(kOrigin, kForward, list, kFar, 0.0f), &hit);

    KyList<KyPickMesh*> none;
    EXPECT_EQ(intersectRayMesh(kOrigin, kForward, none, kFar, 0.0f), nullptr);
    none.pushBack(&disabled);
    none.pushBack(&empty);
    EXPECT_EQ(intersectRayMesh(kOrigin, kForward, none, kFar, 0.0f), nullptr);
}

TEST(IntersectRayMesh, DistanceBoundsIncludeMinimumExcludeMaximum)
{
    KyPickMesh a, b;
    makeSquare(a, 2.0f);
    makeSquare(b, 6.0f);
    KyList<KyPickMesh*> list;
    list.pushBack(&a);
    list.pushBack(&b);
    EXPECT_EQ(intersectRayMesh(kOrigin, kForward, list, 6.0f, 0.0f), &a);
    EXPECT_EQ(intersectRayMesh(kOrigin, kForward, list, 6.5f, 0.0f), &b);
    EXPECT_EQ(intersectRayMesh(kOrigin, kForward, list, kFar, 2.5f), &b);
    EXPECT_EQ(intersectRayMesh(kOrigin, kForward, list, 6.0f, 2.0f), &a);
    EXPECT_EQ(intersectRayMesh(kOrigin, kForward, list, 2.0f, 0.0f), nullptr);
}
