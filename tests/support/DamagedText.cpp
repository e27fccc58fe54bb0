#include "tests/support/DamagedText.h"

namespace DamagedText {

std::string around(const std::string& open, const std::string& close, u32 depth, const std::string& inside)
{
    std::string text;
    for (u32 i = 0; i < depth; ++i)
        text += open;
    text += inside;
    for (u32 i = 0; i < depth; ++i)
        text += close;
    return text;
}

std::string nested(const std::string& open, const std::string& close, u32 depth)
{
    return around(open, close, depth, std::string());
}

std::string scrambled(const std::string& text, const char* replacements, std::size_t count, u32& seed, u32 changes)
{
    std::string damaged = text;
    if (damaged.empty() || count == 0)
        return damaged;
    for (u32 change = 0; change < changes; ++change) {
        seed = seed * 1103515245u + 12345u;
        damaged[(seed >> 8) % damaged.size()] = replacements[(seed >> 4) % count];
    }
    return damaged;
}

} // namespace DamagedText
