#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "platform/Ky3DTexture.h"
#include "tests/media/VideoFixture.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/StdoutCapture.h"
#include "ui/KyVideo.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A 32 x 16 picture tells the language copy apart from the 64 x 48 one.
std::string smallVideo()
{
    TheoraVideoSpec spec;
    spec.frameWidth = 32;
    spec.frameHeight = 16;
    spec.pictureWidth = 32;
    spec.pictureHeight = 16;
    spec.frames = 5;
    return writeTheoraOgv(spec);
}

bool isLive(KyVideo* video)
{
    return KyVideo::liveVideos().contains(video);
}

} // namespace

TEST_F(VideoTest, OpenPrefersTheLanguageFolder)
{
    KySingleton<KyCore>::instance()->setLanguage("fr");
    put("Videos/intro.ogv", video(5));
    put("Videos/fr/intro.ogv", smallVideo());
    put("Videos/en/outro.ogv", smallVideo());
    put("Videos/outro.ogv", video(5));
    put("only/en/x.ogv", video(5));

    KyVideo video;
    ASSERT_TRUE(video.Open("Videos/intro.ogv"));
    EXPECT_EQ(32u, video.width);
    EXPECT_EQ(KyString("Videos/intro.ogv"), video.fileName());

    // No French copy: the path itself (the English folder is not tried).
    ASSERT_TRUE(video.Open("Videos/outro.ogv"));
    EXPECT_EQ(64u, video.width);
    StdoutCapture capture;
    EXPECT_FALSE(video.Open("only/x.ogv"));
    EXPECT_NE(std::string::npos, capture.text().find("[KyVideo::Open] Le fichier only/x.ogv ne peux etre ouvert.\n"));
    EXPECT_FALSE(video.opened);

    KySingleton<KyCore>::instance()->setLanguage("en");
    ASSERT_TRUE(video.Open("Videos/intro.ogv"));
    EXPECT_EQ(64u, video.width);
}

TEST_F(VideoTest, LiveVideosAreListedForTheirWholeLife)
{
    const u32 before = KyVideo::liveVideos().count();
    KyVideo* a = new KyVideo;
    KyVideo b;
    EXPECT_TRUE(isLive(a));
    EXPECT_TRUE(isLive(&b));
    EXPECT_EQ(before + 2, KyVideo::liveVideos().count());
    delete a;
    EXPECT_FALSE(isLive(a));
    EXPECT_EQ(before + 1, KyVideo::liveVideos().count());
}

TEST_F(VideoTest, UpdateAllAdvancesEveryVideoOnItsOwnClock)
{
    put("a.ogv", video(50));
    KyVideo first, second;
    ASSERT_TRUE(first.Open("a.ogv"));
    ASSERT_TRUE(second.Open("a.ogv"));
    first.play();
    advanceMs(400);
    second.play();
    advanceMs(400);
    KyVideo::updateAll();
    EXPECT_EQ(20u, first.frame);
    EXPECT_EQ(10u, second.frame);
}

TEST_F(VideoTest, UpdateAllSurvivesListenersThatStopOrDeleteVideos)
{
    put("short.ogv", video(3));
    put("long.ogv", video(100));

    // The first video ends in this frame; its listener deletes itself and
    // the video after it, and stops the last one. A video made by the
    // listener joins the walk.
    typedef VideoDirector<KyVideo> Director;
    KyVideo* ending = new KyVideo;
    KyVideo* doomed = new KyVideo;
    KyVideo last;
    ASSERT_TRUE(ending->Open("short.ogv"));
    ASSERT_TRUE(doomed->Open("long.ogv"));
    ASSERT_TRUE(last.Open("long.ogv"));
    Director director{ending, doomed, &last};
    VideoSignalLog log;
    log.listen(ending->onFinished, 'F');
    log.listen(last.onStopped, 'L');
    ending->onStopped.pushBack(kyNewCallback(&director, &Director::onStopped));
    ending->play();
    doomed->play();
    last.play();
    for (int i = 0; i < 20 && director.ending; ++i) {
        advanceMs(100);
        KyVideo::updateAll();
    }
    EXPECT_EQ(nullptr, director.ending);
    EXPECT_EQ("L", log.text); // deleted before its finish: only the stop of the last one
    EXPECT_FALSE(last.playing);
    ASSERT_NE(nullptr, director.made);
    EXPECT_TRUE(isLive(director.made));
    KyVideo::updateAll();
    delete director.made;
}

namespace {

// The picture of a texture, as OpenGL holds it (rows from the bottom).
std::vector<u8> texturePixels(Ky3DTexture& texture)
{
    std::vector<u8> pixels(size_t(texture.textureWidth()) * texture.textureHeight() * 3);
    glBindTexture(GL_TEXTURE_2D, texture.textureName());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

} // namespace

TEST_F(VideoTest, TheSpriteShowsEachConvertedFrame)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.ok());
    TheoraVideoSpec spec;
    spec.frames = 4;
    spec.paint = [](unsigned index, TheoraPlane planes[3]) {
        std::memset(planes[0].data, index == 0 ? 235 : 120, size_t(planes[0].stride) * planes[0].height);
        std::memset(planes[1].data, 128, size_t(planes[1].stride) * planes[1].height);
        std::memset(planes[2].data, 128, size_t(planes[2].stride) * planes[2].height);
    };
    put("grey.ogv", writeTheoraOgv(spec));

    KyVideo video;
    ASSERT_TRUE(video.Open("grey.ogv"));
    KyIntrusivePtr<Ky3DTexture> texture = video.sprite.texture();
    ASSERT_TRUE(texture && texture->isCreated());
    EXPECT_EQ(KyVector3f32(64, 48, 0), video.sprite.size());
    EXPECT_EQ(0, texturePixels(*texture)[0]); // black until the first frame

    video.play();
    advanceMs(40);
    video.update();
    ASSERT_EQ(1u, video.frame);
    std::vector<u8> shown = texturePixels(*texture);
    const u8* image = video.image.pixels();
    EXPECT_NEAR(253, image[0], 3);
    EXPECT_TRUE(std::equal(image, image + 64 * 3, shown.begin()));
    EXPECT_EQ(texture.get(), video.sprite.texture().get()); // replaced in place

    advanceMs(40);
    video.update();
    shown = texturePixels(*texture);
    EXPECT_NEAR(image[0], shown[0], 0);
    EXPECT_LT(shown[0], 200);

    video.close();
    EXPECT_FALSE(video.sprite.texture());
    EXPECT_EQ(KyVector3f32(0, 0, 0), video.sprite.size());
}
