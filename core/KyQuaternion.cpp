#include "core/KyQuaternion.h"

#include <cmath>

void KyQuaternion::normalize()
{
    f32 len = std::sqrt(x * x + y * y + z * z + w * w);
    if (!(len > 1e-9f))
        return;
    x /= len;
    y /= len;
    z /= len;
    w /= len;
}

KyQuaternion KyQuaternion::fromAxisAndAngle(const KyVector3f32& axis, f32 angle)
{
    f32 s = std::sin(angle * 0.5f);
    return KyQuaternion(axis.x * s, axis.y * s, axis.z * s, std::cos(angle * 0.5f));
}

void KyQuaternion::toAxisAngle(KyVector3f32& axis, f32& angle) const
{
    // A quaternion that is not quite unit length may carry |w| slightly
    // above 1; clamping keeps acos and the square root defined.
    f32 cw = w;
    if (cw > 1.0f)
        cw = 1.0f;
    else if (cw < -1.0f)
        cw = -1.0f;
    angle = 2.0f * std::acos(cw);
    f32 s = std::sqrt(1.0f - cw * cw);
    if (std::fabs(s) < 0.0005f)
        s = 1.0f;
    axis = KyVector3f32(x / s, y / s, z / s);
}

KyMatrix4x4 KyQuaternion::toMatrix()
{
    normalize();
    KyMatrix4x4 r;
    f32* m = r.m;
    m[0] = 1.0f - 2.0f * (y * y + z * z);
    m[4] = 2.0f * (x * y - z * w);
    m[8] = 2.0f * (x * z + y * w);
    m[1] = 2.0f * (x * y + z * w);
    m[5] = 1.0f - 2.0f * (x * x + z * z);
    m[9] = 2.0f * (y * z - x * w);
    m[2] = 2.0f * (x * z - y * w);
    m[6] = 2.0f * (y * z + x * w);
    m[10] = 1.0f - 2.0f * (x * x + y * y);
    return r;
}

KyQuaternion KyQuaternion::slerp(const KyQuaternion& from, const KyQuaternion& to, f32 t)
{
    f32 c = from.x * to.x + from.y * to.y + from.z * to.z + from.w * to.w;
    f32 s0;
    f32 s1;
    if (1.0f + c > 1e-6f) {
        if (1.0f - c <= 1e-6f) {
            s0 = 1.0f - t;
            s1 = t;
        } else {
            f32 omega = std::acos(c);
            f32 sinOmega = std::sin(omega);
            s0 = std::sin((1.0f - t) * omega) / sinOmega;
            s1 = std::sin(t * omega) / sinOmega;
        }
        return KyQuaternion(from.x * s0 + to.x * s1, from.y * s0 + to.y * s1,
                            from.z * s0 + to.z * s1, from.w * s0 + to.w * s1);
    }
    // Opposite rotations: no unique arc, so turn through a perpendicular one.
    const f32 halfPi = 1.5707964f;
    s0 = std::sin((1.0f - t) * halfPi);
    s1 = std::sin(t * halfPi);
    return KyQuaternion(from.x * s0 - to.y * s1, from.y * s0 + to.x * s1,
                        from.z * s0 - to.w * s1, from.w * s0 + to.z * s1);
}

KyQuaternion KyQuaternion::operator*(const KyQuaternion& b) const
{
    const KyQuaternion& a = *this;
    return KyQuaternion(b.w * a.x + a.w * b.x + a.z * b.y - b.z * a.y,
                        b.w * a.y + a.w * b.y + b.z * a.x - a.z * b.x,
                        b.w * a.z + a.w * b.z + b.x * a.y - a.x * b.y,
                        a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
}
