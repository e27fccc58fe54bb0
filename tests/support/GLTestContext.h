#ifndef KY_TEST_GL_TEST_CONTEXT_H
#define KY_TEST_GL_TEST_CONTEXT_H

#include "core/KyColor.h"
#include "core/KyTypes.h"
#include "os/KyOsGL.h"
#include "os/KyOsWindow.h"

#include <gtest/gtest.h>

// A real OpenGL context for tests that draw: a small window with its own
// context, current for the lifetime of the object. Under the headless
// environment (SDL_VIDEODRIVER=offscreen) this is Mesa through EGL, no
// display needed.
//
//     GLTestContext gl;              // 64 x 64 by default
//     ASSERT_TRUE(gl.ok());
//     ... draw ...
//     KyColor c = gl.pixel(10, 10);  // read back with glReadPixels
class GLTestContext {
public:
    explicit GLTestContext(s32 width = 64, s32 height = 64);
    ~GLTestContext();
    GLTestContext(const GLTestContext&) = delete;
    GLTestContext& operator=(const GLTestContext&) = delete;

    // True when the window and its context exist and the context is current.
    bool ok() const { return m_ok; }
    s32 width() const { return m_width; }
    s32 height() const { return m_height; }

    // Pixel (x, y) of the back buffer, y counted from the bottom row as
    // OpenGL does.
    KyColor pixel(s32 x, s32 y) const;
    // Waits for the drawing so far (glFinish).
    void finish() const;

    KyOsWindow& window() { return m_window; }
    KyOsGL& gl() { return m_gl; }

private:
    KyOsWindow m_window;
    KyOsGL m_gl;
    s32 m_width;
    s32 m_height;
    bool m_ok;
};

// Fixture for tests that draw: every test gets a fresh context, so no GL
// state leaks from one test to the next. A context that cannot be opened
// fails the test.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_context.ok()) << "no OpenGL context"; }

    KyColor pixel(s32 x, s32 y) const { return m_context.pixel(x, y); }
    GLTestContext& context() { return m_context; }

private:
    GLTestContext m_context;
};

#endif
