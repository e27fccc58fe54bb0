#ifndef KY_OPENGL_EXTENSIONS_H
#define KY_OPENGL_EXTENSIONS_H

#include "platform/KyExtensions.h"

#include <GL/gl.h>
#include <GL/glext.h>

// Entry points of GL_EXT_framebuffer_object. The pointers are null until a
// LoadExtensions() finds every one of them: a driver that names the
// extension but lacks one entry point gets the extension treated as absent,
// so a caller that finds glGenFramebuffersEXT set may use all of them.
class KyOpenGLExtensions : public KyExtensions {
public:
    typedef void* (*ProcLookup)(const char* name);

    KyOpenGLExtensions();

    // Reads the current context's extension string and looks the entry
    // points up. Logs whether the extension was loaded.
    bool LoadExtensions() override;

    // The same from a given extension string and lookup (null text: no
    // extension). LoadExtensions() calls it with the driver's.
    bool load(const char* extensionsText, ProcLookup lookup);

    // True while every entry point is set.
    bool isFramebufferObjectLoaded() const { return m_loaded; }

    // Number of entry points, and their names in the order of the members.
    static const unsigned EntryPointCount = 14;
    static const char* entryPointName(unsigned index);

    PFNGLISRENDERBUFFEREXTPROC glIsRenderbufferEXT;
    PFNGLBINDRENDERBUFFEREXTPROC glBindRenderbufferEXT;
    PFNGLDELETERENDERBUFFERSEXTPROC glDeleteRenderbuffersEXT;
    PFNGLGENRENDERBUFFERSEXTPROC glGenRenderbuffersEXT;
    PFNGLRENDERBUFFERSTORAGEEXTPROC glRenderbufferStorageEXT;
    PFNGLGETRENDERBUFFERPARAMETERIVEXTPROC glGetRenderbufferParameterivEXT;
    PFNGLISFRAMEBUFFEREXTPROC glIsFramebufferEXT;
    PFNGLBINDFRAMEBUFFEREXTPROC glBindFramebufferEXT;
    PFNGLDELETEFRAMEBUFFERSEXTPROC glDeleteFramebuffersEXT;
    PFNGLGENFRAMEBUFFERSEXTPROC glGenFramebuffersEXT;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC glCheckFramebufferStatusEXT;
    PFNGLFRAMEBUFFERTEXTURE2DEXTPROC glFramebufferTexture2DEXT;
    PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC glFramebufferRenderbufferEXT;
    PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC glGetFramebufferAttachmentParameterivEXT;

private:
    void clearEntryPoints();

    bool m_loaded;
};

#endif
