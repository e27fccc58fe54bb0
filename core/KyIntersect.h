#ifndef KY_INTERSECT_H
#define KY_INTERSECT_H

#include "core/KyTypes.h"
#include "core/KyVector3f32.h"

// Ray against the triangle p, q, r. Returns -1 for a degenerate triangle,
// 0 for no hit, 1 for a hit and 2 when the ray lies in the triangle's plane.
// Once the ray is known to cross the plane, t receives the distance along
// direction (in units of its length) and, when t >= 0, point receives the
// crossing point, even when it falls outside the triangle.
s32 intersectRayTriangle(const KyVector3f32& origin, const KyVector3f32& direction,
                         const KyVector3f32& p, const KyVector3f32& q, const KyVector3f32& r,
                         f32& t, KyVector3f32& point);

#endif
