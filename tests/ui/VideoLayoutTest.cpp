#include "core/KyArray.h"
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyImg.h"
#include "tests/media/VideoFixture.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/StdoutCapture.h"
#include "ui/KyVideoLayout.h"

#include <GL/gl.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Video layouts make textures: every test has its own OpenGL context, on top
// of the fake clock and the throw-away working folder of the video tests.
class VideoLayoutTest : public VideoTest {
protected:
    void SetUp() override
    {
        VideoTest::SetUp();
        ASSERT_TRUE(m_gl.ok()) << "no OpenGL context";
    }

    GLTestContext m_gl;
};

// The grey of the fixture writer's frame index (flat Y = 16 + 8 x index,
// no chroma) after conversion.
int greyOfFrame(unsigned index)
{
    const int y = 16 + int((8 * index) % 220);
    return (74 * y + 102 * 128 - 14240) >> 6;
}

// The red byte of the texture's bottom-left texel, read back from OpenGL.
int textureRed(KySpriteLayout& layout)
{
    Ky3DTexture* texture = layout.texture();
    if (!texture || !texture->isCreated())
        return -1;
    std::vector<unsigned char> texels(size_t(texture->textureWidth()) * texture->textureHeight() * 3);
    glBindTexture(GL_TEXTURE_2D, texture->textureName());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels[0];
}

bool near(int expected, int actual)
{
    return std::abs(expected - actual) <= 2;
}

bool isLive(KyVideoLayout* layout)
{
    return KyVideoLayout::liveLayouts().contains(layout);
}

} // namespace

TEST_F(VideoLayoutTest, OpensThePathAsGivenAndShowsABlackPicture)
{
    KySingleton<KyCore>::instance()->setLanguage("fr");
    put("Videos/intro.ogv", video(5));
    put("Videos/fr/only.ogv", video(5));
    put("Videos/bad.ogv", writeVorbisOgg(0.2));

    KyVideoLayout layout;
    ASSERT_TRUE(layout.open("Videos/intro.ogv"));
    EXPECT_TRUE(layout.opened);
    EXPECT_FALSE(layout.playing);
    EXPECT_EQ(0u, layout.frame);
    EXPECT_EQ(KyString("Videos/intro.ogv"), layout.fileName());
    EXPECT_DOUBLE_EQ(25.0, layout.frameRate);
    ASSERT_NE(nullptr, layout.texture());
    EXPECT_EQ(64u, layout.imageWidth());
    EXPECT_EQ(48u, layout.imageHeight());
    EXPECT_EQ(0, textureRed(layout));
    // A Pixel layout at its default size takes the picture's size.
    EXPECT_FLOAT_EQ(64.0f, layout.userSize().x);
    EXPECT_FLOAT_EQ(48.0f, layout.userSize().y);

    // Unlike KyVideo, no language folder is tried: a file that exists only
    // there is not found, and the failed open leaves the layout closed.
    StdoutCapture capture;
    EXPECT_FALSE(layout.open("Videos/only.ogv"));
    EXPECT_NE(std::string::npos, capture.text().find("[KyVideo::open] Le fichier Videos/only.ogv ne peux etre ouvert.\n"));
    EXPECT_FALSE(layout.opened);
    EXPECT_EQ(nullptr, layout.texture());
    EXPECT_EQ(KyString(""), layout.fileName());

    EXPECT_FALSE(layout.open("Videos/bad.ogv"));
    EXPECT_NE(std::string::npos,
              capture.text().find("[KyVideo::open] La lecture des headers du fichier Videos/bad.ogv a echoue.\n"));
    EXPECT_FALSE(layout.opened);
}

TEST_F(VideoLayoutTest, TheClockDecidesTheFramesAndTheTextureShowsTheLastOne)
{
    put("a.ogv", video(50));
    KyVideoLayout layout;
    ASSERT_TRUE(layout.open("a.ogv"));

    // Not playing: the clock stands and nothing is decoded.
    advanceMs(500);
    KyVideoLayout::updateAll();
    EXPECT_EQ(0u, layout.frame);

    layout.play();
    advanceMs(1500);
    KyVideoLayout::updateAll();
    EXPECT_EQ(37u, layout.frame); // 1.5 s x 25 = 37.5, truncated
    EXPECT_TRUE(near(greyOfFrame(36), layout.image.pixels()[0]));
    EXPECT_EQ(int(layout.image.pixels()[0]), textureRed(layout));

    // Started the way the game does it: the flags and the clock by hand.
    layout.stop();
    EXPECT_EQ(0u, layout.frame);
    layout.playing = true;
    layout.lastRead = 1;
    layout.clock.start();
    advanceMs(200);
    layout.update();
    EXPECT_EQ(5u, layout.frame);
    EXPECT_TRUE(near(greyOfFrame(4), textureRed(layout))) << textureRed(layout);
}

TEST_F(VideoLayoutTest, EndOfFileFiresStoppedThenFinishedOnceAndRewinds)
{
    put("short.ogv", video(5));
    KyVideoLayout layout;
    ASSERT_TRUE(layout.open("short.ogv"));
    VideoSignalLog log;
    log.listen(layout.onStopped, 'S');
    log.listen(layout.onFinished, 'F');

    layout.play();
    for (int i = 0; i < 10; ++i) {
        advanceMs(100);
        KyVideoLayout::updateAll();
    }
    EXPECT_EQ("SF", log.text);
    EXPECT_FALSE(layout.playing);
    EXPECT_EQ(0u, layout.frame);
    EXPECT_TRUE(layout.opened);
    EXPECT_EQ(KyString("short.ogv"), layout.fileName()); // still there for the listeners

    // A stop asked for fires onStopped alone; playing again starts over.
    log.text.clear();
    layout.play();
    advanceMs(80);
    KyVideoLayout::updateAll();
    EXPECT_EQ(2u, layout.frame);
    layout.stop();
    EXPECT_EQ("S", log.text);
}

TEST_F(VideoLayoutTest, TwoLayoutsFollowTheirOwnClocksAndShowTheirOwnPictures)
{
    put("a.ogv", video(50));
    KyVideoLayout first, second;
    ASSERT_TRUE(first.open("a.ogv"));
    ASSERT_TRUE(second.open("a.ogv"));
    first.play();
    advanceMs(400);
    second.play();
    advanceMs(400);
    KyVideoLayout::updateAll();
    EXPECT_EQ(20u, first.frame);
    EXPECT_EQ(10u, second.frame);
    // Each picture has a texture of its own, even for the same file.
    EXPECT_NE(first.texture(), second.texture());
    EXPECT_TRUE(near(greyOfFrame(19), textureRed(first)));
    EXPECT_TRUE(near(greyOfFrame(9), textureRed(second)));
}

TEST_F(VideoLayoutTest, ThePictureCannotBeReplacedFromOutside)
{
    put("a.ogv", video(5));
    KyVideoLayout layout;
    KyImg picture;
    picture.create(5, 8, 8, KyIntrusivePtr<KyPalette>());
    KySpriteLayout& asSprite = layout;
    asSprite.loadFromImage(&picture);
    asSprite.load("a.png");
    EXPECT_EQ(nullptr, layout.texture());

    ASSERT_TRUE(layout.open("a.ogv"));
    Ky3DTexture* shown = layout.texture();
    asSprite.loadFromImage(&picture);
    EXPECT_EQ(shown, layout.texture());
    EXPECT_EQ(64u, layout.imageWidth());

    // close lets the texture go; closing again, or a layout never opened,
    // changes nothing.
    layout.close();
    EXPECT_EQ(nullptr, layout.texture());
    EXPECT_FALSE(layout.opened);
    layout.close();
    KyVideoLayout never;
    never.close();
    EXPECT_FALSE(never.opened);
}

TEST_F(VideoLayoutTest, UpdateAllSurvivesListenersThatStopDeleteOrMakeLayouts)
{
    put("short.ogv", video(3));
    put("long.ogv", video(100));

    typedef VideoDirector<KyVideoLayout> Director;
    const u32 before = KyVideoLayout::liveLayouts().count();
    KyVideoLayout* ending = new KyVideoLayout;
    KyVideoLayout* doomed = new KyVideoLayout;
    KyVideoLayout last;
    EXPECT_EQ(before + 3, KyVideoLayout::liveLayouts().count());
    ASSERT_TRUE(ending->open("short.ogv"));
    ASSERT_TRUE(doomed->open("long.ogv"));
    ASSERT_TRUE(last.open("long.ogv"));
    Director director{ending, doomed, &last};
    VideoSignalLog log;
    log.listen(last.onStopped, 'L');
    ending->onStopped.pushBack(kyNewCallback(&director, &Director::onStopped));
    ending->play();
    doomed->play();
    last.play();
    for (int i = 0; i < 20 && director.ending; ++i) {
        advanceMs(100);
        KyVideoLayout::updateAll();
    }
    EXPECT_EQ(nullptr, director.ending);
    EXPECT_EQ("L", log.text);
    EXPECT_FALSE(last.playing);
    ASSERT_NE(nullptr, director.made);
    EXPECT_TRUE(isLive(director.made));
    EXPECT_EQ(before + 2, KyVideoLayout::liveLayouts().count());
    KyVideoLayout::updateAll();
    delete director.made;
    EXPECT_EQ(before + 1, KyVideoLayout::liveLayouts().count());
}

TEST_F(VideoLayoutTest, ALayoutQueuedForDeletionLivesUntilTheEndOfTheFrame)
{
    put("short.ogv", video(3));
    // The usual pattern: the end of the video hands the layout to the queue
    // from inside its own listener.
    struct Owner {
        KyVideoLayout* layout;
        bool onFinished()
        {
            KyVideoLayout::deleteLater(layout);
            return false;
        }
    };
    KyVideoLayout* layout = new KyVideoLayout;
    ASSERT_TRUE(layout->open("short.ogv"));
    Owner owner{layout};
    layout->onFinished.pushBack(kyNewCallback(&owner, &Owner::onFinished));
    layout->play();
    advanceMs(1000);
    KyVideoLayout::updateAll();
    ASSERT_EQ(1u, KyVideoLayout::pendingDeletes().count());
    EXPECT_TRUE(isLive(layout));
    KyVideoLayout::deletePending();
    EXPECT_FALSE(isLive(layout));
    EXPECT_EQ(0u, KyVideoLayout::pendingDeletes().count());
}
