#ifndef KY_MATRIX4X4_H
#define KY_MATRIX4X4_H

#include "core/KyTypes.h"
#include "core/KyVector3f32.h"

// 4x4 float matrix stored column-major, as OpenGL loads it: element index is
// 4 * column + row, the translation sits in elements 12, 13, 14.
class KyMatrix4x4 {
public:
    f32 m[16];

    // A new matrix is the identity.
    KyMatrix4x4();
    // Sixteen elements in storage (column-major) order.
    explicit KyMatrix4x4(const f32 elements[16]);

    void setToIdentity();

    // Column i: the elements 4i .. 4i+3.
    f32* operator[](u32 i) { return m + 4 * i; }
    const f32* operator[](u32 i) const { return m + 4 * i; }

    const f32* data() const { return m; }

    // Raw comparison of the storage, bit for bit.
    bool operator!=(const KyMatrix4x4& other) const;
    bool operator==(const KyMatrix4x4& other) const { return !(*this != other); }

    // this x other.
    KyMatrix4x4 operator*(const KyMatrix4x4& other) const;

    // The point taken as (x, y, z, 1), divided by the resulting w.
    KyVector3f32 transformPoint(const KyVector3f32& p) const;

    // this = this x translation(v).
    KyMatrix4x4& translate(const KyVector3f32& v);
    // this = this x diag(v.x, v.y, v.z, 1).
    KyMatrix4x4& scale(const KyVector3f32& v);

    // Determinant of the upper-left 3x3 block.
    f32 determinant() const;
    // The inverse; the identity when the matrix is singular.
    KyMatrix4x4 inverse() const;
};

#endif
