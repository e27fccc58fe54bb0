#include "os/KyOsDir.h"

#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <unistd.h>
#include <vector>

namespace {

std::vector<KyOsDir::Entry> listAll(const std::string& folder)
{
    std::vector<KyOsDir::Entry> entries;
    KyOsDir dir;
    if (!dir.open(folder.c_str()))
        return entries;
    KyOsDir::Entry entry;
    while (dir.next(entry))
        entries.push_back(entry);
    return entries;
}

} // namespace

TEST(OsDir, ListingGivesDotsFirstThenEachEntryOnce)
{
    TempDir dir;
    // Enough entries that a hashed directory order puts the dots elsewhere.
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(dir.writeFile("f" + std::to_string(i), std::string(i, 'x')));
    ASSERT_TRUE(dir.makeDir("sub"));
    ASSERT_EQ(0, symlink("sub", dir.file("link").c_str()));

    std::vector<KyOsDir::Entry> entries = listAll(dir.path());
    ASSERT_EQ(2u + 40u + 2u, entries.size());
    EXPECT_EQ(".", entries[0].name);
    EXPECT_EQ("..", entries[1].name);
    EXPECT_TRUE(entries[0].isFolder);
    EXPECT_TRUE(entries[1].isFolder);

    std::set<std::string> names;
    for (size_t i = 2; i < entries.size(); ++i) {
        const KyOsDir::Entry& e = entries[i];
        EXPECT_TRUE(names.insert(e.name).second) << e.name;
        if (e.name == "sub") {
            EXPECT_TRUE(e.isFolder);
            EXPECT_FALSE(e.isLink);
        } else if (e.name == "link") {
            EXPECT_TRUE(e.isFolder);
            EXPECT_TRUE(e.isLink);
        } else {
            EXPECT_FALSE(e.isFolder);
            EXPECT_EQ(std::stoul(e.name.substr(1)), e.size);
        }
    }
    EXPECT_EQ(42u, names.size());
}

TEST(OsDir, OpenFailsOnMissingFolderAndOnFile)
{
    TempDir dir;
    dir.writeFile("file", "x");
    KyOsDir listing;
    EXPECT_FALSE(listing.open(dir.file("missing").c_str()));
    EXPECT_FALSE(listing.open(dir.file("file").c_str()));
    EXPECT_FALSE(listing.isOpen());
    KyOsDir::Entry entry;
    EXPECT_FALSE(listing.next(entry));
}

TEST(OsDir, FolderOperations)
{
    TempDir dir;
    std::string a = dir.file("a");
    EXPECT_TRUE(KyOsDir::makeDir(a.c_str()));
    EXPECT_FALSE(KyOsDir::makeDir(a.c_str()));
    EXPECT_TRUE(KyOsDir::isFolder(a.c_str()));

    std::string deep = dir.file("b/c/d");
    EXPECT_FALSE(KyOsDir::makeDir(deep.c_str()));
    EXPECT_TRUE(KyOsDir::makePath(deep.c_str()));
    EXPECT_TRUE(KyOsDir::makePath(deep.c_str()));
    EXPECT_TRUE(KyOsDir::isFolder(deep.c_str()));
    dir.writeFile("file", "x");
    EXPECT_FALSE(KyOsDir::makePath(dir.file("file").c_str()));
    EXPECT_FALSE(KyOsDir::makePath(dir.file("file/under").c_str()));

    EXPECT_FALSE(KyOsDir::removeDir(dir.file("b").c_str())); // not empty
    EXPECT_TRUE(KyOsDir::removeDir(deep.c_str()));
    EXPECT_FALSE(KyOsDir::entryExists(deep.c_str()));

    ScopedWorkingDir restore;
    EXPECT_TRUE(KyOsDir::changeDir(a.c_str()));
    EXPECT_EQ(a, KyOsDir::currentDir());
    EXPECT_FALSE(KyOsDir::changeDir(dir.file("missing").c_str()));
    EXPECT_EQ(a, KyOsDir::currentDir());
}
