#include "core/KyMatrix4x4.h"

#include <cstring>

KyMatrix4x4::KyMatrix4x4()
{
    setToIdentity();
}

KyMatrix4x4::KyMatrix4x4(const f32 elements[16])
{
    std::memcpy(m, elements, sizeof(m));
}

void KyMatrix4x4::setToIdentity()
{
    for (u32 i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

bool KyMatrix4x4::operator!=(const KyMatrix4x4& other) const
{
    return std::memcmp(m, other.m, sizeof(m)) != 0;
}

KyMatrix4x4 KyMatrix4x4::operator*(const KyMatrix4x4& other) const
{
    KyMatrix4x4 result;
    for (u32 col = 0; col < 4; ++col) {
        for (u32 row = 0; row < 4; ++row) {
            f32 sum = 0.0f;
            for (u32 k = 0; k < 4; ++k)
                sum += m[row + 4 * k] * other.m[k + 4 * col];
            result.m[row + 4 * col] = sum;
        }
    }
    return result;
}

KyVector3f32 KyMatrix4x4::transformPoint(const KyVector3f32& p) const
{
    f32 x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
    f32 y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
    f32 z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
    f32 w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
    // A point at infinity is pushed far away rather than divided by zero.
    if (w == 0.0f)
        w = 1e-9f;
    return KyVector3f32(x / w, y / w, z / w);
}

KyMatrix4x4& KyMatrix4x4::translate(const KyVector3f32& v)
{
    KyMatrix4x4 t;
    t.m[12] = v.x;
    t.m[13] = v.y;
    t.m[14] = v.z;
    *this = *this * t;
    return *this;
}

KyMatrix4x4& KyMatrix4x4::scale(const KyVector3f32& v)
{
    KyMatrix4x4 s;
    s.m[0] = v.x;
    s.m[5] = v.y;
    s.m[10] = v.z;
    *this = *this * s;
    return *this;
}

namespace {

// Element (row, col) of a column-major matrix, widened for the cofactor sums.
inline f64 at(const f32* m, u32 row, u32 col)
{
    return m[4 * col + row];
}

// Determinant of the 3x3 matrix left once row `skipRow` and column `skipCol`
// are removed from the 4x4 matrix.
f64 minor3(const f32* m, u32 skipRow, u32 skipCol)
{
    u32 rows[3];
    u32 cols[3];
    for (u32 i = 0, n = 0; i < 4; ++i)
        if (i != skipRow)
            rows[n++] = i;
    for (u32 i = 0, n = 0; i < 4; ++i)
        if (i != skipCol)
            cols[n++] = i;
    f64 a = at(m, rows[0], cols[0]), b = at(m, rows[0], cols[1]), c = at(m, rows[0], cols[2]);
    f64 d = at(m, rows[1], cols[0]), e = at(m, rows[1], cols[1]), f = at(m, rows[1], cols[2]);
    f64 g = at(m, rows[2], cols[0]), h = at(m, rows[2], cols[1]), i = at(m, rows[2], cols[2]);
    return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
}

inline f64 cofactor(const f32* m, u32 row, u32 col)
{
    f64 minor = minor3(m, row, col);
    return ((row + col) % 2 == 0) ? minor : -minor;
}

} // namespace

f32 KyMatrix4x4::determinant() const
{
    // The upper-left block is the 4x4 matrix without row 3 and column 3.
    return static_cast<f32>(minor3(m, 3, 3));
}

KyMatrix4x4 KyMatrix4x4::inverse() const
{
    KyMatrix4x4 result;
    f64 det = 0.0;
    for (u32 col = 0; col < 4; ++col)
        det += at(m, 0, col) * cofactor(m, 0, col);
    if (det == 0.0)
        return result;
    // The adjugate is the transposed cofactor matrix. Adding +0 turns the
    // -0 of negated zero cofactors into +0, so that the inverse of a simple
    // matrix compares bit for bit with the matrix one would write by hand.
    for (u32 row = 0; row < 4; ++row)
        for (u32 col = 0; col < 4; ++col)
            result.m[4 * col + row] = static_cast<f32>(cofactor(m, col, row) / det + 0.0);
    return result;
}
