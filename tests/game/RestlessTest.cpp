// The sample game played by a restless hand (tests/game/RestlessTour.txt):
// the pointer travels along paths at changing speeds and clicks as soon as it
// gets somewhere, while the view glides, while a scene arrives, while a voice
// speaks and while a screen opens; double clicks, a press held across a
// scene's event, keys in the middle of a scene change. Every frame is
// watched, and the game must keep its rules whatever came before (never
// pictures): a click turns nothing, a scene change stops the view and its
// arrival ends within one second and a frame, the first click after it
// reaches the new scene, nothing stays stuck, and the log has no fault.
#include "core/KyCallback1Param.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "platform/KyInputMgr.h"
#include "scene/KyWarp.h"
#include "tests/game/GameSession.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A game continued in the courtyard, its introduction and the garden's
// comic page already seen.
const char* const kSave = "<?xml version=\"1.0\" ?>\n"
                          "<GameVersion major=\"1\" minor=\"1\" />\n"
                          "<WarpName name=\"3D/Isis/Warp_0002.wp\" />\n"
                          "<Orientation x=\"0.000000\" y=\"0.000000\" />\n"
                          "<Boolean name=\"courtyardTalked\" value=\"1\" />\n"
                          "<Boolean name=\"gardenStoryTold\" value=\"1\" />\n"
                          "<Boolean name=\"introductionSeen\" value=\"1\" />\n";

// What the game is doing at the end of a frame.
struct Seen {
    KyVector2s32 pointer;
    bool pressed = false;
    bool running = false;
    f32 yaw = 0.0f;
    f32 pitch = 0.0f;
    f32 yawSpeed = 0.0f;
    f32 pitchSpeed = 0.0f;
    bool dragging = false;
    bool arrows = false;
    std::string scene;
    bool transition = false;
    bool arrived = false;   // the scene is up, no change, no boards moving
    bool speaking = false;
    bool boards = false;
    bool dialog = false;
};

// Watches every frame and reports each broken rule with its frame.
class Watch {
public:
    explicit Watch(GameSession& session) : m_session(session) {}

    void afterFrame()
    {
        Seen now = look();
        if (m_frame > 0) {
            trackPointer(now);
            trackScene(now);
            trackStuck(now);
        }
        m_before = now;
        ++m_frame;
    }

    // The run ends settled.
    void finish()
    {
        EXPECT_FALSE(m_before.transition) << "an arrival still under way at the end";
        EXPECT_TRUE(inMainMenu(m_session.app()) || (inScene(m_session.app()) && !m_before.dialog))
            << "the game ends the tour settled";
    }

    // Counts of what the run went through.
    u32 clicks = 0;
    u32 clicksRightAfterAMove = 0;
    u32 clicksWhileGliding = 0;
    u32 clicksWhileArriving = 0;
    u32 clicksWhileSpeaking = 0;
    u32 clicksWhileBoardsMove = 0;
    u32 doubleClicks = 0;
    u32 pressesHeldAcrossAnEvent = 0;
    u32 arrivals = 0;
    u32 firstClicksChecked = 0;
    std::vector<std::string> scenes;
    std::vector<std::string> hits;

    bool onHit(KyString name)
    {
        hits.push_back(name.c_str());
        m_hitFrames.push_back(m_frame);
        return false;
    }

private:
    struct Press {
        u64 frame = 0;
        KyVector2s32 pointer;
        Seen before;
        bool viewControl = false;
        bool moved = false;
        bool arrows = false;
        bool sceneChanged = false;
        bool dialogEnded = false;
        // Frames since the pointer last moved (1: it moved the frame before).
        u64 sinceMove = 0;
    };

    Seen look()
    {
        Application* app = m_session.app();
        GameWarp& game = app->gameWarp;
        KyInputMgr* input = KyInputMgr::instance();
        Seen s;
        s.pointer = input->mousePosition(0);
        s.pressed = input->isButtonPressed(0);
        s.running = game.gameRunning != 0;
        s.yaw = game.yaw;
        s.pitch = game.pitch;
        s.yawSpeed = game.yawSpeed;
        s.pitchSpeed = game.pitchSpeed;
        s.dragging = game.dragging != 0;
        s.arrows = game.arrowState != 0;
        s.scene = game.currentWarpName().c_str();
        s.transition = game.transitionRunning != 0;
        s.arrived = inScene(app) && !s.transition;
        s.speaking = game.dialog.isSpeaking();
        s.dialog = game.dialog.isBusy();
        s.boards = app->rotationAnim.isRunning();
        // The hits of the scenes' objects are heard before the game's own
        // listener (which takes them).
        for (KyWarp* warp : {game.currentWarp, game.animationWarp}) {
            if (!warp)
                continue;
            KyCallback1Param<KyString, Watch> mine(this, &Watch::onHit);
            warp->onObjectHit().removeCallback(&mine);
            warp->onObjectHit().insertByPriority(kyNewCallback(this, &Watch::onHit, 1.0f));
        }
        return s;
    }

    std::string at() const { return "frame " + std::to_string(m_frame); }

    bool hitBetween(u64 first, u64 last) const
    {
        for (u64 f : m_hitFrames) {
            if (f >= first && f <= last)
                return true;
        }
        return false;
    }

    void trackPointer(const Seen& now)
    {
        if (now.pointer != m_before.pointer)
            m_lastMove = m_frame;
        if (now.pressed && !m_before.pressed) {
            m_press = Press();
            m_press.frame = m_frame;
            m_press.pointer = now.pointer;
            m_press.before = m_before;
            m_press.viewControl = now.dragging;
            m_press.sinceMove = m_frame - m_lastMove;
            m_pressing = true;
        }
        if (m_pressing && now.pressed) {
            m_press.moved = m_press.moved || now.pointer != m_press.pointer;
            m_press.arrows = m_press.arrows || now.arrows;
            m_press.sceneChanged = m_press.sceneChanged || now.scene != m_before.scene;
            if (m_before.dialog && !now.dialog)
                m_press.dialogEnded = true;
        }
        if (m_pressing && !now.pressed && m_before.pressed) {
            m_pressing = false;
            m_press.sceneChanged = m_press.sceneChanged || now.scene != m_before.scene;
            if (m_press.sceneChanged || m_press.dialogEnded)
                ++pressesHeldAcrossAnEvent;
            if (!m_press.moved && now.pointer == m_press.pointer)
                checkClick(now);
        }
    }

    // A press let go where it went down.
    void checkClick(const Seen& now)
    {
        const Seen& before = m_press.before;
        ++clicks;
        if (m_press.sinceMove <= 3)
            ++clicksRightAfterAMove;
        if (before.yawSpeed != 0.0f || before.pitchSpeed != 0.0f)
            ++clicksWhileGliding;
        clicksWhileArriving += before.transition ? 1 : 0;
        clicksWhileSpeaking += before.speaking ? 1 : 0;
        clicksWhileBoardsMove += before.boards ? 1 : 0;
        // Twice at the same place within a quarter of a second.
        if (m_lastClick > 0 && m_press.frame - m_lastClick <= 15 && m_press.pointer == m_lastClickPointer)
            ++doubleClicks;
        m_lastClick = m_press.frame;
        m_lastClickPointer = m_press.pointer;

        if (before.running && !m_press.arrows && !m_press.sceneChanged && now.running) {
            if (m_press.viewControl) {
                // The view control took the press: the view stays, and no
                // glide starts when it is let go.
                EXPECT_EQ(now.yaw, before.yaw) << at() << ": a click turned the view";
                EXPECT_EQ(now.pitch, before.pitch) << at() << ": a click tilted the view";
                EXPECT_EQ(now.yawSpeed, 0.0f) << at() << ": a click left the view gliding";
                EXPECT_EQ(now.pitchSpeed, 0.0f) << at() << ": a click left the view gliding";
            } else {
                // Taken by something in front: a glide under way may go on,
                // but the click adds nothing to it.
                EXPECT_LE(std::fabs(now.yawSpeed), std::fabs(before.yawSpeed)) << at();
                EXPECT_LE(std::fabs(now.pitchSpeed), std::fabs(before.pitchSpeed)) << at();
            }
        }
        // The first click on the scene after an arrival reaches it: the view
        // control or one of its objects takes it.
        if (m_awaitingFirstClick && before.arrived && !before.dialog && !m_press.sceneChanged &&
            now.scene == m_arrivedScene) {
            m_awaitingFirstClick = false;
            ++firstClicksChecked;
            EXPECT_TRUE(m_press.viewControl || hitBetween(m_press.frame, m_frame))
                << at() << ": the first click after arriving in " << m_arrivedScene << " was not taken";
        }
    }

    void trackScene(const Seen& now)
    {
        if (!now.scene.empty() && now.scene != m_before.scene) {
            scenes.push_back(now.scene);
            // The view of the scene left has nothing to say in this one.
            EXPECT_EQ(now.yawSpeed, 0.0f) << at() << ": the glide went on into " << now.scene;
            EXPECT_EQ(now.pitchSpeed, 0.0f) << at() << ": the glide went on into " << now.scene;
            m_still = true;
            m_stillYaw = now.yaw;
            m_stillPitch = now.pitch;
            m_arriving = true;
        }
        if (m_still) {
            if (now.pressed || now.arrows) {
                m_still = false;
            } else {
                EXPECT_EQ(now.yaw, m_stillYaw) << at() << ": the view turned by itself in " << now.scene;
                EXPECT_EQ(now.pitch, m_stillPitch) << at() << ": the view tilted by itself in " << now.scene;
            }
        }
        if (now.transition && !m_before.transition)
            m_transitionFrames = 0;
        if (now.transition) {
            ++m_transitionFrames;
            if (m_transitionFrames == 62)
                ADD_FAILURE() << at() << ": the arrival in " << now.scene << " lasts more than a second and a frame";
        }
        if (m_arriving && now.arrived && !now.transition) {
            m_arriving = false;
            ++arrivals;
            m_awaitingFirstClick = true;
            m_arrivedScene = now.scene;
        }
    }

    void trackStuck(const Seen& now)
    {
        m_boardFrames = now.boards ? m_boardFrames + 1 : 0;
        if (m_boardFrames == 300)
            ADD_FAILURE() << at() << ": the boards move for five seconds";
        m_dialogFrames = now.dialog ? m_dialogFrames + 1 : 0;
        if (m_dialogFrames == 1800)
            ADD_FAILURE() << at() << ": a dialog line stays up for thirty seconds";
    }

    GameSession& m_session;
    u64 m_frame = 0;
    Seen m_before;
    u64 m_lastMove = 0;
    u64 m_lastClick = 0;
    KyVector2s32 m_lastClickPointer;
    bool m_pressing = false;
    Press m_press;
    std::vector<u64> m_hitFrames;
    bool m_still = false;
    f32 m_stillYaw = 0.0f;
    f32 m_stillPitch = 0.0f;
    bool m_arriving = false;
    bool m_awaitingFirstClick = false;
    std::string m_arrivedScene;
    u32 m_transitionFrames = 0;
    u32 m_boardFrames = 0;
    u32 m_dialogFrames = 0;
};

std::string tourText()
{
    std::ifstream in(std::string(KY_SOURCE_DIR) + "/tests/game/RestlessTour.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(Restless, TheSampleGamePlayedByARestlessHandKeepsItsRules)
{
    GameSession::Setup setup;
    setup.width = 480;
    setup.height = 360;
    setup.userFiles.push_back({"save.xml", kSave});
    GameSession session(setup);
    ASSERT_TRUE(session.ok());
    const std::string tour = tourText();
    ASSERT_FALSE(tour.empty());
    Watch watch(session);
    session.afterFrame = [&watch] { watch.afterFrame(); };
    ASSERT_TRUE(session.run(tour));
    session.afterFrame = nullptr;
    watch.finish();

    // The way the tour went: the scenes in order, each object it meant to
    // reach, and every kind of restlessness at least once.
    const std::vector<std::string> scenes = {"3D/Isis/Warp_0002.wp", "3D/Isis/Warp_0004.wp", "3D/Isis/Warp_0002.wp",
                                             "3D/Isis/Warp_0003.wp"};
    EXPECT_EQ(watch.scenes, scenes);
    EXPECT_GE(watch.arrivals, 3u);
    EXPECT_EQ(watch.firstClicksChecked, watch.arrivals);
    EXPECT_GE(watch.clicksRightAfterAMove, 10u);
    EXPECT_GE(watch.clicksWhileGliding, 2u);
    EXPECT_GE(watch.clicksWhileArriving, 2u);
    EXPECT_GE(watch.clicksWhileSpeaking, 2u);
    EXPECT_GE(watch.clicksWhileBoardsMove, 1u);
    EXPECT_GE(watch.doubleClicks, 2u);
    EXPECT_GE(watch.pressesHeldAcrossAnEvent, 1u);
    std::string hits;
    for (const std::string& hit : watch.hits)
        hits += hit + " ";
    for (const char* wanted : {"KEYS", "WARD", "LETR"})
        EXPECT_NE(hits.find(wanted), std::string::npos) << wanted << " in " << hits;

    int wandrel = 0;
    const std::vector<std::string> faults = logFaults(session.log(), false, wandrel);
    EXPECT_TRUE(faults.empty()) << joined(faults);
}
