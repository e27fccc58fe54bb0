#include "platform/KyMesh.h"

#include "core/KySingleton.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyRenderer.h"

#include <GL/gl.h>

#include <cstring>

namespace {

template <class T>
T* copyArray(const T* source, size_t count)
{
    if (!source)
        return nullptr;
    T* copy = new T[count];
    if (count > 0)
        std::memcpy(copy, source, count * sizeof(T));
    return copy;
}

// Both null, or the same bytes.
bool sameBytes(const void* a, const void* b, size_t bytes)
{
    if (!a || !b)
        return a == b || bytes == 0;
    return std::memcmp(a, b, bytes) == 0;
}

} // namespace

KyMesh::KyMesh()
    : m_rotations(0.0f, 0.0f, 0.0f),
      m_vertexCount(0),
      m_indexCount(0),
      m_primitive(0),
      m_vertices(nullptr),
      m_textureCoords(nullptr),
      m_normals(nullptr),
      m_colors(nullptr),
      m_textureEnvMode(GL_MODULATE),
      m_indices(nullptr)
{
}

KyMesh::KyMesh(const KyMesh& other) : KyMesh()
{
    *this = other;
}

KyMesh::~KyMesh()
{
    clear();
}

void KyMesh::init(u32 vertexCount, u32 indexCount, s32 mode)
{
    clear();
    m_vertexCount = vertexCount;
    m_indexCount = indexCount;
    m_vertices = new f32[size_t(vertexCount) * 3]();
    m_textureCoords = new f32[size_t(vertexCount) * 2]();
    m_normals = new f32[size_t(vertexCount) * 3]();
    m_indices = new u16[indexCount]();
    if (mode >= 1 && mode <= 7)
        m_primitive = mode - 1;
}

void KyMesh::clear()
{
    delete[] m_vertices;
    delete[] m_textureCoords;
    delete[] m_normals;
    delete[] m_colors;
    delete[] m_indices;
    m_vertices = nullptr;
    m_textureCoords = nullptr;
    m_normals = nullptr;
    m_colors = nullptr;
    m_indices = nullptr;
    m_vertexCount = 0;
    // Without its array the index count would make Render read nowhere.
    m_indexCount = 0;
}

void KyMesh::reset()
{
    clear();
    m_texture.reset();
    m_rotations = KyVector3f32(0.0f, 0.0f, 0.0f);
    m_textureEnvMode = GL_MODULATE;
}

void KyMesh::createColors()
{
    m_colors = new u8[size_t(m_vertexCount) * 4];
    for (u32 v = 0; v < m_vertexCount; ++v) {
        m_colors[4 * size_t(v)] = 0;
        m_colors[4 * size_t(v) + 1] = 0;
        m_colors[4 * size_t(v) + 2] = 0;
        m_colors[4 * size_t(v) + 3] = 255;
    }
}

void KyMesh::setTexture(const KyIntrusivePtr<Ky3DTexture>& texture)
{
    m_texture = texture;
}

KyMesh& KyMesh::operator=(const KyMesh& other)
{
    if (&other == this)
        return *this;
    reset();
    copyFrom(other);
    m_rotations = other.m_rotations;
    m_texture = other.m_texture;
    m_vertexCount = other.m_vertexCount;
    m_indexCount = other.m_indexCount;
    m_primitive = other.m_primitive;
    m_vertices = copyArray(other.m_vertices, size_t(m_vertexCount) * 3);
    m_textureCoords = copyArray(other.m_textureCoords, size_t(m_vertexCount) * 2);
    m_normals = copyArray(other.m_normals, size_t(m_vertexCount) * 3);
    m_colors = copyArray(other.m_colors, size_t(m_vertexCount) * 4);
    m_indices = copyArray(other.m_indices, m_indexCount);
    m_textureEnvMode = other.m_textureEnvMode;
    return *this;
}

bool KyMesh::operator==(const KyMesh& other) const
{
    if (m_vertexCount != other.m_vertexCount || m_indexCount != other.m_indexCount ||
        m_primitive != other.m_primitive)
        return false;
    if (m_position != other.m_position || m_rotations != other.m_rotations || m_scale != other.m_scale)
        return false;
    if (m_texture.get() != other.m_texture.get())
        return false;
    const size_t n = m_vertexCount;
    if (!sameBytes(m_colors, other.m_colors, n * 4) || (m_colors == nullptr) != (other.m_colors == nullptr))
        return false;
    return sameBytes(m_vertices, other.m_vertices, n * 12) &&
           sameBytes(m_textureCoords, other.m_textureCoords, n * 8) &&
           sameBytes(m_normals, other.m_normals, n * 12) &&
           sameBytes(m_indices, other.m_indices, size_t(m_indexCount) * 2);
}

void KyMesh::Render()
{
    KyRenderer* renderer = KySingleton<KyRenderer>::instance();
    Ky3DTexture* texture = m_texture.get();
    if (texture) {
        renderer->enableTexture();
        texture->bind();
    }

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    if (m_colors)
        glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 12, m_vertices);
    glTexCoordPointer(2, GL_FLOAT, 8, m_textureCoords);
    glNormalPointer(GL_FLOAT, 12, m_normals);
    if (m_colors)
        glColorPointer(4, GL_UNSIGNED_BYTE, 4, m_colors);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, m_textureEnvMode);

    glPushMatrix();
    glTranslatef(m_position.x, m_position.y, m_position.z);
    glRotatef(m_rotations.x, 1.0f, 0.0f, 0.0f);
    glRotatef(m_rotations.y, 0.0f, 1.0f, 0.0f);
    glRotatef(m_rotations.z, 0.0f, 0.0f, 1.0f);
    if (m_indexCount > 0 && m_vertexCount > 0)
        glDrawElements(GLenum(m_primitive), GLsizei(m_indexCount), GL_UNSIGNED_SHORT, m_indices);
    glPopMatrix();

    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (texture)
        renderer->disableTexture();
}
