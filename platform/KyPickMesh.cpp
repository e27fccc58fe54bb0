#include "platform/KyPickMesh.h"

#include "core/KyIntersect.h"
#include "core/KyMatrix4x4.h"
#include "platform/KyCamera.h"

#include <cfloat>
#include <cmath>
#include <cstring>

KyPickMesh::KyPickMesh() : triangleCount(0), triangles(nullptr), enabled(1)
{
    std::memset(placement, 0, sizeof(placement));
}

KyPickMesh::KyPickMesh(const KyPickMesh& other) : KyPickMesh()
{
    *this = other;
}

KyPickMesh::~KyPickMesh()
{
    clear();
}

KyPickMesh& KyPickMesh::operator=(const KyPickMesh& other)
{
    if (&other == this)
        return *this;
    // The copy is made before the old triangles go, so nothing is read
    // from freed memory whatever other shares with this mesh.
    KyPickTriangle* copy = nullptr;
    if (other.triangleCount > 0) {
        copy = new KyPickTriangle[other.triangleCount];
        std::memcpy(copy, other.triangles, sizeof(KyPickTriangle) * other.triangleCount);
    }
    clear();
    m_name = other.m_name;
    std::memcpy(placement, other.placement, sizeof(placement));
    triangleCount = other.triangleCount;
    triangles = copy;
    enabled = other.enabled;
    return *this;
}

KyPickMesh& KyPickMesh::operator+=(const KyPickMesh& other)
{
    if (triangleCount == 0 && other.triangleCount == 0)
        return *this;
    if (other.triangleCount > 0xFFFFFFFFu - triangleCount)
        return *this;
    const u32 total = triangleCount + other.triangleCount;
    KyPickTriangle* joined = new KyPickTriangle[total];
    if (triangleCount > 0)
        std::memcpy(joined, triangles, sizeof(KyPickTriangle) * triangleCount);
    if (other.triangleCount > 0)
        std::memcpy(joined + triangleCount, other.triangles, sizeof(KyPickTriangle) * other.triangleCount);
    delete[] triangles;
    triangles = joined;
    triangleCount = total;
    return *this;
}

void KyPickMesh::allocate(u32 n)
{
    if (n == 0)
        return;
    KyPickTriangle* fresh = new KyPickTriangle[n];
    delete[] triangles;
    triangles = fresh;
    triangleCount = n;
}

void KyPickMesh::clear()
{
    delete[] triangles;
    triangles = nullptr;
    triangleCount = 0;
}

void KyPickMesh::setTriangle(u32 i, const KyVector3f32& a, const KyVector3f32& b, const KyVector3f32& c)
{
    triangles[i].a = a;
    triangles[i].b = b;
    triangles[i].c = c;
}

void KyPickMesh::getTriangle(u32 i, KyVector3f32& a, KyVector3f32& b, KyVector3f32& c) const
{
    a = triangles[i].a;
    b = triangles[i].b;
    c = triangles[i].c;
}

bool KyPickMesh::intersect(const KyVector3f32& origin, const KyVector3f32& direction, KyVector3f32& hitPoint,
                           f32& distance) const
{
    if (!enabled)
        return false;
    f32 best = FLT_MAX;
    for (u32 i = 0; i < triangleCount; ++i) {
        const KyPickTriangle& tri = triangles[i];
        f32 t;
        KyVector3f32 point;
        if (intersectRayTriangle(origin, direction, tri.a, tri.b, tri.c, t, point) == 1 && t >= 0.0f && t < best)
            best = t;
    }
    if (best == FLT_MAX)
        return false;
    hitPoint = origin + direction * best;
    distance = best;
    return true;
}

void buildFrustumPlanes(const KyCamera& camera, f32 planes[6][4])
{
    const KyMatrix4x4 clip = camera.viewProjectionMatrix();
    // Row i of the column-major clip matrix: elements i, 4 + i, 8 + i, 12 + i.
    f32 rows[4][4];
    for (u32 i = 0; i < 4; ++i) {
        for (u32 k = 0; k < 4; ++k)
            rows[i][k] = clip.m[4 * k + i];
    }
    // -w < x < w, -w < y < w, -w < z < w.
    for (u32 axis = 0; axis < 3; ++axis) {
        for (u32 k = 0; k < 4; ++k) {
            planes[2 * axis][k] = rows[3][k] + rows[axis][k];
            planes[2 * axis + 1][k] = rows[3][k] - rows[axis][k];
        }
    }
    for (u32 i = 0; i < 6; ++i) {
        f32 length = std::sqrt(planes[i][0] * planes[i][0] + planes[i][1] * planes[i][1] + planes[i][2] * planes[i][2]);
        if (length == 0.0f)
            length = 1e-8f;
        for (u32 k = 0; k < 4; ++k)
            planes[i][k] /= length;
    }
}

s32 isTriangleInFrustum(const KyVector3f32 points[3], const f32 planes[6][4])
{
    for (u32 i = 0; i < 6; ++i) {
        bool anyInside = false;
        for (u32 j = 0; j < 3 && !anyInside; ++j) {
            const KyVector3f32& p = points[j];
            anyInside = planes[i][0] * p.x + planes[i][1] * p.y + planes[i][2] * p.z + planes[i][3] > 0.0f;
        }
        if (!anyInside)
            return 0;
    }
    return 2;
}

KyPickMesh* intersectRayMesh(const KyVector3f32& origin, const KyVector3f32& direction,
                             const KyList<KyPickMesh*>& meshes, f32 maxDistance, f32 minDistance)
{
    KyPickMesh* result = nullptr;
    for (KyList<KyPickMesh*>::iterator it = meshes.begin(); it != meshes.end(); ++it) {
        KyPickMesh* mesh = *it;
        if (!mesh || !mesh->enabled || mesh->triangleCount == 0)
            continue;
        for (u32 i = 0; i < mesh->triangleCount; ++i) {
            const KyPickTriangle& tri = mesh->triangles[i];
            f32 t;
            KyVector3f32 point;
            if (intersectRayTriangle(origin, direction, tri.a, tri.b, tri.c, t, point) == 1
                && minDistance <= t && t < maxDistance) {
                result = mesh;
                break;
            }
        }
    }
    return result;
}
