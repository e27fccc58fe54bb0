#include "core/KyIntersect.h"

#include <cmath>

s32 intersectRayTriangle(const KyVector3f32& origin, const KyVector3f32& direction,
                         const KyVector3f32& p, const KyVector3f32& q, const KyVector3f32& r,
                         f32& t, KyVector3f32& point)
{
    KyVector3f32 u = q - p;
    KyVector3f32 v = r - p;
    KyVector3f32 n = KyVector3f32::crossProduct(u, v);
    if (n == KyVector3f32(0.0f, 0.0f, 0.0f))
        return -1;

    f32 a = -KyVector3f32::dotProduct(n, origin - p);
    f32 b = KyVector3f32::dotProduct(n, direction);
    if (std::fabs(b) < 1e-9f)
        return a == 0.0f ? 2 : 0;

    t = a / b;
    if (t < 0.0f)
        return 0;
    point = origin + t * direction;

    // Barycentric coordinates of the crossing point. The comparisons are
    // written so that a NaN (a nearly degenerate triangle) counts as a miss.
    KyVector3f32 w = point - p;
    f32 uu = KyVector3f32::dotProduct(u, u);
    f32 uv = KyVector3f32::dotProduct(u, v);
    f32 vv = KyVector3f32::dotProduct(v, v);
    f32 wu = KyVector3f32::dotProduct(w, u);
    f32 wv = KyVector3f32::dotProduct(w, v);
    f32 d = uv * uv - uu * vv;

    f32 s = (uv * wv - vv * wu) / d;
    if (!(s >= 0.0f && s <= 1.0f))
        return 0;
    f32 rr = (uv * wu - uu * wv) / d;
    if (!(rr >= 0.0f && s + rr <= 1.0f))
        return 0;
    return 1;
}
