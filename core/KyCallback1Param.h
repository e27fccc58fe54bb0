#ifndef KY_CALLBACK1PARAM_H
#define KY_CALLBACK1PARAM_H

#include "core/KyCallback0Param.h"
#include "core/KyICallback1Param.h"
#include "core/KyMemberCallback.h"

#include <utility>

// A listener bound to a member function `bool T::f(A)` of one object, with a
// priority. See KyCallback0Param for ownership: the constructor makes an
// unowned callback (a name for removal), kyNewCallback an owned listener.
template <class A, class T>
class KyCallback1Param : public KyMemberCallback<KyICallback1Param<A>, T, bool (T::*)(A)> {
    typedef KyMemberCallback<KyICallback1Param<A>, T, bool (T::*)(A)> Base;

public:
    typedef typename Base::Method Method;

    KyCallback1Param(T* object, Method method, f32 priority = 0.0f, bool owned = false)
        : Base(object, method, priority, owned)
    {
    }

    // See KyCallback0Param::call about methods of a second base.
    KY_NO_SANITIZE_VPTR bool call(A argument) override
    {
        return (this->m_object->*this->m_method)(std::forward<A>(argument));
    }
};

// Makes a listener owned by the signal it is added to; the argument type is
// taken from the member function:
//   onText.pushBack(kyNewCallback(this, &Field::onText, 0.0f));
template <class T, class U, class A>
KyCallback1Param<A, T>* kyNewCallback(U* object, bool (T::*method)(A), f32 priority = 0.0f)
{
    return new KyCallback1Param<A, T>(object, method, priority, true);
}

#endif
