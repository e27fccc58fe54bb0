#include "core/KyCallback0Param.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "os/KyOsClock.h"
#include "platform/KyImg.h"
#include "tools/content/ImageWriters.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"
#include "tests/ui/SpriteFixture.h"
#include "ui/KySprite.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <vector>

namespace {

const KyColor kRed(255, 0, 0, 255);
const KyColor kGreen(0, 255, 0, 255);
const KyColor kBlue(0, 0, 255, 255);
const KyColor kWhite(255, 255, 255, 255);
const KyColor kBlack(0, 0, 0, 255);

// The frames the sprite shows at each step of the clock.
std::vector<u32> framesOver(KySprite& sprite, u32 steps, u64 stepMicroseconds)
{
    std::vector<u32> shown;
    for (u32 i = 0; i < steps; ++i) {
        sprite.updateFrame();
        shown.push_back(sprite.drawnFrame());
        KyOsClock::advanceFake(stepMicroseconds);
    }
    return shown;
}

} // namespace

class SpriteTest : public SpriteDrawTest {
};

TEST_F(SpriteTest, FourFrameStripPlaysForwardAndReversedOnTheClock)
{
    KySprite sprite;
    sprite.LoadFromImage(solidImage(64, 256, kWhite));
    EXPECT_EQ(KyVector3f32(64, 256, 0), sprite.size());

    ASSERT_TRUE(sprite.setFrameAnimation(4, 10.0f, false));
    EXPECT_EQ(KyVector3f32(64, 64, 0), sprite.size());
    EXPECT_EQ(64u, sprite.frameWidth);
    EXPECT_EQ(64u, sprite.frameHeight);
    EXPECT_EQ(4u, sprite.framesPerColumn);
    EXPECT_FALSE(sprite.running);

    // Stopped: the clock does not run.
    KyOsClock::advanceFake(1000000);
    EXPECT_EQ(0u, sprite.currentFrame);

    sprite.play();
    EXPECT_EQ((std::vector<u32>{0, 1, 2, 3, 0, 1}), framesOver(sprite, 6, 100000));
    // Frame f of the strip starts at row f x 64 of the texture.
    sprite.animationClock.stop();
    sprite.animationClock.start();
    KyOsClock::advanceFake(250000);
    sprite.updateFrame();
    EXPECT_EQ(2u, sprite.currentFrame);
    EXPECT_EQ(KyVector2s32(0, 128), sprite.regionOrigin());
    EXPECT_EQ(KyVector2s32(64, 64), sprite.regionSize());

    // The clock is the sprite's own and play only resumes it: a strip is
    // replayed from its start by stopping the clock first.
    ASSERT_TRUE(sprite.setFrameAnimation(4, 10.0f, true));
    sprite.animationClock.stop();
    sprite.play();
    EXPECT_EQ((std::vector<u32>{3, 2, 1, 0, 3}), framesOver(sprite, 5, 100000));

    // playTo plays the frames up to the one given, clamped to the strip.
    ASSERT_TRUE(sprite.setFrameAnimation(4, 10.0f, false));
    sprite.animationClock.stop();
    sprite.playTo(1);
    EXPECT_EQ((std::vector<u32>{0, 1, 0, 1}), framesOver(sprite, 4, 100000));
    sprite.animationClock.stop();
    sprite.playTo(40);
    EXPECT_EQ(3u, sprite.lastFrame);
    EXPECT_EQ((std::vector<u32>{0, 1, 2, 3}), framesOver(sprite, 4, 100000));
}

TEST_F(SpriteTest, FrameCountsThePictureCannotHoldAreRefused)
{
    KySprite sprite;
    // No texture: nothing to cut.
    EXPECT_FALSE(sprite.setFrameAnimation(4, 10.0f, false));
    EXPECT_FALSE(sprite.animated);

    sprite.LoadFromImage(solidImage(8, 6, kWhite));
    EXPECT_FALSE(sprite.setFrameAnimation(0, 10.0f, false));
    EXPECT_FALSE(sprite.setFrameAnimation(7, 10.0f, false));
    EXPECT_FALSE(sprite.animated);
    EXPECT_EQ(KyVector3f32(8, 6, 0), sprite.size());

    // One row a frame is the most: the 8-row texture holds 8 of them per
    // column, the sixth frame is at row 5.
    ASSERT_TRUE(sprite.setFrameAnimation(6, 1000.0f, false));
    EXPECT_EQ(1u, sprite.frameHeight);
    EXPECT_EQ(8u, sprite.framesPerColumn);
    sprite.play();
    KyOsClock::advanceFake(5000);
    sprite.updateFrame();
    EXPECT_EQ(5u, sprite.currentFrame);
    EXPECT_EQ(KyVector2s32(0, 5), sprite.regionOrigin());

    // A negative rate stands at the first frame.
    ASSERT_TRUE(sprite.setFrameAnimation(6, -3.0f, false));
    sprite.play();
    KyOsClock::advanceFake(5000000);
    sprite.updateFrame();
    EXPECT_EQ(0u, sprite.currentFrame);
}

TEST_F(SpriteTest, RepeatCountEndsTheStripOnItsLastFrame)
{
    KySprite sprite;
    sprite.LoadFromImage(solidImage(4, 16, kWhite));
    ASSERT_TRUE(sprite.setFrameAnimation(4, 10.0f, false));
    std::vector<std::string> log;
    struct Listener {
        std::vector<std::string>* log;
        bool finished()
        {
            log->push_back("finished");
            return false;
        }
    } listener{&log};
    sprite.onAnimationFinished.pushBack(kyNewCallback(&listener, &Listener::finished));
    sprite.repeatCount = 1;
    sprite.play();
    KyOsClock::advanceFake(350000);
    sprite.updateFrame();
    EXPECT_FALSE(sprite.running);
    EXPECT_EQ(3u, sprite.currentFrame);
    EXPECT_EQ((std::vector<std::string>{"finished"}), log);
}

TEST_F(SpriteTest, PositionIsSnappedToWholePixels)
{
    KySprite sprite;
    sprite.LoadFromImage(solidImage(4, 4, kRed));
    sprite.setPosition(KyVector3f32(10.6f, 20.4f, 0));
    drawFrame();
    EXPECT_TRUE(sameRgb(kBlack, pixel(10, 21)));
    EXPECT_TRUE(sameRgb(kRed, pixel(11, 21)));
    EXPECT_TRUE(sameRgb(kRed, pixel(14, 20)));
    EXPECT_TRUE(sameRgb(kBlack, pixel(15, 21)));
    EXPECT_TRUE(sameRgb(kBlack, pixel(12, 24)));
    EXPECT_TRUE(sameRgb(kBlack, pixel(12, 19)));

    // -0.6 + 0.5 truncates to 0.
    sprite.setPosition(KyVector3f32(-0.6f, -0.6f, 0));
    drawFrame();
    EXPECT_TRUE(sameRgb(kRed, pixel(0, 0)));
    EXPECT_TRUE(sameRgb(kRed, pixel(3, 3)));
    EXPECT_TRUE(sameRgb(kBlack, pixel(4, 4)));

    // Hidden, or without texture: nothing is drawn.
    sprite.visible = false;
    drawFrame();
    EXPECT_TRUE(sameRgb(kBlack, pixel(1, 1)));
    sprite.visible = true;
    sprite.unload();
    EXPECT_EQ(KyVector3f32(0, 0, 0), sprite.size());
    drawFrame();
    EXPECT_TRUE(sameRgb(kBlack, pixel(1, 1)));
}

TEST_F(SpriteTest, GreaterDepthDrawsOverWhateverTheOrderOfCreation)
{
    KySprite front;
    KySprite back;
    KySprite neverPlaced;
    front.LoadFromImage(solidImage(8, 8, kRed));
    back.LoadFromImage(solidImage(8, 8, kGreen));
    neverPlaced.LoadFromImage(solidImage(64, 64, kBlue));
    front.setPosition(KyVector3f32(10, 10, 2));
    back.setPosition(KyVector3f32(14, 14, 1));
    drawFrame();
    EXPECT_TRUE(sameRgb(kRed, pixel(15, 15)));
    EXPECT_TRUE(sameRgb(kGreen, pixel(20, 20)));
    EXPECT_TRUE(sameRgb(kBlack, pixel(40, 40)));

    back.setPosition(KyVector3f32(14, 14, 3));
    drawFrame();
    EXPECT_TRUE(sameRgb(kGreen, pixel(15, 15)));
    EXPECT_TRUE(sameRgb(kRed, pixel(11, 11)));

    // The colour tints the picture.
    front.setPosition(KyVector3f32(30, 30, 0));
    front.color = KyColor(128, 255, 255, 255);
    drawFrame();
    EXPECT_NEAR(128, pixel(31, 31).r, 2);
}

TEST_F(SpriteTest, StripDrawsTheFrameOfTheClock)
{
    const KyColor bands[4] = {kRed, kGreen, kBlue, kWhite};
    KySprite sprite;
    sprite.LoadFromImage(bandedImage(8, 8, bands, 4));
    ASSERT_TRUE(sprite.setFrameAnimation(4, 10.0f, true));
    sprite.setPosition(KyVector3f32(0, 0, 0));
    sprite.play();
    drawFrame();
    EXPECT_TRUE(sameRgb(kWhite, pixel(4, 4)));
    EXPECT_TRUE(sameRgb(kBlack, pixel(4, 9)));
    KyOsClock::advanceFake(100000);
    drawFrame();
    EXPECT_TRUE(sameRgb(kBlue, pixel(4, 4)));
    KyOsClock::advanceFake(200000);
    drawFrame();
    EXPECT_TRUE(sameRgb(kRed, pixel(4, 4)));
}

class SpriteFileTest : public SpriteDrawTest {
protected:
    void SetUp() override
    {
        SpriteDrawTest::SetUp();
        ImageWriters::PngImage png;
        png.width = 2;
        png.height = 3;
        png.colorType = 2;
        png.rows.assign(2 * 3 * 3, 200);
        ASSERT_TRUE(dir.makeDir("Data"));
        const ImageWriters::Bytes bytes = ImageWriters::png(png);
        ASSERT_TRUE(dir.writeFile("Data/a.png", std::string(bytes.begin(), bytes.end())));
        cwd.reset(new ScopedWorkingDir(dir.path()));
    }
    void TearDown() override
    {
        cwd.reset();
        SpriteDrawTest::TearDown();
    }

    TempDir dir;
    std::unique_ptr<ScopedWorkingDir> cwd;
};

TEST_F(SpriteFileTest, OneImageFileGivesOneSharedTexture)
{
    KySprite a;
    KySprite b;
    a.visible = false;
    a.Load("Data/a.png");
    b.Load("Data/a.png");
    EXPECT_TRUE(a.visible);
    ASSERT_TRUE(a.hasTexture());
    EXPECT_EQ(a.texture().get(), b.texture().get());
    // Two sprites hold it (the call's own reference aside).
    EXPECT_EQ(3u, a.texture()->useCount());
    EXPECT_EQ(KyString("Data/a.png.3dtex"), KyString(a.texture()->path()));
    EXPECT_EQ(KyVector3f32(2, 3, 0), a.size());

    a.unload();
    EXPECT_EQ(2u, b.texture()->useCount());
    b.unload();
    EXPECT_EQ(nullptr, KySingleton<KyResourceManager>::instance()->find<Ky3DTexture>("Data/a.png.3dtex"));
}

TEST_F(SpriteFileTest, MissingFileIsLoggedAndLeavesNoTexture)
{
    KySprite sprite;
    sprite.setSize(KyVector3f32(5, 5, 0));
    sprite.visible = false;
    StdoutCapture capture;
    sprite.Load("Data/none.png");
    EXPECT_EQ("[KySprite::Load] Le fichier Data/none.png est introuvable.\n", capture.text());
    EXPECT_FALSE(sprite.hasTexture());
    EXPECT_FALSE(sprite.visible);
    EXPECT_EQ(KyVector3f32(5, 5, 0), sprite.size());
}

TEST_F(SpriteFileTest, XmlElementLoadsItsFileAndFlags)
{
    TiXmlDocument doc;
    doc.Parse("<sprite FILE=\"./a.png\" Visible=\"0\"><scaleCenter x=\"0\" z=\"2\"/></sprite>");
    KySprite sprite;
    sprite.loadFromXml(doc.RootElement(), "Data/");
    EXPECT_TRUE(sprite.hasTexture());
    EXPECT_FALSE(sprite.visible);
    EXPECT_EQ(KyVector3f32(0, 0.5f, 2), sprite.scaleCenter());
}
