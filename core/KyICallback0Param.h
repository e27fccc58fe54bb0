#ifndef KY_ICALLBACK0PARAM_H
#define KY_ICALLBACK0PARAM_H

#include "core/KyTypes.h"

// A listener of an event that carries no argument. Signals hold pointers to
// it (KyArray<KyICallback0Param*>) and fire them by priority, greatest first.
// The destructor is virtual: a signal deletes the callbacks it owns through
// this interface.
class KyICallback0Param {
public:
    virtual ~KyICallback0Param() {}

    // Runs the bound member function; true means the event was handled and
    // the signal stops there.
    virtual bool call() = 0;
    virtual f32 priority() = 0;
    // Same concrete callback class, same object, same member function.
    virtual bool equals(KyICallback0Param* other) = 0;
    // Same concrete callback class and same object.
    virtual bool sameObject(KyICallback0Param* other) = 0;
    // Whether the signal array deletes the callback when it is removed from
    // it or when the array is destroyed.
    virtual bool isOwnedByArray() = 0;
};

#endif
