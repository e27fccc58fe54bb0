#include "ui/KyDeferredDeletion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_deleted;

// Records its deletion; may queue another object from its destructor.
class Tracked : public KyObject {
public:
    explicit Tracked(const char* name, KyObject* queueOnDeath = nullptr)
        : m_name(name), m_queueOnDeath(queueOnDeath)
    {
    }
    ~Tracked() override
    {
        g_deleted.push_back(m_name);
        if (m_queueOnDeath)
            KyDeferredDeletion::deleteLater(m_queueOnDeath);
    }


private:
    std::string m_name;
    KyObject* m_queueOnDeath;
};

class SelfRequeuing : public KyObject {
public:
    ~SelfRequeuing() override
    {
        g_deleted.push_back("self");
        KyDeferredDeletion::deleteLater(this);
        KyDeferredDeletion::deletePending();
    }
};

class DeferredDeletionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KyDeferredDeletion::deletePending();
        g_deleted.clear();
    }
};

} // namespace

TEST_F(DeferredDeletionTest, QueuedObjectsLiveUntilThePassThenGoInOrder)
{
    Tracked* a = new Tracked("a");
    KyDeferredDeletion::deleteLater(a);
    KyDeferredDeletion::deleteLater(new Tracked("b"));
    // Still alive during the frame.
    EXPECT_TRUE(g_deleted.empty());
    EXPECT_EQ(2u, KyDeferredDeletion::pendingDeletes().count());

    KyDeferredDeletion::deletePending();
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), g_deleted);
    EXPECT_EQ(0u, KyDeferredDeletion::pendingDeletes().count());
    // The storage stays at the size of the busiest frame.
    EXPECT_EQ(2u, KyDeferredDeletion::pendingDeletes().capacity());
    KyDeferredDeletion::deleteLater(new Tracked("c"));
    KyDeferredDeletion::deletePending();
    EXPECT_EQ(2u, KyDeferredDeletion::pendingDeletes().capacity());
    // An empty pass does nothing.
    KyDeferredDeletion::deletePending();
    EXPECT_EQ(3u, g_deleted.size());
}

TEST_F(DeferredDeletionTest, ObjectsQueuedByDestructorsGoInTheSamePass)
{
    Tracked* last = new Tracked("last");
    Tracked* middle = new Tracked("middle", last);
    KyDeferredDeletion::deleteLater(new Tracked("first", middle));
    KyDeferredDeletion::deletePending();
    EXPECT_EQ((std::vector<std::string>{"first", "middle", "last"}), g_deleted);
    EXPECT_EQ(0u, KyDeferredDeletion::pendingDeletes().count());
}

TEST_F(DeferredDeletionTest, NullAndRepeatedRequestsAreIgnored)
{
    KyDeferredDeletion::deleteLater(nullptr);
    EXPECT_EQ(0u, KyDeferredDeletion::pendingDeletes().count());

    Tracked* a = new Tracked("a");
    KyDeferredDeletion::deleteLater(a);
    KyDeferredDeletion::deleteLater(a);
    // Queued again by a later destructor of the same pass, after it went.
    KyDeferredDeletion::deleteLater(new Tracked("b", a));
    EXPECT_EQ(2u, KyDeferredDeletion::pendingDeletes().count());
    KyDeferredDeletion::deletePending();
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), g_deleted);

    // An object that queues itself (and asks for a pass) from its own
    // destructor is deleted once.
    KyDeferredDeletion::deleteLater(new SelfRequeuing);
    KyDeferredDeletion::deletePending();
    EXPECT_EQ((std::vector<std::string>{"a", "b", "self"}), g_deleted);
    EXPECT_EQ(0u, KyDeferredDeletion::pendingDeletes().count());
}
