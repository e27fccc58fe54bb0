#ifndef KY_SERIALIZE_H
#define KY_SERIALIZE_H

#include "core/KyStream.h"
#include "core/KyTypes.h"

// An object that saves itself to a stream and loads itself back (images,
// palettes, rich-text nodes).
class KySerialize {
public:
    virtual ~KySerialize() {}
    // Writes the object; returns the number of bytes written.
    virtual u32 serialize(KyStream& stream) = 0;
    // Reads the object back from what serialize wrote.
    virtual void deserialize(KyStream& stream) = 0;
};

#endif
