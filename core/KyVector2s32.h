#ifndef KY_VECTOR2S32_H
#define KY_VECTOR2S32_H

#include "core/KyTypes.h"

// Integer 2D vector for pixel positions and sizes (screen, mouse, images).
class KyVector2s32 {
public:
    s32 x;
    s32 y;

    KyVector2s32() : x(0), y(0) {}
    KyVector2s32(s32 px, s32 py) : x(px), y(py) {}

    KyVector2s32(const KyVector2s32& other) = default;
    KyVector2s32& operator=(const KyVector2s32& other) = default;

    KyVector2s32& operator+=(const KyVector2s32& other)
    {
        x += other.x;
        y += other.y;
        return *this;
    }

    KyVector2s32 operator-(const KyVector2s32& other) const
    {
        return KyVector2s32(x - other.x, y - other.y);
    }

    bool operator==(const KyVector2s32& other) const { return x == other.x && y == other.y; }
    bool operator!=(const KyVector2s32& other) const { return x != other.x || y != other.y; }
};

#endif
