#include "core/KyCore.h"
#include "core/KyResource.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"

#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// A tiny resource: remembers what it was asked to load and counts live
// objects so tests can see deletions.
class NoteResource : public KyResource {
public:
    NoteResource() { ++s_live; }
    ~NoteResource() override { --s_live; }
    void load(const KyString& path) override
    {
        requested = path;
        setPath(path);
    }
    KyString requested;
    static int s_live;
};
int NoteResource::s_live = 0;

class OtherResource : public KyResource {
public:
    void load(const KyString& path) override { setPath(path); }
};

KyResourceManager* manager()
{
    return KySingleton<KyResourceManager>::instance();
}

std::string hexName(u64 value)
{
    char text[17];
    std::snprintf(text, sizeof(text), "%016llX", static_cast<unsigned long long>(value));
    return text;
}

} // namespace

TEST(Resource, GeneratedNamesAreSixteenHexDigits)
{
    u64 next = KyResource::nameCounter();
    NoteResource first;
    NoteResource second;
    EXPECT_EQ(hexName(next), first.path().c_str());
    EXPECT_EQ(hexName(next + 1), second.path().c_str());
    EXPECT_EQ(16u, first.path().length());
    EXPECT_EQ(next + 2, KyResource::nameCounter());
    first.generateName();
    EXPECT_EQ(hexName(next + 2), first.path().c_str());

    first.setPath("Data/Mixed.PNG");
    first.lowerCasePath();
    EXPECT_STREQ("data/mixed.png", first.path().c_str());
}

TEST(Resource, RequestsShareOneObjectPerExactPath)
{
    UserDataSandbox sandbox;
    sandbox.work().writeFile("Data/a.png", "a");
    u32 listed = manager()->count();
    {
        KyIntrusivePtr<NoteResource> one = manager()->getOrLoad<NoteResource>("Data/a.png");
        ASSERT_TRUE(one);
        EXPECT_STREQ("Data/a.png", one->requested.c_str());
        EXPECT_EQ(1u, one->useCount());
        EXPECT_TRUE(manager()->exists("Data/a.png"));

        KyIntrusivePtr<NoteResource> two = manager()->getOrLoad<NoteResource>("Data/a.png");
        EXPECT_EQ(one.get(), two.get());
        EXPECT_EQ(2u, one->useCount());

        // Lookups compare the texts as written.
        KyIntrusivePtr<NoteResource> dotted = manager()->getOrLoad<NoteResource>("./Data/a.png");
        ASSERT_TRUE(dotted);
        EXPECT_NE(one.get(), dotted.get());
        EXPECT_EQ(listed + 2, manager()->count());
        EXPECT_EQ(dotted.get(), manager()->resources()[0]); // newest first
    }
    // The last release unlists and deletes.
    EXPECT_EQ(listed, manager()->count());
    EXPECT_FALSE(manager()->exists("Data/a.png"));
    EXPECT_EQ(0, NoteResource::s_live);

    KyIntrusivePtr<NoteResource> again = manager()->getOrLoad<NoteResource>("Data/a.png");
    EXPECT_TRUE(again);
    EXPECT_EQ(1u, again->useCount());
}

TEST(Resource, LanguageFoldersSatisfyARequest)
{
    UserDataSandbox sandbox;
    KySingleton<KyCore>::instance()->setLanguage("fr");
    sandbox.work().writeFile("Data/fr/a.png", "fr");
    sandbox.work().writeFile("Data/en/b.png", "en");
    sandbox.work().writeFile("fr/top.png", "fr");

    std::string logged;
    {
        StdoutCapture log;
        KyIntrusivePtr<NoteResource> french = manager()->getOrLoad<NoteResource>("Data/a.png");
        KyIntrusivePtr<NoteResource> english = manager()->getOrLoad<NoteResource>("Data/b.png");
        KyIntrusivePtr<NoteResource> none = manager()->getOrLoad<NoteResource>("Data/c.png");
        KyIntrusivePtr<NoteResource> top = manager()->getOrLoad<NoteResource>("top.png");
        ASSERT_TRUE(french);
        ASSERT_TRUE(english);
        EXPECT_FALSE(none);
        ASSERT_TRUE(top);
        // The requested path is loaded and listed, not the candidate found.
        EXPECT_STREQ("Data/a.png", french->requested.c_str());
        EXPECT_STREQ("Data/b.png", english->requested.c_str());
        logged = log.text();
    }
    EXPECT_EQ("", logged);

    KyPath found;
    EXPECT_TRUE(KyResourceManager::findLanguageFile("Data/a.png", &found));
    EXPECT_STREQ("Data/fr/a.png", found.c_str());
    EXPECT_TRUE(KyResourceManager::findLanguageFile("Data/b.png", &found));
    EXPECT_STREQ("Data/en/b.png", found.c_str());
    EXPECT_FALSE(KyResourceManager::findLanguageFile("Data/c.png", &found));
    EXPECT_STREQ("Data/en/c.png", found.c_str());
    EXPECT_TRUE(KyResourceManager::findLanguageFile("top.png", &found));
    EXPECT_STREQ("fr/top.png", found.c_str());
}

TEST(Resource, RecursiveSearchLoadsWithoutProbing)
{
    UserDataSandbox sandbox;
    KySingleton<KyCore>::instance()->recursiveSearch = 1;
    KyIntrusivePtr<NoteResource> loaded = manager()->getOrLoad<NoteResource>("Data/nowhere.png");
    ASSERT_TRUE(loaded);
    EXPECT_STREQ("Data/nowhere.png", loaded->requested.c_str());
}

TEST(Resource, RequestsNeverMeetAnotherTypeUnderTheSamePath)
{
    UserDataSandbox sandbox;
    sandbox.work().writeFile("Data/a.png", "a");
    KyIntrusivePtr<NoteResource> note = manager()->getOrLoad<NoteResource>("Data/a.png");
    KyIntrusivePtr<OtherResource> other = manager()->getOrLoad<OtherResource>("Data/a.png");
    ASSERT_TRUE(note);
    ASSERT_TRUE(other);
    EXPECT_NE(static_cast<KyResource*>(note.get()), static_cast<KyResource*>(other.get()));
    EXPECT_EQ(1u, note->useCount());

    // Each type still finds its own, whichever was listed last.
    EXPECT_EQ(note.get(), manager()->getOrLoad<NoteResource>("Data/a.png").get());
    EXPECT_EQ(other.get(), manager()->getOrLoad<OtherResource>("Data/a.png").get());
    EXPECT_EQ(note.get(), manager()->find<NoteResource>("Data/a.png"));
    EXPECT_EQ(static_cast<KyResource*>(other.get()), manager()->find<KyResource>("Data/a.png"));
}

TEST(Resource, DestroyedResourcesLeaveTheList)
{
    u32 listed = manager()->count();
    NoteResource* made = new NoteResource;
    made->setPath("made.png");
    manager()->add(made);
    EXPECT_EQ(listed + 1, manager()->count());
    EXPECT_TRUE(manager()->exists("made.png"));
    delete made;
    EXPECT_EQ(listed, manager()->count());
    EXPECT_FALSE(manager()->exists("made.png"));

    // Copies and assignment keep one count per reference.
    KyIntrusivePtr<NoteResource> a(new NoteResource);
    manager()->add(a.get());
    KyIntrusivePtr<NoteResource> b = a;
    EXPECT_EQ(2u, a->useCount());
    b = a;
    KyIntrusivePtr<NoteResource>& self = a;
    a = self;
    EXPECT_EQ(2u, a->useCount());
    b.reset();
    a.reset();
    EXPECT_EQ(listed, manager()->count());
    EXPECT_EQ(0, NoteResource::s_live);
}
