// The shared worker threads: never more than the limit whoever gives work,
// every job run once, groups needed now before those reading ahead, and
// jobs no thread took run by their owner's finish or dropped by its cancel.
// Also run under ThreadSanitizer (tsan_tests).

#include "core/KyWorkerPool.h"
#include "os/KyOsClock.h"
#include "os/KyOsThread.h"
#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Records the order in which jobs begin.
class Order {
public:
    KyWorkerPool::Job job(const std::string& name, const std::atomic<bool>* gate = nullptr)
    {
        return [this, name, gate] {
            {
                std::lock_guard<std::mutex> hold(m_lock);
                m_names += name;
            }
            // Held a minute at most, so that a wait for it ends rather than
            // hangs, and shows as the job ending before its gate opened.
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (gate && !gate->load() && std::chrono::steady_clock::now() < end)
                std::this_thread::yield();
        };
    }
    std::string names()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_names;
    }
    // Whether count jobs began within a minute: a job that never runs fails
    // the test rather than hanging it.
    bool waitFor(size_t count)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (names().size() < count && std::chrono::steady_clock::now() < end)
            std::this_thread::yield();
        return names().size() >= count;
    }

private:
    std::mutex m_lock;
    std::string m_names;
};

} // namespace

TEST(WorkerPoolTest, ThreadsNeverOutnumberTheLimitWhoeverGivesWork)
{
    EXPECT_EQ(KyThread::workerLimit(), KyWorkerPool::instance().threadLimit());
    // One processor (as under taskset -c 0) still gets a worker.
    std::thread([] {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        ASSERT_EQ(0, sched_setaffinity(0, sizeof one, &one));
        EXPECT_EQ(1u, KyThread::workerLimit());
    }).join();

    KyWorkerPool pool(3);
    const u32 kJobs = 200;
    std::vector<std::atomic<u32>> runs(4 * kJobs);
    std::atomic<bool> overLimit{false};
    // Four owners on threads of their own, needed now or reading ahead.
    std::vector<std::thread> owners;
    for (u32 owner = 0; owner < 4; ++owner) {
        owners.emplace_back([&, owner] {
            KyWorkerPool::Group group(owner % 2 ? KyWorkerPool::Ahead : KyWorkerPool::Now, pool);
            for (u32 i = 0; i < kJobs; ++i) {
                group.add([&, owner, i] {
                    if (pool.threadCount() > 3)
                        overLimit = true;
                    ++runs[owner * kJobs + i];
                });
            }
            if (owner < 3)
                group.finish();
        });
    }
    for (std::thread& owner : owners)
        owner.join();
    EXPECT_FALSE(overLimit.load());
    EXPECT_LE(pool.highestThreadCount(), 3u);
    EXPECT_GE(pool.highestThreadCount(), 1u);
    // Finished groups ran every job once; the last owner's group was
    // dropped with it, and whatever of it ran, ran once.
    for (u32 i = 0; i < 4 * kJobs; ++i)
        ASSERT_TRUE(i < 3 * kJobs ? runs[i].load() == 1 : runs[i].load() <= 1) << i;
}

TEST(WorkerPoolTest, GroupsNeededNowGoBeforeThoseReadingAhead)
{
    KyWorkerPool pool(1);
    Order order;
    std::atomic<bool> gate{false};
    KyWorkerPool::Group ahead(KyWorkerPool::Ahead, pool);
    KyWorkerPool::Group raised(KyWorkerPool::Ahead, pool);
    KyWorkerPool::Group now(KyWorkerPool::Now, pool);
    // The one thread is held by A while the rest queue up.
    ahead.add(order.job("A", &gate));
    EXPECT_TRUE(order.waitFor(1));
    ahead.add(order.job("B"));
    ahead.add(order.job("C"));
    raised.add(order.job("R"));
    raised.setPriority(KyWorkerPool::Now);
    now.add(order.job("D"));
    now.add(order.job("E"));
    gate = true;
    EXPECT_TRUE(order.waitFor(6));
    EXPECT_EQ("ARDEBC", order.names());
}

TEST(WorkerPoolTest, FinishRunsWhatNoThreadTookAndCancelDropsIt)
{
    // No thread at all, as when none can be made: the owner runs its jobs.
    KyWorkerPool none(0);
    EXPECT_TRUE(none.isThreadless());
    Order order;
    {
        KyWorkerPool::Group group(KyWorkerPool::Now, none);
        group.add(order.job("a"));
        group.add(order.job("b"));
        EXPECT_EQ("", order.names());
        group.finish();
        EXPECT_EQ("ab", order.names());
        group.add(order.job("c"));
        group.cancel();
        group.add(order.job("d"));
    }
    EXPECT_EQ("ab", order.names());
    EXPECT_EQ(0u, none.highestThreadCount());

    // A thread busy elsewhere: what was queued behind it is dropped at once.
    KyWorkerPool one(1);
    EXPECT_FALSE(one.isThreadless());
    std::atomic<bool> gate{false};
    KyWorkerPool::Group busy(KyWorkerPool::Now, one);
    busy.add(order.job("B", &gate));
    EXPECT_TRUE(order.waitFor(3));
    {
        KyWorkerPool::Group dropped(KyWorkerPool::Now, one);
        dropped.add(order.job("x"));
        dropped.add(order.job("y"));
        dropped.cancel();
    }
    gate = true;
    busy.finish();
    EXPECT_EQ("abB", order.names());

    // A stopped pool starts no thread; the owner's finish runs the jobs.
    one.stop();
    EXPECT_TRUE(one.isThreadless());
    busy.add(order.job("s"));
    busy.finish();
    EXPECT_EQ("abBs", order.names());
    EXPECT_EQ(0u, one.threadCount());
}

// Thread creation refused for a while: the jobs wait, the pool does not ask
// at every job while it is refused, and once the shortage has passed and a
// while has gone by, threads take the jobs again (those queued earlier
// included) without the owner's finish.
TEST(WorkerPoolTest, AThreadRefusedIsAskedForAgainAWhileLater)
{
    KyOsClock::installFake(1000000);
    StdoutCapture log;
    const auto refusals = [&log] {
        size_t count = 0;
        const std::string text = log.text();
        for (size_t at = text.find("CreateThread"); at != std::string::npos; at = text.find("CreateThread", at + 1))
            ++count;
        return count;
    };
    KyWorkerPool pool(2);
    Order order;
    KyWorkerPool::Group group(KyWorkerPool::Now, pool);
    KyOsThread::setCreationRefused(true);
    for (const char* name : {"a", "b", "c"})
        group.add(order.job(name));
    group.poll();
    EXPECT_EQ(1u, refusals());
    // No thread can be had until the retry is due.
    EXPECT_TRUE(pool.isThreadless());
    KyOsClock::advanceFake(1100000);
    EXPECT_FALSE(pool.isThreadless());
    group.add(order.job("d"));
    group.poll();
    EXPECT_EQ(2u, refusals());
    EXPECT_EQ(0u, pool.threadCount());

    KyOsThread::setCreationRefused(false);
    group.poll();
    EXPECT_EQ(0u, pool.threadCount());
    KyOsClock::advanceFake(1100000);
    group.poll();
    EXPECT_TRUE(order.waitFor(4));
    EXPECT_GE(pool.highestThreadCount(), 1u);
    EXPECT_FALSE(pool.isThreadless());
    group.finish();
    EXPECT_EQ(2u, refusals());
    KyOsClock::install(nullptr);
}

// A dropped group waits for nothing: the job running ends on its own, after
// the group took new work, finished it and was destroyed, and its end
// leaves the group gone alone.
TEST(WorkerPoolTest, ADroppedGroupNeverWaitsForTheJobsRunning)
{
    Order order;
    std::atomic<bool> gate{false};
    KyWorkerPool pool(1);
    std::atomic<bool> ended{false};
    std::unique_ptr<KyWorkerPool::Group> group(new KyWorkerPool::Group(KyWorkerPool::Now, pool));
    const KyWorkerPool::Job held = order.job("H", &gate);
    group->add([held, &ended] {
        held();
        ended = true;
    });
    EXPECT_TRUE(order.waitFor(1));
    group->add(order.job("x"));
    group->drop();
    group->add(order.job("r"));
    group->finish();
    group.reset();
    // The gate is still shut: a wait for the job would have lasted until
    // its guard let it go.
    EXPECT_FALSE(ended.load());
    gate = true;
    pool.stop();
    EXPECT_EQ("Hr", order.names());
}

// Stopping never waits for a job: with a job blocked (as on a disk that
// stalls), stop ends the thread that waits for work and returns while the
// job is blocked; the job ends afterwards on its own, on live memory.
TEST(WorkerPoolTest, StopLeavesAJobRunningToEndOnItsOwn)
{
    Order order;
    std::atomic<bool> gate{false};
    std::atomic<bool> ended{false};
    {
        KyWorkerPool pool(2);
        KyWorkerPool::Group held(KyWorkerPool::Now, pool);
        const KyWorkerPool::Job job = order.job("H", &gate);
        held.add([job, &ended] {
            job();
            ended = true;
        });
        ASSERT_TRUE(order.waitFor(1));
        // A second thread, which waits for work once its job is done.
        KyWorkerPool::Group quick(KyWorkerPool::Now, pool);
        quick.add([] {});
        quick.finish();
        EXPECT_EQ(2u, pool.threadCount());
        // A stop that waits for the job holds this thread until its guard
        // lets it go.
        pool.stop();
        EXPECT_FALSE(ended.load());
        EXPECT_EQ(0u, pool.threadCount());
        gate = true;
        held.finish();
    }
    EXPECT_TRUE(ended.load());
}
