#ifndef KY_INTRUSIVEPTR_H
#define KY_INTRUSIVEPTR_H

#include "core/KyObject.h"

// A counted reference to an object that carries its own count.
//
// The count is adjusted through two free functions found by argument-
// dependent lookup where the reference type is used:
//     void kyIntrusiveRetain(T* object);   // count + 1
//     void kyIntrusiveRelease(T* object);  // count - 1, and at 0 whatever the
//                                          // kind does on its last release
// core/KyReferencesCounter.h provides them for every KyReferencesCounter
// kind (the last release deletes the object). A family with its own count
// (resources, which also leave the resource manager on their last release)
// declares its own pair for its base class next to it; overload resolution
// picks the most derived match. A type with no hook does not compile.
template <class T>
class KyIntrusivePtr : public KyObject {
public:
    KyIntrusivePtr() : m_pointer(nullptr) {}

    KyIntrusivePtr(T* pointer) : m_pointer(pointer)
    {
        if (m_pointer)
            kyIntrusiveRetain(m_pointer);
    }

    KyIntrusivePtr(const KyIntrusivePtr& other) : KyIntrusivePtr(other.m_pointer) {}

    template <class U>
    KyIntrusivePtr(const KyIntrusivePtr<U>& other) : KyIntrusivePtr(other.get())
    {
    }

    ~KyIntrusivePtr() override { reset(); }

    // The new object is retained before the old one is released, so
    // assigning a reference to itself, or to an object that only the old one
    // keeps alive, is safe.
    KyIntrusivePtr& operator=(const KyIntrusivePtr& other) { return assign(other.m_pointer); }
    KyIntrusivePtr& operator=(T* pointer) { return assign(pointer); }

    // Releases the held object; the reference becomes empty.
    void reset()
    {
        T* old = m_pointer;
        m_pointer = nullptr;
        if (old)
            kyIntrusiveRelease(old);
    }

    T* get() const { return m_pointer; }
    T* operator->() const { return m_pointer; }
    T& operator*() const { return *m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }
    bool isNull() const { return m_pointer == nullptr; }

    bool operator==(const KyIntrusivePtr& other) const { return m_pointer == other.m_pointer; }
    bool operator!=(const KyIntrusivePtr& other) const { return m_pointer != other.m_pointer; }
    bool operator==(const T* pointer) const { return m_pointer == pointer; }
    bool operator!=(const T* pointer) const { return m_pointer != pointer; }

private:
    KyIntrusivePtr& assign(T* pointer)
    {
        if (pointer)
            kyIntrusiveRetain(pointer);
        T* old = m_pointer;
        m_pointer = pointer;
        if (old)
            kyIntrusiveRelease(old);
        return *this;
    }

    T* m_pointer;
};

#endif
