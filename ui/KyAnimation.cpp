#include "ui/KyAnimation.h"

namespace {

// The running list is made before main runs and freed at exit. Animations
// destroyed later (static ones) find the pointer null and have nothing to
// leave.
KyList<KyAnimation*>* g_running = nullptr;

KyList<KyAnimation*>& runningAnimations()
{
    if (!g_running)
        g_running = new KyList<KyAnimation*>;
    return *g_running;
}

struct RunningListOwner {
    RunningListOwner() { runningAnimations(); }
    ~RunningListOwner()
    {
        delete g_running;
        g_running = nullptr;
    }
} g_runningOwner;

// The shared animation timer, made by the first animation and kept until
// exit (it is never destroyed, so animations and timers destroyed at exit
// never meet a dead one).
KyTimer* g_sharedTimer = nullptr;

f64 sharedMilliseconds()
{
    return f64(g_sharedTimer->getTimeFromStart()) / 1000.0;
}

} // namespace

KyAnimation::KyAnimation()
    : state(Stopped)
    , startTime(0.0)
    , m_guards(nullptr)
{
    if (!g_sharedTimer)
        g_sharedTimer = new KyTimer;
}

KyAnimation::~KyAnimation()
{
    for (LifeGuard* guard = m_guards; guard; guard = guard->outer)
        guard->alive = false;
    stop();
}

void KyAnimation::play()
{
    if (g_sharedTimer->isPaused())
        g_sharedTimer->start();
    if (state != Stopped)
        return;
    runningAnimations().pushBack(this);
    state = Running;
    startTime = sharedMilliseconds();
}

void KyAnimation::resume()
{
    play();
}

void KyAnimation::stop()
{
    if (state != Running)
        return;
    if (g_running)
        g_running->remove(this);
    state = Stopped;
    onStop.call();
}

void KyAnimation::pause()
{
    stop();
}

bool KyAnimation::finish()
{
    LifeGuard guard = {true, m_guards};
    m_guards = &guard;
    stop();
    if (!guard.alive)
        return false;
    m_guards = guard.outer;
    onFinished.call();
    return true;
}

void KyAnimation::updateAll()
{
    if (!g_sharedTimer || !g_running)
        return;
    if (g_sharedTimer->isPaused())
        g_sharedTimer->start();
    const f64 t = sharedMilliseconds();
    // The iterator is registered with the list: erasing the node it stands
    // on (an animation stopping itself) moves it back to the previous node,
    // so the increment still lands on the animation that followed.
    for (KyList<KyAnimation*>::iterator it = g_running->begin(); it.isElement(); ++it)
        (*it)->update(t);
}

KyTimer* KyAnimation::sharedTimer()
{
    return g_sharedTimer;
}

f64 KyAnimation::sharedTime()
{
    return g_sharedTimer ? sharedMilliseconds() : 0.0;
}

const KyList<KyAnimation*>& KyAnimation::runningList()
{
    return runningAnimations();
}
