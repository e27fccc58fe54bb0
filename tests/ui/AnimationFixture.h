#ifndef KY_TEST_ANIMATION_FIXTURE_H
#define KY_TEST_ANIMATION_FIXTURE_H

#include "core/KyCallback0Param.h"
#include "os/KyOsClock.h"
#include "ui/KyAnimation.h"

#include <gtest/gtest.h>

#include <string>

// Runs a test on the fake clock. The shared animation timer lives for the
// whole program and its readings never go back, so every test starts the
// fake clock further on than any earlier one; animations only see times
// relative to their start.
class AnimationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static std::uint64_t next = 1000000000000000ull;
        next += 10000000000ull;
        KyOsClock::installFake(next);
    }
    void TearDown() override { KyOsClock::install(nullptr); }

    // Moves the fake clock on by ms milliseconds and runs one frame.
    static void frameAfter(f64 ms)
    {
        KyOsClock::advanceFake(std::uint64_t(ms * 1000.0));
        KyAnimation::updateAll();
    }

    static bool isListed(KyAnimation* animation) { return KyAnimation::runningList().contains(animation); }
};

// Appends its name to a shared log whenever one of its signals fires.
struct SignalLog {
    std::string text;

    struct Entry {
        SignalLog* log;
        std::string name;
        bool fired()
        {
            log->text += name;
            return false;
        }
    };

    // Listens to signal, writing name when it fires. The entry is owned by
    // this log, so it must outlive the signal's fires.
    void listen(KyArray<KyICallback0Param*>& signal, const std::string& name)
    {
        entries[count] = Entry{this, name};
        signal.pushBack(kyNewCallback(&entries[count], &Entry::fired));
        ++count;
    }

    Entry entries[8];
    int count = 0;
};

#endif
