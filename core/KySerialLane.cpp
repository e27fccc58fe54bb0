#include "core/KySerialLane.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

struct KySerialLane::State {
    mutable std::mutex lock;
    std::deque<Job> jobs;
    // A job of the lane runs (on a thread or in a step).
    bool busy = false;
    // A drain is given to the pool and has not begun.
    bool scheduled = false;
    // The owner is gone: nothing more runs.
    bool dropped = false;
    // Told whenever a job ends.
    std::condition_variable ended;
};

KySerialLane::KySerialLane(KyWorkerPool& pool)
    : m_pool(pool)
    , m_state(std::make_shared<State>())
    , m_group(KyWorkerPool::Now, pool)
{
}

KySerialLane::~KySerialLane()
{
    std::deque<Job> left;
    {
        std::lock_guard<std::mutex> hold(m_state->lock);
        m_state->dropped = true;
        // A job running ends on its own; the waiting ones go with the last
        // holder of the state (the drain running, or here).
        if (!m_state->busy)
            left.swap(m_state->jobs);
    }
    m_group.drop();
}

void KySerialLane::post(Job job)
{
    std::lock_guard<std::mutex> hold(m_state->lock);
    m_state->jobs.push_back(std::move(job));
    schedule();
}

void KySerialLane::schedule()
{
    if (m_state->busy || m_state->scheduled || m_state->jobs.empty())
        return;
    m_state->scheduled = true;
    std::shared_ptr<State> state = m_state;
    m_group.add([state] { drain(state); });
}

void KySerialLane::drain(const std::shared_ptr<State>& state)
{
    std::unique_lock<std::mutex> hold(state->lock);
    state->scheduled = false;
    // A step runs a job meanwhile: it schedules the rest when it ends.
    if (state->busy)
        return;
    while (!state->dropped && !state->jobs.empty()) {
        Job job = std::move(state->jobs.front());
        state->jobs.pop_front();
        state->busy = true;
        hold.unlock();
        job();
        job = nullptr;
        hold.lock();
        state->busy = false;
        state->ended.notify_all();
    }
    if (state->dropped) {
        std::deque<Job> left;
        left.swap(state->jobs);
        hold.unlock();
    }
}

bool KySerialLane::step()
{
    if (!m_pool.isThreadless()) {
        // A thread refused a while ago may be had again.
        m_group.poll();
        return false;
    }
    Job job;
    {
        std::lock_guard<std::mutex> hold(m_state->lock);
        if (m_state->busy || m_state->jobs.empty())
            return false;
        job = std::move(m_state->jobs.front());
        m_state->jobs.pop_front();
        m_state->busy = true;
    }
    job();
    job = nullptr;
    std::lock_guard<std::mutex> hold(m_state->lock);
    m_state->busy = false;
    m_state->ended.notify_all();
    schedule();
    return true;
}

bool KySerialLane::finish(u64 microseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(microseconds);
    for (;;) {
        while (step()) {
        }
        std::unique_lock<std::mutex> hold(m_state->lock);
        if (!m_state->busy && m_state->jobs.empty())
            return true;
        // A thread of the pool runs them; with none to be had the next
        // round runs them here.
        if (m_state->ended.wait_until(hold, deadline) == std::cv_status::timeout)
            return !m_state->busy && m_state->jobs.empty();
    }
}

bool KySerialLane::isIdle() const
{
    std::lock_guard<std::mutex> hold(m_state->lock);
    return !m_state->busy && m_state->jobs.empty();
}

u32 KySerialLane::pending() const
{
    std::lock_guard<std::mutex> hold(m_state->lock);
    return u32(m_state->jobs.size()) + (m_state->busy ? 1u : 0u);
}
