#include "ui/KyGlyphMesh.h"

#include "core/KySingleton.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyRenderer.h"

#include <GL/gl.h>

#include <cstring>

KyGlyphMesh::KyGlyphMesh() : m_indexCount(0), m_indices(nullptr)
{
}

KyGlyphMesh::KyGlyphMesh(const KyGlyphMesh& other) : KyGlyphMesh()
{
    *this = other;
}

KyGlyphMesh::~KyGlyphMesh()
{
    delete[] m_indices;
}

KyGlyphMesh& KyGlyphMesh::operator=(const KyGlyphMesh& other)
{
    if (&other == this)
        return *this;
    KyMesh::operator=(other);
    delete[] m_indices;
    m_indices = nullptr;
    m_indexCount = other.m_indexCount;
    if (other.m_indices) {
        m_indices = new u32[m_indexCount];
        if (m_indexCount > 0)
            std::memcpy(m_indices, other.m_indices, size_t(m_indexCount) * sizeof(u32));
    }
    return *this;
}

KyMesh& KyGlyphMesh::operator=(const KyMesh& other)
{
    if (const KyGlyphMesh* glyphs = dynamic_cast<const KyGlyphMesh*>(&other))
        return *this = *glyphs;
    KyMesh::operator=(other);
    // A plain mesh's 16-bit indices are widened into this mesh's own, which
    // are the ones drawn.
    const u32 count = KyMesh::indexCount();
    const u16* narrow = KyMesh::indices();
    delete[] m_indices;
    m_indices = nullptr;
    m_indexCount = 0;
    if (narrow) {
        m_indices = new u32[count];
        for (u32 i = 0; i < count; ++i)
            m_indices[i] = narrow[i];
        m_indexCount = count;
    }
    return *this;
}

bool KyGlyphMesh::operator==(const KyMesh& other) const
{
    const KyGlyphMesh* glyphs = dynamic_cast<const KyGlyphMesh*>(&other);
    if (!glyphs || !KyMesh::operator==(other))
        return false;
    if (m_indexCount != glyphs->m_indexCount)
        return false;
    if (!m_indices || !glyphs->m_indices)
        return m_indices == glyphs->m_indices;
    return std::memcmp(m_indices, glyphs->m_indices, size_t(m_indexCount) * sizeof(u32)) == 0;
}

void KyGlyphMesh::init(u32 vertexCount, u32 indexCount, s32 mode)
{
    clear();
    KyMesh::init(vertexCount, 0, mode);
    m_indexCount = indexCount;
    m_indices = new u32[indexCount]();
}

void KyGlyphMesh::clear()
{
    KyMesh::clear();
    delete[] m_indices;
    m_indices = nullptr;
    m_indexCount = 0;
}

void KyGlyphMesh::setIndex(u32 i, u32 value)
{
    m_indices[i] = value;
}

bool KyGlyphMesh::holdsCharacters(u32 n) const
{
    return n <= maxCharacters && m_indices && vertexCount() == 4 * n && m_indexCount == 6 * n &&
           primitive() == GL_TRIANGLES;
}

bool KyGlyphMesh::resizeForCharacters(u32 n)
{
    if (n > maxCharacters) {
        clear();
        return false;
    }
    init(4 * n, 6 * n, 5);
    return true;
}

// KyMesh's drawing, with 32-bit indices.
void KyGlyphMesh::Render()
{
    KyRenderer* renderer = KySingleton<KyRenderer>::instance();
    Ky3DTexture* tex = texture().get();
    if (tex) {
        if (renderer)
            renderer->enableTexture();
        else
            glEnable(GL_TEXTURE_2D);
        tex->bind();
    }

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    if (colors())
        glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 12, vertices());
    glTexCoordPointer(2, GL_FLOAT, 8, textureCoords());
    glNormalPointer(GL_FLOAT, 12, normals());
    if (colors())
        glColorPointer(4, GL_UNSIGNED_BYTE, 4, colors());
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, textureEnvMode());

    glPushMatrix();
    glTranslatef(m_position.x, m_position.y, m_position.z);
    const KyVector3f32& angles = rotations();
    glRotatef(angles.x, 1.0f, 0.0f, 0.0f);
    glRotatef(angles.y, 0.0f, 1.0f, 0.0f);
    glRotatef(angles.z, 0.0f, 0.0f, 1.0f);
    if (m_indices && m_indexCount > 0 && vertexCount() > 0)
        glDrawElements(GLenum(primitive()), GLsizei(m_indexCount), GL_UNSIGNED_INT, m_indices);
    glPopMatrix();

    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (tex) {
        if (renderer)
            renderer->disableTexture();
        else
            glDisable(GL_TEXTURE_2D);
    }
}
