#ifndef KY_TEST_DAMAGED_TEXT_H
#define KY_TEST_DAMAGED_TEXT_H

#include "core/KyTypes.h"

#include <cstddef>
#include <string>

// Hostile and damaged inputs for the tests that replay files through a
// loader or a parser.
namespace DamagedText {

// inside wrapped in depth levels of open and close.
std::string around(const std::string& open, const std::string& close, u32 depth, const std::string& inside);

// depth levels of open, then as many of close.
std::string nested(const std::string& open, const std::string& close, u32 depth);

// text with `changes` bytes replaced, each by one of the count bytes of
// replacements, at places drawn from seed: a linear congruential sequence
// that the caller keeps from one call to the next, so a run of calls is the
// same every time. An empty text comes back as it is.
std::string scrambled(const std::string& text, const char* replacements, std::size_t count, u32& seed,
                      u32 changes = 3);

} // namespace DamagedText

#endif
