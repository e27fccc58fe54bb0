#include "core/KyColor.h"
#include "core/KyMath.h"
#include "core/KyVector2s32.h"
#include "core/KyVector3f32.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(Vector3f32, EqualityIsExactAndSeesEveryComponent)
{
    KyVector3f32 a(1.0f, 2.0f, 3.0f);
    EXPECT_TRUE(a == KyVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_FALSE(a != KyVector3f32(1.0f, 2.0f, 3.0f));
    EXPECT_TRUE(a != KyVector3f32(1.0f, 2.0f, 3.5f));
    EXPECT_FALSE(a == KyVector3f32(1.0f, 2.0f, 3.5f));

    KyVector3f32 n(std::nanf(""), 0.0f, 0.0f);
    EXPECT_FALSE(n == n);
    EXPECT_TRUE(n != n);
}

TEST(Vector3f32, ArithmeticIsComponentWise)
{
    KyVector3f32 a(1.0f, -2.0f, 4.0f);
    KyVector3f32 b(2.0f, 4.0f, -8.0f);
    EXPECT_EQ(a + b, KyVector3f32(3.0f, 2.0f, -4.0f));
    EXPECT_EQ(a - b, KyVector3f32(-1.0f, -6.0f, 12.0f));
    EXPECT_EQ(-a, KyVector3f32(-1.0f, 2.0f, -4.0f));
    EXPECT_EQ(a * 2.0f, KyVector3f32(2.0f, -4.0f, 8.0f));
    EXPECT_EQ(2.0f * a, KyVector3f32(2.0f, -4.0f, 8.0f));
    EXPECT_EQ(a * b, KyVector3f32(2.0f, -8.0f, -32.0f));
    EXPECT_EQ(b / 2.0f, KyVector3f32(1.0f, 2.0f, -4.0f));
    EXPECT_EQ(b / a, KyVector3f32(2.0f, -2.0f, -2.0f));

    KyVector3f32 c = a;
    KyVector3f32& r1 = (c += b);
    EXPECT_EQ(&r1, &c);
    EXPECT_EQ(c, KyVector3f32(3.0f, 2.0f, -4.0f));
    KyVector3f32& r2 = (c *= 0.5f);
    EXPECT_EQ(&r2, &c);
    EXPECT_EQ(c, KyVector3f32(1.5f, 1.0f, -2.0f));

    // No check for division by zero: IEEE infinities come out.
    KyVector3f32 inf = a / 0.0f;
    EXPECT_TRUE(std::isinf(inf.x) && inf.x > 0.0f);
    EXPECT_TRUE(std::isinf(inf.y) && inf.y < 0.0f);
}

TEST(Vector3f32, DotCrossAndLength)
{
    KyVector3f32 x(1.0f, 0.0f, 0.0f), y(0.0f, 1.0f, 0.0f), z(0.0f, 0.0f, 1.0f);
    EXPECT_EQ(KyVector3f32::crossProduct(x, y), z);
    EXPECT_EQ(KyVector3f32::crossProduct(y, x), -z);
    EXPECT_EQ(KyVector3f32::crossProduct(KyVector3f32(1.0f, 2.0f, 3.0f), KyVector3f32(4.0f, 5.0f, 6.0f)),
              KyVector3f32(-3.0f, 6.0f, -3.0f));
    EXPECT_EQ(KyVector3f32::dotProduct(KyVector3f32(1.0f, 2.0f, 3.0f), KyVector3f32(4.0f, -5.0f, 6.0f)), 12.0f);
    EXPECT_EQ(KyVector3f32(3.0f, 0.0f, 4.0f).length(), 5.0f);
}

TEST(Vector3f32, NormalizeScalesToUnitAndLeavesZeroAlone)
{
    KyVector3f32 v(3.0f, 0.0f, 4.0f);
    v.normalize();
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);

    KyVector3f32 zero(0.0f, 0.0f, 0.0f);
    zero.normalize();
    EXPECT_EQ(zero, KyVector3f32(0.0f, 0.0f, 0.0f));
    EXPECT_FALSE(std::isnan(zero.x));
}

TEST(Vector3f32, FromIntegerVectorHasZeroDepth)
{
    KyVector3f32 v(KyVector2s32(-7, 12));
    EXPECT_EQ(v, KyVector3f32(-7.0f, 12.0f, 0.0f));
}

TEST(Vector2s32, Operations)
{
    KyVector2s32 a(5, -3);
    KyVector2s32 b(2, 10);
    KyVector2s32& r = (a += b);
    EXPECT_EQ(&r, &a);
    EXPECT_EQ(a.x, 7);
    EXPECT_EQ(a.y, 7);
    KyVector2s32 d = a - b;
    EXPECT_EQ(d.x, 5);
    EXPECT_EQ(d.y, -3);
    EXPECT_TRUE(KyVector2s32(1, 2) != KyVector2s32(1, 3));
    EXPECT_TRUE(KyVector2s32(1, 2) != KyVector2s32(0, 2));
    EXPECT_FALSE(KyVector2s32(1, 2) != KyVector2s32(1, 2));
}

TEST(Color, DefaultIsOpaqueBlack)
{
    KyColor c;
    EXPECT_EQ(c, KyColor(0, 0, 0, 255));
}

TEST(Color, PackedFormats)
{
    EXPECT_EQ(KyColor(255, 0, 0, 255).toRGB565(), 0xF800);
    EXPECT_EQ(KyColor(0, 255, 0, 255).toRGB565(), 0x07E0);
    EXPECT_EQ(KyColor(0, 0, 255, 255).toRGB565(), 0x001F);
    EXPECT_EQ(KyColor(255, 0, 0, 255).toRGB555(), 0x7C00);
    EXPECT_EQ(KyColor(0, 255, 0, 255).toRGB555(), 0x03E0);
    EXPECT_EQ(KyColor(0, 0, 255, 255).toRGB555(), 0x001F);
    EXPECT_EQ(KyColor(255, 255, 255, 0).toRGB555() & 0x8000, 0);
}

TEST(Color, TimesFloatTruncatesAndWraps)
{
    // 400 and 510 keep their low byte; alpha is scaled too.
    EXPECT_EQ(KyColor(200, 100, 50, 255) * 2.0f, KyColor(144, 200, 100, 254));
    // Truncation toward zero, not rounding.
    EXPECT_EQ(KyColor(3, 5, 255, 1) * 0.5f, KyColor(1, 2, 127, 0));
    // A negative product keeps the low byte of the negative integer.
    EXPECT_EQ(KyColor(1, 0, 0, 0) * -1.0f, KyColor(255, 0, 0, 0));
    // Products that no integer can hold must not be undefined behaviour.
    EXPECT_EQ(KyColor(255, 1, 0, 0) * std::numeric_limits<f32>::infinity(), KyColor(0, 0, 0, 0));
    EXPECT_EQ(KyColor(255, 1, 0, 0) * std::nanf(""), KyColor(0, 0, 0, 0));
    EXPECT_EQ(KyColor(255, 1, 0, 0) * 3.0e38f, KyColor(0, 0, 0, 0));
}

TEST(Color, ModulationAndSum)
{
    KyColor white(255, 255, 255, 255);
    EXPECT_EQ(white * white, white);
    EXPECT_EQ(KyColor(12, 200, 99, 255) * KyColor(0, 0, 0, 0), KyColor(0, 0, 0, 0));
    EXPECT_EQ(KyColor(12, 200, 99, 37) * white, KyColor(12, 200, 99, 37));

    KyColor s = KyColor(200, 0, 0, 100) + KyColor(100, 0, 0, 200);
    EXPECT_EQ(s.r, 44);
    EXPECT_EQ(s.a, 44);
    EXPECT_EQ(KyColor(1, 2, 3, 4) + KyColor(10, 20, 30, 40), KyColor(11, 22, 33, 44));
}

TEST(Math, CeilfRoundsUpToWholeNumbers)
{
    EXPECT_EQ(KyMath::ceilf(1.2f), 2.0f);
    EXPECT_EQ(KyMath::ceilf(-1.2f), -1.0f);
    EXPECT_EQ(KyMath::ceilf(3.0f), 3.0f);
    EXPECT_EQ(KyMath::ceilf(0.0001f), 1.0f);
}
