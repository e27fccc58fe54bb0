#ifndef KY_CALLBACK0PARAM_H
#define KY_CALLBACK0PARAM_H

#include "core/KyICallback0Param.h"

#if defined(__GNUC__)
#define KY_NO_SANITIZE_VPTR __attribute__((no_sanitize("vptr")))
#else
#define KY_NO_SANITIZE_VPTR
#endif

// A listener bound to a member function `bool T::f()` of one object, with a
// priority. Standard member-function pointers carry whatever this-adjustment
// a class with several bases needs, so one layout serves every T.
//
// A callback made with the constructor is not owned by the signal it is put
// in (ownedByArray 0): such temporaries name a listener for removal. Listeners
// are registered with kyNewCallback, which sets ownedByArray to 1 so that the
// signal deletes the callback on removal or with itself.
template <class T>
class KyCallback0Param : public KyICallback0Param {
public:
    typedef bool (T::*Method)();

    KyCallback0Param(T* object, Method method, f32 priority = 0.0f, bool owned = false)
        : ownedByArray(owned ? 1 : 0), m_object(object), m_method(method), m_priority(priority)
    {
    }

    // A method of a second base is called on the adjusted object; the
    // sanitizer's dynamic-type check wrongly expects a whole T there.
    KY_NO_SANITIZE_VPTR bool call() override { return (m_object->*m_method)(); }
    f32 priority() override { return m_priority; }

    bool equals(KyICallback0Param* other) override
    {
        KyCallback0Param* o = dynamic_cast<KyCallback0Param*>(other);
        return o != nullptr && o->m_object == m_object && o->m_method == m_method;
    }

    bool sameObject(KyICallback0Param* other) override
    {
        KyCallback0Param* o = dynamic_cast<KyCallback0Param*>(other);
        return o != nullptr && o->m_object == m_object;
    }

    bool isOwnedByArray() override { return ownedByArray != 0; }

    T* object() const { return m_object; }
    Method method() const { return m_method; }
    void setPriority(f32 priority) { m_priority = priority; }

    // 1: the signal array holding this callback deletes it.
    u8 ownedByArray;

private:
    T* m_object;
    Method m_method;
    f32 m_priority;
};

// Makes a listener owned by the signal it is added to:
//   signal.insertByPriority(kyNewCallback(this, &Button::onPress, z));
// The object may be of a class derived from the one declaring the method.
template <class T, class U>
KyCallback0Param<T>* kyNewCallback(U* object, bool (T::*method)(), f32 priority = 0.0f)
{
    return new KyCallback0Param<T>(object, method, priority, true);
}

#endif
