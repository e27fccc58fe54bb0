#ifndef KY_SERIAL_LANE_H
#define KY_SERIAL_LANE_H

#include "core/KyTypes.h"
#include "core/KyWorkerPool.h"

#include <functional>
#include <memory>

// Work that must run one job at a time, in the order given, off the main
// thread: a small executor over the worker pool. At most one of the pool's
// threads runs the lane at a time, and it runs the lane's jobs one after
// another; jobs given while one runs wait their turn.
//
// When the pool cannot give a thread at all (none alive and none can be
// started now), step runs the next job on the calling thread, so an owner
// that steps once a frame costs each frame one job.
//
// The owner never waits for the lane: destroying it drops the jobs not
// started, and the job running ends on its own. Jobs must own what they use
// (shared state, copies): a job dropped is destroyed, without running, by
// whichever thread lets go of it last, the one running the lane's last job
// or the owner.
class KySerialLane {
public:
    typedef std::function<void()> Job;

    explicit KySerialLane(KyWorkerPool& pool = KyWorkerPool::instance());
    ~KySerialLane();
    KySerialLane(const KySerialLane&) = delete;
    KySerialLane& operator=(const KySerialLane&) = delete;

    // Queues a job after those given before.
    void post(Job job);
    // With a pool that cannot give a thread now, runs the next job here;
    // whether one ran. Never waits for a job running on a thread.
    bool step();
    // No job waits and none runs.
    bool isIdle() const;
    // Waits until every job given has run, at most microseconds of real
    // time (with a pool that cannot give a thread, runs them here); whether
    // the lane is idle. For an end that keeps what the lane makes (a set
    // moved into place), never for work whose result is dropped.
    bool finish(u64 microseconds);
    // Jobs given and not yet ended (the one running included).
    u32 pending() const;
    KyWorkerPool& pool() { return m_pool; }

private:
    struct State;

    // Under the state's lock: makes sure a thread of the pool will run the
    // lane's jobs.
    void schedule();
    // The pool's job: runs the lane's jobs until none waits.
    static void drain(const std::shared_ptr<State>& state);

    KyWorkerPool& m_pool;
    std::shared_ptr<State> m_state;
    KyWorkerPool::Group m_group;
};

#endif
