#ifndef KY_ARRAY_H
#define KY_ARRAY_H

#include "core/KyICallback0Param.h"
#include "core/KyICallback1Param.h"
#include "core/KyObject.h"
#include "core/KyTypes.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

// The engine's growable array. Memory is always the size of the content:
// an append into a full array reallocates to exactly count + 1 elements, and
// removing a value keeps the capacity. Pointer arrays never delete what they
// point to.
//
// Elements that are trivially copyable travel as bytes (realloc, memmove).
// Any other element (strings, counted references) is moved into its new slot
// with its own constructors and destroyed in the old one, so it never sees
// its bytes copied behind its back.
//
// KyArray<T> is this template; arrays of callback pointers are signals and
// get the operations of KyCallbackArray below.
template <class T>
class KyArrayBase : public KyObject {
public:
    typedef int (*Compare)(const void* a, const void* b);

    KyArrayBase() : m_data(nullptr), m_count(0), m_capacity(0) {}
    KyArrayBase(const KyArrayBase& other) : KyArrayBase() { copy(other); }
    KyArrayBase& operator=(const KyArrayBase& other)
    {
        copy(other);
        return *this;
    }
    ~KyArrayBase() override { clear(); }

    u32 count() const { return m_count; }
    u32 capacity() const { return m_capacity; }
    bool isEmpty() const { return m_count == 0; }

    T* data() { return m_data; }
    const T* data() const { return m_data; }
    T& operator[](u32 index) { return m_data[index]; }
    const T& operator[](u32 index) const { return m_data[index]; }

    T* begin() { return m_data; }
    T* end() { return m_data + m_count; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_count; }

    // Appends a copy of value. The copy is taken before the storage moves,
    // so value may be an element of this very array.
    void pushBack(const T& value) { insert(m_count, value); }

    void pushFront(const T& value) { insert(0, value); }

    // Inserts a copy of value before position index (index == count appends).
    // An index past the count is refused and changes nothing.
    void insert(u32 index, const T& value)
    {
        if (index > m_count)
            return;
        T copyOfValue(value);
        if (m_count >= m_capacity)
            reallocateExact(m_count + 1);
        if constexpr (std::is_trivially_copyable<T>::value) {
            if (index < m_count)
                std::memmove(static_cast<void*>(m_data + index + 1), m_data + index,
                             (m_count - index) * sizeof(T));
        } else {
            for (u32 i = m_count; i > index; --i)
                relocate(m_data + i, m_data + i - 1);
        }
        new (m_data + index) T(std::move(copyOfValue));
        ++m_count;
    }

    // Removes the first element equal to value; the capacity stays.
    bool remove(const T& value)
    {
        u32 index;
        if (!find(value, &index))
            return false;
        return removeAt(index);
    }

    // Removes the element at index; the capacity stays. False when index is
    // past the end.
    bool removeAt(u32 index)
    {
        if (index >= m_count)
            return false;
        if constexpr (std::is_trivially_copyable<T>::value) {
            std::memmove(static_cast<void*>(m_data + index), m_data + index + 1,
                         (m_count - index - 1) * sizeof(T));
        } else {
            m_data[index].~T();
            for (u32 i = index; i + 1 < m_count; ++i)
                relocate(m_data + i, m_data + i + 1);
        }
        --m_count;
        return true;
    }

    // The first element equal to value (for string arrays: the same text,
    // byte for byte); its index is stored when index is non-null.
    bool find(const T& value, u32* index = nullptr) const
    {
        for (u32 i = 0; i < m_count; ++i) {
            if (m_data[i] == value) {
                if (index)
                    *index = i;
                return true;
            }
        }
        return false;
    }

    bool contains(const T& value) const { return find(value, nullptr); }

    // Destroys every element and frees the storage.
    void clear()
    {
        destroyElements(0, m_count);
        std::free(m_data);
        m_data = nullptr;
        m_count = 0;
        m_capacity = 0;
    }

    // Makes this array a copy of source. The storage grows to exactly the
    // source's count when it is short, and otherwise keeps its capacity.
    void copy(const KyArrayBase& source)
    {
        if (&source == this)
            return;
        destroyElements(0, m_count);
        m_count = 0;
        if (m_capacity < source.m_count)
            reallocateExact(source.m_count);
        if constexpr (std::is_trivially_copyable<T>::value) {
            if (source.m_count > 0)
                std::memcpy(static_cast<void*>(m_data), source.m_data, source.m_count * sizeof(T));
            m_count = source.m_count;
        } else {
            for (; m_count < source.m_count; ++m_count)
                new (m_data + m_count) T(source.m_data[m_count]);
        }
    }

    // Sets the count. Shrinking destroys the elements past the new count and
    // keeps the capacity; growing reallocates to exactly the new count when
    // the capacity is short, and every new element is value-initialised
    // (0 for numbers), including those that reuse spare capacity.
    void resize(u32 newCount)
    {
        if (newCount <= m_count) {
            destroyElements(newCount, m_count);
            m_count = newCount;
            return;
        }
        if (m_capacity < newCount)
            reallocateExact(newCount);
        for (; m_count < newCount; ++m_count)
            new (m_data + m_count) T();
    }

    // Sorts with a qsort-style comparator given pointers to two elements
    // (negative: the first goes first). The sort is stable, and never reads
    // outside the array even when the comparator is inconsistent (NaN keys).
    void sort(Compare compare)
    {
        if (m_count < 2)
            return;
        if (m_count <= kInsertionSortLimit)
            insertionSort(compare);
        else
            mergeSort(compare);
    }

protected:
    // Reallocates the storage to exactly n elements (n >= count); n == 0
    // frees it.
    void reallocateExact(u32 n)
    {
        if (n == 0) {
            std::free(m_data);
            m_data = nullptr;
            m_capacity = 0;
            return;
        }
        if constexpr (std::is_trivially_copyable<T>::value) {
            void* block = std::realloc(static_cast<void*>(m_data), size_t(n) * sizeof(T));
            if (!block)
                throw std::bad_alloc();
            m_data = static_cast<T*>(block);
        } else {
            T* block = static_cast<T*>(std::malloc(size_t(n) * sizeof(T)));
            if (!block)
                throw std::bad_alloc();
            for (u32 i = 0; i < m_count; ++i)
                relocate(block + i, m_data + i);
            std::free(m_data);
            m_data = block;
        }
        m_capacity = n;
    }

    T* m_data;
    u32 m_count;
    u32 m_capacity;

private:
    static constexpr u32 kInsertionSortLimit = 32;

    // Moves the element at from into the raw slot to and ends from's life.
    static void relocate(T* to, T* from)
    {
        new (to) T(std::move(*from));
        from->~T();
    }

    void destroyElements(u32 first, u32 last)
    {
        if constexpr (!std::is_trivially_destructible<T>::value) {
            for (u32 i = first; i < last; ++i)
                m_data[i].~T();
        }
    }

    void insertionSort(Compare compare)
    {
        for (u32 i = 1; i < m_count; ++i) {
            u32 j = i;
            while (j > 0 && compare(m_data + i, m_data + j - 1) < 0)
                --j;
            if (j == i)
                continue;
            T moving(std::move(m_data[i]));
            m_data[i].~T();
            for (u32 k = i; k > j; --k)
                relocate(m_data + k, m_data + k - 1);
            new (m_data + j) T(std::move(moving));
        }
    }

    // Bottom-up merge sort of element indices, then one pass that moves the
    // elements into a new block in sorted order.
    void mergeSort(Compare compare)
    {
        u32* order = static_cast<u32*>(std::malloc(size_t(m_count) * 2 * sizeof(u32)));
        if (!order)
            throw std::bad_alloc();
        u32* from = order;
        u32* to = order + m_count;
        for (u32 i = 0; i < m_count; ++i)
            from[i] = i;
        for (u32 width = 1; width < m_count; width *= 2) {
            for (u32 low = 0; low < m_count; low += 2 * width) {
                u32 mid = low + width < m_count ? low + width : m_count;
                u32 high = mid + width < m_count ? mid + width : m_count;
                u32 i = low, j = mid, k = low;
                while (i < mid && j < high)
                    to[k++] = compare(m_data + from[j], m_data + from[i]) < 0 ? from[j++] : from[i++];
                while (i < mid)
                    to[k++] = from[i++];
                while (j < high)
                    to[k++] = from[j++];
            }
            std::swap(from, to);
        }
        T* block = static_cast<T*>(std::malloc(size_t(m_capacity) * sizeof(T)));
        if (!block) {
            std::free(order);
            throw std::bad_alloc();
        }
        for (u32 i = 0; i < m_count; ++i)
            relocate(block + i, m_data + from[i]);
        std::free(m_data);
        m_data = block;
        std::free(order);
    }
};

template <class T>
class KyArray : public KyArrayBase<T> {
};

// The qsort-style comparator that orders callbacks by priority, greatest
// first: -1 when a's priority is greater, 0 when equal, 1 otherwise.
template <class Callback>
int callbackPriorityGreater(const void* a, const void* b)
{
    f32 pa = (*static_cast<Callback* const*>(a))->priority();
    f32 pb = (*static_cast<Callback* const*>(b))->priority();
    if (pa > pb)
        return -1;
    if (pa == pb)
        return 0;
    return 1;
}

// A signal: an array of listener pointers fired by priority, greatest first,
// until one listener reports the event handled. Listeners may add and remove
// callbacks while the signal fires (even on this very signal, even by firing
// it again): a listener removed during a fire is not called afterwards in it
// and, when the array owns it, is deleted only once the outermost fire has
// returned; a listener added during a fire is not called in it. When the
// signal itself is destroyed by a listener, the fire stops after that
// listener.
template <class Callback>
class KyCallbackArray : public KyArrayBase<Callback*> {
    typedef KyArrayBase<Callback*> Base;

public:
    KyCallbackArray() : m_firing(nullptr) {}
    KyCallbackArray(const KyCallbackArray&) = delete;
    KyCallbackArray& operator=(const KyCallbackArray&) = delete;

    // Deletes the callbacks the array owns; the others are left to their
    // owners.
    ~KyCallbackArray() override
    {
        for (Firing* frame = m_firing; frame; frame = frame->outer)
            frame->signal = nullptr;
        Firing* outermost = outermostFiring();
        for (u32 i = 0; i < this->m_count; ++i)
            disposeOwned(this->m_data[i], outermost);
    }

    // Fires the listeners in priority order; true as soon as one returns true.
    // The array is left sorted (stable: equal priorities keep their order).
    template <class Invoke>
    bool fire(Invoke invoke)
    {
        this->sort(&callbackPriorityGreater<Callback>);
        if (this->m_count == 0)
            return false;
        Firing frame(this);
        bool handled = false;
        for (u32 i = 0; i < frame.snapshot.count() && !handled; ++i) {
            Callback* callback = frame.snapshot[i];
            if (frame.removed.contains(callback))
                continue;
            handled = invoke(callback);
            if (!frame.signal)
                break;
        }
        return handled;
    }

    // Inserts before the first listener of strictly lower priority, else
    // appends: among equal priorities the new one comes last.
    void insertByPriority(Callback* callback)
    {
        if (!callback)
            return;
        f32 priority = callback->priority();
        u32 index = 0;
        while (index < this->m_count && !(this->m_data[index]->priority() < priority))
            ++index;
        Base::insert(index, callback);
    }

    // Unregisters one listener: the very pointer when it is registered, else
    // the first registered callback that callback->equals accepts. The one
    // found is deleted when the array owns it, and the storage shrinks to
    // exactly the new count. The callback passed in stays the caller's unless
    // it is itself the registered, owned one.
    bool removeCallback(Callback* callback)
    {
        if (!callback)
            return false;
        u32 index;
        if (!Base::find(callback, &index)) {
            for (index = 0; index < this->m_count; ++index) {
                if (callback->equals(this->m_data[index]))
                    break;
            }
            if (index == this->m_count)
                return false;
        }
        Callback* found = this->m_data[index];
        Base::removeAt(index);
        this->reallocateExact(this->m_count);
        noteRemoved(found);
        disposeOwned(found, outermostFiring());
        return true;
    }

    // Removal by pointer, as for any pointer array: nothing is deleted and
    // the capacity stays; a fire in progress no longer calls the callback.
    bool remove(Callback* const& callback)
    {
        u32 index;
        if (!Base::find(callback, &index))
            return false;
        return removeAt(index);
    }

    bool removeAt(u32 index)
    {
        if (index >= this->m_count)
            return false;
        Callback* callback = this->m_data[index];
        Base::removeAt(index);
        noteRemoved(callback);
        return true;
    }

    // Empties the signal, deleting the callbacks it owns.
    void clear()
    {
        Firing* outermost = outermostFiring();
        while (this->m_count > 0) {
            Callback* callback = this->m_data[this->m_count - 1];
            --this->m_count;
            noteRemoved(callback);
            disposeOwned(callback, outermost);
        }
        Base::clear();
    }

    // Copying would share owned callbacks; enlarging would add null
    // listeners.
    void copy(const Base&) = delete;
    void resize(u32) = delete;

private:
    // One fire in progress. Frames nest when a listener fires the signal
    // again; they live on the stack so they survive the signal's destruction.
    struct Firing {
        explicit Firing(KyCallbackArray* owner) : signal(owner), outer(owner->m_firing)
        {
            snapshot.copy(*owner);
            owner->m_firing = this;
        }
        ~Firing()
        {
            if (signal)
                signal->m_firing = outer;
            for (u32 i = 0; i < pendingDelete.count(); ++i)
                delete pendingDelete[i];
        }
        Firing(const Firing&) = delete;
        Firing& operator=(const Firing&) = delete;

        KyCallbackArray* signal; // null once the signal is destroyed
        Firing* outer;
        KyArrayBase<Callback*> snapshot;      // the listeners this fire calls
        KyArrayBase<Callback*> removed;       // removed since this fire began
        KyArrayBase<Callback*> pendingDelete; // outermost frame only
    };

    Firing* outermostFiring() const
    {
        Firing* frame = m_firing;
        while (frame && frame->outer)
            frame = frame->outer;
        return frame;
    }

    void noteRemoved(Callback* callback)
    {
        for (Firing* frame = m_firing; frame; frame = frame->outer)
            frame->removed.pushBack(callback);
    }

    static void disposeOwned(Callback* callback, Firing* outermost)
    {
        if (!callback->isOwnedByArray())
            return;
        if (outermost) {
            if (!outermost->pendingDelete.contains(callback))
                outermost->pendingDelete.pushBack(callback);
        } else {
            delete callback;
        }
    }

    Firing* m_firing;
};

// Signal of an event without argument: `KyArray<KyICallback0Param*> s; s.call();`
template <>
class KyArray<KyICallback0Param*> : public KyCallbackArray<KyICallback0Param> {
public:
    bool call()
    {
        return fire([](KyICallback0Param* callback) { return callback->call(); });
    }
};

// Signal of an event with one argument; every listener receives it as A
// (a by-value argument is copied for each listener).
template <class A>
class KyArray<KyICallback1Param<A>*> : public KyCallbackArray<KyICallback1Param<A>> {
public:
    bool call(A argument)
    {
        return this->fire([&argument](KyICallback1Param<A>* callback) {
            return callback->call(static_cast<A>(argument));
        });
    }
};

#endif
