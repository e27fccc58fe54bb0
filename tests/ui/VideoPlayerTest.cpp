#include "core/KyArray.h"
#include "tests/media/SoundTestSupport.h"
#include "tests/media/VideoFixture.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TestData.h"
#include "ui/KyVideoPlayer.h"

#include <AL/al.h>

#include <string>

namespace {

// The player's sprite makes textures: each test has its own OpenGL context,
// the fake clock for the video and a throw-away working folder.
class VideoPlayerTest : public VideoTest {
protected:
    void SetUp() override
    {
        VideoTest::SetUp();
        ASSERT_TRUE(m_gl.ok()) << "no OpenGL context";
    }

    static void click(KyVideoPlayer& player) { player.clickButton.onClicked().call(); }

    static ALint soundState(KyVideoPlayer& player)
    {
        ALint state = 0;
        if (player.soundTrack.source())
            alGetSourcei(player.soundTrack.source(), AL_SOURCE_STATE, &state);
        return state;
    }

    GLTestContext m_gl;
};

} // namespace

TEST_F(VideoPlayerTest, LoadShowsTheBlackPicturePausedWithAClickAreaOfTheVideosSize)
{
    put("Videos/clip.ogv", video(50));
    KyVideoPlayer player;
    player.load("Videos/clip.ogv");
    EXPECT_TRUE(player.video.opened);
    EXPECT_FALSE(player.video.playing);
    EXPECT_EQ(0u, player.video.frame);
    EXPECT_EQ(0u, player.video.image.pixels()[0]);
    EXPECT_TRUE(player.clickButton.isEnabled());
    EXPECT_FLOAT_EQ(64.0f, player.clickButton.size().x);
    EXPECT_FLOAT_EQ(48.0f, player.clickButton.size().y);

    // The clock stood still while paused after load.
    advanceMs(1000);
    KyVideo::updateAll();
    EXPECT_EQ(0u, player.video.frame);

    KyVideoPlayer missing;
    missing.load("Videos/none.ogv");
    EXPECT_FALSE(missing.video.opened);
    EXPECT_FLOAT_EQ(0.0f, missing.clickButton.size().x);
    EXPECT_FLOAT_EQ(0.0f, missing.clickButton.size().y);
}

TEST_F(VideoPlayerTest, APlayerWithoutSoundTrackPlaysSilently)
{
    put("clip.ogv", video(50));
    KyVideoPlayer player;
    player.load("clip.ogv");
    StdoutCapture capture;
    click(player);
    EXPECT_TRUE(player.video.playing);
    EXPECT_FALSE(player.soundTrack.IsPlaying());
    advanceMs(400);
    KyVideo::updateAll();
    EXPECT_EQ(10u, player.video.frame);
    click(player);
    EXPECT_FALSE(player.video.playing);
    // No attempt to open an empty sound path: nothing in the log.
    EXPECT_EQ("", capture.text());
}

TEST_F(VideoPlayerTest, EachClickTogglesVideoAndSoundTrackTogether)
{
    put("clip.ogv", video(100));
    SoundTest::put(m_sandbox.work(), "clip.ogg", SoundTest::toneOgg(1, 22050, 4.0));
    KyVideoPlayer player;
    player.load("clip.ogv");
    player.setSoundTrack("clip.ogg");
    EXPECT_FALSE(player.soundTrack.IsPlaying()); // nothing before the first click

    click(player);
    EXPECT_TRUE(player.video.playing);
    ASSERT_TRUE(SoundTest::waitFor([&] { return soundState(player) == AL_PLAYING; }));
    advanceMs(200);
    KyVideo::updateAll();
    EXPECT_EQ(5u, player.video.frame);

    click(player);
    EXPECT_FALSE(player.video.playing);
    EXPECT_EQ(AL_PAUSED, soundState(player));
    advanceMs(200);
    KyVideo::updateAll();
    EXPECT_EQ(5u, player.video.frame);

    // Resuming resumes the sound track too, from where it was paused.
    click(player);
    EXPECT_TRUE(player.video.playing);
    EXPECT_TRUE(SoundTest::waitFor([&] { return soundState(player) == AL_PLAYING; }));
    advanceMs(200);
    KyVideo::updateAll();
    EXPECT_EQ(10u, player.video.frame);
}

TEST_F(VideoPlayerTest, ASoundTrackTheDecoderCannotPlaySafelyIsRefusedAndTheVideoPlaysSilently)
{
    // The recorded file whose setup header makes the decoder library
    // divide by zero; a video's sound track is read by the same decoder.
    put("clip.ogv", video(50));
    SoundTest::put(m_sandbox.work(), "clip.ogg",
                   SoundWriters::readFile(testDataPath("vorbis-setup-divides-by-zero.ogg")));
    KyVideoPlayer player;
    player.load("clip.ogv");
    player.setSoundTrack("clip.ogg");
    std::string text;
    {
        StdoutCapture capture;
        click(player);
        advanceMs(400);
        KyVideo::updateAll();
        text = capture.text();
    }
    EXPECT_TRUE(player.video.playing);
    EXPECT_EQ(10u, player.video.frame);
    EXPECT_FALSE(player.soundTrack.IsPlaying());
    EXPECT_NE(std::string::npos, text.find("file name : clip.ogg error : Unsafe Vorbis headers: "));
}

TEST_F(VideoPlayerTest, LoadingAgainKeepsOneToggleAClick)
{
    put("a.ogv", video(50));
    put("b.ogv", video(50));
    KyVideoPlayer player;
    player.load("a.ogv");
    player.load("b.ogv");
    EXPECT_EQ(1u, player.clickButton.onClicked().count());
    click(player);
    EXPECT_TRUE(player.video.playing);
    EXPECT_EQ(KyString("b.ogv"), player.video.fileName());
}

TEST_F(VideoPlayerTest, TheEndOfTheVideoRewindsAndTheNextClickPlaysFromTheStart)
{
    put("short.ogv", video(5));
    KyVideoPlayer player;
    player.load("short.ogv");
    VideoSignalLog log;
    log.listen(player.video.onStopped, 'S');
    log.listen(player.video.onFinished, 'F');
    click(player);
    for (int i = 0; i < 6; ++i) {
        advanceMs(100);
        KyVideo::updateAll();
    }
    EXPECT_EQ("SF", log.text);
    EXPECT_FALSE(player.video.playing);
    click(player);
    EXPECT_TRUE(player.video.playing);
    advanceMs(80);
    KyVideo::updateAll();
    EXPECT_EQ(2u, player.video.frame);
}

TEST_F(VideoPlayerTest, MovingAndScalingCarryTheSpriteAndTheClickArea)
{
    put("clip.ogv", video(5));
    KyVideoPlayer player;
    player.load("clip.ogv");
    Ky3DObject control;
    control.setPosition(KyVector3f32(7.0f, 8.0f, 9.0f));
    player.setButton(&control);
    EXPECT_EQ(&control, player.control);
    EXPECT_FLOAT_EQ(-1.0f, control.position().z);

    player.setPosition(KyVector3f32(10.0f, 20.0f, 3.0f));
    EXPECT_FLOAT_EQ(10.0f, player.video.sprite.position().x);
    EXPECT_FLOAT_EQ(20.0f, player.video.sprite.position().y);
    EXPECT_FLOAT_EQ(3.0f, player.video.sprite.position().z);
    EXPECT_FLOAT_EQ(10.0f, player.clickButton.position().x);
    EXPECT_FLOAT_EQ(20.0f, player.clickButton.position().y);
    // The control stays where it is, one unit below the player.
    EXPECT_FLOAT_EQ(7.0f, control.position().x);
    EXPECT_FLOAT_EQ(8.0f, control.position().y);
    EXPECT_FLOAT_EQ(2.0f, control.position().z);

    player.video.sprite.setScaleCenter(KyVector3f32(0.5f, 0.5f, 0.5f));
    player.setScale(KyVector3f32(2.0f, 3.0f, 1.0f));
    EXPECT_FLOAT_EQ(2.0f, player.scale().x);
    EXPECT_FLOAT_EQ(3.0f, player.video.sprite.scale().y);
    EXPECT_FLOAT_EQ(0.0f, player.video.sprite.scaleCenter().x);
    EXPECT_FLOAT_EQ(0.0f, player.video.sprite.scaleCenter().y);
    EXPECT_FLOAT_EQ(2.0f, player.clickButton.scale().x);
}
