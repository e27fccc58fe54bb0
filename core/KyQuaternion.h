#ifndef KY_QUATERNION_H
#define KY_QUATERNION_H

#include "core/KyMatrix4x4.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"

// Rotation quaternion; (0, 0, 0, 1) is no rotation.
class KyQuaternion {
public:
    f32 x;
    f32 y;
    f32 z;
    f32 w;

    KyQuaternion() : x(0.0f), y(0.0f), z(0.0f), w(1.0f) {}
    KyQuaternion(f32 px, f32 py, f32 pz, f32 pw) : x(px), y(py), z(pz), w(pw) {}

    bool operator==(const KyQuaternion& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
    bool operator!=(const KyQuaternion& o) const { return !(*this == o); }

    // Scales to unit length; a (near) zero quaternion is left as it is.
    void normalize();

    // Rotation of `angle` radians about `axis`; the axis is used as given,
    // not normalised.
    static KyQuaternion fromAxisAndAngle(const KyVector3f32& axis, f32 angle);
    // Axis and angle (radians) of this rotation. Near no rotation the axis is
    // the raw vector part (zero for the identity).
    void toAxisAngle(KyVector3f32& axis, f32& angle) const;

    // Rotation matrix; normalises this quaternion in place first.
    KyMatrix4x4 toMatrix();

    // Spherical interpolation from `from` (t = 0) to `to` (t = 1). It follows
    // the arc between the two as given, even when it is the longer one.
    static KyQuaternion slerp(const KyQuaternion& from, const KyQuaternion& to, f32 t);

    // Composition: the rotation of this quaternion followed by that of b
    // (the Hamilton product b x this).
    KyQuaternion operator*(const KyQuaternion& b) const;
};

#endif
