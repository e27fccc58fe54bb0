#ifndef KY_GLYPH_MESH_H
#define KY_GLYPH_MESH_H

#include "core/KyColor.h"
#include "core/KyTypes.h"
#include "platform/KyMesh.h"

// The mesh of a laid-out text: one quad of four vertices and six indices
// per character, drawn as a triangle list. A text may hold more characters
// than 16-bit indices can reach (16,384 quads fill them), so this mesh keeps
// 32-bit indices of its own and draws them with GL_UNSIGNED_INT; the vertex,
// texture-coordinate, normal and colour arrays, the texture, the position and
// the texture environment mode are the KyMesh ones.
//
// init, clear, setIndex, indexCount and indices replace the KyMesh ones of
// the same name for this mesh.
class KyGlyphMesh : public KyMesh {
public:
    KyGlyphMesh();
    KyGlyphMesh(const KyGlyphMesh& other);
    ~KyGlyphMesh() override;

    KyGlyphMesh& operator=(const KyGlyphMesh& other);
    // From a plain mesh its 16-bit indices are taken over, widened.
    KyMesh& operator=(const KyMesh& other) override;
    bool operator==(const KyMesh& other) const override;

    void Render() override;

    // KyMesh::init for the vertex arrays, then indexCount 32-bit indices
    // (all 0).
    void init(u32 vertexCount, u32 indexCount, s32 mode);
    void clear();
    void setIndex(u32 i, u32 value);
    u32 indexCount() const { return m_indexCount; }
    const u32* indices() const { return m_indices; }

    // Whether the mesh is sized for exactly n characters (4n vertices, 6n
    // indices); resize makes it so, as a triangle list. Texts too long for
    // 32-bit counts are refused: resize returns false and empties the mesh.
    bool holdsCharacters(u32 n) const;
    bool resizeForCharacters(u32 n);
    static const u32 maxCharacters = 0xFFFFFFFFu / 6u;

    // Writes quad i: corners 0 to 3 at the given whole-pixel positions (z 0,
    // normal (0, 0, 1)), their texture coordinates, the colour on all four,
    // and the indices 4i, 4i+1, 4i+2, 4i+2, 4i+3, 4i.
    // Both are inline: a text writes one quad per character.
    struct Corner {
        f32 x, y, s, t;
    };
    void setQuad(u32 i, const Corner corners[4], const KyColor& color)
    {
        for (u32 k = 0; k < 4; ++k) {
            const u32 v = 4 * i + k;
            setVertex(v, corners[k].x, corners[k].y, 0.0f);
            setTextureCoords(v, corners[k].s, corners[k].t);
            setNormal(v, 0.0f, 0.0f, 1.0f);
            setColor(v, color);
        }
        setQuadIndices(i);
    }
    // Quad i without area: every corner at the origin, texture coordinates
    // (0, 0), opaque black; the indices as above.
    void blankQuad(u32 i)
    {
        const KyColor black(0, 0, 0, 255);
        for (u32 k = 0; k < 4; ++k) {
            const u32 v = 4 * i + k;
            setVertex(v, 0.0f, 0.0f, 0.0f);
            setTextureCoords(v, 0.0f, 0.0f);
            setNormal(v, 0.0f, 0.0f, 1.0f);
            setColor(v, black);
        }
        setQuadIndices(i);
    }

private:
    void setQuadIndices(u32 i)
    {
        const u32 first = 4 * i;
        u32* out = m_indices + size_t(6) * i;
        out[0] = first;
        out[1] = first + 1;
        out[2] = first + 2;
        out[3] = first + 2;
        out[4] = first + 3;
        out[5] = first;
    }

    u32 m_indexCount;
    u32* m_indices;
};

#endif
