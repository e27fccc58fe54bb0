// The rules of play held by the game-logic object, checked as tables: the
// view's angle and speed limits, "LookAt", the slowing-down after a drag or an
// arrow button, the arrow buttons' hold counter, the wait timer, and the
// objectives' ids and switches. The application is only constructed (no
// window), so these run in a few milliseconds; the wait timer is tried in an
// entered game.
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "game/screens/Objectives.h"
#include "os/KyOsClock.h"
#include "tests/game/GameSession.h"
#include "ui/KyAnimation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace {

const f32 kNaN = std::numeric_limits<f32>::quiet_NaN();
const f32 kInfinity = std::numeric_limits<f32>::infinity();

GameSession::Setup constructedOnly()
{
    GameSession::Setup setup;
    setup.create = false;
    return setup;
}

struct SetterCase {
    f32 before;
    f32 value;
    f32 stored;
};

void checkSetter(GameWarp& game, void (GameWarp::*set)(f32), f32 GameWarp::*field, const SetterCase& c)
{
    game.*field = c.before;
    (game.*set)(c.value);
    EXPECT_FLOAT_EQ(game.*field, c.stored) << "set " << c.value << " over " << c.before;
}

} // namespace

TEST(Camera, AngleAndSpeedSettersKeepTheirLimitsAndRefuseNonNumbers)
{
    GameSession session(constructedOnly());
    GameWarp& game = session.app()->gameWarp;

    const SetterCase yaw[] = {
        {0, 725, 5},       {0, -725, -5},   {0, 360, 0},     {0, -360, 0},    {0, 359.5f, 359.5f},
        {0, -0.25f, -0.25f}, {0, 1080, 0},  {0, 45, 45},     {12, kNaN, 12},  {12, kInfinity, 12},
        {12, -kInfinity, 12},
    };
    for (const SetterCase& c : yaw)
        checkSetter(game, &GameWarp::setYaw, &GameWarp::yaw, c);
    // Far beyond a turn the value still lands inside the open range.
    game.setYaw(3.0e30f);
    EXPECT_GT(game.yaw, -360.0f);
    EXPECT_LT(game.yaw, 360.0f);

    const SetterCase pitch[] = {
        {0, 50, 45}, {0, -60, -55}, {0, 45, 45}, {0, -55, -55}, {0, 10, 10}, {7, kNaN, 7}, {7, kInfinity, 7},
    };
    for (const SetterCase& c : pitch)
        checkSetter(game, &GameWarp::setPitch, &GameWarp::pitch, c);

    const SetterCase speed[] = {
        {0, 20000, 10000}, {0, -20000, -10000}, {0, 9999.5f, 9999.5f}, {0, -3, -3}, {4, kNaN, 4}, {4, -kInfinity, 4},
    };
    for (const SetterCase& c : speed) {
        checkSetter(game, &GameWarp::setYawSpeed, &GameWarp::yawSpeed, c);
        checkSetter(game, &GameWarp::setPitchSpeed, &GameWarp::pitchSpeed, c);
    }
}

TEST(Camera, LookAtTurnsToTheOppositeAnglesWithinThePitchLimits)
{
    GameSession session(constructedOnly());
    GameWarp& game = session.app()->gameWarp;
    struct Case {
        s32 x, y;
        f32 yaw, pitch;
    };
    const Case cases[] = {
        {30, 10, -30, -10},
        {0, 350, 0, 10},
        {0, 300, 0, 45},
        {0, 80, 0, -55},
        {0, 90, 0, 45},
        {-400, -20, 40, 20},
        {725, 0, -5, 0},
        // -x of the smallest s32 is 2^31: 128 past the last whole turn.
        {INT32_MIN, 0, 128, 0},
        {0, INT32_MAX, 0, -55},
        {0, INT32_MIN, 0, 45},
    };
    for (const Case& c : cases) {
        game.lookAt(c.x, c.y);
        EXPECT_FLOAT_EQ(game.yaw, c.yaw) << c.x << ", " << c.y;
        EXPECT_FLOAT_EQ(game.pitch, c.pitch) << c.x << ", " << c.y;
    }
    // No panorama is loaded: the field of view has nowhere to go, and a
    // non-number is refused before any panorama would see it.
    game.setFov(75.0f);
    game.setFov(kNaN);
}

TEST(Camera, SpeedsSlowDownAlongTheirCurveOverFourHundredMilliseconds)
{
    GameSession session(constructedOnly());
    GameWarp& game = session.app()->gameWarp;
    game.yawSpeed = 100.0f;
    game.pitchSpeed = -40.0f;
    game.startSpeedDecay();

    const f64 shares[] = {1.0, 0.65, 0.32, 0.15, 0.07, 0.03, 0.0};
    ASSERT_EQ(game.yawSpeedAnimation.curve.count(), 7u);
    ASSERT_EQ(game.pitchSpeedAnimation.curve.count(), 7u);
    for (u32 i = 0; i < 7; ++i) {
        EXPECT_DOUBLE_EQ(game.yawSpeedAnimation.curve.values[i], 100.0 * shares[i]);
        EXPECT_DOUBLE_EQ(game.pitchSpeedAnimation.curve.values[i], -40.0 * shares[i]);
    }
    EXPECT_FLOAT_EQ(game.yawSpeedAnimation.duration, 400.0f);
    EXPECT_TRUE(game.yawSpeedAnimation.isRunning());
    EXPECT_TRUE(game.pitchSpeedAnimation.isRunning());

    // Along the curve on the fake clock: the speeds fall through the shares
    // (values between them taken linearly) and stop at 0 at 400 ms.
    struct Step {
        u64 advanceMs;
        f32 yaw;
        bool running;
    };
    const Step steps[] = {{0, 100.0f, true}, {100, 48.5f, true}, {100, 15.0f, true}, {150, 2.25f, true},
                          {50, 0.0f, false}};
    for (const Step& step : steps) {
        KyOsClock::advanceFake(step.advanceMs * 1000);
        KyAnimation::updateAll();
        EXPECT_NEAR(game.yawSpeed, step.yaw, 0.01f);
        EXPECT_NEAR(game.pitchSpeed, step.yaw * -0.4f, 0.01f);
        EXPECT_EQ(game.yawSpeedAnimation.isRunning(), step.running);
    }

    // A speed beyond its limit starts its curve from the limit.
    game.setYawSpeed(1.0e6f);
    game.startSpeedDecay();
    EXPECT_DOUBLE_EQ(game.yawSpeedAnimation.curve.values[0], 10000.0);
    game.yawSpeedAnimation.stop();
    game.pitchSpeedAnimation.stop();
}

TEST(Camera, ArrowButtonsCountTheButtonsHeldAndSlowDownWhenTheLastIsLetGo)
{
    GameSession session(constructedOnly());
    GameWarp& game = session.app()->gameWarp;
    // Each step: a press (+1) or a release (-1); the counter after it and
    // whether the slowing-down runs from then on.
    struct Step {
        int change;
        s32 held;
        bool slowing;
    };
    const Step steps[] = {
        {+1, 1, false}, {+1, 2, false}, {-1, 1, false}, {-1, 0, true},
        // A release without a press stays at 0 and slows down again.
        {-1, 0, true},
        {+1, 1, true},
    };
    for (const Step& step : steps) {
        game.yawSpeedAnimation.stop();
        game.pitchSpeedAnimation.stop();
        game.yawSpeed = 30.0f;
        if (step.change > 0)
            EXPECT_FALSE(game.onArrowButtonDown());
        else
            EXPECT_FALSE(game.onArrowButtonUp());
        EXPECT_EQ(game.arrowState, step.held);
        EXPECT_EQ(game.yawSpeedAnimation.isRunning(), step.slowing && step.change < 0);
        EXPECT_EQ(game.pitchSpeedAnimation.isRunning(), step.slowing && step.change < 0);
    }
    game.yawSpeedAnimation.stop();
    game.pitchSpeedAnimation.stop();
}

TEST(Camera, WithoutAGameRunningTheViewStandsStill)
{
    GameSession session(constructedOnly());
    GameWarp& game = session.app()->gameWarp;
    game.yaw = 10.0f;
    game.yawSpeed = 500.0f;
    game.arrowState = 1;
    for (int frame = 0; frame < 5; ++frame) {
        KyOsClock::advanceFake(16667);
        game.updateView();
    }
    EXPECT_FLOAT_EQ(game.yaw, 10.0f);
    EXPECT_TRUE(game.dragTimer.isPaused());
}

TEST(Wait, TheAlarmIsSetInSixtyFourBitsNeverInThePastNeverZeroAndOnlyInAGame)
{
    // Waits belong to a game: one is entered (the main menu's way, without
    // a scene).
    GameSession session;
    ASSERT_TRUE(session.ok());
    GameWarp& game = session.app()->gameWarp;
    session.app()->mainMenu.leave();
    game.enter();
    struct Case {
        s32 milliseconds;
        u64 delay;
    };
    const Case cases[] = {
        {0, 0}, {-5, 0}, {INT32_MIN, 0}, {1, 1000}, {1500, 1500000},
        // 2^31 - 1 ms: wrapped at 32 bits this would be a few seconds.
        {INT32_MAX, u64(INT32_MAX) * 1000u},
    };
    for (const Case& c : cases) {
        game.wait(c.milliseconds);
        const u64 elapsed = game.waitTimer.getTimeFromStart();
        EXPECT_FALSE(game.waitTimer.isPaused());
        EXPECT_EQ(game.waitTimer.alarm(), std::max<u64>(1, elapsed + c.delay)) << c.milliseconds;
        KyOsClock::advanceFake(250000);
    }

    // An alarm of no delay rings at the next timer update, once.
    SignalCounter counter;
    game.waitTimer.alarmCallbacks.pushBack(kyNewCallback(&counter, &SignalCounter::onSignal));
    const s32 waits[] = {0, -1, 40};
    const int framesToRing[] = {1, 1, 3};
    for (u32 i = 0; i < 3; ++i) {
        counter.count = 0;
        game.wait(waits[i]);
        int frames = 0;
        while (counter.count == 0 && frames < 10) {
            KyOsClock::advanceFake(16667);
            KyTimer::updateAll();
            ++frames;
        }
        EXPECT_EQ(frames, framesToRing[i]) << waits[i];
        KyTimer::updateAll();
        EXPECT_EQ(counter.count, 1) << "rings once";
    }

    // Once the game is left a wait is refused: its alarm would ring in the
    // next game.
    game.unload();
    game.wait(10);
    EXPECT_TRUE(game.waitTimer.isPaused());
    EXPECT_EQ(game.waitTimer.alarm(), 0u);
    EXPECT_EQ(occurrences(session.log(), "GameWarp::wait: no game is entered\n"), 1u);
}

namespace {

Objectives* table(const std::vector<int>& subCounts)
{
    Objectives* objectives = new Objectives;
    for (int count : subCounts) {
        KyArray<KyString> subs;
        for (int s = 0; s < count; ++s)
            subs.pushBack(KyString("sub"));
        objectives->append(KyString("objective"), subs);
    }
    return objectives;
}

std::vector<int> activeIds(const Objectives& objectives)
{
    return std::vector<int>(objectives.active.begin(), objectives.active.end());
}

} // namespace

TEST(Objectives, IdsRunOverObjectivesAndTheirSubObjectivesInTableOrder)
{
    std::unique_ptr<Objectives> objectives(table({2, 0, 3}));
    EXPECT_EQ(objectives->objectiveCount, 3);
    EXPECT_EQ(objectives->objectives[0]->subObjectiveCount, 2);
    // id: 0 objective 0, 1-2 its subs, 3 objective 1, 4 objective 2, 5-7
    // its subs, then nothing.
    struct Case {
        s32 id;
        s32 index;
        s32 parent;
    };
    const Case cases[] = {{0, 0, -1},  {1, -1, 0},  {2, -1, 0},  {3, 1, -1},  {4, 2, -1}, {5, -1, 4},
                          {7, -1, 4},  {8, -1, -1}, {-1, -1, -1}, {INT32_MAX, -1, -1}, {INT32_MIN, -1, -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(objectiveIndexOfId(objectives.get(), c.id), c.index) << c.id;
        EXPECT_EQ(parentIdOfSubObjective(objectives.get(), c.id), c.parent) << c.id;
    }
    const s32 firstIds[] = {0, 3, 4};
    for (s32 i = 0; i < 3; ++i)
        EXPECT_EQ(objectives->idOfObjective(i), firstIds[i]);
    EXPECT_EQ(objectives->idOfObjective(3), -1);

    // Without a list nothing is found and nothing switches.
    EXPECT_EQ(objectiveIndexOfId(nullptr, 0), -1);
    EXPECT_EQ(parentIdOfSubObjective(nullptr, 1), -1);
    EXPECT_FALSE(isObjectiveActive(nullptr, 0));
    setObjectiveActive(nullptr, 0, true);
}

TEST(Objectives, SwitchingSubObjectivesSwitchesTheirObjective)
{
    // Each run starts from no active id on the table {2, 0} (ids 0, 1, 2,
    // 3) and switches ids on and off in turn.
    struct Switch {
        s32 id;
        bool on;
    };
    const Switch on0{0, true}, on1{1, true}, on2{2, true}, on3{3, true}, on9{9, true};
    const Switch off0{0, false}, off1{1, false}, off2{2, false}, off3{3, false}, off9{9, false};
    struct Run {
        std::vector<Switch> switches;
        std::vector<int> active;
    };
    const Run runs[] = {
        {{on2}, {0, 2}},
        {{on2, off2}, {}},
        {{on1, on2, off1}, {0, 2}},
        {{on3, on3}, {3, 3}},
        {{on3, on3, off3}, {}},
        // An objective's own id leaves its sub-objectives on.
        {{on1, on2, off0}, {1, 2}},
        // The objective goes with its last sub, even when switched on first.
        {{on0, on1, off1}, {}},
        {{on1, on1, off1}, {}},
        // Ids outside the table are kept as given.
        {{on9, off9}, {}},
        {{on9, on1}, {9, 0, 1}},
    };
    for (const Run& run : runs) {
        std::unique_ptr<Objectives> objectives(table({2, 0}));
        for (const Switch& s : run.switches)
            setObjectiveActive(objectives.get(), s.id, s.on);
        EXPECT_EQ(activeIds(*objectives), run.active);
    }
}
