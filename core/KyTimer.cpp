#include "core/KyTimer.h"

#include "os/KyOsClock.h"

#include <limits>

namespace {

// The list of running timers. It is freed at exit; the pointer itself needs
// no destruction, so timers destroyed later (static ones) find it null and
// have nothing to leave.
KyArray<KyTimer*>* g_running = nullptr;

struct RunningListOwner {
    ~RunningListOwner()
    {
        delete g_running;
        g_running = nullptr;
    }
} g_runningOwner;

KyArray<KyTimer*>& runningList()
{
    if (!g_running)
        g_running = new KyArray<KyTimer*>;
    return *g_running;
}

} // namespace

KyTimer::KyTimer()
    : KyTimer(true)
{
}

KyTimer::KyTimer(bool usePerformanceCounter)
    : m_usePerformanceCounter(usePerformanceCounter)
    , m_frequency(usePerformanceCounter ? 1000000u : 1000u)
    , m_start(0)
    , m_pauseMoment(0)
    , m_microsecondsPerTick(usePerformanceCounter ? 1000000.0 / f64(m_frequency) : 1000.0)
    , m_paused(true)
    , m_alarm(0)
    , m_lastCallTime(0)
    , m_lastReading(0)
    , m_alarmDueNow(false)
{
}

KyTimer::~KyTimer()
{
    if (!m_paused && g_running)
        g_running->remove(this);
}

u64 KyTimer::now()
{
    // The tick count is taken 64 bits wide so that it never wraps round
    // (a wrapped reading would stop every timer for good).
    u64 value = m_usePerformanceCounter ? KyOsClock::microseconds() : KyOsClock::microseconds() / 1000u;
    if (value < m_lastReading)
        return m_lastReading;
    m_lastReading = value;
    return value;
}

u64 KyTimer::reading()
{
    return m_paused ? m_pauseMoment : now();
}

void KyTimer::start()
{
    if (!m_paused)
        return;
    m_start += now() - m_pauseMoment;
    m_paused = false;
    runningList().pushBack(this);
}

void KyTimer::pause()
{
    if (m_paused)
        return;
    m_pauseMoment = now();
    m_paused = true;
    if (g_running)
        g_running->remove(this);
}

void KyTimer::stop()
{
    pause();
    m_start = 0;
    m_pauseMoment = 0;
    m_lastCallTime = 0;
}

u64 KyTimer::getTimeFromStart()
{
    return u64(getTimeFromStartF());
}

f64 KyTimer::getTimeFromStartF()
{
    return f64(reading() - m_start) * m_microsecondsPerTick;
}

f64 KyTimer::timeSinceLastCall()
{
    u64 elapsed = getTimeFromStart();
    f64 since = peekTimeSinceLastCall();
    m_lastCallTime = elapsed;
    return since;
}

f64 KyTimer::peekTimeSinceLastCall()
{
    u64 elapsed = getTimeFromStart();
    return f64(elapsed) - f64(m_lastCallTime);
}

u64 KyTimer::setAlarmIn(u64 delay)
{
    u64 elapsed = getTimeFromStart();
    u64 at = elapsed > std::numeric_limits<u64>::max() - delay ? std::numeric_limits<u64>::max() : elapsed + delay;
    setAlarm(at);
    if (at == 0) {
        m_alarm = 1;
        m_alarmDueNow = true;
    }
    return m_alarm;
}

void KyTimer::setAlarm(u64 elapsed)
{
    m_alarm = elapsed;
    m_alarmDueNow = false;
}

bool KyTimer::update()
{
    u64 elapsed = getTimeFromStart();
    if (m_alarm == 0 || (elapsed < m_alarm && !m_alarmDueNow))
        return false;
    m_alarm = 0;
    m_alarmDueNow = false;
    // Nothing of this timer is touched after the call: a callback may
    // destroy it.
    return alarmCallbacks.call();
}

void KyTimer::updateAll()
{
    // By index, reading the count again at every step: callbacks may start,
    // pause or destroy timers.
    for (u32 i = 0; g_running && i < g_running->count(); ++i)
        (*g_running)[i]->update();
}

const KyArray<KyTimer*>& KyTimer::runningTimers()
{
    return runningList();
}
