// Playing in a panorama, run in-process on the fake clock as a player plays:
// a new game started from the main menu, the view dragged and turned by the
// arrow buttons frame by frame, scripts that play videos, wait, play sounds
// and music, and the objectives screen.
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "game/screens/Objectives.h"
#include "core/KyQuaternion.h"
#include "game/GameTour.h"
#include "platform/KyInputMgrWrapper.h"
#include "scene/KyWarp.h"
#include "scene/KyWarpMarker.h"
#include "ui/KySpriteButton.h"
#include "tests/game/GameSession.h"
#include "tests/support/TempDir.h"
#include "tools/content/TheoraWriter.h"
#include "media/KySoundManager.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyTextLayout.h"
#include "ui/KyVideoLayout.h"

#include <lua.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <string>
#include <vector>

namespace {

// From the main menu to the first scene: "New game", the boards close, the
// game enters and loads, the scene's arrival ends.
bool startNewGame(GameSession& session)
{
    session.run("wait 20\nclick 240 140");
    Application* app = session.app();
    if (!framesUntil(session, [app] { return inScene(app); }, 600))
        return false;
    // The sample game opens on its introduction, which holds the scene for
    // 48 s: the tests here want the scene itself.
    GameWarp& game = app->gameWarp;
    if (game.introduction.isRunning()) {
        game.introduction.stop();
        game.currentWarp->setActive(true, false);
        session.frames(1);
    }
    return true;
}

} // namespace

TEST(Play, ANewGameStartsInTheFirstScene)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    GameWarp& game = session.app()->gameWarp;
    EXPECT_EQ(game.currentWarpName(), KyString("3D/Isis/Warp_0002.wp"));
    EXPECT_FLOAT_EQ(game.yaw, 0.0f);
    EXPECT_NE(game.objectives, nullptr);
}

namespace {

// The view at the end of one frame, with the pointer as the view control
// sees it (interface units, y up).
struct ViewFrame {
    f32 yaw;
    f32 pitch;
    f32 yawSpeed;
    f32 pitchSpeed;
    bool dragging;
    s32 arrows;
    KyVector2s32 pointer;
};

std::vector<ViewFrame> followView(GameSession& session, const std::string& script)
{
    std::vector<ViewFrame> frames;
    GameWarp& game = session.app()->gameWarp;
    session.afterFrame = [&] {
        frames.push_back({game.yaw, game.pitch, game.yawSpeed, game.pitchSpeed, game.dragging != 0, game.arrowState,
                          KyInputMgrWrapper::instance()->mousePosition(0)});
    };
    session.run(script);
    session.afterFrame = nullptr;
    return frames;
}

const f32 kFrameSeconds = f32(GameTour::FrameMicroseconds) / 1.0e6f;

// Frame by frame: while a drag goes on, the view turns by half a degree a
// unit the pointer moved in that frame (the other way with inverse look);
// otherwise by the speeds of that frame. Returns the frames that dragged.
u32 checkEveryFrame(const std::vector<ViewFrame>& frames, bool inverse)
{
    u32 dragged = 0;
    for (u32 i = 1; i < frames.size(); ++i) {
        const ViewFrame& before = frames[i - 1];
        const ViewFrame& now = frames[i];
        f32 dYaw = 0.0f;
        f32 dPitch = 0.0f;
        if (now.dragging && before.dragging) {
            const f32 sign = inverse ? -1.0f : 1.0f;
            dYaw = -sign * 0.5f * f32(now.pointer.x - before.pointer.x);
            dPitch = sign * 0.5f * f32(now.pointer.y - before.pointer.y);
            ++dragged;
        } else if (!now.dragging && !before.dragging) {
            dYaw = -now.yawSpeed * kFrameSeconds;
            dPitch = now.pitchSpeed * kFrameSeconds;
        } else {
            // The frame a drag starts or ends turns nothing.
        }
        EXPECT_NEAR(now.yaw, before.yaw + dYaw, 1e-3f) << "frame " << i;
        EXPECT_NEAR(now.pitch, std::min(45.0f, std::max(-55.0f, before.pitch + dPitch)), 1e-3f) << "frame " << i;
    }
    return dragged;
}

} // namespace

TEST(Play, DraggingTurnsTheViewHalfADegreeAUnitThenItGlidesToAStop)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    // The pointer in the script is in interface units with y down, so
    // moving up raises the pitch.
    const std::vector<ViewFrame> frames = followView(session, "move 240 160\nwait 2\npress\nwait 2\n"
                                                              "move 250 160\nwait 2\n"
                                                              "move 260 150\nwait 2\n"
                                                              "move 270 150\nwait 2\n"
                                                              "move 290 130\n"
                                                              "release\n"
                                                              "wait 40\n");
    EXPECT_GE(checkEveryFrame(frames, false), 6u);
    // The drag itself: 50 units right and 30 up.
    u32 release = 0;
    for (u32 i = 1; i < frames.size(); ++i) {
        if (frames[i - 1].dragging && !frames[i].dragging) {
            release = i;
            break;
        }
    }
    ASSERT_GT(release, 0u);
    EXPECT_FLOAT_EQ(frames[release].yaw, -25.0f);
    EXPECT_FLOAT_EQ(frames[release].pitch, 15.0f);
    // Let go while moving: the speeds start from half the pointer's and
    // fall along their curve to 0 over 400 ms (24 frames), the view going
    // on the way it was dragged each frame a little less.
    EXPECT_GT(frames[release].yawSpeed, 1.0f);
    EXPECT_GT(frames[release].pitchSpeed, 1.0f);
    for (u32 i = release + 1; i < release + 24 && i < frames.size(); ++i) {
        EXPECT_LE(std::fabs(frames[i].yawSpeed), std::fabs(frames[i - 1].yawSpeed)) << "frame " << i;
        EXPECT_LT(frames[i].yaw, frames[i - 1].yaw) << "frame " << i;
    }
    for (u32 i = release + 25; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].yawSpeed, 0.0f) << "frame " << i;
        EXPECT_EQ(frames[i].yaw, frames.back().yaw) << "frame " << i;
    }
    EXPECT_LT(frames.back().yaw, -26.0f);
    EXPECT_GT(frames.back().pitch, 16.0f);

    // The panorama's rotation is the view's: pitch, then yaw.
    GameWarp& game = session.app()->gameWarp;
    const f32 a = game.yaw * f32(M_PI) / 180.0f;
    const f32 b = game.pitch * f32(M_PI) / 180.0f;
    KyQuaternion view =
        KyQuaternion(std::sin(b / 2), 0, 0, std::cos(b / 2)) * KyQuaternion(0, std::sin(a / 2), 0, std::cos(a / 2));
    view.normalize();
    const KyQuaternion shown = game.currentWarp->rotation();
    EXPECT_NEAR(shown.x, view.x, 1e-6f);
    EXPECT_NEAR(shown.y, view.y, 1e-6f);
    EXPECT_NEAR(shown.z, view.z, 1e-6f);
    EXPECT_NEAR(shown.w, view.w, 1e-6f);
}

TEST(Play, WithInverseLookTheSameDragTurnsTheOtherWay)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    session.app()->inverseLook = 1;
    const std::vector<ViewFrame> frames = followView(
        session, "move 240 160\nwait 2\npress\nwait 2\nmove 250 160\nwait 2\nmove 260 150\nmove 270 140\nrelease\nwait 30\n");
    EXPECT_GE(checkEveryFrame(frames, true), 2u);
    EXPECT_GT(frames.back().yaw, 15.5f) << "the inertia follows the inverted drag";
    EXPECT_LT(frames.back().pitch, -5.0f);
}

namespace {

// Runs a chunk in the game's script state, as a scene script runs.
bool runScript(GameSession& session, const std::string& chunk)
{
    lua_State* L = session.app()->gameWarp.luaContext.state();
    if (!L)
        return false;
    const int top = lua_gettop(L);
    const bool ok = luaL_dostring(L, chunk.c_str()) == 0;
    if (!ok)
        ADD_FAILURE() << lua_tostring(L, -1);
    lua_settop(L, top);
    return ok;
}

std::string scriptString(GameSession& session, const char* global)
{
    lua_State* L = session.app()->gameWarp.luaContext.state();
    lua_getglobal(L, global);
    const std::string value = lua_isstring(L, -1) ? lua_tostring(L, -1) : "(none)";
    lua_pop(L, 1);
    return value;
}

} // namespace

TEST(Play, AClickRightAfterAMoveTurnsNothingAndADragGlidesOnlyWhenLetGoMoving)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    GameWarp& game = session.app()->gameWarp;
    // A hand that moves and clicks: a fast move (200 units in a frame) or a
    // slow one (2 units), then 0 to 3 frames of rest before the press and 0
    // or 2 frames before the release.
    struct Move {
        const char* from;
        const char* to;
    };
    for (const Move& move : {Move{"move 240 200", "move 440 200"}, Move{"move 438 200", "move 440 200"}}) {
        for (int rest = 0; rest <= 3; ++rest) {
            for (int hold : {0, 2}) {
                SCOPED_TRACE(testing::Message() << move.to << ", rest " << rest << ", hold " << hold);
                session.run(std::string(move.from) + "\nwait 40\n");
                const f32 yaw = game.yaw;
                const f32 pitch = game.pitch;
                session.run(std::string(move.to) + "\nwait " + std::to_string(rest) + "\npress\nwait " +
                            std::to_string(hold) + "\nrelease\nwait 40\n");
                EXPECT_EQ(game.yaw, yaw);
                EXPECT_EQ(game.pitch, pitch);
            }
        }
    }

    // A drag let go while the pointer moves glides on; one let go after the
    // pointer stood still three frames or more stops where it is.
    struct Drag {
        const char* end;
        bool glides;
    };
    const Drag drags[] = {{"release\n", true}, {"wait 1\nrelease\n", true}, {"wait 2\nrelease\n", false},
                          {"wait 10\nrelease\n", false}};
    for (const Drag& d : drags) {
        SCOPED_TRACE(d.end);
        const std::vector<ViewFrame> frames =
            followView(session, std::string("move 200 100\nwait 40\npress\nmove 210 100\nmove 220 100\n"
                                            "move 230 100\nmove 240 100\n") + d.end + "wait 40\n");
        u32 release = 0;
        for (u32 i = 1; i < frames.size() && release == 0; ++i)
            release = frames[i - 1].dragging && !frames[i].dragging ? i : 0;
        ASSERT_GT(release, 0u);
        if (d.glides)
            EXPECT_LT(frames.back().yaw, frames[release].yaw - 1.0f);
        else
            EXPECT_EQ(frames.back().yaw, frames[release].yaw);
    }
}

TEST(Play, AnExitClickedWhileTheViewGlidesArrivesWithinItsSecondAtTheScenesView)
{
    GameSession::Setup setup;
    setup.width = 480;
    setup.height = 360;
    GameSession session(setup);
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    GameWarp& game = session.app()->gameWarp;
    // The garden's comic page, which would take the first click, was told.
    ASSERT_TRUE(runScript(session, "SetCondition('gardenStoryTold')"));
    // To view -90 and let go while moving, then the archway to the garden,
    // pressed 0 to 2 frames after the pointer got there, while the view
    // still glides.
    // The last moves are short, so that the glide is slow and the archway
    // stays under the pointer.
    std::string turn = "move 150 160\nwait 10\npress\n";
    for (int x = 160; x <= 330; x += x < 320 ? 10 : 2)
        turn += "move " + std::to_string(x) + " 160\n";
    u32 frames = 0;
    bool changed = false;
    f32 glide = 0.0f;
    session.afterFrame = [&] {
        changed = changed || game.currentWarpName() == KyString("3D/Isis/Warp_0004.wp");
        if (!changed && !game.dragging)
            glide = game.yawSpeed;
        frames += changed && game.transitionRunning ? 1 : 0;
    };
    session.run(turn + "release\nmove 240 186\npress\nrelease\n");
    framesUntil(session, [&] { return changed && !game.transitionRunning; }, 200);
    session.afterFrame = nullptr;
    EXPECT_GT(glide, 10.0f) << "the view glided up to the press";
    ASSERT_TRUE(changed);
    EXPECT_LE(frames, 61u) << "the arrival lasts one second";
    // The garden's own view: its script looks straight ahead, and nothing of
    // the courtyard's glide turns it.
    EXPECT_EQ(game.yaw, 0.0f);
    EXPECT_EQ(game.yawSpeed, 0.0f);
    session.frames(30);
    EXPECT_EQ(game.yaw, 0.0f);
    // The first click after the arrival reaches the garden's script.
    ASSERT_TRUE(runScript(session, "function OnWarpObjectHit(name) hit = name end\n"));
    session.run("move 240 208\npress\nrelease\nwait 2\n");
    EXPECT_EQ(scriptString(session, "hit"), "WARD");
}

TEST(Play, AScriptSpriteAtDepthZeroShowsOverTheScene)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    const KyColor scene = session.pixel(10, 10);
    // The eyepiece picture is black at its corners.
    ASSERT_TRUE(runScript(session, "LoadSprite(0, '2D/Sprites/Vignette.png', 0, 0, 0)"));
    session.frames(1);
    EXPECT_TRUE(closeColour(session.pixel(10, 10), KyColor(0, 0, 0, 255)));
    ASSERT_TRUE(runScript(session, "UnloadSprite(0)"));
    session.frames(1);
    EXPECT_TRUE(closeColour(session.pixel(10, 10), scene));
}

TEST(Play, AnArrowButtonHeldTurnsTheViewTowardThePointerEveryFrame)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    // The left arrow at the left edge, half-way up: the pointer is left of
    // the window's centre, so the view turns left at nearly 100 degrees a
    // second; then the arrow is let go and the turn slows down to a stop.
    std::vector<ViewFrame> frames = followView(session, "move 22 160\npress\nwait 10\nrelease\nwait 40\n");
    checkEveryFrame(frames, false);
    u32 held = 0;
    for (u32 i = 1; i < frames.size(); ++i) {
        EXPECT_FALSE(frames[i].dragging) << "an arrow's press starts no drag";
        if (frames[i].arrows == 1) {
            ++held;
            EXPECT_NEAR(frames[i].yaw - frames[i - 1].yaw, 100.0f * kFrameSeconds, 0.02f) << "frame " << i;
            EXPECT_NEAR(frames[i].pitch, 0.0f, 0.05f) << "frame " << i;
        }
    }
    // The frames from the press to the release.
    EXPECT_EQ(held, 11u);
    EXPECT_EQ(frames.back().arrows, 0);
    EXPECT_EQ(frames.back().yawSpeed, 0.0f);
    EXPECT_GT(frames.back().yaw, 11.0f * 100.0f * kFrameSeconds + 5.0f) << "and glided on after";

    // The up arrow raises the view to its limit.
    frames = followView(session, "move 240 22\npress\nwait 70\nrelease\n");
    checkEveryFrame(frames, false);
    EXPECT_FLOAT_EQ(frames[frames.size() - 3].pitch, 45.0f);
    EXPECT_NEAR(frames[3].pitch - frames[2].pitch, 0.82f, 0.02f);
}

namespace {

// A short video (ten frames at 25 a second) and its sound track.
struct Clip {
    Clip()
    {
        TheoraVideoSpec spec;
        spec.frames = 10;
        writeBytesToFile(video(), writeTheoraOgv(spec));
        writeBytesToFile(sound(), writeVorbisOgg(0.5));
    }
    std::string video() const { return dir.file("clip.ogv"); }
    std::string sound() const { return dir.file("clip.ogg"); }
    TempDir dir;
};

bool isShown(GameWarp& game, const char* name)
{
    KyLayout* layout = game.inGameGui.layout(name);
    return layout && layout->visible();
}

} // namespace

TEST(Video, APlayedVideoReachesItsEndEventAndTheGameGoesOn)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    Application* app = session.app();
    GameWarp& game = app->gameWarp;
    Clip clip;
    ASSERT_TRUE(runScript(session, "function OnMovieFinished(name) finished = name; ends = (ends or 0) + 1 end\n"
                                   "PlayMovie('" + clip.video() + "', '" + clip.sound() + "')"));
    // Playing: the panoramas are neither drawn nor turned, the music is
    // silent, the sound track plays once.
    EXPECT_FALSE(game.gameRunning);
    EXPECT_TRUE(isShown(game, "video"));
    EXPECT_TRUE(isShown(game, "videoBackgroundButton"));
    EXPECT_FALSE(isShown(game, "skipVideoButton"));
    EXPECT_FALSE(app->music.IsPlaying());
    EXPECT_FALSE(game.movieSound.repeat());
    EXPECT_EQ(KyString(game.movieSound.requestedPath()), KyString(clip.sound().c_str()));
    EXPECT_FLOAT_EQ(game.movieSound.volume(), 1.0f);
    EXPECT_TRUE(game.inGameGui.videoLayout("video")->playing);

    int frames = 0;
    while (scriptString(session, "finished") == "(none)" && frames < 120) {
        session.frames(1);
        ++frames;
    }
    // Ten frames at 25 a second: 0.4 s, 24 frames of the game.
    EXPECT_GE(frames, 24);
    EXPECT_LE(frames, 30);
    EXPECT_EQ(scriptString(session, "finished"), clip.video());
    EXPECT_TRUE(game.gameRunning);
    EXPECT_FALSE(isShown(game, "video"));
    EXPECT_FALSE(isShown(game, "videoBackgroundButton"));
    EXPECT_FALSE(game.movieSound.IsPlaying());
    EXPECT_TRUE(app->music.IsPlaying()) << "the music option is on";
    session.frames(30);
    EXPECT_EQ(scriptString(session, "ends"), "1");
    EXPECT_EQ(session.log().find("Lua: "), std::string::npos);
}

TEST(Video, ClicksOnTheVideoShowAndHideTheSkipButtonWhichEndsIt)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    session.app()->musicOn = 0;
    session.app()->music.Stop();
    GameWarp& game = session.app()->gameWarp;
    TheoraVideoSpec spec;
    spec.frames = 250;
    TempDir dir;
    writeBytesToFile(dir.file("long.ogv"), writeTheoraOgv(spec));
    ASSERT_TRUE(runScript(session, "function OnMovieFinished(name) finished = name end\n"
                                   "PlayMovie('" + dir.file("long.ogv") + "', 'Videos/none.ogg')"));
    const bool shownAfterClick[] = {true, false, true};
    for (bool shown : shownAfterClick) {
        session.run("click 240 160\nwait 2");
        EXPECT_EQ(isShown(game, "skipVideoButton"), shown);
    }
    EXPECT_EQ(scriptString(session, "finished"), "(none)");
    EXPECT_FALSE(game.gameRunning);
    session.run("click 452 294\nwait 2");
    EXPECT_EQ(scriptString(session, "finished"), dir.file("long.ogv"));
    EXPECT_TRUE(game.gameRunning);
    EXPECT_FALSE(isShown(game, "skipVideoButton"));
    EXPECT_FALSE(session.app()->music.IsPlaying()) << "the music option is off";
}

TEST(Video, LeavingTheGameDuringAVideoSilencesItsSoundTrack)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    GameWarp& game = session.app()->gameWarp;
    TheoraVideoSpec spec;
    spec.frames = 250;
    TempDir dir;
    writeBytesToFile(dir.file("long.ogv"), writeTheoraOgv(spec));
    writeBytesToFile(dir.file("long.ogg"), writeVorbisOgg(10.0));
    ASSERT_TRUE(runScript(session, "PlayMovie('" + dir.file("long.ogv") + "', '" + dir.file("long.ogg") + "')"));
    session.frames(2);
    ASSERT_TRUE(game.movieSound.IsPlaying());
    game.unload();
    session.frames(2);
    EXPECT_FALSE(game.movieSound.IsPlaying());
}

TEST(Scripts, WaitsRingOnceAtTheirTimeAndAZeroOrNegativeWaitAtTheNextFrame)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    ASSERT_TRUE(runScript(session, "function OnWaitFinished() rings = (rings or 0) + 1 end"));
    // The wait, then the frames until its ring (the first frame counts).
    struct Case {
        const char* wait;
        int frames;
    };
    const Case cases[] = {{"Wait(0)", 1}, {"Wait(-250)", 1}, {"Wait(100)", 6}, {"Wait(1000)", 60}};
    for (const Case& c : cases) {
        ASSERT_TRUE(runScript(session, std::string("rings = 0 ") + c.wait));
        int frames = 0;
        while (scriptString(session, "rings") == "0" && frames < 200) {
            session.frames(1);
            ++frames;
        }
        EXPECT_EQ(frames, c.frames) << c.wait;
        session.frames(5);
        EXPECT_EQ(scriptString(session, "rings"), "1") << c.wait;
    }
    // A new wait before the ring replaces the old one.
    ASSERT_TRUE(runScript(session, "rings = 0 Wait(1000) Wait(50)"));
    session.frames(70);
    EXPECT_EQ(scriptString(session, "rings"), "1");
}

TEST(Scripts, SoundsPlayByModeAndTheMusicChangesOnlyForANewFile)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    Application* app = session.app();
    GameWarp& game = app->gameWarp;
    KySoundManager* sounds = KySingleton<KySoundManager>::instance();
    TempDir dir;
    writeBytesToFile(dir.file("a.ogg"), writeVorbisOgg(2.0));
    writeBytesToFile(dir.file("b.ogg"), writeVorbisOgg(2.0));
    const std::string a = dir.file("a.ogg");
    const std::string b = dir.file("b.ogg");

    // Modes other than 1 and -1 play nothing.
    const u32 effects = sounds->effects.count();
    ASSERT_TRUE(runScript(session, "PlaySound('Sounds/SFX/ChoixMenu.wav', 0) PlaySound('Sounds/SFX/ChoixMenu.wav', 2)"));
    EXPECT_EQ(sounds->effects.count(), effects);
    EXPECT_FALSE(game.ambientPlaying);
    ASSERT_TRUE(runScript(session, "PlaySound('Sounds/SFX/ChoixMenu.wav', 1)"));
    EXPECT_EQ(sounds->effects.count(), effects + 1);

    // The ambient sound loops; stopped, it reports no end: nothing waits
    // on a looping sound.
    SignalCounter ambientEnds;
    game.ambientSound.onFinished.pushBack(kyNewCallback(&ambientEnds, &SignalCounter::onSignal));
    ASSERT_TRUE(runScript(session, "PlaySound('" + a + "', -1)"));
    EXPECT_TRUE(game.ambientPlaying);
    EXPECT_TRUE(game.ambientSound.IsPlaying());
    EXPECT_TRUE(game.ambientSound.repeat());
    game.ambientSound.Stop();
    session.frames(3);
    EXPECT_EQ(ambientEnds.count, 0);

    // The music, with the option off then on; the same file twice changes
    // nothing, playing or not.
    struct Step {
        u8 musicOn;
        std::string file;
        bool playing;
    };
    app->musicOn = 0;
    app->music.Stop();
    const Step steps[] = {{0, a, false}, {0, a, false}, {1, a, false}, {1, b, true}, {1, b, true}, {0, b, true}, {0, a, false}};
    for (const Step& step : steps) {
        app->musicOn = step.musicOn;
        game.musicRequested = 0;
        ASSERT_TRUE(runScript(session, "PlayMusic('" + step.file + "')"));
        EXPECT_TRUE(game.musicRequested);
        EXPECT_EQ(KyString(app->music.requestedPath()), KyString(step.file.c_str()));
        EXPECT_EQ(app->music.IsPlaying(), step.playing) << step.file << " music " << int(step.musicOn);
    }
    EXPECT_FLOAT_EQ(app->music.volume(), 1.0f);
    EXPECT_EQ(session.log().find("Lua: "), std::string::npos);
}

TEST(Scripts, HealthAndObjectivesFromTheScripts)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    GameWarp& game = session.app()->gameWarp;
    ASSERT_TRUE(runScript(session, "ShowMayaHealth() ReduceMayaHealth(30) ReduceTuyaHealth(150)\n"
                                   "maya = tostring(IsMayaAlive()) tuya = tostring(IsTuyaAlive())"));
    EXPECT_EQ(game.mayaHealth, 70);
    EXPECT_EQ(game.tuyaHealth, -50);
    EXPECT_EQ(scriptString(session, "maya"), "true");
    EXPECT_EQ(scriptString(session, "tuya"), "false");
    EXPECT_TRUE(isShown(game, "mayaHealthFull"));
    EXPECT_FALSE(isShown(game, "tuyaHealthFull"));
    ASSERT_TRUE(runScript(session, "InitHealths() HideMayaHealth() tuya = tostring(IsTuyaAlive())"));
    EXPECT_EQ(scriptString(session, "tuya"), "true");
    EXPECT_FALSE(isShown(game, "mayaHealthFull"));

    // The field of view reaches the panorama's camera; a non-number from a
    // script does not.
    ASSERT_TRUE(runScript(session, "SetFOV(75)"));
    EXPECT_FLOAT_EQ(game.currentWarp->camera().fov(), 75.0f);
    ASSERT_TRUE(runScript(session, "SetFOV(0/0) SetFOV(1/0) LookAt(30, 350)"));
    EXPECT_FLOAT_EQ(game.currentWarp->camera().fov(), 75.0f);
    EXPECT_FLOAT_EQ(game.yaw, -30.0f);
    EXPECT_FLOAT_EQ(game.pitch, 10.0f);

    // The sample game's list: 0 (1, 2), 3 (4, 5, 6), 7 (8, 9, 10), 11.
    ASSERT_NE(game.objectives, nullptr);
    EXPECT_EQ(game.objectives->objectiveCount, 4);
    ASSERT_TRUE(runScript(session, "AddObjective(2) AddObjective(9) RemoveObjective(9)"));
    EXPECT_EQ(std::vector<int>(game.objectives->active.begin(), game.objectives->active.end()),
              (std::vector<int>{0, 2}));
}

TEST(ObjectivesScreen, TheButtonShowsTheActiveObjectivesAndAClickClosesThem)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    GameWarp& game = session.app()->gameWarp;
    Objectives* objectives = game.objectives;
    ASSERT_NE(objectives, nullptr);
    KyTextLayout* text = game.inGameGui.textLayout("objectivesText");
    ASSERT_NE(text, nullptr);

    session.run("click 372 294\nwait 5");
    EXPECT_TRUE(objectives->isShown());
    EXPECT_NE(objectives->text().find("No objective for now."), -1);
    session.run("click 100 100\nwait 5");
    EXPECT_FALSE(objectives->isShown());

    ASSERT_TRUE(runScript(session, "AddObjective(2) AddObjective(11)"));
    session.run("click 372 294\nwait 5");
    ASSERT_TRUE(objectives->isShown());
    // The sheet is drawn in front of the view and its buttons.
    EXPECT_TRUE(closeColour(session.pixel(240, 250), KyColor(234, 214, 168, 255), 30));
    const std::string shown = objectives->text().c_str();
    EXPECT_NE(shown.find("Get into the palace of Isis"), std::string::npos);
    EXPECT_NE(shown.find("Open the courtyard gate"), std::string::npos);
    EXPECT_EQ(shown.find("Find the key of the gate"), std::string::npos) << "not active";
    EXPECT_NE(shown.find("Leave Isis"), std::string::npos);
    EXPECT_EQ(shown.find("Read the sky"), std::string::npos);
    // A change while the sheet is up shows at once.
    ASSERT_TRUE(runScript(session, "RemoveObjective(2)"));
    EXPECT_EQ(std::string(objectives->text().c_str()).find("Get into the palace"), std::string::npos);
    // While the sheet is up, a drag on it does not turn the view.
    const f32 yaw = game.yaw;
    session.run("move 200 160\npress\nmove 260 160\nmove 300 160\nrelease\nwait 5");
    EXPECT_FLOAT_EQ(game.yaw, yaw);
    EXPECT_FALSE(objectives->isShown()) << "the click on the background closed it";
    EXPECT_EQ(session.log().find("Lua: "), std::string::npos);
}

TEST(ObjectivesScreen, ASecondGameHasItsOwnListAndOneListenerOnTheButton)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    GameWarp& game = session.app()->gameWarp;
    ASSERT_TRUE(runScript(session, "AddObjective(4)"));
    EXPECT_EQ(game.objectives->active.count(), 2u);
    ASSERT_TRUE(runScript(session, "FinishGame()"));
    for (int frame = 0; frame < 600 && game.objectives; ++frame)
        session.frames(1);
    EXPECT_EQ(game.objectives, nullptr) << "the list went with the game";
    // Leaving saved the game: a new one would ask first.
    std::remove((session.userDataFolder() + "/save.xml").c_str());

    ASSERT_TRUE(startNewGame(session));
    ASSERT_NE(game.objectives, nullptr);
    EXPECT_EQ(game.objectives->active.count(), 0u);
    KyButtonLayout* button = game.inGameGui.buttonLayout("objectivesButton");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->onValidated.count(), 1u);
    KyButtonLayout* background = game.inGameGui.buttonLayout("objectivesBackgroundButton");
    EXPECT_EQ(background->onValidated.count(), 1u);
    for (const char* name : {"leftButton", "rightButton", "upButton", "downButton"}) {
        KyButtonLayout* arrow = game.inGameGui.buttonLayout(name);
        ASSERT_NE(arrow, nullptr);
        EXPECT_EQ(arrow->onStateDown.count(), 1u) << name;
        EXPECT_EQ(arrow->onStateUp.count(), 1u) << name;
    }
    for (const char* name : {"skipVideoButton", "videoBackgroundButton"})
        EXPECT_EQ(game.inGameGui.buttonLayout(name)->onValidated.count(), 1u) << name;
}

TEST(Play, APressOnAMarkerMovedTwentyUnitsIsADragAndNoLongerClicksIt)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    ASSERT_TRUE(startNewGame(session));
    GameWarp& game = session.app()->gameWarp;
    // The gate's marker, straight ahead.
    ASSERT_TRUE(runScript(session, "function OnWarpObjectHit(name) hits = (hits or 0) + 1 end\n"
                                   "SetMarker('Isis/Warp_0003.wp', 0)"));
    session.frames(2);
    KyWarp::Exit* exit = game.currentWarp->findExit("Isis/Warp_0003.wp", false);
    ASSERT_NE(exit, nullptr);
    KyWarpMarker* marker = game.currentWarp->marker(exit->marker);
    ASSERT_TRUE(marker && marker->sprite());
    KySpriteButton& button = marker->sprite()->button;
    // Its centre in the script's units (y down).
    const KyVector3f32 place = button.position();
    const KyVector3f32 size = button.size();
    const f32 x = place.x + size.x * 0.5f;
    const f32 y = 320.0f - (place.y + size.y * 0.5f);
    ASSERT_GT(x, 100.0f);
    ASSERT_LT(x, 380.0f);

    // Pressed on the marker, moved away by so many units and back, then
    // let go on it: a click below 20 units, a drag from 20 on.
    struct Case {
        f32 away;
        int hits;
    };
    const Case cases[] = {{0, 1}, {12, 1}, {19, 1}, {20, 0}, {35, 0}};
    int expected = 0;
    for (const Case& c : cases) {
        char script[256];
        std::snprintf(script, sizeof script, "move %g %g\nwait 2\npress\nwait 2\nmove %g %g\nwait 2\nmove %g %g\nwait 2\n"
                                             "release\nwait 2\n",
                      x, y, x, y + c.away, x, y);
        session.run(script);
        expected += c.hits;
        EXPECT_EQ(scriptString(session, "hits"), expected ? std::to_string(expected) : "(none)") << c.away;
        EXPECT_FALSE(game.dragging);
    }
    EXPECT_FLOAT_EQ(game.yaw, 0.0f) << "a press taken by a marker turns nothing";
}
