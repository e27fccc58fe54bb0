#include "core/KyArray.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyList.h"
#include "core/KyMap.h"
#include "core/KyPath.h"
#include "core/KyReferencesCounter.h"
#include "core/KyString.h"

#include <gtest/gtest.h>

namespace {

struct Image : KyReferencesCounter {
    explicit Image(int* deaths) : deaths(deaths) {}
    ~Image() override { ++*deaths; }
    int* deaths;
};

} // namespace

TEST(Map, DuplicatesStayAndLookupTakesTheFirst)
{
    int first = 1, second = 2, other = 3;
    KyMap<KyString, int*> map;
    EXPECT_EQ(map.find("a"), nullptr);
    EXPECT_EQ(map.get("a"), nullptr);
    map.insert("a", &first);
    map.insert("b", &other);
    map.insert("a", &second);
    EXPECT_EQ(map.count(), 3u);
    ASSERT_NE(map.find("a"), nullptr);
    EXPECT_EQ(*map.find("a"), &first);
    EXPECT_EQ(map.get(KyString("b")), &other);
    EXPECT_FALSE(map.contains("A")); // case-sensitive

    // last() reaches what was just inserted.
    map.insert(KyMapEntry<KyString, int*>{"c", &other});
    KyMap<KyString, int*>::iterator newest = map.last();
    EXPECT_EQ(newest->key, "c");

    // Removing the first "a" uncovers the second.
    EXPECT_TRUE(map.remove("a"));
    EXPECT_EQ(map.get("a"), &second);
    EXPECT_EQ(map.count(), 3u);
    EXPECT_FALSE(map.remove("zzz"));
    // The pointed values were not deleted: they are locals.
    map.clear();
    EXPECT_TRUE(map.isEmpty());
    EXPECT_EQ(first + second, 3);
}

TEST(Map, WalkThatErasesEveryEntry)
{
    KyMap<KyString, int> map;
    for (int i = 0; i < 4; ++i)
        map.insert(KyString(i), i * 10);
    KyString keys;
    int sum = 0;
    for (KyMap<KyString, int>::iterator it = map.begin(); it != map.end(); it++) {
        keys += it->key;
        sum += (*it).value;
        map.erase(it);
    }
    EXPECT_EQ(keys, "0123");
    EXPECT_EQ(sum, 60);
    EXPECT_EQ(map.count(), 0u);
}

TEST(Map, CountedValuesAreReleasedWithTheirEntries)
{
    int deaths = 0;
    {
        KyMap<KyString, KyIntrusivePtr<Image>> images;
        Image* shared = new Image(&deaths);
        images.insert("one", shared);
        images.insert("two", shared);
        images.insert("three", new Image(&deaths));
        EXPECT_EQ(shared->count(), 2u);
        images.remove("one");
        EXPECT_EQ(shared->count(), 1u);
        images.remove("three");
        EXPECT_EQ(deaths, 1);
        KyIntrusivePtr<Image> kept = images.get("two");
        images.clear();
        EXPECT_EQ(deaths, 1);
        EXPECT_EQ(kept->count(), 1u);
        images.insert("again", kept);
    }
    EXPECT_EQ(deaths, 2);
}

TEST(Map, StringContainers)
{
    KyArray<KyString> names;
    names.pushBack("door");
    names.pushBack("key");
    names.pushBack("key");
    for (int i = 0; i < 3; ++i)
        names.pushBack(names[0]); // the element itself, while the storage moves
    u32 index = 0;
    EXPECT_TRUE(names.find(KyString("key"), &index));
    EXPECT_EQ(index, 1u);
    EXPECT_FALSE(names.find(KyString("Key"), &index));
    EXPECT_EQ(names.count(), 6u);
    EXPECT_EQ(names.capacity(), 6u);
    EXPECT_EQ(names[5], "door");
    names.remove("door");
    EXPECT_EQ(names[0], "key");

    KyList<KyPath> paths;
    paths.pushBack(KyPath("GUI//Menu.lua"));
    paths.pushBack(KyPath("Sounds/a.ogg"));
    KyList<KyPath> copy(paths);
    ASSERT_EQ(copy.count(), 2u);
    KyList<KyPath>::iterator a = paths.begin();
    KyList<KyPath>::iterator b = copy.begin();
    for (; a != paths.end(); a++, b++) {
        EXPECT_EQ(*a, *b);
        EXPECT_NE(a.node(), b.node());
    }
    EXPECT_EQ(*copy.begin(), "GUI/Menu.lua");
    copy = KyList<KyPath>();
    EXPECT_TRUE(copy.isEmpty());
}
