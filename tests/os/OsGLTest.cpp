#include "os/KyOsGL.h"
#include "os/KyOsWindow.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

TEST(OsGLTest, ContextClearsTheWindowAndReadsItBack)
{
    KyOsWindow window;
    ASSERT_TRUE(window.create("gl", 64, 48, false));
    KyOsGL gl;
    ASSERT_TRUE(gl.create(window));
    ASSERT_NE(nullptr, KyOsGL::vendor());
    ASSERT_NE(nullptr, KyOsGL::renderer());
    ASSERT_NE(nullptr, KyOsGL::version());

    GLint depth = 0, stencil = 0, alpha = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_ALPHA_BITS, &alpha);
    EXPECT_EQ(24, depth);
    EXPECT_EQ(8, stencil);
    EXPECT_EQ(8, alpha);

    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[4] = {};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_NEAR(51, pixel[0], 1);
    EXPECT_NEAR(102, pixel[1], 1);
    EXPECT_NEAR(153, pixel[2], 1);
    EXPECT_EQ(255, pixel[3]);
    EXPECT_TRUE(gl.swap());
}

TEST(OsGLTest, DeeperBuffersThanOfferedAreRefused)
{
    KyOsWindow window;
    ASSERT_TRUE(window.create("gl", 32, 32, false));
    KyOsGL gl;
    EXPECT_FALSE(gl.create(window, 25, 8));
    EXPECT_FALSE(gl.create(window, 32, 32));
    EXPECT_FALSE(gl.create(window, 24, 16));
    EXPECT_FALSE(gl.create(window, -1, 8));
    EXPECT_FALSE(gl.exists());
    // A refusal leaves nothing behind that spoils a proper request.
    EXPECT_TRUE(gl.create(window, 16, 0));
    EXPECT_TRUE(gl.create(window));
    // A refused request keeps the context that works.
    EXPECT_FALSE(gl.create(window, 32, 8));
    EXPECT_TRUE(gl.exists());
    EXPECT_NE(nullptr, KyOsGL::vendor());
}

TEST(OsGLTest, FailuresAreReportedNotCrashed)
{
    KyOsWindow none;
    KyOsGL gl;
    EXPECT_FALSE(gl.create(none));
    EXPECT_FALSE(gl.makeCurrent());
    EXPECT_FALSE(gl.swap());

    KyOsWindow window;
    ASSERT_TRUE(window.create("gl", 32, 32, false));
    ASSERT_TRUE(gl.create(window));
    // Without a current context the driver strings are null, not garbage.
    ASSERT_TRUE(KyOsGL::makeNoneCurrent());
    EXPECT_EQ(nullptr, KyOsGL::vendor());
    EXPECT_EQ(nullptr, KyOsGL::renderer());
    EXPECT_FALSE(KyOsGL::setSwapInterval(1));
    ASSERT_TRUE(gl.makeCurrent());
    EXPECT_NE(nullptr, KyOsGL::vendor());
    KyOsGL::setSwapInterval(0);

    // The window going first leaves a context that refuses, without crashing.
    window.destroy();
    EXPECT_FALSE(gl.makeCurrent());
    EXPECT_FALSE(gl.swap());
}

TEST(OsGLTest, FramebufferExtensionEntryPointsAreFound)
{
    KyOsWindow window;
    ASSERT_TRUE(window.create("gl", 32, 32, false));
    KyOsGL gl;
    ASSERT_TRUE(gl.create(window));
    const char* extensions = KyOsGL::extensions();
    ASSERT_NE(nullptr, extensions);
    EXPECT_NE(nullptr, std::strstr(extensions, "GL_EXT_framebuffer_object"));
    EXPECT_NE(nullptr, KyOsGL::procAddress("glBindFramebufferEXT"));
    EXPECT_NE(nullptr, KyOsGL::procAddress("glCheckFramebufferStatusEXT"));
    EXPECT_EQ(nullptr, KyOsGL::procAddress(nullptr));
}
