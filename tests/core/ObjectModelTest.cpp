#include "core/KyArray.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyReferencesCounter.h"
#include "core/KySingleton.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Counted : KyReferencesCounter {
    explicit Counted(int* deaths) : deaths(deaths) {}
    ~Counted() override { ++*deaths; }
    int* deaths;
    KyIntrusivePtr<Counted> child;
};

// A family with its own count that must also leave a registry on its last
// release, plugged in through the hooks.
struct Registered : KyObject {
    static std::vector<Registered*> registry;
    Registered() { registry.push_back(this); }
    u32 uses = 0;
};
std::vector<Registered*> Registered::registry;

void kyIntrusiveRetain(Registered* r)
{
    ++r->uses;
}

void kyIntrusiveRelease(Registered* r)
{
    if (--r->uses == 0) {
        for (auto it = Registered::registry.begin(); it != Registered::registry.end(); ++it) {
            if (*it == r) {
                Registered::registry.erase(it);
                break;
            }
        }
        delete r;
    }
}

struct Service {
    static int constructed;
    static int destroyed;
    Service() { ++constructed; }
    ~Service()
    {
        ++destroyed;
        // Teardown code reaching the service gets the dying one, not a new one.
        EXPECT_EQ(KySingleton<Service>::instance(), this);
    }
    int value = 0;
};
int Service::constructed = 0;
int Service::destroyed = 0;

} // namespace

TEST(ObjectModel, ReferencesCounterDeletesOnLastRelease)
{
    int deaths = 0;
    Counted* c = new Counted(&deaths);
    EXPECT_EQ(c->count(), 0u);
    c->retain();
    c->retain();
    c->release();
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(c->count(), 1u);
    c->release();
    EXPECT_EQ(deaths, 1);

    // Releasing a count that is already 0 does not wrap around.
    Counted stackObject(&deaths);
    stackObject.release();
    EXPECT_EQ(stackObject.count(), 0u);
    EXPECT_EQ(deaths, 1);
}

TEST(ObjectModel, IntrusivePtrCountsCopiesAndAssignments)
{
    int deaths = 0;
    {
        KyIntrusivePtr<Counted> a(new Counted(&deaths));
        EXPECT_EQ(a->count(), 1u);
        {
            KyIntrusivePtr<Counted> b(a);
            EXPECT_EQ(a->count(), 2u);
            EXPECT_TRUE(b == a);
        }
        EXPECT_EQ(a->count(), 1u);
        // Self-assignment of the only reference keeps the object alive.
        KyIntrusivePtr<Counted>& alias = a;
        a = alias;
        EXPECT_EQ(deaths, 0);
        EXPECT_EQ(a->count(), 1u);
        a = a.get();
        EXPECT_EQ(a->count(), 1u);
    }
    EXPECT_EQ(deaths, 1);

    KyIntrusivePtr<Counted> empty;
    EXPECT_TRUE(empty.isNull());
    EXPECT_FALSE(empty);
    empty = nullptr;
    empty.reset();
}

TEST(ObjectModel, AssignmentRetainsNewBeforeReleasingOld)
{
    int deaths = 0;
    KyIntrusivePtr<Counted> p(new Counted(&deaths));
    p->child = new Counted(&deaths);
    // The parent holds the only other reference to the child: releasing the
    // parent first would free the child before it is stored.
    p = p->child;
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(p->count(), 1u);
    p.reset();
    EXPECT_EQ(deaths, 2);
}

TEST(ObjectModel, HooksLetAFamilyCountItself)
{
    {
        KyIntrusivePtr<Registered> a(new Registered());
        KyIntrusivePtr<Registered> b;
        b = a;
        EXPECT_EQ(a->uses, 2u);
        EXPECT_EQ(Registered::registry.size(), 1u);
        a.reset();
        EXPECT_EQ(Registered::registry.size(), 1u);
    }
    EXPECT_TRUE(Registered::registry.empty());

    // Counted references as array elements are copied and released properly.
    int deaths = 0;
    {
        KyArray<KyIntrusivePtr<Counted>> refs;
        Counted* c = new Counted(&deaths);
        for (int i = 0; i < 5; ++i)
            refs.pushBack(c);
        refs.pushFront(refs[2]);
        EXPECT_EQ(c->count(), 6u);
        refs.remove(c);
        EXPECT_EQ(c->count(), 5u);
    }
    EXPECT_EQ(deaths, 1);
}

TEST(ObjectModel, SingletonIsCreatedOnceAndCanBeReset)
{
    Service::constructed = 0;
    EXPECT_FALSE(KySingleton<Service>::exists());
    Service* s = KySingleton<Service>::instance();
    ASSERT_NE(s, nullptr);
    s->value = 5;
    EXPECT_EQ(KySingleton<Service>::instance(), s);
    EXPECT_EQ(Service::constructed, 1);
    KySingleton<Service>::destroy();
    EXPECT_EQ(Service::destroyed, 1);
    EXPECT_FALSE(KySingleton<Service>::exists());
    EXPECT_EQ(KySingleton<Service>::instance()->value, 0);
    EXPECT_EQ(Service::constructed, 2);
    KySingleton<Service>::destroy();
    KySingleton<Service>::destroy();
    EXPECT_EQ(Service::destroyed, 2);
}
