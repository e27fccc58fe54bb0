// The serial lane: jobs one at a time in the order given, run by the frames
// when the pool has no thread, and an owner that never waits for them.
// Also run under ThreadSanitizer (tsan_tests).

#include "core/KySerialLane.h"
#include "core/KyWorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Waits for done, a hang guard only.
bool waitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 60000; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

} // namespace

TEST(SerialLane, JobsRunOneAtATimeInOrderOnThePoolOrInTheFramesSteps)
{
    for (u32 threads : {4u, 0u}) {
        SCOPED_TRACE(threads);
        KyWorkerPool pool(threads);
        auto order = std::make_shared<std::string>();
        auto running = std::make_shared<std::atomic<int>>(0);
        auto overlap = std::make_shared<std::atomic<bool>>(false);
        KySerialLane lane(pool);
        for (char c = 'a'; c <= 'h'; ++c) {
            lane.post([order, running, overlap, c] {
                if (++*running > 1)
                    *overlap = true;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                *order += c;
                --*running;
            });
        }
        if (threads == 0) {
            // One job a step, on the calling thread.
            EXPECT_EQ(lane.pending(), 8u);
            EXPECT_TRUE(lane.step());
            EXPECT_EQ(*order, "a");
            while (lane.step()) {
            }
        }
        ASSERT_TRUE(waitFor([&] { return lane.isIdle(); }));
        EXPECT_EQ(*order, "abcdefgh");
        EXPECT_FALSE(overlap->load());
        EXPECT_FALSE(lane.step());
    }
}

TEST(SerialLane, TheOwnerNeverWaitsAndJobsNotStartedAreDropped)
{
    KyWorkerPool pool(1);
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto started = std::make_shared<std::atomic<bool>>(false);
    auto ran = std::make_shared<std::atomic<int>>(0);
    {
        KySerialLane lane(pool);
        lane.post([release, started] {
            *started = true;
            waitFor([&] { return release->load(); });
        });
        lane.post([ran] { ++*ran; });
        ASSERT_TRUE(waitFor([&] { return started->load(); }));
        // Destroyed while its job is blocked: no wait.
    }
    EXPECT_FALSE(release->load());
    *release = true;
    // The pool ends its threads once the job running has ended.
    pool.stop();
    EXPECT_EQ(ran->load(), 0);
}
