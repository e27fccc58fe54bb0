#ifndef KY_MATH_H
#define KY_MATH_H

#include "core/KyTypes.h"

#include <cmath>

// Small numeric helpers shared by the engine. They live in their own
// namespace so they never clash with the C library's functions of the
// same name.
namespace KyMath {

// Float ceiling taken through the double-precision ceiling; text layout uses
// it to bring pixel sizes up to whole numbers.
inline f32 ceilf(f32 v)
{
    return static_cast<f32>(std::ceil(static_cast<f64>(v)));
}

// The value saturated to the signed 32-bit range: pixel arithmetic over
// figures read from streams stays defined whatever they hold.
inline s32 clampToS32(s64 v)
{
    if (v > 0x7FFFFFFF)
        return 0x7FFFFFFF;
    if (v < -0x7FFFFFFF - 1)
        return -0x7FFFFFFF - 1;
    return static_cast<s32>(v);
}

} // namespace KyMath

#endif
