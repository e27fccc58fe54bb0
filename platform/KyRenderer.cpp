#include "platform/KyRenderer.h"

#include "core/KyLog.h"
#include "core/KyQuaternion.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyCamera.h"

#include <GL/gl.h>

#include <cmath>

namespace {

const char* glText(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

const GLenum kModes[3] = {GL_PROJECTION, GL_MODELVIEW, GL_TEXTURE};

} // namespace

KyRenderer::KyRenderer() : m_textureEnabled(false), m_matrixMode(0) {}

KyRenderer::~KyRenderer() {}

void KyRenderer::init()
{
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glClearDepth(1.0);
    setClearColor(KyColor(0, 0, 0, 255));
    logPrint("%s\n", glText(GL_VENDOR));
    logPrint("%s\n", glText(GL_RENDERER));
    logPrint("%s\n", glText(GL_VERSION));
    logPrint("%s\n", glText(GL_EXTENSIONS));
    m_extensions.LoadExtensions();
}

void KyRenderer::beginFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setMatrixMode(Projection);
    loadIdentity();
    setMatrixMode(ModelView);
    loadIdentity();
}

KyRenderer::MatrixRecord* KyRenderer::currentRecord()
{
    if (m_matrixMode < 0 || m_matrixMode > 2)
        return nullptr;
    return &m_records[m_matrixMode];
}

void KyRenderer::multiplyCurrent(const KyMatrix4x4& m)
{
    if (MatrixRecord* record = currentRecord())
        record->current = record->current * m;
}

void KyRenderer::setMatrixMode(s32 mode)
{
    if (mode >= 0 && mode <= 2)
        glMatrixMode(kModes[mode]);
    m_matrixMode = mode;
}

void KyRenderer::ortho(f32 left, f32 right, f32 bottom, f32 top, f32 zNear, f32 zFar)
{
    setMatrixMode(Projection);
    loadIdentity();
    glOrtho(left, right, bottom, top, zNear, zFar);
    // The record follows what glOrtho does; a degenerate box leaves the GL
    // matrix unchanged (an error), and so the record.
    if (left != right && bottom != top && zNear != zFar) {
        KyMatrix4x4 m;
        m.m[0] = 2.0f / (right - left);
        m.m[5] = 2.0f / (top - bottom);
        m.m[10] = -2.0f / (zFar - zNear);
        m.m[12] = -(right + left) / (right - left);
        m.m[13] = -(top + bottom) / (top - bottom);
        m.m[14] = -(zFar + zNear) / (zFar - zNear);
        multiplyCurrent(m);
    }
    setMatrixMode(ModelView);
    loadIdentity();
}

void KyRenderer::loadProjection(const KyMatrix4x4& m)
{
    setMatrixMode(Projection);
    loadIdentity();
    loadMatrix(m);
    setMatrixMode(ModelView);
    loadIdentity();
}

void KyRenderer::clear(u32 mask)
{
    glClear(mask);
}

void KyRenderer::setClearColor(const KyColor& color)
{
    glClearColor(color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, color.a / 255.0f);
}

void KyRenderer::depthOff()
{
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
}

void KyRenderer::depthOn()
{
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
}

void KyRenderer::enableTexture()
{
    glEnable(GL_TEXTURE_2D);
    m_textureEnabled = true;
}

void KyRenderer::disableTexture()
{
    glDisable(GL_TEXTURE_2D);
    m_textureEnabled = false;
}

void KyRenderer::translate(f32 x, f32 y, f32 z)
{
    glTranslatef(x, y, z);
    KyMatrix4x4 m;
    m.translate(KyVector3f32(x, y, z));
    multiplyCurrent(m);
}

void KyRenderer::rotate(f32 degrees, f32 x, f32 y, f32 z)
{
    glRotatef(degrees, x, y, z);
    KyVector3f32 axis(x, y, z);
    // OpenGL ignores a rotation about a null axis.
    if (axis.length() <= 1e-4f)
        return;
    axis.normalize();
    KyQuaternion q = KyQuaternion::fromAxisAndAngle(axis, degrees * 3.14159265358979f / 180.0f);
    multiplyCurrent(q.toMatrix());
}

void KyRenderer::scale(f32 x, f32 y, f32 z)
{
    glScalef(x, y, z);
    KyMatrix4x4 m;
    m.scale(KyVector3f32(x, y, z));
    multiplyCurrent(m);
}

void KyRenderer::color(f32 r, f32 g, f32 b, f32 a)
{
    glColor4f(r, g, b, a);
}

void KyRenderer::viewport(s32 x, s32 y, s32 width, s32 height)
{
    glViewport(x, y, width, height);
}

void KyRenderer::loadMatrix(const KyMatrix4x4& m)
{
    glLoadMatrixf(m.data());
    if (MatrixRecord* record = currentRecord())
        record->current = m;
}

void KyRenderer::multMatrix(const KyMatrix4x4& m)
{
    glMultMatrixf(m.data());
    multiplyCurrent(m);
}

void KyRenderer::loadIdentity()
{
    glLoadIdentity();
    if (MatrixRecord* record = currentRecord())
        record->current.setToIdentity();
}

void KyRenderer::pushMatrix()
{
    glPushMatrix();
    if (MatrixRecord* record = currentRecord())
        record->saved.pushBack(record->current);
}

void KyRenderer::popMatrix()
{
    glPopMatrix();
    MatrixRecord* record = currentRecord();
    if (record && record->saved.count() > 0) {
        record->current = record->saved[record->saved.count() - 1];
        record->saved.removeAt(record->saved.count() - 1);
    }
}

KyMatrix4x4 KyRenderer::currentMatrix(s32 mode) const
{
    if (mode < 0 || mode > 2)
        return KyMatrix4x4();
    return m_records[mode].current;
}

u32 KyRenderer::savedMatrixCount(s32 mode) const
{
    if (mode < 0 || mode > 2)
        return 0;
    return m_records[mode].saved.count();
}

void KyRenderer::drawTexture(Ky3DTexture* texture)
{
    if (!texture || !texture->isCreated() || texture->textureWidth() == 0 || texture->textureHeight() == 0)
        return;
    drawQuad(texture, f32(texture->imageWidth()), f32(texture->imageHeight()), 0.0f, 0.0f,
             f32(texture->imageWidth()) / f32(texture->textureWidth()),
             f32(texture->imageHeight()) / f32(texture->textureHeight()));
}

void KyRenderer::drawTexture(Ky3DTexture* texture, const KyVector2s32& size)
{
    drawTexture(texture, KyVector2s32(0, 0), size);
}

void KyRenderer::drawTexture(Ky3DTexture* texture, const KyVector2s32& origin, const KyVector2s32& size)
{
    if (!texture || !texture->isCreated() || texture->textureWidth() == 0 || texture->textureHeight() == 0)
        return;
    const f32 tw = f32(texture->textureWidth());
    const f32 th = f32(texture->textureHeight());
    drawQuad(texture, f32(size.x), f32(size.y), f32(origin.x) / tw, f32(origin.y) / th, f32(origin.x + size.x) / tw,
             f32(origin.y + size.y) / th);
}

void KyRenderer::drawQuad(Ky3DTexture* texture, f32 w, f32 h, f32 u0, f32 v0, f32 u1, f32 v1)
{
    const GLfloat vertices[12] = {0, 0, 0, w, 0, 0, 0, h, 0, w, h, 0};
    const GLfloat normals[12] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    const GLfloat coords[8] = {u0, v0, u1, v0, u0, v1, u1, v1};
    static const GLubyte indices[4] = {0, 1, 2, 3};

    enableTexture();
    texture->bind();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glNormalPointer(GL_FLOAT, 0, normals);
    glTexCoordPointer(2, GL_FLOAT, 0, coords);
    glDrawElements(GL_TRIANGLE_STRIP, 4, GL_UNSIGNED_BYTE, indices);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    disableTexture();
}

void KyRenderer::beginCameraDraw(KyCamera& camera)
{
    setMatrixMode(Projection);
    pushMatrix();
    loadIdentity();
    setMatrixMode(ModelView);
    pushMatrix();
    loadIdentity();
    camera.applyProjection();
    camera.applyTransformation();
}

void KyRenderer::endCameraDraw()
{
    setMatrixMode(Projection);
    popMatrix();
    setMatrixMode(ModelView);
    popMatrix();
}

void KyRenderer::drawOverlay(KyCamera& camera, KyArray<KyICallback0Param*>& onDraw)
{
    camera.applyProjection();
    camera.applyTransformation();
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    onDraw.call();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glLoadIdentity();
    if (MatrixRecord* record = currentRecord())
        record->current.setToIdentity();
}

KyString KyRenderer::vendor() const
{
    return KyString(glText(GL_VENDOR));
}

KyString KyRenderer::renderer() const
{
    return KyString(glText(GL_RENDERER));
}
