#ifndef KY_RENDERER_H
#define KY_RENDERER_H

#include "core/KyArray.h"
#include "core/KyColor.h"
#include "core/KyICallback0Param.h"
#include "core/KyMatrix4x4.h"
#include "core/KyObject.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "core/KyVector3f32.h"
#include "platform/KyOpenGLExtensions.h"

// The program's fixed-function OpenGL state, reached through
// KySingleton<KyRenderer>::instance(): the start-up state, the frame clear,
// matrix-mode switching with a record of the current mode, projections,
// thin wrappers of the GL matrix and colour calls and the texturing switch.
// Main thread only, while the context is current.
//
// Matrix modes: 0 projection, 1 model-view, 2 texture. For each of them the
// renderer keeps a record of the matrix built through its own calls and of
// the matrices saved by pushMatrix; code that changes the GL matrices
// directly leaves those records behind.
class Ky3DTexture;
class KyCamera;

class KyRenderer : public KyObject {
public:
    enum MatrixMode { Projection = 0, ModelView = 1, Texture = 2 };

    KyRenderer();
    ~KyRenderer() override;
    KyRenderer(const KyRenderer&) = delete;
    KyRenderer& operator=(const KyRenderer&) = delete;

    // Start-up state: no culling, lighting or colour material; smooth
    // shading; depth test (LEQUAL) and alpha blending on; nicest perspective
    // correction; depth cleared to 1 and colour to opaque black. Logs the
    // vendor, renderer, version and extension strings, one line each, then
    // looks up the framebuffer-object extension.
    void init();
    // Clears colour and depth and resets the projection and model-view
    // matrices to the identity.
    void beginFrame();

    // 0 projection, 1 model-view, 2 texture; any other value is only
    // recorded.
    void setMatrixMode(s32 mode);
    s32 matrixMode() const { return m_matrixMode; }

    // The projection becomes glOrtho(l, r, b, t, n, f); the model-view
    // matrix is then current and the identity.
    void ortho(f32 left, f32 right, f32 bottom, f32 top, f32 zNear, f32 zFar);
    // The projection becomes m; the model-view matrix is then current and
    // the identity.
    void loadProjection(const KyMatrix4x4& m);

    void clear(u32 mask);
    void setClearColor(const KyColor& color);
    void depthOff();
    void depthOn();

    // GL_TEXTURE_2D on or off, and the record of it.
    void enableTexture();
    void disableTexture();
    bool isTextureEnabled() const { return m_textureEnabled; }
    // Only the record: for code that switches GL_TEXTURE_2D itself.
    void setTextureEnabled(bool enabled) { m_textureEnabled = enabled; }

    void translate(f32 x, f32 y, f32 z);
    void rotate(f32 degrees, f32 x, f32 y, f32 z);
    void scale(f32 x, f32 y, f32 z);
    void color(f32 r, f32 g, f32 b, f32 a);
    void viewport(s32 x, s32 y, s32 width, s32 height);
    void loadMatrix(const KyMatrix4x4& m);
    void multMatrix(const KyMatrix4x4& m);
    void loadIdentity();
    void pushMatrix();
    void popMatrix();

    // The matrix of a mode as built through this renderer (the identity for
    // a mode outside 0..2), and the number of matrices pushMatrix saved.
    KyMatrix4x4 currentMatrix(s32 mode) const;
    u32 savedMatrixCount(s32 mode) const;

    // Draws the texture's picture as a quad from (0, 0, 0) to its image
    // size, texture coordinates from (0, 0) to image size / texture size,
    // so the padding of the texture stays hidden. GL_TEXTURE_2D is on while
    // it draws and off afterwards. The current colour tints it. A texture
    // without a texture object draws nothing.
    void drawTexture(Ky3DTexture* texture);
    // The same for the region of the picture at origin (pixels from the
    // picture's first stored row and column) of the given size, drawn as a
    // quad of that size from (0, 0, 0).
    void drawTexture(Ky3DTexture* texture, const KyVector2s32& size);
    void drawTexture(Ky3DTexture* texture, const KyVector2s32& origin, const KyVector2s32& size);

    // For an element that draws through a camera of its own inside a pass:
    // saves the projection and model-view matrices, starts both from the
    // identity and applies the camera; the model-view matrix is then
    // current. endCameraDraw restores the two matrices saved and leaves the
    // model-view matrix current.
    void beginCameraDraw(KyCamera& camera);
    void endCameraDraw();

    // The 2D overlay pass of a frame: applies the camera, turns depth
    // testing and depth writes off, fires onDraw (every interface element
    // that draws listens there, by priority), then turns depth testing and
    // writes back on, sets the colour to opaque white and the model-view
    // matrix to the identity, whatever the listeners left behind.
    void drawOverlay(KyCamera& camera, KyArray<KyICallback0Param*>& onDraw);

    // glGetString(GL_VENDOR / GL_RENDERER); "" when the driver gives none.
    KyString vendor() const;
    KyString renderer() const;

    // The GL_EXT_framebuffer_object entry points, loaded by init().
    KyOpenGLExtensions& extensions() { return m_extensions; }

private:
    struct MatrixRecord {
        KyMatrix4x4 current;
        KyArray<KyMatrix4x4> saved;
    };

    // The record of the current mode; null for a mode outside 0..2.
    MatrixRecord* currentRecord();
    void multiplyCurrent(const KyMatrix4x4& m);
    // The textured quad of size w x h with texture coordinates from
    // (u0, v0) to (u1, v1), from client arrays.
    void drawQuad(Ky3DTexture* texture, f32 w, f32 h, f32 u0, f32 v0, f32 u1, f32 v1);

    bool m_textureEnabled;
    KyOpenGLExtensions m_extensions;
    s32 m_matrixMode;
    MatrixRecord m_records[3];
};

#endif
