#include "platform/KyMesh.h"

#include "core/KySingleton.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyImg.h"
#include "platform/KyRenderer.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

// A w x h rectangle at (x, y) as a 4-vertex triangle strip.
void makeQuad(KyMesh& mesh, f32 x, f32 y, f32 w, f32 h)
{
    mesh.init(4, 4, 6);
    mesh.setVertex(0, x, y, 0);
    mesh.setVertex(1, x + w, y, 0);
    mesh.setVertex(2, x, y + h, 0);
    mesh.setVertex(3, x + w, y + h, 0);
    for (u32 i = 0; i < 4; ++i) {
        mesh.setNormal(i, 0, 0, 1);
        mesh.setTextureCoords(i, 0, 0);
        mesh.setIndex(i, u16(i));
    }
}

// A 3 x 2 RGBA picture, stored bottom row first: red, green, blue over
// white, white, yellow. Its texture is padded to 8 x 8.
KyIntrusivePtr<Ky3DTexture> makeTexture()
{
    const u8 pixels[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,
                         255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 255};
    KyImg image;
    u8* data = image.create(6, 3, 2, KyIntrusivePtr<KyPalette>());
    for (u32 i = 0; i < sizeof(pixels); ++i)
        data[i] = pixels[i];
    KyIntrusivePtr<Ky3DTexture> texture(new Ky3DTexture);
    texture->load(image);
    return texture;
}

} // namespace

TEST(MeshTest, InitSizesTheArraysAndPicksThePrimitive)
{
    KyMesh mesh;
    EXPECT_EQ(0u, mesh.vertexCount());
    EXPECT_EQ(0, mesh.primitive());
    EXPECT_EQ(GL_MODULATE, mesh.textureEnvMode());

    mesh.init(4, 6, 5);
    EXPECT_EQ(4u, mesh.vertexCount());
    EXPECT_EQ(6u, mesh.indexCount());
    EXPECT_EQ(GL_TRIANGLES, mesh.primitive());
    EXPECT_NE(nullptr, mesh.vertices());
    EXPECT_EQ(nullptr, mesh.colors());

    mesh.init(2, 2, 9);
    EXPECT_EQ(GL_TRIANGLES, mesh.primitive());
    mesh.init(2, 2, 1);
    EXPECT_EQ(GL_POINTS, mesh.primitive());
    mesh.init(2, 2, 7);
    EXPECT_EQ(GL_TRIANGLE_FAN, mesh.primitive());

    mesh.clear();
    EXPECT_EQ(0u, mesh.vertexCount());
    EXPECT_EQ(0u, mesh.indexCount());
    EXPECT_EQ(nullptr, mesh.indices());
}

TEST(MeshTest, FirstColourMakesEveryOtherVertexOpaqueBlack)
{
    KyMesh mesh;
    mesh.init(4, 4, 6);
    mesh.setColor(2, KyColor(255, 0, 0, 255));
    const u8* c = mesh.colors();
    ASSERT_NE(nullptr, c);
    for (u32 v = 0; v < 4; ++v) {
        if (v == 2) {
            EXPECT_EQ(255, c[8]);
            EXPECT_EQ(0, c[9]);
        } else {
            EXPECT_EQ(0, c[4 * v]);
            EXPECT_EQ(0, c[4 * v + 2]);
            EXPECT_EQ(255, c[4 * v + 3]);
        }
    }
}

TEST(MeshTest, CopiesAreDeepAndCompareByContent)
{
    KyMesh a;
    makeQuad(a, 1, 2, 3, 4);
    a.setPosition(KyVector3f32(5, 6, 7));
    a.setRotations(KyVector3f32(0, 0, 30));
    a.setTextureEnvMode(GL_BLEND);

    KyMesh b(a);
    EXPECT_TRUE(a == b);
    EXPECT_NE(a.vertices(), b.vertices());
    EXPECT_EQ(KyVector3f32(5, 6, 7), b.position());
    EXPECT_EQ(GL_BLEND, b.textureEnvMode());
    EXPECT_EQ(GL_TRIANGLE_STRIP, b.primitive());

    b.setVertex(3, 0, 0, 1);
    EXPECT_FALSE(a == b);
    b = a;
    EXPECT_TRUE(a == b);

    // Colours: equal when neither has them, different when only one has.
    b.setColor(0, KyColor(0, 0, 0, 255));
    EXPECT_FALSE(a == b);
    a.setColor(0, KyColor(0, 0, 0, 255));
    EXPECT_TRUE(a == b);

    b.setRotations(KyVector3f32(0, 0, 31));
    EXPECT_FALSE(a == b);
    b = a;
    b.setScale(KyVector3f32(2, 1, 1));
    EXPECT_FALSE(a == b);

    // Assigning an empty mesh empties; assigning to itself keeps.
    KyMesh before(b);
    KyMesh& same = b;
    b = same;
    EXPECT_TRUE(before == b);
    EXPECT_EQ(4u, b.vertexCount());
    b = KyMesh();
    EXPECT_EQ(0u, b.vertexCount());
    EXPECT_EQ(nullptr, b.colors());
    EXPECT_EQ(GL_MODULATE, b.textureEnvMode());
}

class MeshGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 64, 0, 64, -1, 1); // one unit a pixel, y up
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
};

TEST_F(MeshGLTest, ColouredQuadIsDrawn)
{
    KyMesh mesh;
    makeQuad(mesh, 0, 0, 32, 32);
    for (u32 i = 0; i < 4; ++i)
        mesh.setColor(i, KyColor(0, 0, 255, 255));
    mesh.setPosition(KyVector3f32(16, 8, 0));
    mesh.Render();

    EXPECT_EQ(KyColor(0, 0, 255, 255), pixel(20, 10));
    EXPECT_EQ(KyColor(0, 0, 255, 255), pixel(47, 39));
    EXPECT_EQ(KyColor(0, 0, 0, 255), pixel(10, 10)); // moved by the position
    EXPECT_EQ(KyColor(0, 0, 0, 255), pixel(48, 20));

    // Everything Render switched on is off again.
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(GL_MODULATE, env);
    KyMatrix4x4 modelView;
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView.m);
    EXPECT_EQ(KyMatrix4x4(), modelView);
    EXPECT_EQ(GL_NO_ERROR, glGetError());
}

TEST_F(MeshGLTest, VertexColoursMixAndWithoutColoursTheCurrentColourIsUsed)
{
    KyMesh mesh;
    makeQuad(mesh, 0, 0, 64, 64);
    mesh.setColor(1, KyColor(255, 0, 0, 255));
    mesh.setColor(3, KyColor(255, 0, 0, 255));
    mesh.Render();
    // Red on the right edge, black on the left, blended across.
    KyColor right = pixel(63, 32), left = pixel(0, 32), middle = pixel(32, 32);
    EXPECT_GT(right.r, 245);
    EXPECT_LT(left.r, 10);
    EXPECT_NEAR(128, middle.r, 8);

    // A mesh without colours takes the current colour.
    KyMesh plain;
    makeQuad(plain, 0, 0, 16, 16);
    glColor4f(0, 1, 0, 1);
    plain.Render();
    EXPECT_EQ(KyColor(0, 255, 0, 255), pixel(8, 8));
}

TEST_F(MeshGLTest, RotationsTurnAboutThePosition)
{
    KyMesh mesh;
    makeQuad(mesh, 0, 0, 20, 4);
    mesh.setColor(0, KyColor(255, 255, 255, 255));
    for (u32 i = 1; i < 4; ++i)
        mesh.setColor(i, KyColor(255, 255, 255, 255));
    mesh.setPosition(KyVector3f32(32, 32, 0));
    mesh.setRotations(KyVector3f32(0, 0, 90));
    // The scale is not applied by Render.
    mesh.setScale(KyVector3f32(3, 3, 3));
    mesh.Render();
    // The bar now points up from (32, 32), on the left of x = 32.
    EXPECT_EQ(KyColor(255, 255, 255, 255), pixel(30, 45));
    EXPECT_EQ(KyColor(0, 0, 0, 255), pixel(40, 33));
    EXPECT_EQ(KyColor(0, 0, 0, 255), pixel(30, 55));
}

TEST_F(MeshGLTest, ClearedOrEmptyMeshesDrawNothing)
{
    KyMesh mesh;
    mesh.Render();
    makeQuad(mesh, 0, 0, 64, 64);
    mesh.clear();
    mesh.Render();
    EXPECT_EQ(KyColor(0, 0, 0, 255), pixel(32, 32));
    EXPECT_EQ(GL_NO_ERROR, glGetError());
}

TEST_F(MeshGLTest, TexturedQuadShowsThePictureAndSwitchesTexturingBackOff)
{
    KyIntrusivePtr<Ky3DTexture> texture = makeTexture();
    ASSERT_EQ(8u, texture->textureWidth());
    KyMesh mesh;
    makeQuad(mesh, 0, 0, 3, 2);
    mesh.setTextureCoords(1, 3.0f / 8, 0);
    mesh.setTextureCoords(2, 0, 2.0f / 8);
    mesh.setTextureCoords(3, 3.0f / 8, 2.0f / 8);
    mesh.setTexture(texture);
    mesh.setPosition(KyVector3f32(10, 10, 0));
    mesh.Render();

    EXPECT_EQ(KyColor(255, 0, 0, 255), pixel(10, 10));
    EXPECT_EQ(KyColor(0, 255, 0, 255), pixel(11, 10));
    EXPECT_EQ(KyColor(0, 0, 255, 255), pixel(12, 10));
    EXPECT_EQ(KyColor(255, 255, 0, 255), pixel(12, 11));
    EXPECT_EQ(KyColor(0, 0, 0, 255), pixel(13, 10));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(KySingleton<KyRenderer>::instance()->isTextureEnabled());
    EXPECT_EQ(KyRenderer::ModelView, KySingleton<KyRenderer>::instance()->matrixMode());

    // Same data, another texture object: not equal; the same one: equal.
    KyMesh copy(mesh);
    EXPECT_TRUE(copy == mesh);
    EXPECT_EQ(texture.get(), copy.texture().get());
    copy.setTexture(makeTexture());
    EXPECT_FALSE(copy == mesh);
}

TEST_F(MeshGLTest, RendererDrawsTexturesAtImageSizeOrARegion)
{
    glClearColor(0.5f, 0.5f, 0.5f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    KyIntrusivePtr<Ky3DTexture> texture = makeTexture();
    KyRenderer renderer;

    glTranslatef(10, 10, 0);
    renderer.drawTexture(texture.get());
    EXPECT_EQ(KyColor(255, 0, 0, 255), pixel(10, 10));
    EXPECT_EQ(KyColor(0, 0, 255, 255), pixel(12, 10));
    EXPECT_EQ(KyColor(255, 255, 0, 255), pixel(12, 11));
    // The padding of the texture is not drawn.
    EXPECT_EQ(KyColor(128, 128, 128, 255), pixel(13, 10));
    EXPECT_EQ(KyColor(128, 128, 128, 255), pixel(10, 12));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(renderer.isTextureEnabled());
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));

    glTranslatef(10, 10, 0);
    renderer.drawTexture(texture.get(), KyVector2s32(1, 0), KyVector2s32(2, 2));
    EXPECT_EQ(KyColor(0, 255, 0, 255), pixel(20, 20));
    EXPECT_EQ(KyColor(0, 0, 255, 255), pixel(21, 20));
    EXPECT_EQ(KyColor(255, 255, 255, 255), pixel(20, 21));
    EXPECT_EQ(KyColor(255, 255, 0, 255), pixel(21, 21));
    EXPECT_EQ(KyColor(128, 128, 128, 255), pixel(22, 20));

    // Nothing to draw: no texture, or one never made.
    KyIntrusivePtr<Ky3DTexture> empty(new Ky3DTexture);
    renderer.drawTexture(empty.get());
    renderer.drawTexture(nullptr, KyVector2s32(4, 4));
    EXPECT_EQ(KyColor(128, 128, 128, 255), pixel(0, 0));
    EXPECT_EQ(GL_NO_ERROR, glGetError());
}
