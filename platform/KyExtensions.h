#ifndef KY_EXTENSIONS_H
#define KY_EXTENSIONS_H

#include "core/KyObject.h"

// Base of the objects that look up OpenGL extension entry points once a
// context is current. The base knows no extension and loads nothing.
class KyExtensions : public KyObject {
public:
    // Looks the entry points up; true when the extension is usable.
    virtual bool LoadExtensions() { return false; }
};

#endif
