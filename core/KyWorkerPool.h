#ifndef KY_WORKER_POOL_H
#define KY_WORKER_POOL_H

#include "core/KyMutex.h"
#include "core/KyThread.h"
#include "core/KyTypes.h"

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace KyOsThread { struct Signal; }

// Worker threads (the engine's KyThread) shared by everything that reads
// ahead of the main thread, pictures and panorama tiles: never more threads
// than the pool's limit, however many callers give it work. A thread is
// started when work comes and none is free, then sleeps between jobs until
// the pool stops.
//
// Work is given in groups. The owner of a group adds jobs to it, then
// either finishes it (runs on the calling thread every job no thread has
// started, then waits for the jobs running), cancels it (drops the jobs no
// thread has started, waits for the jobs running) or drops it (the same
// without the wait: the jobs running end on their own). A job runs once, and
// is never lost: when no thread can be had it waits in its group for a
// thread or the owner's finish. A thread the system refuses is asked for
// again a while later (at the next job given, or when an owner polls), so a
// passing shortage costs only while it lasts.
//
// A group is needed now or reads ahead: threads take the jobs of groups
// needed now first, then the others; groups of one kind in the order they
// were given work, the jobs of a group in the order added.
class KyWorkerPool {
public:
    enum Priority { Now, Ahead };
    typedef std::function<void()> Job;

    // One owner's jobs. Used by one thread (its owner); destroying a group
    // cancels it. A group must not outlive its pool.
    class Group {
    public:
        explicit Group(Priority priority = Now, KyWorkerPool& pool = KyWorkerPool::instance());
        ~Group();

        void add(Job job);
        // The jobs not started yet move with the group.
        void setPriority(Priority priority);
        Priority priority() const { return m_priority; }
        // For an owner that waits for its jobs without finishing them: when
        // they wait for want of a thread, one is asked for again (no sooner
        // than the pool asks after a refusal).
        void poll();
        // Runs here every job no thread has started, then waits for the
        // rest: every job added has run when it returns.
        void finish();
        // Drops every job no thread has started, then waits for the rest.
        void cancel();
        // Drops every job no thread has started and never waits: the jobs
        // running end on their own and their end touches nothing of the
        // group, which may at once take new jobs or be destroyed without a
        // wait (destroying it waits only for jobs added after the drop).
        // A dropped job's owner must make it own what it uses.
        void drop();

    private:
        friend class KyWorkerPool;
        Group(const Group&) = delete;
        Group& operator=(const Group&) = delete;

        KyWorkerPool& m_pool;
        Priority m_priority;
        // Under the pool's lock: the jobs not started, and how many of the
        // group's jobs threads are running (not counting those dropped).
        std::deque<Job> m_jobs;
        u32 m_running;
        // Set when the last running job ends.
        KyOsThread::Signal* m_settled;
    };

    // The program's pool, of KyThread::workerLimit() threads at most. It is
    // never destroyed (objects that live to the end of the program may
    // still cancel their groups then, and a job still running as the
    // program ends finds it whole); its threads are stopped when the
    // program exits.
    static KyWorkerPool& instance();

    explicit KyWorkerPool(u32 threadLimit);
    // Stops the threads, then waits for those still running a job: their
    // end uses the pool.
    ~KyWorkerPool();

    // Ends every thread without waiting for any job: a thread waiting for
    // work ends at once (and is waited for), one running a job is left to
    // end on its own once the job returns. No thread starts afterwards, and
    // the jobs not started wait for their groups' finish.
    void stop();

    // Whether a job given now would wait for want of a thread: no thread is
    // alive and none can be started now (a limit of 0, the pool stopped, or
    // the last start refused and the retry not yet due). One lock: cheap
    // enough for every frame.
    bool isThreadless();

    u32 threadLimit() const { return m_limit; }
    // Threads alive now, and the most there have been at once.
    u32 threadCount();
    u32 highestThreadCount();

private:
    KyWorkerPool(const KyWorkerPool&) = delete;
    KyWorkerPool& operator=(const KyWorkerPool&) = delete;

    class Worker : public KyThread {
    public:
        explicit Worker(KyWorkerPool& pool) : m_pool(pool), m_busy(false) {}
        ~Worker() override;
        void run() override;

    private:
        friend class KyWorkerPool;
        KyWorkerPool& m_pool;
        // Under the pool's lock: a job is running on the thread.
        bool m_busy;
    };

    void add(Group& group, Job job);
    void setPriority(Group& group, Priority priority);
    void finish(Group& group);
    void cancel(Group& group);
    void drop(Group& group);
    void poll(Group& group);
    // A worker's turn: runs the next job, or sleeps until there is one;
    // false once the pool stops.
    bool runNext(Worker& worker);
    // The last thing a worker's thread does: one that stop left running
    // goes with its thread.
    void retire(Worker& worker);
    // Under the lock: the group's jobs no thread has started, taken off it.
    std::deque<Job> takeAll(Group& group);
    // Under the lock: the group's first job, taken off the queue.
    Job takeFirst(Group& group);
    // Under the lock: the group leaves its queue.
    void unlist(Group& group);
    // Under the lock: one more thread, when the jobs waiting outnumber the
    // threads free, the limit allows and no refusal is recent.
    void startWorkerIfNeeded();
    // Returns once none of the group's jobs is running.
    void settle(Group& group);

    const u32 m_limit;
    KyMutex m_mutex;
    // Set when there is work or the pool stops; sleeping threads wait on it.
    KyOsThread::Signal* m_work;
    // The groups with jobs not started, by priority.
    std::deque<Group*> m_queues[2];
    std::vector<std::unique_ptr<Worker>> m_workers;
    // The workers stop found running a job, until their threads end; set
    // when the last of them has gone.
    std::vector<std::unique_ptr<Worker>> m_detached;
    KyOsThread::Signal* m_retired;
    // The job a thread is running and the group it ends in; a drop sets the
    // group to null, so that the end of the job leaves the group alone.
    struct Turn {
        Group* group;
    };
    // Under the lock: the turns of the jobs running on threads.
    std::vector<Turn*> m_turns;
    u32 m_queued;
    u32 m_busy;
    u32 m_highest;
    bool m_stopping;
    // A thread could not be made: the pool goes on with those it has, and
    // asks again once kRetryMicroseconds have passed since m_refusedAt.
    bool m_refused;
    u64 m_refusedAt;
};

#endif
