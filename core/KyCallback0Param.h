#ifndef KY_CALLBACK0PARAM_H
#define KY_CALLBACK0PARAM_H

#include "core/KyICallback0Param.h"
#include "core/KyMemberCallback.h"

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
class KyCallback0Param : public KyMemberCallback<KyICallback0Param, T, bool (T::*)()> {
    typedef KyMemberCallback<KyICallback0Param, T, bool (T::*)()> Base;

public:
    typedef typename Base::Method Method;

    KyCallback0Param(T* object, Method method, f32 priority = 0.0f, bool owned = false)
        : Base(object, method, priority, owned)
    {
    }

    // A method of a second base is called on the adjusted object; the
    // sanitizer's dynamic-type check wrongly expects a whole T there.
    KY_NO_SANITIZE_VPTR bool call() override { return (this->m_object->*this->m_method)(); }
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
