#ifndef GAME_LISTENERS_H
#define GAME_LISTENERS_H

#include "core/KyArray.h"
#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KyICallback0Param.h"
#include "core/KyICallback1Param.h"

// How the game and its screens listen: a member function of one object, of
// priority 0 unless said, appended at the end of the signal and owned by it
// (the signal's array grows to exactly its new count). Removal finds the
// first listener bound to the same object and member function.

template <class T, class U>
void appendListener(KyArray<KyICallback0Param*>& signal, U* object, bool (T::*method)(), f32 priority = 0.0f)
{
    signal.pushBack(kyNewCallback(object, method, priority));
}

template <class T, class U, class A>
void appendListener(KyArray<KyICallback1Param<A>*>& signal, U* object, bool (T::*method)(A), f32 priority = 0.0f)
{
    signal.pushBack(kyNewCallback(object, method, priority));
}

// The input signals keep their listeners ordered: these go in by priority.
template <class T, class U, class A>
void insertListener(KyArray<KyICallback1Param<A>*>& signal, U* object, bool (T::*method)(A), f32 priority = 0.0f)
{
    signal.insertByPriority(kyNewCallback(object, method, priority));
}

template <class T>
bool removeListener(KyArray<KyICallback0Param*>& signal, T* object, bool (T::*method)())
{
    KyCallback0Param<T> key(object, method);
    return signal.removeCallback(&key);
}

template <class T, class A>
bool removeListener(KyArray<KyICallback1Param<A>*>& signal, T* object, bool (T::*method)(A))
{
    KyCallback1Param<A, T> key(object, method);
    return signal.removeCallback(&key);
}

#endif
