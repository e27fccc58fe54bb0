#include "core/KyMatrix4x4.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

KyMatrix4x4 identity()
{
    KyMatrix4x4 m;
    m.setToIdentity();
    return m;
}

void expectNear(const KyMatrix4x4& a, const KyMatrix4x4& b, f32 tolerance)
{
    for (u32 i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
}

void expectNear(const KyVector3f32& a, const KyVector3f32& b, f32 tolerance)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

} // namespace

TEST(Matrix4x4, IdentityAndColumnIndexing)
{
    KyMatrix4x4 m = identity();
    for (u32 i = 0; i < 16; ++i)
        EXPECT_EQ(m.m[i], (i == 0 || i == 5 || i == 10 || i == 15) ? 1.0f : 0.0f);

    m.translate(KyVector3f32(7.0f, 8.0f, 9.0f));
    // Indexing yields a column; the translation is column 3.
    EXPECT_EQ(m[3][0], 7.0f);
    EXPECT_EQ(m[3][1], 8.0f);
    EXPECT_EQ(m[3][2], 9.0f);
    EXPECT_EQ(&m[3][0], &m.m[12]);
    const KyMatrix4x4& cm = m;
    EXPECT_EQ(cm[3][3], 1.0f);
}

TEST(Matrix4x4, InequalityIsBitwise)
{
    KyMatrix4x4 a = identity();
    KyMatrix4x4 b = identity();
    EXPECT_FALSE(a != b);
    // 0.0 and -0.0 are equal as floats but not as stored bits.
    b.m[7] = -0.0f;
    EXPECT_TRUE(a != b);
    b.m[7] = 0.0f;
    b.m[15] = 1.0000001f;
    EXPECT_TRUE(a != b);
}

TEST(Matrix4x4, ProductOrderTranslateThenScale)
{
    KyMatrix4x4 m = identity();
    m.translate(KyVector3f32(1.0f, 2.0f, 3.0f));
    m.scale(KyVector3f32(2.0f, 3.0f, 4.0f));
    // The translation stays as given and the scale sits on the diagonal:
    // a point is scaled first, then moved.
    EXPECT_EQ(m.m[0], 2.0f);
    EXPECT_EQ(m.m[5], 3.0f);
    EXPECT_EQ(m.m[10], 4.0f);
    EXPECT_EQ(m.m[12], 1.0f);
    EXPECT_EQ(m.m[13], 2.0f);
    EXPECT_EQ(m.m[14], 3.0f);
    EXPECT_EQ(m.transformPoint(KyVector3f32(1.0f, 1.0f, 1.0f)), KyVector3f32(3.0f, 5.0f, 7.0f));

    // The other order scales the translation too.
    KyMatrix4x4 n = identity();
    n.scale(KyVector3f32(2.0f, 3.0f, 4.0f));
    n.translate(KyVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(n.m[12], 2.0f);
    EXPECT_EQ(n.m[13], 6.0f);
    EXPECT_EQ(n.m[14], 12.0f);
    EXPECT_TRUE(m != n);
}

TEST(Matrix4x4, ProductIsThisTimesOther)
{
    const f32 ae[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const f32 be[16] = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    KyMatrix4x4 a(ae);
    KyMatrix4x4 b(be);
    // b swaps the first two basis vectors, so a x b swaps a's first two columns.
    KyMatrix4x4 ab = a * b;
    const f32 expected[16] = {5, 6, 7, 8, 1, 2, 3, 4, 9, 10, 11, 12, 13, 14, 15, 16};
    EXPECT_FALSE(ab != KyMatrix4x4(expected));
    // b x a swaps a's first two rows instead.
    KyMatrix4x4 ba = b * a;
    const f32 expected2[16] = {2, 1, 3, 4, 6, 5, 7, 8, 10, 9, 11, 12, 14, 13, 15, 16};
    EXPECT_FALSE(ba != KyMatrix4x4(expected2));
}

TEST(Matrix4x4, TransformPointDividesByW)
{
    KyMatrix4x4 m = identity();
    m.m[15] = 2.0f;
    EXPECT_EQ(m.transformPoint(KyVector3f32(2.0f, 4.0f, 6.0f)), KyVector3f32(1.0f, 2.0f, 3.0f));

    // A zero last row gives w' = 0, replaced by 1e-9 rather than a division
    // by zero.
    KyMatrix4x4 z = identity();
    z.m[15] = 0.0f;
    KyVector3f32 p = z.transformPoint(KyVector3f32(1.0f, -2.0f, 0.0f));
    EXPECT_FLOAT_EQ(p.x, 1.0f / 1e-9f);
    EXPECT_FLOAT_EQ(p.y, -2.0f / 1e-9f);
    EXPECT_EQ(p.z, 0.0f);
    EXPECT_FALSE(std::isnan(p.z));
}

TEST(Matrix4x4, DeterminantOfUpperBlock)
{
    KyMatrix4x4 m = identity();
    m.scale(KyVector3f32(2.0f, 3.0f, 4.0f));
    m.translate(KyVector3f32(100.0f, 5.0f, 1.0f));
    m.m[15] = 9.0f;
    EXPECT_FLOAT_EQ(m.determinant(), 24.0f);
    const f32 e[16] = {1, 4, 7, 0, 2, 5, 8, 0, 3, 6, 10, 0, 0, 0, 0, 1};
    EXPECT_FLOAT_EQ(KyMatrix4x4(e).determinant(), -3.0f);
}

TEST(Matrix4x4, InverseOfSpecialMatrices)
{
    EXPECT_FALSE(identity().inverse() != identity());

    KyMatrix4x4 t = identity();
    t.translate(KyVector3f32(1.0f, 2.0f, 3.0f));
    KyMatrix4x4 ti = t.inverse();
    KyMatrix4x4 expected = identity();
    expected.translate(KyVector3f32(-1.0f, -2.0f, -3.0f));
    EXPECT_FALSE(ti != expected);
    // The matrix itself is left as it was.
    EXPECT_EQ(t.m[12], 1.0f);

    // Singular: two equal columns.
    const f32 s[16] = {1, 2, 3, 4, 1, 2, 3, 4, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_FALSE(KyMatrix4x4(s).inverse() != identity());
    const f32 zero[16] = {0};
    EXPECT_FALSE(KyMatrix4x4(zero).inverse() != identity());
}

TEST(Matrix4x4, InverseOfGeneralMatrix)
{
    // Not affine: the last row is non-trivial, so the whole 4x4 inverse is used.
    const f32 e[16] = {2, 1, 0, 0.5f, -1, 3, 2, 0, 0, 1, 4, 1, 3, -2, 1, 2};
    KyMatrix4x4 m(e);
    KyMatrix4x4 inv = m.inverse();
    expectNear(inv * m, identity(), 1e-5f);
    expectNear(m * inv, identity(), 1e-5f);

    KyVector3f32 p(0.25f, -1.5f, 2.0f);
    expectNear(inv.transformPoint(m.transformPoint(p)), p, 1e-5f);
}
