#include "core/KyList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

template <class T>
std::vector<T> contents(KyList<T>& list)
{
    std::vector<T> out;
    for (typename KyList<T>::iterator it = list.begin(); it != list.end(); it++)
        out.push_back(*it);
    return out;
}

} // namespace

TEST(List, ErasingUnderTheWalkingIteratorContinuesWithTheNext)
{
    KyList<int> list;
    for (int i = 1; i <= 5; ++i)
        list.pushBack(i);
    std::vector<int> visited;
    for (KyList<int>::iterator it = list.begin(); it != list.end(); it++) {
        visited.push_back(*it);
        if (*it % 2 == 0)
            list.erase(it);
    }
    EXPECT_EQ(visited, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(contents(list), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(list.count(), 3u);

    // Erasing every node this way empties the list.
    for (KyList<int>::iterator it = list.begin(); it != list.end(); ++it)
        list.eraseNode(it.node());
    EXPECT_EQ(list.count(), 0u);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(list.begin(), list.end());

    // Range-for walks the same way.
    for (int i = 1; i <= 3; ++i)
        list.pushBack(i);
    for (int& v : list)
        list.remove(v);
    EXPECT_TRUE(list.isEmpty());
}

TEST(List, ErasureMovesOnlyTheIteratorsOnTheErasedNode)
{
    KyList<int*> list;
    int a = 1, b = 2, c = 3;
    list.pushBack(&a);
    list.pushBack(&b);
    list.pushBack(&c);
    KyList<int*>::iterator onA = list.begin();
    KyList<int*>::iterator onB1 = list.begin();
    onB1++;
    KyList<int*>::iterator onB2(onB1);
    KyList<int*>::iterator onC = list.last();
    list.remove(&b);
    EXPECT_EQ(*onB1, &a);
    EXPECT_EQ(*onB2, &a);
    EXPECT_EQ(*onA, &a);
    EXPECT_EQ(*onC, &c);
    ++onB1;
    EXPECT_EQ(*onB1, &c);

    // Erasing the first element puts its iterators on the head sentinel;
    // the next step reaches the new first element.
    list.remove(&a);
    EXPECT_EQ(onA.node(), list.headNode());
    EXPECT_FALSE(onA.isElement());
    EXPECT_EQ(*onA, nullptr);
    onA++;
    EXPECT_EQ(*onA, &c);
}

TEST(List, IteratorOnTailStays)
{
    KyList<int> list;
    KyList<int>::iterator it = list.begin();
    EXPECT_EQ(it, list.end());
    KyList<int>::iterator old = it++;
    EXPECT_EQ(it, list.end());
    EXPECT_EQ(old, list.end());
    list.pushBack(4);
    ++it;
    EXPECT_EQ(it, list.end());
    --it;
    EXPECT_EQ(*it, 4);
}

TEST(List, RemoveTakesOnlyTheFirstMatch)
{
    KyList<int*> list;
    int a = 1, b = 2;
    list.pushBack(&a);
    list.pushBack(&b);
    list.pushBack(&a);
    EXPECT_TRUE(list.remove(&a));
    EXPECT_EQ(contents(list), (std::vector<int*>{&b, &a}));
    EXPECT_FALSE(list.remove(nullptr));
    list.pushFront(&a);
    EXPECT_EQ(contents(list), (std::vector<int*>{&a, &b, &a}));
    EXPECT_TRUE(list.contains(&b));
    KyList<int*>::iterator found = list.find(&b);
    EXPECT_EQ(*found, &b);
    list.clear();
    EXPECT_EQ(list.count(), 0u);
    // An iterator of the cleared list ended on the head sentinel.
    EXPECT_EQ(found.node(), list.headNode());
}

TEST(List, CopiesHaveTheirOwnNodes)
{
    KyList<std::string> a;
    a.pushBack("one");
    a.pushBack("two");
    KyList<std::string> b(a);
    EXPECT_EQ(contents(b), contents(a));
    EXPECT_NE(b.begin().node(), a.begin().node());
    *b.begin() = "changed";
    EXPECT_EQ(*a.begin(), "one");

    KyList<std::string> c;
    c.pushBack("old");
    c = a;
    EXPECT_EQ(contents(c), (std::vector<std::string>{"one", "two"}));
    KyList<std::string>& alias = c;
    c = alias;
    EXPECT_EQ(c.count(), 2u);
}

TEST(List, DestroyedListDetachesItsIterators)
{
    KyList<std::string>* list = new KyList<std::string>();
    list->pushBack("a");
    list->pushBack("b");
    KyList<std::string>::iterator first = list->begin();
    KyList<std::string>::iterator copy(first);
    KyList<std::string>::iterator onEnd = list->end();
    delete list;
    EXPECT_EQ(first.node(), nullptr);
    EXPECT_EQ(first.container(), nullptr);
    first++;
    ++copy;
    --onEnd;
    EXPECT_EQ(copy.node(), nullptr);
    KyList<std::string>::iterator assigned;
    assigned = first;
    EXPECT_EQ(assigned.container(), nullptr);
    // The iterators' destructors must not touch the freed list (the
    // sanitizer reports it otherwise).
}

TEST(List, IteratorCopiesAndAssignmentsStayRegistered)
{
    KyList<int> list;
    list.pushBack(1);
    list.pushBack(2);
    list.pushBack(3);
    KyList<int> other;
    other.pushBack(9);
    KyList<int>::iterator it = other.begin();
    {
        KyList<int>::iterator source = list.begin();
        source++;
        it = source; // leaves other's chain, joins list's
    }
    KyList<int>::iterator copies[3] = {it, it, it};
    other.clear(); // must not touch it
    list.remove(2);
    EXPECT_EQ(*it, 1);
    for (auto& c : copies)
        EXPECT_EQ(*c, 1);
    KyList<int>::iterator& self = it;
    it = self; // self-assignment keeps it registered
    list.remove(1);
    EXPECT_EQ(it.node(), list.headNode());
}
