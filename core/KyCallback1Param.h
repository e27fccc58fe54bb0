#ifndef KY_CALLBACK1PARAM_H
#define KY_CALLBACK1PARAM_H

#include "core/KyCallback0Param.h"
#include "core/KyICallback1Param.h"

#include <utility>

// A listener bound to a member function `bool T::f(A)` of one object, with a
// priority. See KyCallback0Param for ownership: the constructor makes an
// unowned callback (a name for removal), kyNewCallback an owned listener.
template <class A, class T>
class KyCallback1Param : public KyICallback1Param<A> {
public:
    typedef bool (T::*Method)(A);

    KyCallback1Param(T* object, Method method, f32 priority = 0.0f, bool owned = false)
        : ownedByArray(owned ? 1 : 0), m_object(object), m_method(method), m_priority(priority)
    {
    }

    // See KyCallback0Param::call about methods of a second base.
    KY_NO_SANITIZE_VPTR bool call(A argument) override
    {
        return (m_object->*m_method)(std::forward<A>(argument));
    }
    f32 priority() override { return m_priority; }

    bool equals(KyICallback1Param<A>* other) override
    {
        KyCallback1Param* o = dynamic_cast<KyCallback1Param*>(other);
        return o != nullptr && o->m_object == m_object && o->m_method == m_method;
    }

    bool sameObject(KyICallback1Param<A>* other) override
    {
        KyCallback1Param* o = dynamic_cast<KyCallback1Param*>(other);
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

// Makes a listener owned by the signal it is added to; the argument type is
// taken from the member function:
//   onText.pushBack(kyNewCallback(this, &Field::onText, 0.0f));
template <class T, class U, class A>
KyCallback1Param<A, T>* kyNewCallback(U* object, bool (T::*method)(A), f32 priority = 0.0f)
{
    return new KyCallback1Param<A, T>(object, method, priority, true);
}

#endif
