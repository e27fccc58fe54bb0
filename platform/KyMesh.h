#ifndef KY_MESH_H
#define KY_MESH_H

#include "core/KyColor.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject.h"

class Ky3DTexture;

// Drawable indexed geometry: vertices, texture coordinates, normals and
// optional per-vertex colours, an optional texture and a primitive mode,
// drawn with OpenGL client-side arrays. Render applies the position and the
// three rotation angles (about x, then y, then z, in degrees); the scale is
// not applied.
class KyMesh : public Ky3DObject {
public:
    KyMesh();
    KyMesh(const KyMesh& other);
    ~KyMesh() override;

    virtual void Render();
    // Deep copy of the arrays; the texture is shared.
    virtual KyMesh& operator=(const KyMesh& other);
    // Same counts, primitive, position, rotation, scale, texture object and
    // the same bytes in every array.
    virtual bool operator==(const KyMesh& other) const;
    bool operator!=(const KyMesh& other) const { return !(*this == other); }

    // Sizes the mesh (after clear): the vertex, texture-coordinate and
    // normal arrays (contents undefined) and the index array. mode 1 to 7
    // selects points, lines, line loop, line strip, triangles, triangle
    // strip, triangle fan; any other value keeps the primitive.
    void init(u32 vertexCount, u32 indexCount, s32 mode);
    // Frees every array; both counts become 0.
    void clear();

    // The index i is the caller's to keep below the counts. Meshes are
    // filled vertex by vertex, so the setters are inline.
    void setVertex(u32 i, f32 x, f32 y, f32 z)
    {
        f32* at = m_vertices + 3 * size_t(i);
        at[0] = x;
        at[1] = y;
        at[2] = z;
    }
    void setNormal(u32 i, f32 x, f32 y, f32 z)
    {
        f32* at = m_normals + 3 * size_t(i);
        at[0] = x;
        at[1] = y;
        at[2] = z;
    }
    void setTextureCoords(u32 i, f32 u, f32 v)
    {
        f32* at = m_textureCoords + 2 * size_t(i);
        at[0] = u;
        at[1] = v;
    }
    void setIndex(u32 i, u16 value) { m_indices[i] = value; }
    // The first call creates the colour array, every vertex opaque black.
    void setColor(u32 i, const KyColor& color)
    {
        if (!m_colors)
            createColors();
        u8* at = m_colors + 4 * size_t(i);
        at[0] = color.r;
        at[1] = color.g;
        at[2] = color.b;
        at[3] = color.a;
    }

    void setTexture(const KyIntrusivePtr<Ky3DTexture>& texture);
    const KyIntrusivePtr<Ky3DTexture>& texture() const { return m_texture; }

    // Angles in degrees about x, y and z.
    void setRotations(const KyVector3f32& degrees) { m_rotations = degrees; }
    const KyVector3f32& rotations() const { return m_rotations; }

    // OpenGL texture environment mode used while drawing (GL_MODULATE by
    // default; text uses GL_BLEND).
    void setTextureEnvMode(s32 mode) { m_textureEnvMode = mode; }
    s32 textureEnvMode() const { return m_textureEnvMode; }

    u32 vertexCount() const { return m_vertexCount; }
    u32 indexCount() const { return m_indexCount; }
    // OpenGL primitive code, 0 (points) to 6 (triangle fan).
    s32 primitive() const { return m_primitive; }
    const f32* vertices() const { return m_vertices; }
    const f32* textureCoords() const { return m_textureCoords; }
    const f32* normals() const { return m_normals; }
    // Null until the first setColor.
    const u8* colors() const { return m_colors; }
    const u16* indices() const { return m_indices; }

private:
    // Back to an empty mesh: no arrays, no texture, counts and angles 0,
    // GL_MODULATE.
    void reset();
    // The colour array, every vertex opaque black.
    void createColors();

    KyVector3f32 m_rotations;
    KyIntrusivePtr<Ky3DTexture> m_texture;
    u32 m_vertexCount;
    u32 m_indexCount;
    s32 m_primitive;
    f32* m_vertices;
    f32* m_textureCoords;
    f32* m_normals;
    u8* m_colors;
    s32 m_textureEnvMode;
    u16* m_indices;
};

#endif
