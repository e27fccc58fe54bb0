#ifndef KY_MEMBER_CALLBACK_H
#define KY_MEMBER_CALLBACK_H

#include "core/KyTypes.h"

// What every listener bound to a member function of one object does alike,
// whatever the arguments: the priority, the ownership flag and the
// comparisons a signal uses to find a listener. Interface is the listener
// interface (KyICallback0Param, KyICallback1Param<A>); the class deriving
// from this one only adds call().
template <class Interface, class T, class M>
class KyMemberCallback : public Interface {
public:
    typedef M Method;

    KyMemberCallback(T* object, Method method, f32 priority, bool owned)
        : ownedByArray(owned ? 1 : 0), m_object(object), m_method(method), m_priority(priority)
    {
    }

    f32 priority() override { return m_priority; }

    bool equals(Interface* other) override
    {
        KyMemberCallback* o = dynamic_cast<KyMemberCallback*>(other);
        return o != nullptr && o->m_object == m_object && o->m_method == m_method;
    }

    bool sameObject(Interface* other) override
    {
        KyMemberCallback* o = dynamic_cast<KyMemberCallback*>(other);
        return o != nullptr && o->m_object == m_object;
    }

    bool isOwnedByArray() override { return ownedByArray != 0; }

    T* object() const { return m_object; }
    Method method() const { return m_method; }
    void setPriority(f32 priority) { m_priority = priority; }

    // 1: the signal array holding this callback deletes it.
    u8 ownedByArray;

protected:
    T* m_object;
    Method m_method;

private:
    f32 m_priority;
};

#endif
