#include "game/screens/ReadingTime.h"

const u64 ReadingTime::BaseMicroseconds;
const u64 ReadingTime::PerCharacterMicroseconds;
const u64 ReadingTime::MinimumMicroseconds;
const u64 ReadingTime::MaximumMicroseconds;

u32 ReadingTime::visibleCharacters(const KyString& markup)
{
    u32 count = 0;
    bool inTag = false;
    for (const char* c = markup.c_str(); *c; ++c) {
        if (*c == '<')
            inTag = true;
        else if (*c == '>' && inTag)
            inTag = false;
        else if (!inTag)
            ++count;
    }
    return count;
}

u64 ReadingTime::microseconds(const KyString& markup)
{
    const u64 time = BaseMicroseconds + u64(visibleCharacters(markup)) * PerCharacterMicroseconds;
    if (time < MinimumMicroseconds)
        return MinimumMicroseconds;
    return time > MaximumMicroseconds ? MaximumMicroseconds : time;
}
