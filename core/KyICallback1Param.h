#ifndef KY_ICALLBACK1PARAM_H
#define KY_ICALLBACK1PARAM_H

#include "core/KyTypes.h"

// A listener of an event that carries one argument of type A (a value or a
// reference type). Signals hold pointers to it
// (KyArray<KyICallback1Param<A>*>); see KyICallback0Param for the contract
// of each operation.
template <class A>
class KyICallback1Param {
public:
    virtual ~KyICallback1Param() {}

    virtual bool call(A argument) = 0;
    virtual f32 priority() = 0;
    virtual bool equals(KyICallback1Param* other) = 0;
    virtual bool sameObject(KyICallback1Param* other) = 0;
    virtual bool isOwnedByArray() = 0;
};

#endif
