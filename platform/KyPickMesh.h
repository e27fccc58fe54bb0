#ifndef KY_PICK_MESH_H
#define KY_PICK_MESH_H

#include "core/KyObject.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"

// One triangle of a pick mesh: three points, nine floats, 36 bytes.
struct KyPickTriangle {
    KyVector3f32 a;
    KyVector3f32 b;
    KyVector3f32 c;
};

// An invisible list of triangles that rays are tested against to find the
// object under the cursor. A disabled mesh is never hit.
class KyPickMesh : public KyObject {
public:
    KyPickMesh() : triangleCount(0), triangles(nullptr), enabled(1) {}
    ~KyPickMesh() override { delete[] triangles; }

    KyPickMesh(const KyPickMesh&) = delete;
    KyPickMesh& operator=(const KyPickMesh&) = delete;

    // Gives the mesh n triangles (contents undefined); n = 0 does nothing.
    void allocate(u32 n)
    {
        if (n == 0)
            return;
        delete[] triangles;
        triangles = new KyPickTriangle[n];
        triangleCount = n;
    }

    // Triangle i must be below the count.
    void setTriangle(u32 i, const KyVector3f32& a, const KyVector3f32& b, const KyVector3f32& c)
    {
        triangles[i].a = a;
        triangles[i].b = b;
        triangles[i].c = c;
    }

    u32 triangleCount;
    KyPickTriangle* triangles;
    u8 enabled;
};

#endif
