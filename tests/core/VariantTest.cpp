#include "core/KyVariant.h"

#include <gtest/gtest.h>

TEST(Variant, TypedReadsGiveZeroOnMismatch)
{
    KyVariant none;
    EXPECT_EQ(none.type(), 0u);
    EXPECT_FALSE(none.ownsObject());

    KyVariant u(u32(7));
    EXPECT_EQ(u.type(), 3u);
    EXPECT_EQ(u.toU32(), 7u);
    EXPECT_EQ(u.toS32(), 0);
    EXPECT_EQ(u.toS64(), 0);
    EXPECT_EQ(u.toU64(), 0u);
    EXPECT_EQ(u.toF32(), 0.0f);
    EXPECT_EQ(u.toF64(), 0.0);
    EXPECT_FALSE(u.toBool());
    EXPECT_EQ(u.toString(), "");

    KyVariant b(true);
    EXPECT_EQ(b.type(), 1u);
    EXPECT_TRUE(b.toBool());
    EXPECT_EQ(b.toU32(), 0u);

    KyVariant d(2.5);
    EXPECT_EQ(d.type(), 7u);
    EXPECT_EQ(d.toF64(), 2.5);
    EXPECT_EQ(d.toF32(), 0.0f);

    EXPECT_EQ(KyVariant(s32(-3)).type(), 2u);
    EXPECT_EQ(KyVariant(s32(-3)).toS32(), -3);
    EXPECT_EQ(KyVariant(s64(-5000000000)).toS64(), s64(-5000000000));
    EXPECT_EQ(KyVariant(u64(1) << 40).type(), 5u);
    EXPECT_EQ(KyVariant(u64(1) << 40).toU64(), u64(1) << 40);
    KyVariant f = KyVariant::fromF32(1.25f);
    EXPECT_EQ(f.type(), 6u);
    EXPECT_EQ(f.toF32(), 1.25f);
    EXPECT_EQ(f.toF64(), 0.0);
}

TEST(Variant, StringsAreOwnedCopies)
{
    KyString source("lantern");
    KyVariant s(source);
    source = "changed";
    EXPECT_EQ(s.type(), 9u);
    EXPECT_TRUE(s.ownsObject());
    EXPECT_FALSE(s.toBool());
    EXPECT_EQ(s.toU32(), 0u);
    EXPECT_EQ(s.toString(), "lantern");

    // A character string is a string, not a bool.
    KyVariant literal("key");
    EXPECT_EQ(literal.type(), 9u);
    EXPECT_EQ(literal.toString(), "key");
    EXPECT_EQ(KyVariant(static_cast<const char*>(nullptr)).toString(), "");

    KyVariant* first = new KyVariant(s);
    KyVariant copy(*first);
    delete first;
    EXPECT_EQ(copy.toString(), "lantern");

    KyVariant assigned;
    assigned = copy;
    copy = KyVariant(u32(4));
    EXPECT_EQ(assigned.toString(), "lantern");
    EXPECT_EQ(copy.type(), 3u);
    EXPECT_FALSE(copy.ownsObject());
    EXPECT_EQ(copy.toU32(), 4u);
}

TEST(Variant, AssignmentsFreeAndGuardSelf)
{
    KyVariant s(KyString("self"));
    KyVariant& alias = s;
    s = alias;
    EXPECT_EQ(s.toString(), "self");
    s.assign(alias);
    EXPECT_EQ(s.toString(), "self");

    // Each assignment over an owned string frees it (the leak checker
    // watches), including the explicit assign.
    s.assign(KyVariant("other"));
    EXPECT_EQ(s.toString(), "other");
    s.assign(KyVariant(1.5));
    EXPECT_EQ(s.type(), 7u);
    EXPECT_FALSE(s.ownsObject());
    EXPECT_EQ(s.toString(), "");
    s = KyVariant("again");
    s = KyVariant("and again");
    EXPECT_EQ(s.toString(), "and again");
}
