#include "core/KyVector3f32.h"

#include <cmath>

f32 KyVector3f32::dotProduct(const KyVector3f32& a, const KyVector3f32& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

KyVector3f32 KyVector3f32::crossProduct(const KyVector3f32& a, const KyVector3f32& b)
{
    return KyVector3f32(a.y * b.z - a.z * b.y,
                        a.z * b.x - a.x * b.z,
                        a.x * b.y - a.y * b.x);
}

f32 KyVector3f32::length() const
{
    f32 sum = x * x + y * y + z * z;
    return std::sqrt(sum);
}

void KyVector3f32::normalize()
{
    f32 len = length();
    if (len == 0.0f)
        return;
    x /= len;
    y /= len;
    z /= len;
}
