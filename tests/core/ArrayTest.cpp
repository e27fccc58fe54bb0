#include "core/KyArray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// An element that knows its own address: moving it with memmove or realloc
// instead of its constructors leaves self pointing at the old slot.
struct Tracked {
    static int live;

    Tracked(int v = 0) : self(this), value(v) { ++live; }
    Tracked(const Tracked& o) : self(this), value(o.value)
    {
        EXPECT_EQ(o.self, &o);
        ++live;
    }
    Tracked& operator=(const Tracked& o)
    {
        EXPECT_EQ(self, this);
        value = o.value;
        return *this;
    }
    ~Tracked()
    {
        EXPECT_EQ(self, this) << "element was moved as bytes";
        --live;
    }
    bool operator==(const Tracked& o) const { return value == o.value; }

    Tracked* self;
    int value;
};
int Tracked::live = 0;

template <class T>
std::vector<int> values(const KyArray<T>& a)
{
    std::vector<int> out;
    for (u32 i = 0; i < a.count(); ++i)
        out.push_back(int(a[i]));
    return out;
}

std::vector<int> values(const KyArray<Tracked>& a)
{
    std::vector<int> out;
    for (const Tracked& t : a)
        out.push_back(t.value);
    return out;
}

int compareInts(const void* a, const void* b)
{
    int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

struct Keyed {
    double key;
    int order;
    bool operator==(const Keyed& o) const { return key == o.key && order == o.order; }
};

// Greatest key first; NaN makes it inconsistent on purpose.
int compareKeyedGreater(const void* a, const void* b)
{
    double x = static_cast<const Keyed*>(a)->key, y = static_cast<const Keyed*>(b)->key;
    if (x > y)
        return -1;
    if (x == y)
        return 0;
    return 1;
}

} // namespace

TEST(Array, GrowsByExactlyOneAndRemoveKeepsCapacity)
{
    KyArray<int> a;
    EXPECT_EQ(a.count(), 0u);
    EXPECT_EQ(a.capacity(), 0u);
    EXPECT_EQ(a.data(), nullptr);
    for (int i = 1; i <= 4; ++i) {
        a.pushBack(i);
        EXPECT_EQ(a.count(), u32(i));
        EXPECT_EQ(a.capacity(), u32(i));
    }
    a.pushBack(2);
    EXPECT_TRUE(a.remove(2));
    EXPECT_EQ(values(a), (std::vector<int>{1, 3, 4, 2}));
    EXPECT_EQ(a.capacity(), 5u);
    EXPECT_FALSE(a.remove(7));
    a.pushBack(9); // fits in the kept capacity
    EXPECT_EQ(a.capacity(), 5u);
    a.clear();
    EXPECT_EQ(a.count(), 0u);
    EXPECT_EQ(a.capacity(), 0u);
    EXPECT_EQ(a.data(), nullptr);
}

TEST(Array, PushFrontAndInsertPlaceElements)
{
    KyArray<int> a;
    a.pushBack(1);
    a.pushBack(2);
    a.pushFront(7);
    EXPECT_EQ(values(a), (std::vector<int>{7, 1, 2}));

    KyArray<int> b;
    b.pushBack(1);
    b.pushBack(2);
    b.insert(1, 7);
    EXPECT_EQ(values(b), (std::vector<int>{1, 7, 2}));
    b.insert(b.count(), 8);
    EXPECT_EQ(values(b), (std::vector<int>{1, 7, 2, 8}));
    EXPECT_EQ(b.capacity(), 4u);

    // Past the count: refused, nothing written out of bounds.
    b.insert(6, 5);
    EXPECT_EQ(values(b), (std::vector<int>{1, 7, 2, 8}));
    EXPECT_EQ(b.capacity(), 4u);
}

TEST(Array, AppendingOwnElementCopiesBeforeGrowing)
{
    KyArray<std::string> s;
    s.pushBack(std::string(100, 'a'));
    s.pushBack(std::string(100, 'b'));
    s.pushBack(s[0]);  // full: the storage moves while value refers into it
    s.pushFront(s[2]);
    s.insert(2, s[1]);
    ASSERT_EQ(s.count(), 5u);
    EXPECT_EQ(s[0], std::string(100, 'a'));
    EXPECT_EQ(s[1], std::string(100, 'a'));
    EXPECT_EQ(s[2], std::string(100, 'a'));
    EXPECT_EQ(s[3], std::string(100, 'b'));
    EXPECT_EQ(s[4], std::string(100, 'a'));

    KyArray<int> n;
    n.pushBack(42);
    for (int i = 0; i < 5; ++i)
        n.pushBack(n[n.count() - 1]);
    EXPECT_EQ(values(n), std::vector<int>(6, 42));
}

TEST(Array, NonTrivialElementsAreMovedByTheirConstructors)
{
    {
        KyArray<Tracked> a;
        for (int i = 0; i < 6; ++i)
            a.pushBack(Tracked(i));
        EXPECT_EQ(a.capacity(), 6u);
        a.pushFront(Tracked(-1));
        a.insert(3, Tracked(100));
        EXPECT_TRUE(a.remove(Tracked(2)));
        EXPECT_EQ(values(a), (std::vector<int>{-1, 0, 1, 100, 3, 4, 5}));
        EXPECT_EQ(a.capacity(), 8u);
        EXPECT_EQ(Tracked::live, 7);

        KyArray<Tracked> b(a);
        EXPECT_EQ(b.capacity(), 7u);
        b.resize(3);
        EXPECT_EQ(b.capacity(), 7u);
        EXPECT_EQ(values(b), (std::vector<int>{-1, 0, 1}));
        b.copy(a);
        EXPECT_EQ(values(b), values(a));
        EXPECT_EQ(Tracked::live, 14);
        b.clear();
        EXPECT_EQ(Tracked::live, 7);
    }
    EXPECT_EQ(Tracked::live, 0);
}

TEST(Array, CopyGrowsOnlyWhenShort)
{
    int x = 1, y = 2, z = 3;
    KyArray<int*> src;
    src.pushBack(&x);
    src.pushBack(&y);
    KyArray<int*> dst;
    dst.copy(src);
    EXPECT_EQ(dst.count(), 2u);
    EXPECT_EQ(dst.capacity(), 2u);
    EXPECT_EQ(dst[1], &y);

    KyArray<int*> big;
    big.pushBack(&z);
    big.pushBack(&z);
    big.pushBack(&z);
    big.copy(src);
    EXPECT_EQ(big.count(), 2u);
    EXPECT_EQ(big.capacity(), 3u);
    EXPECT_EQ(big[0], &x);
    big.copy(big);
    EXPECT_EQ(big.count(), 2u);

    KyArray<int*> assigned;
    assigned = src;
    EXPECT_EQ(assigned[0], &x);
}

TEST(Array, ResizeOfDoublesFillsZeros)
{
    KyArray<double> d;
    d.resize(3);
    EXPECT_EQ(d.capacity(), 3u);
    for (u32 i = 0; i < 3; ++i)
        EXPECT_EQ(d[i], 0.0);
    d[0] = 1.5;
    d[1] = 2.5;
    d[2] = 3.5;
    d.resize(1);
    EXPECT_EQ(d.count(), 1u);
    EXPECT_EQ(d.capacity(), 3u);
    // Regrowing within the capacity must not bring the old values back.
    d.resize(3);
    EXPECT_EQ(d.capacity(), 3u);
    EXPECT_EQ(d[0], 1.5);
    EXPECT_EQ(d[1], 0.0);
    EXPECT_EQ(d[2], 0.0);
    d.resize(5);
    EXPECT_EQ(d.capacity(), 5u);
    EXPECT_EQ(d[4], 0.0);
}

TEST(Array, PointerArrayLeavesPointeesAlive)
{
    std::string* s = new std::string("kept");
    {
        KyArray<std::string*> a;
        a.pushBack(s);
        a.pushBack(s);
        EXPECT_TRUE(a.remove(s));
        EXPECT_EQ(a.count(), 1u);
    }
    EXPECT_EQ(*s, "kept");
    delete s;

    // Arrays are engine objects: deletable through the root class.
    KyObject* o = new KyArray<int>();
    static_cast<KyArray<int>*>(o)->pushBack(3);
    delete o;
}

TEST(Array, FindGivesFirstIndex)
{
    KyArray<std::string> a;
    a.pushBack("x");
    a.pushBack("y");
    a.pushBack("y");
    u32 index = 99;
    EXPECT_TRUE(a.find("y", &index));
    EXPECT_EQ(index, 1u);
    EXPECT_TRUE(a.find("x", nullptr));
    index = 99;
    EXPECT_FALSE(a.find("z", &index));
    EXPECT_EQ(index, 99u);
}

TEST(Array, SortIsStableAndSafe)
{
    KyArray<int> small;
    for (int v : {5, 1, 4, 1, 3})
        small.pushBack(v);
    small.sort(&compareInts);
    EXPECT_EQ(values(small), (std::vector<int>{1, 1, 3, 4, 5}));

    // Both the short and the long path keep equal keys in their order, and
    // NaN keys neither crash nor lose elements.
    for (int n : {10, 100}) {
        KyArray<Keyed> a;
        for (int i = 0; i < n; ++i)
            a.pushBack(Keyed{i % 7 == 3 ? std::nan("") : double(i % 4), i});
        a.sort(&compareKeyedGreater);
        ASSERT_EQ(a.count(), u32(n));
        std::vector<bool> seen(n, false);
        for (u32 i = 0; i < a.count(); ++i)
            seen[a[i].order] = true;
        EXPECT_EQ(std::vector<bool>(n, true), seen);
    }
    KyArray<Keyed> b;
    for (int i = 0; i < 60; ++i)
        b.pushBack(Keyed{double(i % 3), i});
    b.sort(&compareKeyedGreater);
    for (u32 i = 1; i < b.count(); ++i) {
        ASSERT_GE(b[i - 1].key, b[i].key);
        if (b[i - 1].key == b[i].key) {
            EXPECT_LT(b[i - 1].order, b[i].order);
        }
    }

    KyArray<Tracked> t;
    for (int i = 0; i < 40; ++i)
        t.pushBack(Tracked((i * 17) % 40));
    t.sort([](const void* a, const void* b) {
        return static_cast<const Tracked*>(a)->value - static_cast<const Tracked*>(b)->value;
    });
    for (u32 i = 0; i < t.count(); ++i)
        EXPECT_EQ(t[i].value, int(i));
}
