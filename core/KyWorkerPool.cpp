#include "core/KyWorkerPool.h"

#include "os/KyOsClock.h"
#include "os/KyOsThread.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A sleeping thread looks again this often even without a wake-up.
const u32 kIdleWaitMilliseconds = 10000;
// After the system refused a thread, the pool asks again no sooner than
// this: a shortage of threads or processes passes, and asking at every job
// while it lasts only costs.
const u64 kRetryMicroseconds = 1000000;

void stopInstance()
{
    KyWorkerPool::instance().stop();
}

} // namespace

KyWorkerPool& KyWorkerPool::instance()
{
    static KyWorkerPool* const pool = [] {
        KyWorkerPool* made = new KyWorkerPool(KyThread::workerLimit());
        // The threads waiting for work end as the program exits; the exit
        // never waits for a job still running, which ends with the process
        // (or on its own before it), the pool and its groups' state whole.
        std::atexit(stopInstance);
        return made;
    }();
    return *pool;
}

KyWorkerPool::KyWorkerPool(u32 threadLimit)
    : m_limit(threadLimit)
    , m_work(KyOsThread::createSignal())
    , m_retired(KyOsThread::createSignal())
    , m_queued(0)
    , m_busy(0)
    , m_highest(0)
    , m_stopping(false)
    , m_refused(false)
    , m_refusedAt(0)
{
}

KyWorkerPool::~KyWorkerPool()
{
    stop();
    for (;;) {
        {
            KyMutexLock lock(m_mutex);
            if (m_detached.empty())
                break;
            KyOsThread::clearSignal(m_retired);
        }
        KyOsThread::waitSignal(m_retired, kIdleWaitMilliseconds);
    }
    KyOsThread::closeSignal(m_retired);
    KyOsThread::closeSignal(m_work);
}

KyWorkerPool::Worker::~Worker()
{
    // run() uses the pool: the thread ends before the worker goes (a worker
    // left to end on its own is deleted by its thread, and waits for nothing).
    wait();
}

void KyWorkerPool::Worker::run()
{
    while (m_pool.runNext(*this)) {
    }
    // Nothing of the worker is touched after this: it may be gone.
    m_pool.retire(*this);
}

void KyWorkerPool::stop()
{
    std::vector<std::unique_ptr<Worker>> idle;
    {
        KyMutexLock lock(m_mutex);
        m_stopping = true;
        KyOsThread::setSignal(m_work);
        // A job may be blocked for as long as its disk stalls: its thread
        // is not waited for, and ends on its own when the job returns.
        for (std::unique_ptr<Worker>& worker : m_workers) {
            if (worker->m_busy) {
                worker->detach();
                m_detached.push_back(std::move(worker));
            } else {
                idle.push_back(std::move(worker));
            }
        }
        m_workers.clear();
    }
    // Those waiting for work see the stop at their next look: they end at once.
    idle.clear();
}

void KyWorkerPool::retire(Worker& worker)
{
    std::unique_ptr<Worker> detached;
    {
        KyMutexLock lock(m_mutex);
        for (std::vector<std::unique_ptr<Worker>>::iterator it = m_detached.begin(); it != m_detached.end(); ++it) {
            if (it->get() == &worker) {
                detached = std::move(*it);
                m_detached.erase(it);
                break;
            }
        }
        if (detached && m_detached.empty())
            KyOsThread::setSignal(m_retired);
    }
    // A worker stop left running is deleted here, on its own thread, which
    // then only returns: the pool may be gone as soon as the lock is free.
}

u32 KyWorkerPool::threadCount()
{
    KyMutexLock lock(m_mutex);
    return u32(m_workers.size());
}

bool KyWorkerPool::isThreadless()
{
    KyMutexLock lock(m_mutex);
    if (!m_workers.empty())
        return false;
    if (m_stopping || m_limit == 0)
        return true;
    return m_refused && KyOsClock::microseconds() - m_refusedAt < kRetryMicroseconds;
}

u32 KyWorkerPool::highestThreadCount()
{
    KyMutexLock lock(m_mutex);
    return m_highest;
}

void KyWorkerPool::add(Group& group, Job job)
{
    KyMutexLock lock(m_mutex);
    if (group.m_jobs.empty())
        m_queues[group.m_priority].push_back(&group);
    group.m_jobs.push_back(std::move(job));
    ++m_queued;
    KyOsThread::setSignal(m_work);
    startWorkerIfNeeded();
}

void KyWorkerPool::poll(Group& group)
{
    KyMutexLock lock(m_mutex);
    if (!group.m_jobs.empty())
        startWorkerIfNeeded();
}

void KyWorkerPool::startWorkerIfNeeded()
{
    if (m_stopping || m_workers.size() >= m_limit)
        return;
    if (m_queued <= u32(m_workers.size()) - m_busy)
        return;
    const u64 now = KyOsClock::microseconds();
    if (m_refused && now - m_refusedAt < kRetryMicroseconds)
        return;
    std::unique_ptr<Worker> worker(new Worker(*this));
    // The new thread waits for the lock held here before it takes a job.
    worker->start();
    if (!worker->hasThread()) {
        m_refused = true;
        m_refusedAt = now;
        return;
    }
    m_refused = false;
    m_workers.push_back(std::move(worker));
    m_highest = std::max(m_highest, u32(m_workers.size()));
}

void KyWorkerPool::unlist(Group& group)
{
    std::deque<Group*>& queue = m_queues[group.m_priority];
    std::deque<Group*>::iterator found = std::find(queue.begin(), queue.end(), &group);
    if (found != queue.end())
        queue.erase(found);
}

KyWorkerPool::Job KyWorkerPool::takeFirst(Group& group)
{
    Job job = std::move(group.m_jobs.front());
    group.m_jobs.pop_front();
    --m_queued;
    if (group.m_jobs.empty())
        unlist(group);
    return job;
}

bool KyWorkerPool::runNext(Worker& worker)
{
    Job job;
    Turn turn = {nullptr};
    // A drop may clear the turn's group as soon as the lock is free: what
    // was taken is kept apart.
    bool took = false;
    {
        KyMutexLock lock(m_mutex);
        if (m_stopping)
            return false;
        for (std::deque<Group*>& queue : m_queues) {
            if (!queue.empty()) {
                turn.group = queue.front();
                break;
            }
        }
        if (!turn.group) {
            // Cleared under the lock that add sets it under: no wake-up is lost.
            KyOsThread::clearSignal(m_work);
        } else {
            job = takeFirst(*turn.group);
            ++turn.group->m_running;
            ++m_busy;
            worker.m_busy = true;
            m_turns.push_back(&turn);
            took = true;
        }
    }
    if (!took) {
        KyOsThread::waitSignal(m_work, kIdleWaitMilliseconds);
        return true;
    }
    job();
    // What the job holds goes before its group may.
    job = nullptr;
    KyMutexLock lock(m_mutex);
    --m_busy;
    worker.m_busy = false;
    m_turns.erase(std::find(m_turns.begin(), m_turns.end(), &turn));
    // A group that dropped the job may be gone: it is not touched.
    if (turn.group && --turn.group->m_running == 0)
        KyOsThread::setSignal(turn.group->m_settled);
    return true;
}

void KyWorkerPool::setPriority(Group& group, Priority priority)
{
    KyMutexLock lock(m_mutex);
    if (priority == group.m_priority)
        return;
    const bool queued = !group.m_jobs.empty();
    if (queued)
        unlist(group);
    group.m_priority = priority;
    if (queued)
        m_queues[priority].push_back(&group);
}

void KyWorkerPool::finish(Group& group)
{
    for (;;) {
        Job job;
        {
            KyMutexLock lock(m_mutex);
            if (group.m_jobs.empty())
                break;
            job = takeFirst(group);
        }
        job();
    }
    settle(group);
}

std::deque<KyWorkerPool::Job> KyWorkerPool::takeAll(Group& group)
{
    std::deque<Job> jobs;
    if (!group.m_jobs.empty()) {
        unlist(group);
        m_queued -= u32(group.m_jobs.size());
        jobs.swap(group.m_jobs);
    }
    return jobs;
}

void KyWorkerPool::cancel(Group& group)
{
    std::deque<Job> dropped;
    {
        KyMutexLock lock(m_mutex);
        dropped = takeAll(group);
    }
    // What the jobs hold goes outside the lock.
    dropped.clear();
    settle(group);
}

void KyWorkerPool::drop(Group& group)
{
    std::deque<Job> dropped;
    {
        KyMutexLock lock(m_mutex);
        dropped = takeAll(group);
        for (Turn* turn : m_turns) {
            if (turn->group == &group)
                turn->group = nullptr;
        }
        group.m_running = 0;
    }
    dropped.clear();
}

void KyWorkerPool::settle(Group& group)
{
    for (;;) {
        {
            KyMutexLock lock(m_mutex);
            if (group.m_running == 0)
                return;
            KyOsThread::clearSignal(group.m_settled);
        }
        KyOsThread::waitSignal(group.m_settled, kIdleWaitMilliseconds);
    }
}

KyWorkerPool::Group::Group(Priority priority, KyWorkerPool& pool)
    : m_pool(pool), m_priority(priority), m_running(0), m_settled(KyOsThread::createSignal())
{
}

KyWorkerPool::Group::~Group()
{
    cancel();
    KyOsThread::closeSignal(m_settled);
}

void KyWorkerPool::Group::add(Job job)
{
    m_pool.add(*this, std::move(job));
}

void KyWorkerPool::Group::setPriority(Priority priority)
{
    m_pool.setPriority(*this, priority);
}

void KyWorkerPool::Group::poll()
{
    m_pool.poll(*this);
}

void KyWorkerPool::Group::finish()
{
    m_pool.finish(*this);
}

void KyWorkerPool::Group::cancel()
{
    m_pool.cancel(*this);
}

void KyWorkerPool::Group::drop()
{
    m_pool.drop(*this);
}
