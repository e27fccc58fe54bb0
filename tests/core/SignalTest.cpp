#include "core/KyArray.h"
#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

typedef KyArray<KyICallback0Param*> Signal0;

// Records the order in which listeners run.
struct Listener {
    Listener(std::vector<int>* log, int id, bool handles = false) : log(log), id(id), handles(handles) {}

    bool onEvent()
    {
        log->push_back(id);
        return handles;
    }
    bool onOther()
    {
        log->push_back(-id);
        return false;
    }
    bool onText(const std::string& text)
    {
        texts.push_back(text);
        return handles;
    }
    bool onCount(u32 n)
    {
        log->push_back(int(n) * 100 + id);
        return false;
    }

    std::vector<int>* log;
    int id;
    bool handles;
    std::vector<std::string> texts;
};

// A listener whose callback is a hand-written interface implementation, so a
// test can act from inside its own call and then touch its own fields.
class ScriptedCallback : public KyICallback0Param {
public:
    ScriptedCallback(f32 priority, std::vector<int>* log, int id) : m_priority(priority), m_log(log), m_id(id) {}

    std::function<void(ScriptedCallback*)> action;

    bool call() override
    {
        if (action)
            action(this);
        m_log->push_back(m_id); // after action: must still be alive
        return false;
    }
    f32 priority() override { return m_priority; }
    bool equals(KyICallback0Param* other) override { return other == this; }
    bool sameObject(KyICallback0Param* other) override { return other == this; }
    bool isOwnedByArray() override { return true; }

private:
    f32 m_priority;
    std::vector<int>* m_log;
    int m_id;
};

struct FirstBase {
    virtual ~FirstBase() {}
    int padding = 7;
};
struct SecondBase {
    virtual ~SecondBase() {}
    bool onSecond()
    {
        hits++;
        return true;
    }
    int hits = 0;
};
struct Both : FirstBase, SecondBase {
};

} // namespace

TEST(Signal, FiresByPriorityAndStopsAtHandled)
{
    std::vector<int> log;
    Listener one(&log, 1), five(&log, 5), three(&log, 3, true);
    Signal0 s;
    EXPECT_FALSE(s.call());
    s.pushBack(kyNewCallback(&one, &Listener::onEvent, 1.0f));
    s.pushBack(kyNewCallback(&five, &Listener::onEvent, 5.0f));
    s.pushBack(kyNewCallback(&three, &Listener::onEvent, 3.0f));
    EXPECT_TRUE(s.call());
    EXPECT_EQ(log, (std::vector<int>{5, 3}));
    // The sorted order stays in the array.
    EXPECT_EQ(s[0]->priority(), 5.0f);
    EXPECT_EQ(s[2]->priority(), 1.0f);

    three.handles = false;
    log.clear();
    EXPECT_FALSE(s.call());
    EXPECT_EQ(log, (std::vector<int>{5, 3, 1}));
}

TEST(Signal, EqualPrioritiesFireInRegistrationOrder)
{
    std::vector<int> log;
    std::vector<Listener> listeners;
    for (int i = 0; i < 50; ++i)
        listeners.emplace_back(&log, i);
    Signal0 s;
    // Mixed priorities, many equal, more than a short sort handles.
    for (int i = 0; i < 50; ++i)
        s.pushBack(kyNewCallback(&listeners[i], &Listener::onEvent, f32(i % 3)));
    s.call();
    std::vector<int> expected;
    for (int p = 2; p >= 0; --p) {
        for (int i = 0; i < 50; ++i) {
            if (i % 3 == p)
                expected.push_back(i);
        }
    }
    EXPECT_EQ(log, expected);
}

TEST(Signal, InsertByPriorityGoesAfterEquals)
{
    std::vector<int> log;
    Listener a(&log, 1), b(&log, 2), c(&log, 3), d(&log, 4);
    Signal0 s;
    s.insertByPriority(kyNewCallback(&a, &Listener::onEvent, 2.0f));
    s.insertByPriority(kyNewCallback(&b, &Listener::onEvent, 1.0f));
    s.insertByPriority(kyNewCallback(&c, &Listener::onEvent, 5.0f));
    EXPECT_EQ(s.capacity(), 3u);
    s.insertByPriority(kyNewCallback(&d, &Listener::onEvent, 2.0f));
    ASSERT_EQ(s.count(), 4u);
    EXPECT_EQ(s.capacity(), 4u);
    // Order in the array is {5, 2 (a), 2 (d), 1} without any fire.
    s.call();
    EXPECT_EQ(log, (std::vector<int>{3, 1, 4, 2}));
}

TEST(Signal, EqualityAndSameObject)
{
    std::vector<int> log;
    Listener a(&log, 1), b(&log, 2);
    KyCallback0Param<Listener> ev(&a, &Listener::onEvent, 1.0f);
    KyCallback0Param<Listener> evOtherPriority(&a, &Listener::onEvent, 9.0f);
    KyCallback0Param<Listener> other(&a, &Listener::onOther);
    KyCallback0Param<Listener> evB(&b, &Listener::onEvent);
    KyCallback1Param<u32, Listener> count(&a, &Listener::onCount);
    EXPECT_TRUE(ev.equals(&evOtherPriority));
    EXPECT_FALSE(ev.equals(&other));
    EXPECT_TRUE(ev.sameObject(&other));
    EXPECT_FALSE(ev.equals(&evB));
    EXPECT_FALSE(ev.sameObject(&evB));
    EXPECT_FALSE(ev.isOwnedByArray());

    // A different concrete callback class is never equal, even on the same
    // object.
    ScriptedCallback scripted(0.0f, &log, 0);
    EXPECT_FALSE(ev.equals(&scripted));
    EXPECT_FALSE(ev.sameObject(&scripted));
    (void)count;
}

TEST(Signal, RemoveCallbackByEqualTemporary)
{
    std::vector<int> log;
    Listener a(&log, 1), b(&log, 2);
    Signal0 s;
    s.pushBack(kyNewCallback(&a, &Listener::onEvent, 1.0f));
    s.pushBack(kyNewCallback(&b, &Listener::onEvent, 2.0f));
    s.pushBack(kyNewCallback(&a, &Listener::onEvent, 3.0f));
    s.pushBack(kyNewCallback(&a, &Listener::onOther, 4.0f));
    EXPECT_EQ(s.capacity(), 4u);

    // Registered twice: only the first registration goes (and is freed:
    // the sanitizer reports a leak otherwise).
    KyCallback0Param<Listener> name(&a, &Listener::onEvent);
    EXPECT_TRUE(s.removeCallback(&name));
    EXPECT_EQ(s.count(), 3u);
    EXPECT_EQ(s.capacity(), 3u);
    EXPECT_EQ(s[0]->priority(), 2.0f);
    EXPECT_EQ(s[1]->priority(), 3.0f);

    KyCallback0Param<Listener> nameB(&b, &Listener::onOther);
    EXPECT_FALSE(s.removeCallback(&nameB));
    EXPECT_FALSE(s.removeCallback(nullptr));
    EXPECT_EQ(s.count(), 3u);

    // The registered pointer itself is found first.
    EXPECT_TRUE(s.removeCallback(s[2]));
    EXPECT_TRUE(s.removeCallback(s[0]));
    EXPECT_TRUE(s.removeCallback(&name));
    EXPECT_EQ(s.count(), 0u);
    EXPECT_EQ(s.capacity(), 0u);
    EXPECT_EQ(s.data(), nullptr);
    EXPECT_FALSE(s.call());

    s.insertByPriority(kyNewCallback(&a, &Listener::onEvent, 1.0f));
    s.call();
    EXPECT_EQ(log, (std::vector<int>{1}));
}

TEST(Signal, DestructionDeletesOnlyOwnedCallbacks)
{
    std::vector<int> log;
    Listener a(&log, 1);
    KyCallback0Param<Listener> notOwned(&a, &Listener::onEvent, 1.0f);
    {
        Signal0 s;
        s.pushBack(&notOwned);
        s.pushBack(kyNewCallback(&a, &Listener::onOther, 2.0f));
        KyCallback0Param<Listener>* explicitOwned = new KyCallback0Param<Listener>(&a, &Listener::onEvent);
        explicitOwned->ownedByArray = 1;
        s.pushBack(explicitOwned);
        s.call();
    }
    // Still usable: the signal did not delete it.
    EXPECT_FALSE(notOwned.call());

    Signal0 cleared;
    cleared.pushBack(kyNewCallback(&a, &Listener::onEvent, 0.0f));
    cleared.pushBack(&notOwned);
    cleared.clear();
    EXPECT_EQ(cleared.count(), 0u);
    EXPECT_FALSE(notOwned.call());
}

TEST(Signal, ListenersWithOneArgument)
{
    std::vector<int> log;
    Listener a(&log, 1), b(&log, 2, true), c(&log, 3);
    KyArray<KyICallback1Param<const std::string&>*> text;
    text.insertByPriority(kyNewCallback(&a, &Listener::onText, 3.0f));
    text.insertByPriority(kyNewCallback(&b, &Listener::onText, 2.0f));
    text.insertByPriority(kyNewCallback(&c, &Listener::onText, 1.0f));
    EXPECT_TRUE(text.call("hello"));
    EXPECT_EQ(a.texts, std::vector<std::string>{"hello"});
    EXPECT_EQ(b.texts, std::vector<std::string>{"hello"});
    EXPECT_TRUE(c.texts.empty());
    KyCallback1Param<const std::string&, Listener> nameB(&b, &Listener::onText);
    EXPECT_TRUE(text.removeCallback(&nameB));
    EXPECT_FALSE(text.call("again"));
    EXPECT_EQ(c.texts, std::vector<std::string>{"again"});

    KyArray<KyICallback1Param<u32>*> numbers;
    numbers.pushBack(kyNewCallback(&a, &Listener::onCount, 0.0f));
    numbers.pushBack(kyNewCallback(&c, &Listener::onCount, 0.0f));
    EXPECT_FALSE(numbers.call(4));
    EXPECT_EQ(log, (std::vector<int>{401, 403}));
}

TEST(Signal, BindsMethodsOfSecondBase)
{
    Both both;
    Signal0 s;
    s.pushBack(kyNewCallback(&both, &SecondBase::onSecond, 0.0f));
    EXPECT_TRUE(s.call());
    EXPECT_EQ(both.hits, 1);
    KyCallback0Param<SecondBase> name(&both, &SecondBase::onSecond);
    EXPECT_TRUE(s.removeCallback(&name));
}

TEST(Signal, ListenerRemovedDuringCallIsNotCalledNorFreedEarly)
{
    std::vector<int> log;
    Signal0 s;
    ScriptedCallback* first = new ScriptedCallback(3.0f, &log, 3);
    ScriptedCallback* second = new ScriptedCallback(2.0f, &log, 2);
    ScriptedCallback* third = new ScriptedCallback(1.0f, &log, 1);
    s.pushBack(first);
    s.pushBack(second);
    s.pushBack(third);
    // The first removes itself and the second; it then writes to its own
    // fields, which the sanitizer would report if it had been freed.
    first->action = [&](ScriptedCallback* self) {
        EXPECT_TRUE(s.removeCallback(self));
        EXPECT_TRUE(s.removeCallback(second));
    };
    EXPECT_FALSE(s.call());
    EXPECT_EQ(log, (std::vector<int>{3, 1}));
    EXPECT_EQ(s.count(), 1u);
    EXPECT_EQ(s.capacity(), 1u);

    // A listener that removes an earlier one: the later ones still run once.
    log.clear();
    ScriptedCallback* top = new ScriptedCallback(9.0f, &log, 9);
    s.pushBack(top);
    third->action = [&](ScriptedCallback*) { s.removeCallback(top); };
    s.call();
    EXPECT_EQ(log, (std::vector<int>{9, 1}));
    EXPECT_EQ(s.count(), 1u);
}

TEST(Signal, ListenerAddedDuringCallWaitsForNextCall)
{
    std::vector<int> log;
    Signal0 s;
    ScriptedCallback* adder = new ScriptedCallback(1.0f, &log, 1);
    s.pushBack(adder);
    int added = 0;
    adder->action = [&](ScriptedCallback*) {
        // Higher and lower priority than the running one.
        s.insertByPriority(new ScriptedCallback(5.0f, &log, 50 + added));
        s.pushBack(new ScriptedCallback(0.0f, &log, 60 + added));
        ++added;
    };
    s.call();
    EXPECT_EQ(log, (std::vector<int>{1}));
    log.clear();
    adder->action = nullptr;
    s.call();
    EXPECT_EQ(log, (std::vector<int>{50, 1, 60}));
}

TEST(Signal, NestedFireOfTheSameSignal)
{
    std::vector<int> log;
    Signal0 s;
    ScriptedCallback* outer = new ScriptedCallback(3.0f, &log, 3);
    ScriptedCallback* middle = new ScriptedCallback(2.0f, &log, 2);
    ScriptedCallback* last = new ScriptedCallback(1.0f, &log, 1);
    s.pushBack(last);
    s.pushBack(middle);
    s.pushBack(outer);
    int depth = 0;
    outer->action = [&](ScriptedCallback*) {
        if (depth++ == 0) {
            s.call(); // inner fire: outer (no recursion), middle, last
            s.removeCallback(middle);
        }
    };
    middle->action = [&](ScriptedCallback* self) {
        // Removed inside the inner fire: neither fire calls it again, and it
        // stays allocated until the outermost fire is over.
        s.removeCallback(last);
        (void)self;
    };
    s.call();
    EXPECT_EQ(log, (std::vector<int>{3, 2, 3}));
    EXPECT_EQ(s.count(), 1u);
}

TEST(Signal, SignalDestroyedByItsListener)
{
    std::vector<int> log;
    Signal0* s = new Signal0();
    ScriptedCallback* killer = new ScriptedCallback(2.0f, &log, 2);
    ScriptedCallback* after = new ScriptedCallback(1.0f, &log, 1);
    Listener plain(&log, 7);
    KyCallback0Param<Listener> unowned(&plain, &Listener::onEvent, 0.5f);
    s->pushBack(killer);
    s->pushBack(after);
    s->pushBack(&unowned);
    killer->action = [&](ScriptedCallback*) {
        delete s;
        s = nullptr;
    };
    // The fire stops after the listener that destroyed the signal; the owned
    // callbacks are freed once it returns (no leak, no use after free).
    Signal0* keep = s;
    EXPECT_FALSE(keep->call());
    EXPECT_EQ(log, (std::vector<int>{2}));
    EXPECT_FALSE(unowned.call());
}
