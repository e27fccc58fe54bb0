#ifndef GAME_READING_TIME_H
#define GAME_READING_TIME_H

#include "core/KyString.h"
#include "core/KyTypes.h"

// How long a text stays on screen when the sound that should pace it cannot
// be played (a voice or a narration file missing or not decodable): long
// enough to read it, from its visible characters (markup tags left out).
class ReadingTime {
public:
    static const u64 BaseMicroseconds = 1000000;
    static const u64 PerCharacterMicroseconds = 60000;
    static const u64 MinimumMicroseconds = 2000000;
    static const u64 MaximumMicroseconds = 20000000;

    // The characters of the markup outside its tags ("<...>").
    static u32 visibleCharacters(const KyString& markup);
    // Base + per character, kept between the minimum and the maximum.
    static u64 microseconds(const KyString& markup);

private:
    ReadingTime() = delete;
};

#endif
