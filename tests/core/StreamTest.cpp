#include "core/KyString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

std::string bytesOf(const KyString& s)
{
    return std::string(s.c_str(), s.length());
}

// A string built from a null pointer is a binary memory stream.
KyString binary()
{
    return KyString(static_cast<const char*>(nullptr));
}

// A stream with file-like behaviour, to run the operators on something
// other than a string: binary by default, refuses seeks past its end.
class ByteStream : public KyStream {
public:
    explicit ByteStream(const std::string& bytes = std::string()) : m_bytes(bytes) {}
    u32 write(const void* data, u32 n) override
    {
        m_bytes.replace(m_at, std::min<size_t>(n, m_bytes.size() - m_at), static_cast<const char*>(data), n);
        m_at += n;
        return n;
    }
    u32 read(void* out, u32 n) override
    {
        u32 count = static_cast<u32>(std::min<size_t>(n, m_bytes.size() - m_at));
        std::memcpy(out, m_bytes.data() + m_at, count);
        m_at += count;
        return count;
    }
    bool seek(u32 pos) override
    {
        if (pos > m_bytes.size())
            return false;
        m_at = pos;
        return true;
    }
    u32 tell() const override { return static_cast<u32>(m_at); }
    bool eof() const override { return m_at >= m_bytes.size(); }
    const std::string& bytes() const { return m_bytes; }

private:
    std::string m_bytes;
    size_t m_at = 0;
};

} // namespace

TEST(Stream, TextIntegersRoundTrip)
{
    KyString s;
    s << -12 << " " << 7u;
    EXPECT_STREQ(s.c_str(), "-12 7");

    s.seek(0);
    s32 a = 0;
    u32 b = 99;
    s >> a;
    EXPECT_EQ(a, -12);
    EXPECT_EQ(s.tell(), 3u);
    s >> b;
    EXPECT_EQ(b, 99u);
    EXPECT_EQ(s.tell(), 3u);
    u8 blank = 0;
    s >> blank;
    EXPECT_EQ(blank, ' ');
    s >> b;
    EXPECT_EQ(b, 7u);
    EXPECT_TRUE(s.eof());

    KyString limits;
    limits << static_cast<s32>(-2147483647 - 1) << " " << 4294967295u;
    EXPECT_STREQ(limits.c_str(), "-2147483648 4294967295");
    limits.seek(0);
    s32 lo = 0;
    u32 hi = 0;
    limits >> lo >> blank >> hi;
    EXPECT_EQ(lo, -2147483647 - 1);
    EXPECT_EQ(hi, 4294967295u);
}

TEST(Stream, TextParseConsumedCounts)
{
    KyString s("123x");
    u32 v = 0;
    EXPECT_EQ(s.parseU32(v), 3u);
    EXPECT_EQ(v, 123u);
    EXPECT_EQ(s.tell(), 3u);
    EXPECT_EQ(s.parseU32(v), 0u);
    EXPECT_EQ(v, 123u);

    KyString w("70000");
    u16 small = 0;
    w >> small;
    EXPECT_EQ(small, 4464u);

    // A lone minus sign is consumed and reads as zero.
    KyString minus("-x");
    s32 m = 5;
    EXPECT_EQ(minus.parseS32(m), 1u);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(minus.tell(), 1u);

    KyString empty;
    s32 untouched = 9;
    empty >> untouched;
    EXPECT_EQ(untouched, 9);
}

TEST(Stream, TextReals)
{
    struct Case {
        const char* text;
        f64 value;
        u32 consumed;
    };
    const Case cases[] = {
        {"-5", -5.0, 2}, {"-5.25", -5.25, 5}, {"3.", 3.0, 2}, {".5", 0.5, 2},
        {"12.125;", 12.125, 6}, {"0.1", 0.1, 3},
    };
    for (const Case& c : cases) {
        KyString s(c.text);
        f64 d = 77.0;
        EXPECT_EQ(s.parseF64(d), c.consumed) << c.text;
        // The fraction is summed in single precision, also for doubles.
        EXPECT_NEAR(d, c.value, 1e-6) << c.text;
        KyString t(c.text);
        f32 f = 77.0f;
        t >> f;
        EXPECT_NEAR(f, static_cast<f32>(c.value), 1e-5f) << c.text;
    }

    KyString s;
    s << 2.5;
    EXPECT_STREQ(s.c_str(), "2.500000");

    // Any magnitude fits: the text is sized from what it needs.
    KyString huge;
    huge << 1e300;
    EXPECT_EQ(huge.length(), 308u);
    EXPECT_EQ(std::string(huge.c_str()).substr(0, 2), "10");

    KyString back;
    back << -1234.5625;
    back.seek(0);
    f64 r = 0;
    back >> r;
    EXPECT_NEAR(r, -1234.5625, 1e-6);

    KyString none("abc");
    f64 kept = 1.5;
    none >> kept;
    EXPECT_EQ(kept, 1.5);
}

TEST(Stream, BinaryNumbers)
{
    KyString s = binary();
    ASSERT_EQ(s.textMode(), 0u);
    s << 1u;
    EXPECT_EQ(bytesOf(s), std::string("\x01\x00\x00\x00", 4));
    s << static_cast<s32>(-2) << 0.5 << static_cast<u8>(200) << 'c';
    EXPECT_EQ(s.length(), 4u + 4u + 8u + 1u + 1u);

    s.seek(0);
    u32 a = 0;
    s32 b = 0;
    f64 c = 0;
    u8 d = 0;
    u8 e = 0;
    s >> a >> b >> c >> d >> e;
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, -2);
    EXPECT_EQ(c, 0.5);
    EXPECT_EQ(d, 200u);
    EXPECT_EQ(e, 'c');

    KyString f = binary();
    f << 3.25f;
    f.seek(0);
    f64 widened = 0;
    f >> widened;
    EXPECT_EQ(widened, 3.25);

    KyString g = binary();
    u16 word = 0x1234;
    g.write(&word, 2);
    g.seek(0);
    u16 readBack = 0;
    g >> readBack;
    EXPECT_EQ(readBack, 0x1234u);
}

TEST(Stream, ShortBinaryReadsLeaveTargetWhole)
{
    KyString s = binary();
    s.write("\x01\x02", 2);
    s.seek(0);
    u32 v = 0xAABBCCDDu;
    s >> v;
    EXPECT_EQ(v, 0xAABBCCDDu);
    f64 d = 1.0;
    s >> d;
    EXPECT_EQ(d, 1.0);
    u8 byte = 7;
    s >> byte;
    EXPECT_EQ(byte, 7u);
}

TEST(Stream, CharactersAndTextAreRawInBothModes)
{
    KyString s;
    s << static_cast<u8>('7') << 'x' << "yz" << static_cast<const char*>(nullptr);
    EXPECT_STREQ(s.c_str(), "7xyz");

    KyString src("hello");
    src.seek(2);
    KyString dst("ab");
    dst.seek(2);
    dst << src;
    EXPECT_STREQ(dst.c_str(), "abllo");
    EXPECT_TRUE(src.eof());

    dst.seek(0);
    dst << dst;
    EXPECT_STREQ(dst.c_str(), "abllo");
}

TEST(Stream, ReadLine)
{
    KyString s("ab\r\ncd");
    EXPECT_STREQ(s.readLine().c_str(), "ab");
    EXPECT_STREQ(s.readLine().c_str(), "cd");
    EXPECT_STREQ(s.readLine().c_str(), "");

    KyString t("\n\rx\ry\n");
    EXPECT_STREQ(t.readLine().c_str(), "");
    EXPECT_STREQ(t.readLine().c_str(), "xy");
    EXPECT_TRUE(t.eof());
}

TEST(Stream, ReadWord)
{
    KyString s("  foo\tbar \n");
    EXPECT_STREQ(s.readWord().c_str(), "foo");
    EXPECT_EQ(s.tell(), 6u);
    EXPECT_STREQ(s.readWord().c_str(), "bar");
    EXPECT_TRUE(s.eof());
    EXPECT_STREQ(s.readWord().c_str(), "");

    KyString n("a\0b c", 5);
    KyString w = n.readWord();
    EXPECT_EQ(w.length(), 3u);
    EXPECT_STREQ(n.readWord().c_str(), "c");

    // Words then numbers, as the text descriptions are read.
    KyString mixed("size 12 -3");
    EXPECT_STREQ(mixed.readWord().c_str(), "size");
    u32 a = 0;
    s32 b = 0;
    mixed >> a;
    mixed.readWord();
    EXPECT_EQ(a, 12u);
    KyString rest("-3");
    rest >> b;
    EXPECT_EQ(b, -3);
}

TEST(Stream, Printf)
{
    KyString s("xx");
    s.seek(2);
    EXPECT_EQ(s.printf("%d-%s", 512, 42, "ok"), 5u);
    EXPECT_STREQ(s.c_str(), "xx42-ok");

    // Output beyond the buffer size is cut.
    KyString cut;
    cut.printf("%s", 4, "abcdefgh");
    EXPECT_STREQ(cut.c_str(), "abcd");

    KyString zero;
    EXPECT_EQ(zero.printf("%s", 0, "abc"), 0u);
    EXPECT_STREQ(zero.c_str(), "");

    // Only the bytes before the first NUL are written.
    KyString nul;
    nul.printf("a%cb", 16, 0);
    EXPECT_STREQ(nul.c_str(), "a");
    EXPECT_EQ(nul.length(), 1u);

    KyString wide;
    wide.printf("%s", 0xFFFFFFFFu, "big buffer");
    EXPECT_STREQ(wide.c_str(), "big buffer");
}

TEST(Stream, OperatorsWorkOnAnyStream)
{
    ByteStream out;
    EXPECT_EQ(out.textMode(), 0u);
    out << 0x01020304u << static_cast<s32>(-1);
    EXPECT_EQ(out.bytes(), std::string("\x04\x03\x02\x01\xFF\xFF\xFF\xFF", 8));

    out.setTextMode(1);
    out << 25u << " " << -0.5;
    EXPECT_EQ(out.bytes().substr(8), "25 -0.500000");

    ByteStream in("  word 42\r\nnext line");
    in.setTextMode(1);
    EXPECT_STREQ(in.readWord().c_str(), "word");
    u32 v = 0;
    in >> v;
    EXPECT_EQ(v, 42u);
    EXPECT_STREQ(in.readLine().c_str(), "");
    EXPECT_STREQ(in.readLine().c_str(), "next line");
    EXPECT_TRUE(in.eof());

    // A number that runs to the end of the stream is not stepped back.
    ByteStream last("17");
    last.setTextMode(1);
    EXPECT_EQ(last.parseU32(v), 2u);
    EXPECT_EQ(v, 17u);
    EXPECT_EQ(last.tell(), 2u);

    ByteStream copy;
    KyString source("copied");
    copy << source;
    EXPECT_EQ(copy.bytes(), "copied");
}

// Copies larger than one block, from sources that hand out every size of
// read, land byte for byte from the source's position to its end, at the
// target's position.
TEST(Stream, StreamCopyCarriesEveryByteWhateverTheReadSizes)
{
    std::string bytes;
    for (int i = 0; i < 10000; ++i)
        bytes += static_cast<char>(i * 131 % 251);

    // A source whose reads return at most `step` bytes.
    class Trickle : public ByteStream {
    public:
        Trickle(const std::string& bytes, u32 step) : ByteStream(bytes), m_step(step) {}
        u32 read(void* out, u32 n) override { return ByteStream::read(out, std::min(n, m_step)); }

    private:
        u32 m_step;
    };

    for (u32 step : {1u, 7u, 4095u, 4096u, 100000u}) {
        for (u32 from : {0u, 3u, 9999u, 10000u}) {
            Trickle source(bytes, step);
            ASSERT_TRUE(source.seek(from));
            KyString target("head");
            target.seek(2);
            target << source;
            std::string expected = "head";
            expected.replace(2, std::min<size_t>(2, bytes.size() - from), bytes.substr(from));
            EXPECT_EQ(bytesOf(target), expected) << step << " " << from;
            EXPECT_EQ(target.tell(), 2 + bytes.size() - from);
            EXPECT_TRUE(source.eof());

            ByteStream file;
            KyString text(bytes.data(), static_cast<u32>(bytes.size()));
            text.seek(from);
            file << text;
            EXPECT_EQ(file.bytes(), bytes.substr(from));
        }
    }
}
