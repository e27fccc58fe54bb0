#include "core/KyString.h"
#include "platform/KyPalette.h"
#include "tools/content/ImageWriters.h"

#include <gtest/gtest.h>

using ImageWriters::Bytes;

namespace {

u16 word(const KyPalette& p, u32 i)
{
    return static_cast<u16>(p.data()[i * 2] | p.data()[i * 2 + 1] << 8);
}

Bytes streamBytes(KyString& s)
{
    const u8* p = reinterpret_cast<const u8*>(s.c_str());
    return Bytes(p, p + s.length());
}

} // namespace

TEST(Palette, ByteSizeByFormat)
{
    EXPECT_EQ(KyPalette::byteSize(0), 512u);
    EXPECT_EQ(KyPalette::byteSize(1), 512u);
    EXPECT_EQ(KyPalette::byteSize(2), 768u);
    EXPECT_EQ(KyPalette::byteSize(3), 1024u);
    EXPECT_EQ(KyPalette::byteSize(4), 0u);
    EXPECT_EQ(KyPalette::byteSize(-1), 0u);

    KyPalette fresh;
    EXPECT_EQ(fresh.data(), nullptr);
    EXPECT_EQ(fresh.byteSize(), 0u);
}

TEST(Palette, SetColorInEveryFormat)
{
    KyPalette p0;
    p0.allocate(0);
    p0.setColor(1, KyColor(255, 255, 255, 0));
    EXPECT_EQ(word(p0, 1), 0x7FFF);
    p0.setColor(2, KyColor(8, 16, 24, 255));   // r 1, g 2, b 3
    EXPECT_EQ(word(p0, 2), (3 << 10) | (2 << 5) | 1);

    KyPalette p1;
    p1.allocate(1);
    p1.setColor(1, KyColor(255, 255, 255, 0));
    EXPECT_EQ(word(p1, 1), 0xFFFF);
    p1.setColor(2, KyColor(8, 16, 24, 255));   // r 1, g 4, b 3
    EXPECT_EQ(word(p1, 2), (3 << 11) | (4 << 5) | 1);

    KyPalette p2;
    p2.allocate(2);
    p2.setColor(300, KyColor(1, 2, 3, 4));      // entry 44
    EXPECT_EQ(p2.data()[44 * 3], 1);
    EXPECT_EQ(p2.data()[44 * 3 + 1], 2);
    EXPECT_EQ(p2.data()[44 * 3 + 2], 3);
    EXPECT_EQ(p2.data()[45 * 3], 0);
    EXPECT_EQ(p2.color(44), KyColor(1, 2, 3, 255));

    KyPalette p3;
    p3.allocate(3);
    p3.setColor(255, KyColor(9, 8, 7, 6));
    EXPECT_EQ(p3.data()[1020], 9);
    EXPECT_EQ(p3.data()[1023], 6);
    EXPECT_EQ(p3.color(511), KyColor(9, 8, 7, 6));
}

TEST(Palette, SetColorWithoutDataOrFormatWritesNothing)
{
    KyPalette none;
    none.setColor(3, KyColor(1, 2, 3, 4));     // no data: no crash
    EXPECT_EQ(none.data(), nullptr);

    KyPalette odd;
    odd.allocate(7);
    EXPECT_EQ(odd.format(), 7);
    EXPECT_EQ(odd.data(), nullptr);
    odd.setColor(3, KyColor(1, 2, 3, 4));
}

TEST(Palette, DetachHandsTheDataOver)
{
    KyPalette p;
    p.allocate(2);
    u8* data = p.data();
    p.detachData();
    EXPECT_EQ(p.data(), nullptr);
    delete[] data;
}

TEST(Palette, StreamFormRoundTrip)
{
    KyPalette p;
    p.allocate(3);
    for (u32 i = 0; i < 256; ++i)
        p.setColor(i, KyColor(static_cast<u8>(i), static_cast<u8>(255 - i), 7, static_cast<u8>(i / 2)));
    KyString s((const char*)nullptr);   // binary mode
    EXPECT_EQ(p.serialize(s), 1028u);
    Bytes b = streamBytes(s);
    ASSERT_EQ(b.size(), 1028u);
    EXPECT_EQ(b[0], 0x00);
    EXPECT_EQ(b[1], 0x04);   // 1024 little-endian

    s.seek(0);
    KyPalette q;
    q.deserialize(s);
    EXPECT_EQ(q.format(), 3);
    ASSERT_NE(q.data(), nullptr);
    for (u32 i = 0; i < 256; ++i)
        ASSERT_EQ(q.color(i), p.color(i)) << i;
}

TEST(Palette, DeserializeTakesTheFormatTheSizeNames)
{
    KyPalette rgb;
    rgb.allocate(2);
    rgb.setColor(5, KyColor(1, 2, 3, 255));
    KyString s((const char*)nullptr);
    rgb.serialize(s);

    // A palette that believed itself RGBA would read past 768 bytes.
    KyPalette q;
    q.allocate(3);
    s.seek(0);
    q.deserialize(s);
    EXPECT_EQ(q.format(), 2);
    EXPECT_EQ(q.byteSize(), 768u);
    EXPECT_EQ(q.color(5), KyColor(1, 2, 3, 255));
    q.setColor(255, KyColor(1, 1, 1, 1));   // within 768 bytes

    // 512 bytes keep a 16-bit format already chosen.
    KyPalette w;
    w.allocate(1);
    KyString s16((const char*)nullptr);
    w.serialize(s16);
    KyPalette r;
    r.allocate(1);
    s16.seek(0);
    r.deserialize(s16);
    EXPECT_EQ(r.format(), 1);
    KyPalette fresh;
    s16.seek(0);
    fresh.deserialize(s16);
    EXPECT_EQ(fresh.format(), 0);
}

TEST(Palette, DamagedStreamLeavesNoData)
{
    // A size that is no palette's, a huge size, and a short entry block.
    for (u32 size : {100u, 0xFFFFFFF0u, 1024u}) {
        Bytes b;
        ImageWriters::putU32(b, size);
        b.resize(b.size() + 200, 0x55);
        KyString s;
        ImageWriters::fillStream(s, b);
        KyPalette p;
        p.allocate(2);
        p.deserialize(s);
        EXPECT_EQ(p.data(), nullptr) << size;
    }
}

TEST(Palette, SerializeWithoutDataWritesZeros)
{
    KyPalette p;
    p.allocate(2);
    p.freeData();
    KyString s((const char*)nullptr);
    EXPECT_EQ(p.serialize(s), 772u);
    Bytes b = streamBytes(s);
    ASSERT_EQ(b.size(), 772u);
    EXPECT_EQ(b[771], 0);
}
