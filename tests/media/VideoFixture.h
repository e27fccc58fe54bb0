#ifndef KY_TEST_VIDEO_FIXTURE_H
#define KY_TEST_VIDEO_FIXTURE_H

#include "core/KyArray.h"
#include "core/KyCallback0Param.h"
#include "os/KyOsClock.h"
#include "tools/content/TheoraWriter.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <string>

// Runs a video test in a throw-away working folder, on the fake clock.
class VideoTest : public ::testing::Test {
protected:
    void SetUp() override { KyOsClock::installFake(1000000); }
    void TearDown() override { KyOsClock::install(nullptr); }

    // Writes bytes to a file of the working folder (folders made as needed).
    void put(const std::string& relative, const std::string& bytes)
    {
        ASSERT_TRUE(m_sandbox.work().writeFile(relative, bytes)) << relative;
    }

    static void advanceMs(double ms) { KyOsClock::advanceFake(std::uint64_t(ms * 1000.0)); }

    // A small 25 frames-per-second video of count frames.
    static std::string video(unsigned count, unsigned fps = 25)
    {
        TheoraVideoSpec spec;
        spec.frames = count;
        spec.fpsNumerator = fps;
        return writeTheoraOgv(spec);
    }

    UserDataSandbox m_sandbox;
};

// Appends a letter to a shared log whenever one of its signals fires.
struct VideoSignalLog {
    std::string text;

    struct Entry {
        VideoSignalLog* log;
        char letter;
        bool fired()
        {
            log->text += letter;
            return false;
        }
    };

    void listen(KyArray<KyICallback0Param*>& signal, char letter)
    {
        entries[count] = Entry{this, letter};
        signal.pushBack(kyNewCallback(&entries[count], &Entry::fired));
        ++count;
    }

    Entry entries[8];
    int count = 0;
};

// What a game does to videos from inside their callbacks, as the listener
// of the first one's stop: deletes it and the one after it, stops a third
// and makes a new one (which joins the walk of the live players).
template <class Player>
struct VideoDirector {
    Player* ending;
    Player* doomed;
    Player* stopped;
    Player* made = nullptr;

    bool onStopped()
    {
        delete ending;
        ending = nullptr;
        delete doomed;
        doomed = nullptr;
        stopped->stop();
        made = new Player;
        return false;
    }
};

#endif
