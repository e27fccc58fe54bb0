// The sound device is opened on a thread of its own: a manager dropped
// while it opens is clean, and whatever uses the device meets it opened,
// the opening's lines logged then. Also run under ThreadSanitizer
// (tsan_tests).

#include "media/KySoundManager.h"
#include "tests/support/StdoutCapture.h"

#include <AL/alc.h>
#include <gtest/gtest.h>

TEST(SoundOpening, TheDeviceIsMetOpenedAndAManagerDroppedWhileOpeningIsClean)
{
    for (int round = 0; round < 5; ++round) {
        KySoundManager dropped;
    }
    KySoundManager manager;
    // Without a sound card (ALSOFT_DRIVERS=null in the tests) a device still
    // opens; its context is the current one once it is met.
    ASSERT_NE(nullptr, manager.device());
    EXPECT_EQ(manager.context(), alcGetCurrentContext());
    EXPECT_FALSE(manager.followsClock());
}

TEST(SoundOpening, WhatTheOpeningLogsComesWhenTheDeviceIsFirstUsed)
{
    KySoundManager::setFollowsClock(true);
    StdoutCapture log;
    {
        KySoundManager manager;
        // A loopback device, or the line saying there is none: logged by
        // the first use, not by the thread.
        const bool clocked = manager.followsClock();
        const std::string first = log.text();
        manager.update();
        EXPECT_EQ(first, log.text());
        EXPECT_EQ(clocked, first.find("no loopback device") == std::string::npos) << first;
    }
    KySoundManager::setFollowsClock(false);
}
