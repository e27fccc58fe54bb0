#ifndef KY_REFERENCESCOUNTER_H
#define KY_REFERENCESCOUNTER_H

#include "core/KyObject.h"
#include "core/KyTypes.h"

// An object with an intrusive reference count, starting at 0. The release
// that brings the count to 0 deletes the object. Counts are plain integers:
// references are taken and released on the main thread only.
class KyReferencesCounter : public KyObject {
public:
    KyReferencesCounter() : m_count(0) {}
    // A copy is a new object: nobody references it yet.
    KyReferencesCounter(const KyReferencesCounter&) : KyObject(), m_count(0) {}
    KyReferencesCounter& operator=(const KyReferencesCounter&) { return *this; }

    void retain() { ++m_count; }

    // Out of line, so that callers reading the object after a release that
    // did not free it are not taken for a use after free by the compiler.
    // Releasing an object whose count is already 0 changes nothing.
    void release();

    u32 count() const { return m_count; }

private:
    u32 m_count;
};

// The counting hooks KyIntrusivePtr uses for every KyReferencesCounter kind.
inline void kyIntrusiveRetain(KyReferencesCounter* object)
{
    object->retain();
}

inline void kyIntrusiveRelease(KyReferencesCounter* object)
{
    object->release();
}

#endif
