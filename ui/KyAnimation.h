#ifndef KY_ANIMATION_H
#define KY_ANIMATION_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyList.h"
#include "core/KyObject.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"

// The base of everything in the interface that changes over time by itself.
// A playing animation is listed in one global list of running animations;
// the application advances them all once a frame with updateAll, which hands
// every one the same time, in milliseconds, read from one shared timer.
//
// An animation is stopped (state 0, not listed) or running (state 1,
// listed). Playing again after a stop starts from the beginning: there is no
// paused state that keeps the elapsed time.
class KyAnimation : public KyObject {
public:
    enum State : u32 { Stopped = 0, Running = 1 };

    // Stopped, no listeners, start time 0. The first animation ever made
    // creates the shared timer (paused).
    KyAnimation();
    // A running animation leaves the list and fires on-stop first.
    ~KyAnimation() override;

    // Starts the shared timer when it is paused; a stopped animation joins
    // the end of the running list and takes the shared time as its start
    // time. A running one is left as it is, start time included.
    virtual void play();
    virtual void resume();
    // A running animation leaves the list, is marked stopped, then fires
    // onStop. A stopped one fires nothing.
    virtual void stop();
    virtual void pause();
    // Applies the animation's value for the time t (milliseconds on the
    // shared timer).
    virtual void update(f64 t) = 0;

    bool isRunning() const { return state == Running; }

    // Once a frame: every running animation is updated with the same time,
    // in the order they were started. An update may stop its own animation
    // or others, or start new ones (those are updated in the same walk).
    static void updateAll();

    // The shared timer, or null before the first animation is made.
    static KyTimer* sharedTimer();
    // The shared time in milliseconds (0 before the first animation).
    static f64 sharedTime();
    // The running animations, in the order they were started.
    static const KyList<KyAnimation*>& runningList();

    u32 state;
    // Fired whenever a running animation stops.
    KyArray<KyICallback0Param*> onStop;
    // Fired by a kind of animation when it reaches its end (after onStop).
    KyArray<KyICallback0Param*> onFinished;
    // Milliseconds on the shared timer at the last start.
    f64 startTime;

protected:
    // Stops, then fires onFinished: how every kind ends. Returns false when
    // a listener of onStop destroyed the animation (onFinished then is not
    // fired and the caller must not touch the object).
    bool finish();

private:
    KyAnimation(const KyAnimation&) = delete;
    KyAnimation& operator=(const KyAnimation&) = delete;

    // The finish() calls in progress on this animation, innermost first; the
    // destructor marks them all, so that each notices an animation destroyed
    // by its own listeners.
    struct LifeGuard {
        bool alive;
        LifeGuard* outer;
    };
    LifeGuard* m_guards;
};

#endif
