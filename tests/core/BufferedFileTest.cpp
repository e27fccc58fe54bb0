#include "core/KyBufferedFile.h"
#include "core/KyString.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string randomBytes(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = char(random() & 0xff);
    return bytes;
}

class BufferedFileTest : public ::testing::Test {
protected:
    // Writes a file of random bytes and returns its path.
    std::string makeFile(const std::string& name, size_t size, unsigned seed = 1)
    {
        m_content = randomBytes(size, seed);
        EXPECT_TRUE(m_dir.writeFile(name, m_content));
        return m_dir.file(name);
    }

    // Reads n bytes at offset through the file and checks them against the
    // bytes on disk (fewer at the end of the file).
    void expectReadAt(KyBufferedFile& file, u32 offset, u32 n)
    {
        ASSERT_TRUE(file.seek(offset));
        std::string got(n, '\0');
        u32 count = file.read(&got[0], n);
        u32 expected = std::min<u32>(n, u32(m_content.size()) - offset);
        ASSERT_EQ(expected, count) << "at " << offset;
        got.resize(count);
        ASSERT_EQ(m_content.substr(offset, count), got) << "at " << offset;
        EXPECT_EQ(offset + count, file.tell());
    }

    static void expectSector(KyBufferedFile& file, u32 index, u32 offset, u32 length)
    {
        KyBufferedFile::Sector sector;
        ASSERT_TRUE(file.sectorAt(index, &sector));
        EXPECT_EQ(offset, sector.offset);
        EXPECT_EQ(length, sector.length);
    }

    TempDir m_dir;
    std::string m_content;
};

} // namespace

TEST_F(BufferedFileTest, CutsTheFileInto2048ByteSectors)
{
    KyBufferedFile file;
    EXPECT_EQ(2048u, file.sectorSize());
    ASSERT_TRUE(file.Open_2(makeFile("a.bin", 5000).c_str(), 1));
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(5000u, file.GetFileSize());
    ASSERT_EQ(3u, file.sectorCount());
    expectSector(file, 0, 0, 2048);
    expectSector(file, 1, 2048, 2048);
    expectSector(file, 2, 4096, 904);
    EXPECT_FALSE(file.sectorAt(3, nullptr));

    ASSERT_TRUE(file.Open_2(makeFile("b.bin", 4096).c_str(), 1));
    ASSERT_EQ(2u, file.sectorCount());
    expectSector(file, 0, 0, 2048);
    expectSector(file, 1, 2048, 2048);

    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(0u, file.sectorCount());
    EXPECT_EQ(0u, file.pendingCount());
    EXPECT_EQ(0u, file.GetFileSize());
}

TEST_F(BufferedFileTest, ReadsLoadTheSectorsTheyReach)
{
    KyBufferedFile file;
    ASSERT_TRUE(file.Open_2(makeFile("a.bin", 5000).c_str(), 1));
    expectReadAt(file, 2040, 10); // spans the first two sectors
    u32 index = 99;
    EXPECT_EQ(0u, file.sectorState(2040, &index));
    EXPECT_EQ(0u, index);
    EXPECT_EQ(0u, file.sectorState(2049, &index));
    EXPECT_EQ(1u, index);
    EXPECT_EQ(0u, file.sectorState(9999, &index)); // past the last sector

    expectReadAt(file, 4990, 100); // cut at the end
    EXPECT_TRUE(file.eof());
    char byte;
    EXPECT_EQ(0u, file.read(&byte, 1));
    EXPECT_TRUE(file.seek(4999));
    EXPECT_FALSE(file.seek(5000));
    EXPECT_EQ(4999u, file.tell());
    EXPECT_FALSE(file.eof());
    EXPECT_EQ(0u, file.write("x", 1));

    expectReadAt(file, 0, 5000);
    EXPECT_EQ(0u, file.pendingCount());
}

TEST_F(BufferedFileTest, ReadsBackByteForByteWithRandomSeeks)
{
    const size_t size = 300 * 1024 + 123;
    std::string path = makeFile("big.bin", size, 7);
    std::mt19937 random(42);
    KyBufferedFile file;
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(file.Open_2(path.c_str(), 1));
        for (int i = 0; i < 300; ++i) {
            u32 offset = random() % size;
            u32 n = random() % 2 ? random() % 64 : random() % 9000;
            expectReadAt(file, offset, n);
            EXPECT_LE(file.pendingCount(), file.sectorCount());
        }
        // Sequential reads through the whole file.
        ASSERT_TRUE(file.seek(0));
        std::string whole;
        char chunk[1000];
        while (u32 got = file.read(chunk, sizeof chunk))
            whole.append(chunk, got);
        EXPECT_TRUE(whole == m_content);
        EXPECT_EQ(0u, file.pendingCount());
    }
}

TEST_F(BufferedFileTest, EachSectorIsLoadedOnceWhenBothThreadsRaceForIt)
{
    // Reads walk the sectors forwards while the reader thread does the same,
    // so the two keep asking for the same sector; in odd rounds the reads go
    // backwards and meet the reader once. A sector loaded twice would count
    // twice, and the pending count would wrap round instead of reaching 0.
    std::string path = makeFile("race.bin", 96 * 2048 + 5, 3);
    KyBufferedFile file;
    for (int round = 0; round < 24; ++round) {
        ASSERT_TRUE(file.Open_2(path.c_str(), 1));
        u32 count = file.sectorCount();
        for (u32 i = 0; i < count; ++i) {
            u32 sector = round % 2 ? count - 1 - i : i;
            expectReadAt(file, sector * 2048, 2048);
            ASSERT_LE(file.pendingCount(), count);
        }
        ASSERT_EQ(0u, file.pendingCount());
        for (u32 i = 0; i < count; ++i) {
            u32 index;
            EXPECT_EQ(0u, file.sectorState(i * 2048, &index));
        }
    }
}

// One read of the whole file straight after opening claims every sector
// while the reader thread loads its first runs of them: every byte comes
// back, and every sector ends loaded, counted once.
TEST_F(BufferedFileTest, AWholeFileReadRacingTheReaderGetsEveryByte)
{
    for (u32 size : {1u, 2047u, 2048u, 2049u, 32u * 2048 + 1, 100u * 2048 + 77, (1u << 20) + 3}) {
        std::string path = makeFile("whole.bin", size, size);
        KyBufferedFile file;
        for (int round = 0; round < 6; ++round) {
            ASSERT_TRUE(file.Open_2(path.c_str(), 1));
            // In odd rounds a few bytes near the end come first, so the
            // reading thread claims sectors ahead of the reader.
            if (round % 2)
                expectReadAt(file, size - std::min<u32>(size, 3000), 10);
            expectReadAt(file, 0, size);
            ASSERT_EQ(0u, file.pendingCount()) << size;
            for (u32 i = 0; i < file.sectorCount(); ++i) {
                u32 index;
                ASSERT_EQ(0u, file.sectorState(i * 2048, &index)) << size << " sector " << i;
            }
            // Everything is loaded: reads are copies of memory.
            expectReadAt(file, size / 2, size);
        }
    }
}

TEST_F(BufferedFileTest, ClosingWhileTheReaderWorksAndReopening)
{
    std::string first = makeFile("one.bin", 200 * 1024, 11);
    std::string firstContent = m_content;
    std::string second = makeFile("two.bin", 3000, 12);
    KyBufferedFile file;
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(file.Open_2(first.c_str(), 1));
        file.close(); // the reader is most likely still loading: close waits
        ASSERT_TRUE(file.Open_2(second.c_str(), 1));
        expectReadAt(file, 0, 3000);
    }
    // Reopening without closing first also replaces the file.
    ASSERT_TRUE(file.Open_2(first.c_str(), 1));
    m_content = firstContent;
    expectReadAt(file, 100000, 5000);
}

TEST_F(BufferedFileTest, AnEmptyFileOpensWithNothingToRead)
{
    KyBufferedFile file;
    ASSERT_TRUE(file.Open_2(makeFile("empty.bin", 0).c_str(), 1));
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(0u, file.sectorCount());
    EXPECT_EQ(0u, file.pendingCount());
    char byte;
    EXPECT_EQ(0u, file.read(&byte, 1));
    EXPECT_TRUE(file.eof());
    EXPECT_FALSE(file.seek(0));
}

TEST_F(BufferedFileTest, OpensForReadingOnly)
{
    std::string path = makeFile("keep.bin", 2500);
    KyBufferedFile file;
    // A write or append mode would change the file on disk: refused.
    EXPECT_FALSE(file.Open_2(path.c_str(), 2));
    EXPECT_FALSE(file.Open_2(path.c_str(), 3));
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(m_content, m_dir.readFile("keep.bin"));

    EXPECT_FALSE(file.Open_2(m_dir.file("missing.bin").c_str(), 1));
    EXPECT_FALSE(file.isOpen());
    char byte;
    EXPECT_EQ(0u, file.read(&byte, 1));
    EXPECT_FALSE(file.seek(0));
}

TEST_F(BufferedFileTest, WorksAsAStream)
{
    std::string bytes("\x01\x00\x00\x00\xff\xff\xff\xff", 8);
    ASSERT_TRUE(m_dir.writeFile("numbers.bin", bytes));
    KyBufferedFile file;
    ASSERT_TRUE(file.Open_2(m_dir.file("numbers.bin").c_str(), 1));
    KyStream& stream = file;
    u32 one = 0;
    s32 minusOne = 0;
    stream >> one >> minusOne;
    EXPECT_EQ(1u, one);
    EXPECT_EQ(-1, minusOne);
    EXPECT_TRUE(stream.eof());
}
