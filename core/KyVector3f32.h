#ifndef KY_VECTOR3F32_H
#define KY_VECTOR3F32_H

#include "core/KyTypes.h"
#include "core/KyVector2s32.h"

// Three-component single-precision vector: positions, sizes, scales and
// directions. A plain value; the default constructor leaves it uninitialised
// so that large arrays of vectors cost nothing to create.
class KyVector3f32 {
public:
    f32 x;
    f32 y;
    f32 z;

    KyVector3f32() {}
    KyVector3f32(f32 px, f32 py, f32 pz) : x(px), y(py), z(pz) {}
    KyVector3f32(const KyVector2s32& v)
        : x(static_cast<f32>(v.x)), y(static_cast<f32>(v.y)), z(0.0f) {}

    bool operator==(const KyVector3f32& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const KyVector3f32& o) const { return !(*this == o); }

    KyVector3f32 operator+(const KyVector3f32& o) const { return KyVector3f32(x + o.x, y + o.y, z + o.z); }
    KyVector3f32 operator-(const KyVector3f32& o) const { return KyVector3f32(x - o.x, y - o.y, z - o.z); }
    KyVector3f32 operator-() const { return KyVector3f32(-x, -y, -z); }

    KyVector3f32 operator*(f32 s) const { return KyVector3f32(x * s, y * s, z * s); }
    KyVector3f32 operator*(const KyVector3f32& o) const { return KyVector3f32(x * o.x, y * o.y, z * o.z); }
    KyVector3f32 operator/(f32 s) const { return KyVector3f32(x / s, y / s, z / s); }
    KyVector3f32 operator/(const KyVector3f32& o) const { return KyVector3f32(x / o.x, y / o.y, z / o.z); }

    KyVector3f32& operator+=(const KyVector3f32& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }

    KyVector3f32& operator*=(f32 s)
    {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }

    static f32 dotProduct(const KyVector3f32& a, const KyVector3f32& b);
    static KyVector3f32 crossProduct(const KyVector3f32& a, const KyVector3f32& b);

    f32 length() const;
    // Scales to unit length; a zero vector is left as it is.
    void normalize();
};

inline KyVector3f32 operator*(f32 s, const KyVector3f32& v)
{
    return v * s;
}

#endif
