#include "os/KyOsGL.h"
#include "os/KyOsWindow.h"
#include "platform/KyOpenGLContext.h"
#include "platform/KyOpenGLExtensions.h"
#include "tests/support/StdoutCapture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int g_lookups = 0;
const char* g_missing = nullptr;

// Gives a distinct fake address for every entry point except g_missing.
void* fakeLookup(const char* name)
{
    static char addresses[KyOpenGLExtensions::EntryPointCount];
    ++g_lookups;
    if (g_missing && std::strcmp(name, g_missing) == 0)
        return nullptr;
    for (unsigned i = 0; i < KyOpenGLExtensions::EntryPointCount; ++i) {
        if (std::strcmp(name, KyOpenGLExtensions::entryPointName(i)) == 0)
            return &addresses[i];
    }
    return nullptr;
}

bool anyEntryPointSet(const KyOpenGLExtensions& e)
{
    return e.glIsRenderbufferEXT || e.glBindRenderbufferEXT || e.glDeleteRenderbuffersEXT ||
           e.glGenRenderbuffersEXT || e.glRenderbufferStorageEXT || e.glGetRenderbufferParameterivEXT ||
           e.glIsFramebufferEXT || e.glBindFramebufferEXT || e.glDeleteFramebuffersEXT ||
           e.glGenFramebuffersEXT || e.glCheckFramebufferStatusEXT || e.glFramebufferTexture2DEXT ||
           e.glFramebufferRenderbufferEXT || e.glGetFramebufferAttachmentParameterivEXT;
}

} // namespace

TEST(MainWindowContextTest, ContextBracketsAFrameAndFailuresAreReported)
{
    {
        StdoutCapture log;
        EXPECT_FALSE(KyOpenGLContext::Initialize(nullptr));
        EXPECT_FALSE(KyOpenGLContext::isInitialized());
        EXPECT_FALSE(KyOpenGLContext::makeCurrent());
        EXPECT_FALSE(KyOpenGLContext::swapAndRelease());
        EXPECT_NE(std::string::npos,
                  log.text().find("[KyOpenGLContext::Initialize(void* handle)] Unable to create the context.\n"));
    }
    KyOsWindow unopened;
    EXPECT_FALSE(KyOpenGLContext::Initialize(&unopened));

    KyOsWindow window;
    ASSERT_TRUE(window.create("context", 64, 48, false));
    ASSERT_TRUE(KyOpenGLContext::Initialize(&window));
    EXPECT_EQ(&window, KyOpenGLContext::window());
    // Initialize leaves the context current.
    EXPECT_NE(nullptr, KyOsGL::vendor());

    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(KyOpenGLContext::swapAndRelease());
    EXPECT_EQ(nullptr, KyOsGL::vendor());
    ASSERT_TRUE(KyOpenGLContext::makeCurrent());
    EXPECT_NE(nullptr, KyOsGL::renderer());
    KyOpenGLContext::swapAndRelease();

    KyOpenGLContext::destroy();
    EXPECT_FALSE(KyOpenGLContext::isInitialized());
    EXPECT_FALSE(KyOpenGLContext::makeCurrent());
}

TEST(MainWindowContextTest, FramebufferExtensionNeedsEveryEntryPoint)
{
    KyOpenGLExtensions e;
    EXPECT_FALSE(anyEntryPointSet(e));
    EXPECT_EQ(nullptr, KyOpenGLExtensions::entryPointName(KyOpenGLExtensions::EntryPointCount));

    g_missing = nullptr;
    ASSERT_TRUE(e.load("GL_ARB_x GL_EXT_framebuffer_object GL_ARB_y", &fakeLookup));
    EXPECT_TRUE(e.isFramebufferObjectLoaded());
    EXPECT_NE(nullptr, reinterpret_cast<void*>(e.glGetFramebufferAttachmentParameterivEXT));
    EXPECT_NE(reinterpret_cast<void*>(e.glIsRenderbufferEXT), reinterpret_cast<void*>(e.glBindRenderbufferEXT));

    // One entry point short: the extension counts as absent and nothing stays set.
    g_missing = "glCheckFramebufferStatusEXT";
    {
        StdoutCapture log;
        EXPECT_FALSE(e.load("GL_EXT_framebuffer_object", &fakeLookup));
        EXPECT_NE(std::string::npos,
                  log.text().find("[KyExtensions::LoadExtensions] GL_EXT_framebuffer_object failed.\n"));
    }
    EXPECT_FALSE(e.isFramebufferObjectLoaded());
    EXPECT_FALSE(anyEntryPointSet(e));

    // Without the name in the list (or without a list) nothing is looked up.
    g_missing = nullptr;
    g_lookups = 0;
    EXPECT_FALSE(e.load("GL_ARB_framebuffer_object", &fakeLookup));
    EXPECT_FALSE(e.load(nullptr, &fakeLookup));
    EXPECT_EQ(0, g_lookups);
    EXPECT_FALSE(anyEntryPointSet(e));
}

TEST(MainWindowContextTest, DriverFramebufferObjectsWork)
{
    KyOsWindow window;
    ASSERT_TRUE(window.create("fbo", 32, 32, false));
    ASSERT_TRUE(KyOpenGLContext::Initialize(&window));
    KyOpenGLExtensions e;
    StdoutCapture log;
    if (!e.LoadExtensions()) {
        KyOpenGLContext::destroy();
        GTEST_SKIP() << "driver without GL_EXT_framebuffer_object";
    }
    EXPECT_NE(std::string::npos, log.text().find("[KyExtensions::LoadExtensions] GL_EXT_framebuffer_object loaded.\n"));
    GLuint fbo = 0;
    e.glGenFramebuffersEXT(1, &fbo);
    EXPECT_NE(0u, fbo);
    e.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo);
    EXPECT_TRUE(e.glIsFramebufferEXT(fbo));
    e.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    e.glDeleteFramebuffersEXT(1, &fbo);
    KyOpenGLContext::destroy();
}
