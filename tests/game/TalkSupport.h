#ifndef KY_TESTS_TALK_SUPPORT_H
#define KY_TESTS_TALK_SUPPORT_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "tests/game/GameSession.h"

#include <string>
#include <vector>

// What the conversation tests share: sounds made on the spot, a recorder of
// the names a signal reports, and frames run until something holds.

// A mono Ogg Vorbis tone of the given length.
std::string toneOggBytes(double seconds, double frequency = 440.0);
// Rich-text markup of a line in the sample font.
KyString lineMarkup(const char* text);

// Records the names a one-string signal reports, in order.
struct NameRecorder {
    bool onName(const KyString& name)
    {
        names.push_back(name.c_str());
        return false;
    }
    std::vector<std::string> names;
};

// Runs frames until done() holds; false when it still does not after limit
// frames.
template <class Done>
bool framesUntil(GameSession& game, Done done, int limit = 2000)
{
    for (int frame = 0; frame < limit; ++frame) {
        if (done())
            return true;
        game.frames(1);
    }
    return done();
}

// The bytes of a file of the sample data.
std::string sampleFile(const std::string& relative);

// How many times text occurs in log.
size_t occurrences(const std::string& log, const std::string& text);

#endif
