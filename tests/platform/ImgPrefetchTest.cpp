// Pictures read ahead on worker threads: load takes the very picture it
// would have read, logs what the reader logged when it takes it, reads
// again what was not asked for or could not be read, and the ahead reading
// can be dropped. Also run under ThreadSanitizer (tsan_tests).

#include "platform/KyImg.h"
#include "platform/KyImgInput.h"
#include "platform/KyImgPrefetch.h"
#include "tests/support/RawPictures.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class ImgPrefetchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (u32 i = 0; i < 24; ++i)
            ASSERT_TRUE(RawPictures::write(dir.file(name(i)), RawPictures::tga(5 + i, 3 + i % 4, i % 4 == 0, i)));
        ASSERT_TRUE(RawPictures::write(dir.file("rle.bmp"), RawPictures::runLengthBmp()));
        folder.reset(new ScopedWorkingDir(dir.path()));
    }
    void TearDown() override { KyImgPrefetch::instance().clear(); }

    static std::string name(u32 i) { return "pic" + std::to_string(i) + ".tga"; }

    TempDir dir;
    std::unique_ptr<ScopedWorkingDir> folder;
};

bool samePicture(const KyImg& a, const KyImg& b)
{
    return a.format() == b.format() && a.width() == b.width() && a.height() == b.height() &&
           a.allocatedBytes() == b.allocatedBytes() && (a.palette() != nullptr) == (b.palette() != nullptr) &&
           std::memcmp(a.pixels(), b.pixels(), size_t(a.allocatedBytes())) == 0;
}

} // namespace

TEST_F(ImgPrefetchTest, LoadTakesThePictureItWouldHaveRead)
{
    KyImgPrefetch& prefetch = KyImgPrefetch::instance();
    for (u32 i = 0; i < 24; ++i)
        prefetch.request(name(i).c_str());
    for (u32 i = 0; i < 24; ++i) {
        SCOPED_TRACE(i);
        KyImg ahead;
        ahead.load(name(i).c_str());
        ASSERT_NE(13, ahead.format());
        EXPECT_STREQ(name(i).c_str(), ahead.path().c_str());
        // Taken once: the same path loads again by itself.
        std::unique_ptr<KyImgResult> none;
        std::string log;
        EXPECT_FALSE(prefetch.take(name(i).c_str(), none, log));
        KyImg again;
        again.load(name(i).c_str());
        EXPECT_TRUE(samePicture(ahead, again));
    }
}

TEST_F(ImgPrefetchTest, WhatTheReaderLogsIsLoggedWhenThePictureIsTaken)
{
    StdoutCapture log;
    KyImgPrefetch::instance().request("rle.bmp");
    // A file that is not there is not read ahead; load says so as usual.
    KyImgPrefetch::instance().request("missing.png");
    KyImgPrefetch::instance().finish();
    EXPECT_EQ("", log.text());
    KyImg refused;
    refused.load("rle.bmp");
    EXPECT_EQ(13, refused.format());
    EXPECT_EQ("BI_RLE8 n'est pas g\xc3\xa9r\xc3\xa9.\n", log.text());
    KyImg missing;
    missing.load("missing.png");
    EXPECT_EQ(13, missing.format());
    EXPECT_NE(std::string::npos, log.text().find("missing.png")) << log.text();
}

TEST_F(ImgPrefetchTest, PicturesNotTakenAreDropped)
{
    KyImgPrefetch& prefetch = KyImgPrefetch::instance();
    for (int round = 0; round < 10; ++round) {
        for (u32 i = 0; i < 24; ++i)
            prefetch.request(name(i).c_str());
        prefetch.clear();
        std::unique_ptr<KyImgResult> picture;
        std::string log;
        EXPECT_FALSE(prefetch.take(name(3).c_str(), picture, log));
    }
}

// Under a limit that allows no pixel, load opens no file and takes no
// picture read ahead: the image stays empty, and the picture read ahead is
// still there for a load after the limit.
TEST_F(ImgPrefetchTest, NothingIsReadUnderALimitOfNoPixel)
{
    KyImgPrefetch& prefetch = KyImgPrefetch::instance();
    prefetch.request(name(0).c_str());
    StdoutCapture log;
    {
        KyImgInput::Limit limit(512, 0);
        for (const std::string& path : {name(0), std::string("missing.png")}) {
            KyImg img;
            img.load(path.c_str());
            EXPECT_EQ(13, img.format());
        }
    }
    EXPECT_EQ("", log.text());
    std::unique_ptr<KyImgResult> ahead;
    std::string text;
    EXPECT_TRUE(prefetch.take(name(0).c_str(), ahead, text));
}
