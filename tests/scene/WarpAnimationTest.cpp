// The animations of a panorama on the fake clock: playing, passes, parts,
// frozen frames, objects put and removed, the playing list, refused frames
// and ranges, finished listeners that change the panorama, and the tiles of
// frames left behind.

#include "core/KyCallback1Param.h"
#include "os/KyOsClock.h"
#include "scene/KyWarp.h"
#include "tests/scene/WarpFixture.h"
#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

// Indices in WarpFixture::scenePanorama.
enum { Door, Lamp, Anim, Twin0, Twin1, Bird, None };

// Hears the animation-finished signal.
class Finished {
public:
    bool heard(const KyString& name)
    {
        names.push_back(name.c_str());
        if (then)
            then(name);
        return false;
    }

    std::vector<std::string> names;
    std::function<void(const KyString&)> then;
};

class WarpAnimationTest : public WarpViewTest {
protected:
    WarpWriter::Bytes panorama() override { return WarpFixture::scenePanorama(); }

    void SetUp() override
    {
        KyOsClock::installFake(1000000);
        WarpViewTest::SetUp();
        warp.onAnimationFinished().pushBack(kyNewCallback(&finished, &Finished::heard, 0.0f));
    }

    void TearDown() override
    {
        WarpViewTest::TearDown();
        KyOsClock::install(nullptr);
    }

    KyWarp::AnimData& animation(u32 index) { return warp.animations()[index]; }

    // One update at microseconds past start.
    void updateAt(u64 start, u64 microseconds)
    {
        KyOsClock::setFake(start + microseconds);
        warp.update();
    }

    std::vector<std::string> playingNames()
    {
        std::vector<std::string> names;
        for (KyWarp::AnimData* a : warp.playing())
            names.push_back(std::to_string(a - warp.animations()));
        return names;
    }

    Finished finished;
};

struct Step {
    u64 at;        // microseconds after the start
    u32 frame;     // current frame after the update
    size_t heard;  // finished signals heard so far
};

struct Timing {
    const char* what;
    u32 index;  // the animation that moves
    std::function<void(KyWarp&)> start;
    std::vector<Step> steps;
};

} // namespace

TEST_F(WarpAnimationTest, FramesFollowTheClockAt15FramesASecond)
{
    const KyString anim("ANIM");
    const Timing timings[] = {
        {"one pass of ten frames finishes once, at 10/15 s, and stays on frame 9", Anim,
         [&](KyWarp& w) { w.startAnimation(anim, 1, false); },
         {{0, 0, 0}, {66667, 1, 0}, {600000, 9, 0}, {666666, 9, 0}, {666667, 9, 1}, {700000, 9, 1}, {5000000, 9, 1}}},
        {"two passes take twenty frames of time", Anim,
         [&](KyWarp& w) { w.startAnimation(anim, 2, false); },
         {{666667, 0, 0}, {1333333, 9, 0}, {1333334, 9, 1}, {3000000, 9, 1}}},
        {"-1 loops 0 to 9 forever", Anim,
         [&](KyWarp& w) { w.startAnimation(anim, -1, false); },
         {{666667, 0, 0}, {733334, 1, 0}, {10000000, 0, 0}, {10066667, 1, 0}}},
        {"other negative passes loop too", Anim,
         [&](KyWarp& w) { w.startAnimation(anim, -7, false); },
         {{600000, 9, 0}, {666667, 0, 0}, {3000000, 5, 0}}},
        {"the part (3, -1) loops over frames 3 to 8", Anim,
         [&](KyWarp& w) { w.startAnimationPart(anim, -1, 3, -1, false); },
         {{0, 3, 0}, {333334, 8, 0}, {400000, 3, 0}, {466667, 4, 0}}},
        {"the part (3, -1) once ends on frame 8", Anim,
         [&](KyWarp& w) { w.startAnimationPart(anim, 1, 3, -1, false); },
         {{333334, 8, 0}, {400000, 8, 1}, {900000, 8, 1}}},
        {"the part (2, 5) twice", Anim,
         [&](KyWarp& w) { w.startAnimationPart(anim, 2, 2, 5, false); },
         {{0, 2, 0}, {200000, 2, 0}, {333334, 4, 0}, {400000, 4, 1}}},
        {"passes 0 stands on its frame", Anim,
         [&](KyWarp& w) {
             w.setAnimationFrame(anim, 4, false);
             w.startAnimation(anim, 0, false);
         },
         {{0, 4, 0}, {2000000, 4, 0}}},
        {"frame -1 is the last, frozen", Anim,
         [&](KyWarp& w) { w.setAnimationFrame(anim, -1, false); },
         {{0, 9, 0}, {5000000, 9, 0}}},
        {"frame 0 is the first", Anim,
         [&](KyWarp& w) { w.setAnimationFrame(anim, 0, false); },
         {{0, 0, 0}, {5000000, 0, 0}}},
        {"frame -3 counts from the end", Anim,
         [&](KyWarp& w) { w.setAnimationFrame(anim, -3, false); },
         {{0, 7, 0}, {5000000, 7, 0}}},
        {"a one-frame object does not advance", Lamp,
         [&](KyWarp& w) { w.putObject(KyString("LAMP"), false); },
         {{0, 0, 0}, {5000000, 0, 0}}},
    };
    for (const Timing& timing : timings) {
        SCOPED_TRACE(timing.what);
        warp.resetAnimations();
        finished.names.clear();
        const u64 start = KyOsClock::microseconds() + 1000;
        KyOsClock::setFake(start);
        timing.start(warp);
        const KyWarp::AnimData& moving = animation(timing.index);
        for (const Step& step : timing.steps) {
            updateAt(start, step.at);
            EXPECT_EQ(step.frame, moving.currentFrame) << "at " << step.at;
            EXPECT_EQ(step.heard, finished.names.size()) << "at " << step.at;
        }
        for (const std::string& name : finished.names)
            EXPECT_EQ("ANIM", name);
        EXPECT_TRUE(moving.active);
        EXPECT_TRUE(warp.playing().contains(const_cast<KyWarp::AnimData*>(&moving)));
    }
}

TEST_F(WarpAnimationTest, UnknownNamesAreLoggedAndChangeNothing)
{
    const KyString xxxx("XXXX");
    const struct {
        const char* what;
        std::function<void(KyWarp&)> call;
        const char* log;
    } cases[] = {
        {"start", [&](KyWarp& w) { w.startAnimation(xxxx, 1, true); },
         "Impossible de trouver l'animation XXXX dans le Warp.\n"},
        {"part", [&](KyWarp& w) { w.startAnimationPart(xxxx, 1, 0, 1, true); },
         "Impossible de trouver l'animation XXXX dans le Warp.\n"},
        {"frame", [&](KyWarp& w) { w.setAnimationFrame(xxxx, 0, true); },
         "Impossible de trouver l'animation XXXX dans le Warp.\n"},
        {"put", [&](KyWarp& w) { w.putObject(xxxx, true); }, "Impossible de trouver l'objet XXXX dans le Warp.\n"},
        {"remove", [&](KyWarp& w) { w.removeObject(xxxx); }, "Impossible de trouver l'objet XXXX dans le Warp.\n"},
        {"put of a two-frame animation", [&](KyWarp& w) { w.putObject(KyString("DOOR"), true); },
         "Impossible de trouver l'objet DOOR dans le Warp.\n"},
        {"put of a frameless animation", [&](KyWarp& w) { w.putObject(KyString("NONE"), true); },
         "Impossible de trouver l'objet NONE dans le Warp.\n"},
        {"a name is matched whole", [&](KyWarp& w) { w.startAnimation(KyString("ANI"), 1, true); },
         "Impossible de trouver l'animation ANI dans le Warp.\n"},
        {"and byte for byte", [&](KyWarp& w) { w.startAnimation(KyString("anim"), 1, true); },
         "Impossible de trouver l'animation anim dans le Warp.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StdoutCapture out;
        c.call(warp);
        EXPECT_EQ(c.log, out.text());
        EXPECT_EQ(0u, warp.playing().count());
        for (u32 a = 0; a < warp.animationCount(); ++a) {
            EXPECT_FALSE(animation(a).active);
            for (u32 f = 0; f < animation(a).frameCount; ++f)
                EXPECT_FALSE(animation(a).frames[f].pickMesh.isEnabled());
        }
    }
}

TEST_F(WarpAnimationTest, EveryAnimationOfTheNameIsListedOnceAndRemovalMovesTheLastIntoItsPlace)
{
    warp.startAnimation(KyString("ANIM"), -1, true);
    warp.putObject(KyString("LAMP"), true);
    warp.startAnimation(KyString("TWIN"), 1, false);
    warp.putObject(KyString("LAMP"), true);
    warp.startAnimation(KyString("ANIM"), 1, true);
    EXPECT_EQ((std::vector<std::string>{"2", "1", "3", "4"}), playingNames());
    for (u32 a : {Anim, Lamp, Twin0, Twin1})
        EXPECT_TRUE(animation(a).active) << a;
    EXPECT_TRUE(animation(Anim).frames[5].pickMesh.isEnabled());
    EXPECT_FALSE(animation(Twin1).frames[0].pickMesh.isEnabled());

    warp.removeObject(KyString("ANIM"));
    EXPECT_EQ((std::vector<std::string>{"4", "1", "3"}), playingNames());
    EXPECT_FALSE(animation(Anim).active);
    EXPECT_EQ(0u, animation(Anim).currentFrame);
    for (u32 f = 0; f < 10; ++f)
        EXPECT_FALSE(animation(Anim).frames[f].pickMesh.isEnabled());

    warp.removeObject(KyString("TWIN"));
    EXPECT_EQ((std::vector<std::string>{"1"}), playingNames());
    warp.removeObject(KyString("LAMP"));
    EXPECT_TRUE(warp.playing().isEmpty());
    warp.startAnimation(KyString("BIRD"), 1, false);
    warp.putObject(KyString("LAMP"), false);
    EXPECT_EQ((std::vector<std::string>{"5", "1"}), playingNames());

    warp.resetAnimations();
    EXPECT_EQ(0u, warp.playing().count());
    EXPECT_EQ(0u, warp.playing().capacity());
    for (u32 a = 0; a < warp.animationCount(); ++a) {
        EXPECT_FALSE(animation(a).active);
        for (u32 f = 0; f < animation(a).frameCount; ++f)
            EXPECT_FALSE(animation(a).frames[f].pickMesh.isEnabled());
    }
}

TEST_F(WarpAnimationTest, FramesAndRangesOutsideTheAnimationAreRefused)
{
    const KyString anim("ANIM");
    warp.startAnimation(anim, 3, false);
    const KyWarp::AnimData& a = animation(Anim);
    const struct {
        s32 first;
        s32 end;
    } parts[] = {{5, 5}, {8, 3}, {-1, 4}, {0, 11}, {0, -11}, {10, 0}, {10, 11}, {0, -10}, {-2147483647 - 1, 5},
                 {0, -2147483647 - 1}};
    for (const auto& p : parts) {
        SCOPED_TRACE(testing::Message() << "part " << p.first << ", " << p.end);
        StdoutCapture out;
        warp.startAnimationPart(anim, 1, p.first, p.end, true);
        EXPECT_EQ(0u, out.text().find("[KyWarp::startAnimationPart] "));
        EXPECT_EQ(3, a.passes);
        EXPECT_EQ(0u, a.firstFrame);
        EXPECT_EQ(10u, a.endFrame);
        EXPECT_FALSE(a.frames[0].pickMesh.isEnabled());
    }
    for (s32 frame : {10, -11, 2147483647, -2147483647 - 1}) {
        SCOPED_TRACE(testing::Message() << "frame " << frame);
        StdoutCapture out;
        warp.setAnimationFrame(anim, frame, true);
        EXPECT_EQ(0u, out.text().find("[KyWarp::setAnimationFrame] "));
        EXPECT_EQ(3, a.passes);
        EXPECT_EQ(10u, a.endFrame);
    }
    const struct {
        s32 first;
        s32 end;
        u32 from;
        u32 to;
    } accepted[] = {{0, 10, 0, 10}, {9, 10, 9, 10}, {0, -9, 0, 1}, {4, -5, 4, 5}};
    for (const auto& p : accepted) {
        StdoutCapture out;
        warp.startAnimationPart(anim, 1, p.first, p.end, true);
        EXPECT_EQ("", out.text());
        EXPECT_EQ(p.from, a.firstFrame);
        EXPECT_EQ(p.to, a.endFrame);
    }
}

TEST_F(WarpAnimationTest, AnAnimationWithoutFramesIsSkippedWithALine)
{
    const KyString none("NONE");
    const struct {
        std::function<void()> call;
        const char* log;
    } cases[] = {
        {[&] { warp.startAnimation(none, 1, true); },
         "[KyWarp::startAnimation] l'animation NONE n'a aucune image : ignoree.\n"},
        {[&] { warp.startAnimationPart(none, 1, 0, 1, true); },
         "[KyWarp::startAnimationPart] l'animation NONE n'a aucune image : ignoree.\n"},
        {[&] { warp.setAnimationFrame(none, -1, true); },
         "[KyWarp::setAnimationFrame] l'animation NONE n'a aucune image : ignoree.\n"},
        {[&] { warp.removeObject(none); }, ""},
    };
    for (const auto& c : cases) {
        StdoutCapture out;
        c.call();
        EXPECT_EQ(c.log, out.text());
        EXPECT_TRUE(warp.playing().isEmpty());
        EXPECT_FALSE(animation(None).active);
    }
    KyOsClock::advanceFake(5000000);
    warp.update();
}

TEST_F(WarpAnimationTest, RangesMadeByHandOrRatesThatAreNotNumbersStandStill)
{
    KyWarp::AnimData& a = animation(Anim);
    warp.startAnimation(KyString("ANIM"), 1, false);
    KyOsClock::advanceFake(300000);
    const struct {
        u32 first;
        u32 end;
        f32 rate;
    } cases[] = {{4, 4, 15.0f}, {6, 2, 15.0f}, {0, 11, 15.0f}, {3, 0xFFFFFFFFu, 15.0f},
                 {2, 6, 0.0f},  {2, 6, -15.0f}, {2, 6, std::nanf("")}};
    for (const auto& c : cases) {
        a.currentFrame = 1;
        a.passes = 1;
        a.firstFrame = c.first;
        a.endFrame = c.end;
        a.rate = c.rate;
        warp.advanceAnimation(a);
        EXPECT_LT(a.currentFrame, a.frameCount);
        EXPECT_TRUE(finished.names.empty());
    }
    // A rate that is not a number stands on the first frame of its range.
    EXPECT_EQ(2u, a.currentFrame);
}

TEST_F(WarpAnimationTest, WhatFinishedListenersDoToTheAnimationStands)
{
    const KyString anim("ANIM");
    const KyWarp::AnimData& a = animation(Anim);
    u64 start = KyOsClock::microseconds();

    // Started again from inside: it plays on from frame 0.
    finished.then = [&](const KyString& name) { warp.startAnimation(name, 1, false); };
    warp.startAnimation(anim, 1, false);
    updateAt(start, 700000);
    EXPECT_EQ(1u, finished.names.size());
    EXPECT_EQ(1, a.passes);
    updateAt(start, 700000 + 66667);
    EXPECT_EQ(1u, a.currentFrame);
    EXPECT_EQ(1u, finished.names.size());

    // Removed from inside: it stays removed, on frame 0.
    finished.then = [&](const KyString& name) { warp.removeObject(name); };
    start = KyOsClock::microseconds();
    warp.startAnimation(anim, 1, false);
    updateAt(start, 700000);
    EXPECT_EQ(2u, finished.names.size());
    EXPECT_FALSE(a.active);
    EXPECT_EQ(0u, a.currentFrame);
    EXPECT_TRUE(warp.playing().isEmpty());

    // The panorama unloaded from inside: the update stops there.
    finished.then = [&](const KyString&) { warp.unload(); };
    start = KyOsClock::microseconds();
    warp.startAnimation(anim, 1, false);
    warp.startAnimation(KyString("BIRD"), 1, false);
    updateAt(start, 5000000);
    EXPECT_EQ((std::vector<std::string>{"ANIM", "ANIM", "ANIM"}), finished.names);
    EXPECT_EQ(0u, warp.animationCount());
}

TEST_F(WarpAnimationTest, TheTilesOfAFrameAreReleasedWhenTheAnimationLeavesIt)
{
    // ANIM draws over the back face, seen at yaw 180.
    warp.setRotation(WarpFixture::view(180.0f, 0.0f));
    const KyWarp::AnimData& a = animation(Anim);
    const u64 start = KyOsClock::microseconds();
    warp.startAnimation(KyString("ANIM"), -1, false);
    updateAt(start, 0);
    EXPECT_TRUE(a.frames[0].tiles[0].hasTexture());
    EXPECT_EQ(1u, a.frames[0].loadedTiles);
    updateAt(start, 66667);
    EXPECT_FALSE(a.frames[0].tiles[0].hasTexture());
    EXPECT_EQ(0u, a.frames[0].loadedTiles);
    EXPECT_TRUE(a.frames[1].tiles[0].hasTexture());

    // Freezing and removing leave frames too.
    warp.setAnimationFrame(KyString("ANIM"), 6, false);
    EXPECT_FALSE(a.frames[1].tiles[0].hasTexture());
    updateAt(start, 100000);
    EXPECT_TRUE(a.frames[6].tiles[0].hasTexture());
    warp.removeObject(KyString("ANIM"));
    EXPECT_FALSE(a.frames[6].tiles[0].hasTexture());
}
