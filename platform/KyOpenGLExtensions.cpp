#include "platform/KyOpenGLExtensions.h"

#include "core/KyLog.h"
#include "os/KyOsGL.h"

#include <cstring>

namespace {

const char* const kExtensionName = "GL_EXT_framebuffer_object";

const char* const kEntryPoints[KyOpenGLExtensions::EntryPointCount] = {
    "glIsRenderbufferEXT",
    "glBindRenderbufferEXT",
    "glDeleteRenderbuffersEXT",
    "glGenRenderbuffersEXT",
    "glRenderbufferStorageEXT",
    "glGetRenderbufferParameterivEXT",
    "glIsFramebufferEXT",
    "glBindFramebufferEXT",
    "glDeleteFramebuffersEXT",
    "glGenFramebuffersEXT",
    "glCheckFramebufferStatusEXT",
    "glFramebufferTexture2DEXT",
    "glFramebufferRenderbufferEXT",
    "glGetFramebufferAttachmentParameterivEXT",
};

// Converts a looked-up address to the member's function pointer type.
template <class Proc>
void assign(Proc& member, void* address)
{
    member = reinterpret_cast<Proc>(address);
}

} // namespace

KyOpenGLExtensions::KyOpenGLExtensions()
    : m_loaded(false)
{
    clearEntryPoints();
}

const char* KyOpenGLExtensions::entryPointName(unsigned index)
{
    return index < EntryPointCount ? kEntryPoints[index] : nullptr;
}

bool KyOpenGLExtensions::LoadExtensions()
{
    return load(KyOsGL::extensions(), &KyOsGL::procAddress);
}

bool KyOpenGLExtensions::load(const char* extensionsText, ProcLookup lookup)
{
    void* found[EntryPointCount] = {};
    bool complete = extensionsText && lookup && std::strstr(extensionsText, kExtensionName);
    for (unsigned i = 0; complete && i < EntryPointCount; ++i) {
        found[i] = lookup(kEntryPoints[i]);
        if (!found[i]) {
            logPrint("[KyExtensions::LoadExtensions] %s is missing.\n", kEntryPoints[i]);
            complete = false;
        }
    }
    if (!complete) {
        clearEntryPoints();
        logPrint("[KyExtensions::LoadExtensions] GL_EXT_framebuffer_object failed.\n");
        return false;
    }
    assign(glIsRenderbufferEXT, found[0]);
    assign(glBindRenderbufferEXT, found[1]);
    assign(glDeleteRenderbuffersEXT, found[2]);
    assign(glGenRenderbuffersEXT, found[3]);
    assign(glRenderbufferStorageEXT, found[4]);
    assign(glGetRenderbufferParameterivEXT, found[5]);
    assign(glIsFramebufferEXT, found[6]);
    assign(glBindFramebufferEXT, found[7]);
    assign(glDeleteFramebuffersEXT, found[8]);
    assign(glGenFramebuffersEXT, found[9]);
    assign(glCheckFramebufferStatusEXT, found[10]);
    assign(glFramebufferTexture2DEXT, found[11]);
    assign(glFramebufferRenderbufferEXT, found[12]);
    assign(glGetFramebufferAttachmentParameterivEXT, found[13]);
    m_loaded = true;
    logPrint("[KyExtensions::LoadExtensions] GL_EXT_framebuffer_object loaded.\n");
    return true;
}

void KyOpenGLExtensions::clearEntryPoints()
{
    glIsRenderbufferEXT = nullptr;
    glBindRenderbufferEXT = nullptr;
    glDeleteRenderbuffersEXT = nullptr;
    glGenRenderbuffersEXT = nullptr;
    glRenderbufferStorageEXT = nullptr;
    glGetRenderbufferParameterivEXT = nullptr;
    glIsFramebufferEXT = nullptr;
    glBindFramebufferEXT = nullptr;
    glDeleteFramebuffersEXT = nullptr;
    glGenFramebuffersEXT = nullptr;
    glCheckFramebufferStatusEXT = nullptr;
    glFramebufferTexture2DEXT = nullptr;
    glFramebufferRenderbufferEXT = nullptr;
    glGetFramebufferAttachmentParameterivEXT = nullptr;
    m_loaded = false;
}
