#ifndef KY_TESTS_TALK_SUPPORT_H
#define KY_TESTS_TALK_SUPPORT_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "tests/game/GameSession.h"

#include <string>
#include <vector>

// What the conversation tests share: sounds made on the spot and a recorder
// of the names a signal reports.

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

#endif
