#include "tests/support/GLTestContext.h"

#include <GL/gl.h>

GLTestContext::GLTestContext(s32 width, s32 height) : m_width(width), m_height(height), m_ok(false)
{
    if (!m_window.create("test", width, height, false))
        return;
    if (!m_gl.create(m_window))
        return;
    m_ok = m_gl.makeCurrent();
    if (m_ok) {
        // Reads back whole pixels whatever the width.
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glViewport(0, 0, width, height);
    }
}

GLTestContext::~GLTestContext()
{
    if (m_gl.exists())
        KyOsGL::makeNoneCurrent();
    m_gl.destroy();
    m_window.destroy();
}

KyColor GLTestContext::pixel(s32 x, s32 y) const
{
    u8 rgba[4] = {0, 0, 0, 0};
    if (m_ok) {
        glFinish();
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    }
    return KyColor(rgba[0], rgba[1], rgba[2], rgba[3]);
}

void GLTestContext::finish() const
{
    if (m_ok)
        glFinish();
}
