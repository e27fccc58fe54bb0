#include "core/KyCallback0Param.h"
#include "core/KyTimer.h"
#include "os/KyOsClock.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override { KyOsClock::installFake(5000000); }
    void TearDown() override { KyOsClock::install(nullptr); }

    static bool isListed(KyTimer* timer) { return KyTimer::runningTimers().contains(timer); }
};

// Records its calls in a shared log and answers what it is told to.
struct Listener {
    std::string* log;
    std::string name;
    bool handled = false;

    bool onAlarm()
    {
        *log += name;
        return handled;
    }
};

} // namespace

TEST_F(TimerTest, CountsOnlyWhileRunning)
{
    KyTimer timer;
    EXPECT_TRUE(timer.isPaused());
    EXPECT_FALSE(isListed(&timer));
    KyOsClock::advanceFake(700000);
    EXPECT_EQ(0u, timer.getTimeFromStart()); // a new timer stands at 0

    timer.start();
    KyOsClock::advanceFake(100000);
    timer.pause();
    EXPECT_EQ(100000u, timer.getTimeFromStart());
    KyOsClock::advanceFake(50000);
    EXPECT_EQ(100000u, timer.getTimeFromStart()); // paused time is not counted
    timer.start();
    KyOsClock::advanceFake(10000);
    EXPECT_EQ(110000u, timer.getTimeFromStart());
    EXPECT_DOUBLE_EQ(110000.0, timer.getTimeFromStartF());

    // Starting a running timer or pausing a paused one changes nothing.
    timer.start();
    EXPECT_EQ(110000u, timer.getTimeFromStart());
    timer.pause();
    KyOsClock::advanceFake(1);
    timer.pause();
    timer.start();
    KyOsClock::advanceFake(1);
    EXPECT_EQ(110001u, timer.getTimeFromStart());

    // The clock going back never makes the elapsed time go back.
    KyOsClock::setFake(1000);
    EXPECT_EQ(110001u, timer.getTimeFromStart());
}

TEST_F(TimerTest, StopGoesBackToZeroAndKeepsTheAlarm)
{
    KyTimer timer;
    timer.start();
    KyOsClock::advanceFake(3000);
    EXPECT_EQ(3000u + 40000u, timer.setAlarmIn(40000));
    timer.timeSinceLastCall();
    timer.stop();
    EXPECT_TRUE(timer.isPaused());
    EXPECT_FALSE(isListed(&timer));
    EXPECT_EQ(0u, timer.getTimeFromStart());
    EXPECT_EQ(43000u, timer.alarm());
    KyOsClock::advanceFake(90000);
    timer.start();
    KyOsClock::advanceFake(250);
    EXPECT_EQ(250u, timer.getTimeFromStart());
    EXPECT_DOUBLE_EQ(250.0, timer.timeSinceLastCall()); // the mark went back to 0
}

TEST_F(TimerTest, TheGlobalListHoldsExactlyTheRunningTimers)
{
    u32 before = KyTimer::runningTimers().count();
    KyTimer a, b;
    a.start();
    b.start();
    a.start();
    EXPECT_EQ(before + 2, KyTimer::runningTimers().count());
    a.pause();
    EXPECT_FALSE(isListed(&a));
    EXPECT_TRUE(isListed(&b));
    {
        KyTimer c;
        c.start();
        EXPECT_TRUE(isListed(&c));
    }
    EXPECT_EQ(before + 1, KyTimer::runningTimers().count());
    b.stop();
    EXPECT_EQ(before, KyTimer::runningTimers().count());
}

TEST_F(TimerTest, TimeSinceLastCallMovesTheMarkAndPeekDoesNot)
{
    KyTimer timer;
    timer.start();
    KyOsClock::advanceFake(250);
    EXPECT_DOUBLE_EQ(250.0, timer.peekTimeSinceLastCall());
    EXPECT_DOUBLE_EQ(250.0, timer.timeSinceLastCall());
    KyOsClock::advanceFake(100);
    EXPECT_DOUBLE_EQ(100.0, timer.peekTimeSinceLastCall());
    EXPECT_DOUBLE_EQ(100.0, timer.peekTimeSinceLastCall());
    EXPECT_DOUBLE_EQ(100.0, timer.timeSinceLastCall());
    EXPECT_DOUBLE_EQ(0.0, timer.timeSinceLastCall());
}

TEST_F(TimerTest, TheTickCountGivesMillisecondResolution)
{
    KyTimer timer(false);
    timer.start();
    KyOsClock::advanceFake(1500);
    EXPECT_EQ(1000u, timer.getTimeFromStart());
    KyOsClock::advanceFake(600);
    EXPECT_EQ(2000u, timer.getTimeFromStart());
}

TEST_F(TimerTest, AnAlarmFiresOnceWhenReachedInPriorityOrder)
{
    std::string log;
    Listener low{&log, "low"}, high{&log, "high"}, last{&log, "last"};
    KyTimer timer;
    timer.alarmCallbacks.pushBack(kyNewCallback(&low, &Listener::onAlarm, 1.0f));
    timer.alarmCallbacks.pushBack(kyNewCallback(&high, &Listener::onAlarm, 5.0f));
    timer.alarmCallbacks.pushBack(kyNewCallback(&last, &Listener::onAlarm, 0.0f));
    low.handled = true;
    timer.start();
    timer.setAlarmIn(1000);

    KyOsClock::advanceFake(999);
    KyTimer::updateAll();
    EXPECT_EQ("", log);
    EXPECT_EQ(1000u, timer.alarm());
    KyOsClock::advanceFake(1);
    KyTimer::updateAll();
    EXPECT_EQ("highlow", log); // "low" handled it: "last" is not called
    EXPECT_EQ(0u, timer.alarm());
    KyOsClock::advanceFake(5000);
    KyTimer::updateAll();
    EXPECT_EQ("highlow", log);

    // update() reports what the callbacks answered.
    timer.setAlarm(timer.getTimeFromStart());
    EXPECT_TRUE(timer.update());
    low.handled = false;
    timer.setAlarmIn(10);
    KyOsClock::advanceFake(10);
    EXPECT_FALSE(timer.update());
    EXPECT_FALSE(timer.update());
    EXPECT_EQ("highlowhighlowhighlowlast", log);
}

TEST_F(TimerTest, AnAlarmWithNoDelayAtZeroIsKeptAndFiresNextUpdate)
{
    std::string log;
    Listener listener{&log, "x"};
    KyTimer timer;
    timer.alarmCallbacks.pushBack(kyNewCallback(&listener, &Listener::onAlarm));
    timer.start();
    EXPECT_NE(0u, timer.setAlarmIn(0));
    EXPECT_NE(0u, timer.alarm());
    KyTimer::updateAll(); // the clock has not moved
    EXPECT_EQ("x", log);
    EXPECT_EQ(0u, timer.alarm());
    KyTimer::updateAll();
    EXPECT_EQ("x", log);

    // setAlarm(0) removes an alarm.
    timer.setAlarmIn(0);
    timer.setAlarm(0);
    KyTimer::updateAll();
    EXPECT_EQ("x", log);
}

TEST_F(TimerTest, APausedTimerDoesNotFireUntilStartedAgain)
{
    std::string log;
    Listener listener{&log, "x"};
    KyTimer timer;
    timer.alarmCallbacks.pushBack(kyNewCallback(&listener, &Listener::onAlarm));
    timer.start();
    timer.setAlarmIn(100);
    timer.pause();
    KyOsClock::advanceFake(1000);
    KyTimer::updateAll();
    EXPECT_EQ("", log);
    timer.start();
    KyTimer::updateAll();
    EXPECT_EQ("", log); // the paused time does not count
    KyOsClock::advanceFake(100);
    KyTimer::updateAll();
    EXPECT_EQ("x", log);
}

namespace {

// Alarm listeners that change the list of running timers while it is walked.
struct ListEditor {
    KyTimer* toStart = nullptr;
    KyTimer* toDelete = nullptr;
    KyTimer* toPause = nullptr;
    int calls = 0;

    bool onAlarm()
    {
        ++calls;
        if (toStart)
            toStart->start();
        if (toPause)
            toPause->pause();
        delete toDelete;
        toDelete = nullptr;
        return false;
    }
};

} // namespace

TEST_F(TimerTest, AlarmCallbacksMayStartPauseAndDestroyTimers)
{
    ListEditor editor;
    KyTimer first;
    KyTimer* doomed = new KyTimer;
    KyTimer later;
    first.alarmCallbacks.pushBack(kyNewCallback(&editor, &ListEditor::onAlarm));
    doomed->alarmCallbacks.pushBack(kyNewCallback(&editor, &ListEditor::onAlarm));
    later.alarmCallbacks.pushBack(kyNewCallback(&editor, &ListEditor::onAlarm));
    first.start();
    doomed->start();
    first.setAlarmIn(0);
    doomed->setAlarmIn(0);
    later.setAlarmIn(0);
    // The first alarm starts a third timer, whose alarm fires in the same walk.
    editor.toStart = &later;
    KyTimer::updateAll();
    EXPECT_EQ(3, editor.calls);

    // A timer destroys itself from its own alarm.
    editor.toStart = nullptr;
    editor.toDelete = doomed;
    doomed->setAlarmIn(0);
    KyTimer::updateAll();
    EXPECT_EQ(4, editor.calls);
    EXPECT_EQ(nullptr, editor.toDelete);

    // A timer pauses itself from its own alarm; it can fire again once started.
    editor.toPause = &first;
    first.setAlarmIn(0);
    KyTimer::updateAll();
    EXPECT_EQ(5, editor.calls);
    EXPECT_TRUE(first.isPaused());
    EXPECT_FALSE(isListed(&first));
    later.stop();
}
