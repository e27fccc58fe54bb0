#ifndef KY_TIMER_H
#define KY_TIMER_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyObject.h"
#include "core/KyTypes.h"

// Elapsed time in microseconds, counted only while the timer runs. A timer is
// created paused at 0. Every running timer is listed in one global list,
// which the application walks once a frame (updateAll) to fire the alarms: an
// alarm is an elapsed time at which the alarm callbacks are called once.
class KyTimer : public KyObject {
public:
    // Reads the high-resolution clock (always available here).
    KyTimer();
    // usePerformanceCounter false reads the millisecond tick count instead,
    // so the resolution is one millisecond.
    explicit KyTimer(bool usePerformanceCounter);
    ~KyTimer() override;

    // A paused timer resumes where it was paused and joins the global list.
    void start();
    // A running timer keeps its elapsed time and leaves the global list.
    void pause();
    // Pauses and goes back to 0 (the alarm stays).
    void stop();

    bool isPaused() const { return m_paused; }

    // Elapsed microseconds, truncated; frozen while the timer is paused.
    u64 getTimeFromStart();
    f64 getTimeFromStartF();

    // Microseconds since the previous call (or since 0), then marks now.
    f64 timeSinceLastCall();
    // The same without moving the mark.
    f64 peekTimeSinceLastCall();

    // Sets the alarm to the elapsed time + delay microseconds and returns it.
    // An alarm that would be 0 (no delay at elapsed time 0) is stored as 1
    // and fires at the next alarm test, since 0 means no alarm.
    u64 setAlarmIn(u64 delay);
    // The elapsed time at which the alarm fires; 0 means no alarm.
    u64 alarm() const { return m_alarm; }
    // Sets the alarm to an elapsed time directly; 0 removes it.
    void setAlarm(u64 elapsed);

    // The alarm test: when an alarm is set and reached it is cleared and the
    // callbacks fire once. Returns what the callbacks returned (false when
    // nothing fired). The callbacks may destroy the timer.
    bool update();
    // The alarm test for every running timer, in list order.
    static void updateAll();

    // The running timers, in the order they were started.
    static const KyArray<KyTimer*>& runningTimers();

    // Called when the alarm fires, by priority (greatest first) until one
    // reports it handled the call.
    KyArray<KyICallback0Param*> alarmCallbacks;

private:
    KyTimer(const KyTimer&) = delete;
    KyTimer& operator=(const KyTimer&) = delete;

    // The raw clock: microseconds or milliseconds; never goes back.
    u64 now();
    // The raw reading that elapsed time is measured to.
    u64 reading();

    bool m_usePerformanceCounter;
    u64 m_frequency;
    u64 m_start;
    u64 m_pauseMoment;
    f64 m_microsecondsPerTick;
    bool m_paused;
    u64 m_alarm;
    u64 m_lastCallTime;
    u64 m_lastReading;
    // The alarm was asked for at elapsed time 0 with no delay: due at once.
    bool m_alarmDueNow;
};

#endif
