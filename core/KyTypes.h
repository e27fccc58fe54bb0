#ifndef KY_TYPES_H
#define KY_TYPES_H

#include <cstdint>

// Sized number types used throughout the engine.
typedef std::uint8_t u8;
typedef std::int8_t s8;
typedef std::uint16_t u16;
typedef std::int16_t s16;
typedef std::uint32_t u32;
typedef std::int32_t s32;
typedef std::uint64_t u64;
typedef std::int64_t s64;
typedef float f32;
typedef double f64;

#endif
