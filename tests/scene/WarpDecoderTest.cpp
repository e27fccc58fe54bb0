// Tile pictures read ahead on worker threads: the same pictures the main
// thread would read at the same places, each handed over once, with what
// the readers log kept for the main thread; a decoder dropped with work
// left stops cleanly. Also run under ThreadSanitizer (tsan_tests).

#include "core/KyFile.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/KyImg.h"
#include "scene/KyWarpDecoder.h"
#include "tests/support/RawPictures.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct PictureFile {
    std::string path;
    std::vector<u32> positions;
};

// count pictures of varied sizes, every third one paletted, each after a
// few filler bytes.
PictureFile pictureFile(const TempDir& dir, u32 count)
{
    PictureFile made;
    made.path = dir.file("pictures.bin");
    std::string bytes;
    for (u32 i = 0; i < count; ++i) {
        bytes += std::string(i % 5 + 1, char(0xEE));
        made.positions.push_back(u32(bytes.size()));
        bytes += RawPictures::tga(8 + i % 9, 4 + i % 7, i % 3 == 0, i);
    }
    RawPictures::write(made.path, bytes);
    return made;
}

} // namespace

TEST(WarpDecoderTest, PicturesReadAheadAreThoseTheMainThreadReads)
{
    TempDir dir;
    const PictureFile pictures = pictureFile(dir, 60);
    std::shared_ptr<KyFile> shared(new KyFile);
    KyFile& file = *shared;
    ASSERT_TRUE(file.Open_2(pictures.path.c_str(), KyFile::ModeRead));
    const u32 pastTheEnd = file.GetFileSize() + 100;

    KyWarpDecoder decoder(shared, "tga");
    for (u32 position : pictures.positions)
        decoder.request(position);
    decoder.request(pictures.positions[4]);
    decoder.request(pastTheEnd);
    EXPECT_EQ(pictures.positions.size() + 1, decoder.requestCount());
    KyWarpBloc::Pictures early;
    EXPECT_FALSE(decoder.take(pictures.positions[0], early));
    decoder.finish();

    for (u32 position : pictures.positions) {
        SCOPED_TRACE(position);
        KyWarpBloc::Pictures read;
        ASSERT_TRUE(decoder.take(position, read));
        EXPECT_FALSE(decoder.take(position, read));
        EXPECT_FALSE(read.seekFailed);
        EXPECT_EQ("", read.log);
        ASSERT_TRUE(read.colour);
        KyImg ahead;
        ahead.takePicture(read.colour.get());
        KyImg here;
        ASSERT_TRUE(file.seek(position));
        here.loadFromStream(file, "tga");
        ASSERT_NE(13, here.format());
        EXPECT_EQ(here.format(), ahead.format());
        EXPECT_EQ(here.width(), ahead.width());
        EXPECT_EQ(here.height(), ahead.height());
        ASSERT_EQ(here.allocatedBytes(), ahead.allocatedBytes());
        EXPECT_EQ(0, std::memcmp(here.pixels(), ahead.pixels(), size_t(here.allocatedBytes())));
        EXPECT_EQ(here.palette() != nullptr, ahead.palette() != nullptr);
    }
    // Past the end of the file nothing reads; a place never asked for
    // gives nothing.
    KyWarpBloc::Pictures nothing;
    ASSERT_TRUE(decoder.take(pastTheEnd, nothing));
    EXPECT_TRUE(!nothing.colour || nothing.colour->format() == 13);
    EXPECT_FALSE(decoder.take(3, nothing));
}

TEST(WarpDecoderTest, WhatTheReadersLogIsKeptForTheMainThread)
{
    // Run-length BMP pictures, which the reader refuses with a line each.
    const std::string rle = RawPictures::runLengthBmp();
    TempDir dir;
    const std::string path = dir.file("rle.bin");
    std::vector<u32> positions;
    {
        std::string bytes;
        for (u32 i = 0; i < 12; ++i) {
            positions.push_back(u32(bytes.size()));
            bytes += rle;
        }
        RawPictures::write(path, bytes);
    }
    std::shared_ptr<KyFile> file(new KyFile);
    ASSERT_TRUE(file->Open_2(path.c_str(), KyFile::ModeRead));
    // The readers make and drop palettes on the workers; those never reach
    // the main thread's resource manager (not even to create it).
    const bool hadManager = KySingleton<KyResourceManager>::exists();
    KyWarpDecoder decoder(file, "bmp");
    std::string printed;
    {
        StdoutCapture log;
        for (u32 position : positions)
            decoder.request(position);
        decoder.finish();
        printed = log.text();
    }
    EXPECT_EQ("", printed);
    if (!hadManager) {
        EXPECT_FALSE(KySingleton<KyResourceManager>::exists());
    }
    for (u32 position : positions) {
        KyWarpBloc::Pictures read;
        ASSERT_TRUE(decoder.take(position, read));
        EXPECT_EQ("BI_RLE8 n'est pas g\xc3\xa9r\xc3\xa9.\n", read.log);
        ASSERT_TRUE(read.colour);
        EXPECT_EQ(13, read.colour->format());
    }
}

// Dropped with work left, after its owner has let the file go: the jobs
// still running hold the file and their pictures until they end.
TEST(WarpDecoderTest, ADecoderDroppedWithWorkLeftStopsCleanly)
{
    TempDir dir;
    const PictureFile pictures = pictureFile(dir, 200);
    for (int round = 0; round < 20; ++round) {
        std::shared_ptr<KyFile> file(new KyFile);
        ASSERT_TRUE(file->Open_2(pictures.path.c_str(), KyFile::ModeRead));
        std::unique_ptr<KyWarpDecoder> decoder(new KyWarpDecoder(file, "tga"));
        for (u32 position : pictures.positions)
            decoder->request(position);
        file.reset();
        decoder.reset();
    }
}
