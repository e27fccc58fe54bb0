#ifndef KY_PICK_MESH_H
#define KY_PICK_MESH_H

#include "core/KyList.h"
#include "core/KyObject.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"

class KyCamera;

// One triangle of a pick mesh: three points, nine floats, 36 bytes.
struct KyPickTriangle {
    KyVector3f32 a;
    KyVector3f32 b;
    KyVector3f32 c;
};

// An invisible, named list of triangles that rays are tested against to
// find the object under the cursor. A disabled mesh is never hit.
class KyPickMesh : public KyObject {
public:
    KyPickMesh();
    KyPickMesh(const KyPickMesh& other);
    ~KyPickMesh() override;

    // Copies the name, the placement words, the enabled flag and the
    // triangles (a copy of its own). Assigning a mesh to itself keeps it.
    KyPickMesh& operator=(const KyPickMesh& other);
    // Appends other's triangles after this mesh's (other may be this mesh).
    KyPickMesh& operator+=(const KyPickMesh& other);

    void setName(const KyString& name) { m_name = name; }
    const KyString& name() const { return m_name; }

    bool isEnabled() const { return enabled != 0; }
    void setEnabled(bool on) { enabled = on ? 1 : 0; }

    // Gives the mesh n triangles (contents undefined), replacing those it
    // had; n = 0 does nothing.
    void allocate(u32 n);
    // No triangles any more.
    void clear();

    // Triangle i must be below the count.
    void setTriangle(u32 i, const KyVector3f32& a, const KyVector3f32& b, const KyVector3f32& c);
    void getTriangle(u32 i, KyVector3f32& a, KyVector3f32& b, KyVector3f32& c) const;

    // The nearest hit of the ray at a distance t >= 0 (in units of the
    // direction's length): the hit point and t are written and true is
    // returned. A disabled mesh, or one the ray misses, returns false and
    // leaves the outputs as they were. Of two hits at the same distance the
    // earlier triangle wins.
    bool intersect(const KyVector3f32& origin, const KyVector3f32& direction, KyVector3f32& hitPoint,
                   f32& distance) const;

    // Set by the scene code and copied with the mesh; the ray test does not
    // read them.
    u32 placement[9];

    u32 triangleCount;
    KyPickTriangle* triangles;
    u8 enabled;

private:
    KyString m_name;
};

// The six clip planes (a, b, c, d) of a camera's view, in the order left,
// right, bottom, top, near, far, each scaled so that (a, b, c) has length 1.
// A point p is on the inner side of a plane when a*px + b*py + c*pz + d > 0.
// The planes come from the clip transform the camera projects points with
// (its perspective and its rotation, seen from the origin), so a point that
// projectPoint puts inside the viewport lies inside all six.
void buildFrustumPlanes(const KyCamera& camera, f32 planes[6][4]);

// 0 when all three points lie on the outer side of one plane (a point on a
// plane counts as outside), 2 otherwise. A large triangle that reaches
// every plane's inner side passes even when it misses the view at a corner.
s32 isTriangleInFrustum(const KyVector3f32 points[3], const f32 planes[6][4]);

// Tests the ray against every enabled mesh of the list, in order, and
// returns the last mesh with a triangle hit at a distance t such that
// minDistance <= t < maxDistance, or null. It is not the nearest hit: the
// bounds do not narrow as meshes are hit, and list order decides.
KyPickMesh* intersectRayMesh(const KyVector3f32& origin, const KyVector3f32& direction,
                             const KyList<KyPickMesh*>& meshes, f32 maxDistance, f32 minDistance);

#endif
