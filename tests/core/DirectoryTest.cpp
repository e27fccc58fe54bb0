#include "core/KyDirectory.h"
#include "core/KyFile.h"

#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <set>
#include <sys/wait.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> listNames(const KyString& folder)
{
    std::vector<std::string> names;
    KyDirectory dir;
    if (!dir.findFirst(folder))
        return names;
    while (dir.findNext())
        names.push_back(dir.entryName().c_str());
    return names;
}

// Data/, Data/a.txt, Data/en/, Data/en/b.txt, Data/en/deep/c.txt,
// Data/empty/
void makeTree(TempDir& dir)
{
    dir.writeFile("Data/a.txt", "a");
    dir.writeFile("Data/en/b.txt", "b");
    dir.writeFile("Data/en/deep/c.txt", "c");
    dir.makeDir("Data/empty");
}

} // namespace

TEST(Directory, ListingStartsWithDotsAndIgnoresTrailingSlash)
{
    UserDataSandbox sandbox;
    makeTree(sandbox.work());

    std::vector<std::string> names = listNames("Data");
    ASSERT_EQ(5u, names.size());
    EXPECT_EQ(".", names[0]);
    EXPECT_EQ("..", names[1]);
    EXPECT_EQ((std::set<std::string>{"a.txt", "en", "empty"}),
              std::set<std::string>(names.begin() + 2, names.end()));
    EXPECT_EQ(names, listNames("Data/"));

    EXPECT_EQ((std::vector<std::string>{".", ".."}), listNames("Data/empty"));

    KyDirectory dir;
    ASSERT_TRUE(dir.findFirst("Data"));
    // The first entry is held until findNext hands it out.
    EXPECT_STREQ(".", dir.entryName().c_str());
    ASSERT_TRUE(dir.findNext());
    EXPECT_STREQ(".", dir.entryName().c_str());
    EXPECT_TRUE(dir.entryAttributes() & KyDirectory::AttributeFolder);
    while (dir.findNext()) {
        bool folder = (dir.entryAttributes() & KyDirectory::AttributeFolder) != 0;
        EXPECT_EQ(dir.entryName() != "a.txt", folder) << dir.entryName().c_str();
        if (dir.entryName() == "a.txt") {
            EXPECT_EQ(1u, dir.entry().size);
        }
    }
    EXPECT_FALSE(dir.findNext());
    dir.close();
    EXPECT_FALSE(dir.findNext());
}

TEST(Directory, ListingFailsOnlyWhenTheFolderCannotBeOpened)
{
    UserDataSandbox sandbox;
    makeTree(sandbox.work());
    KyDirectory dir;
    EXPECT_FALSE(dir.findFirst("missing"));
    EXPECT_FALSE(dir.findFirst("Data/a.txt"));
    EXPECT_FALSE(dir.findNext());
    // A new listing replaces an open one.
    ASSERT_TRUE(dir.findFirst("Data"));
    ASSERT_TRUE(dir.findFirst("Data/empty"));
    int count = 0;
    while (dir.findNext())
        ++count;
    EXPECT_EQ(2, count);
}

TEST(Directory, MakeAndChangeDir)
{
    UserDataSandbox sandbox;
    EXPECT_TRUE(KyDirectory::MakeDir("made"));
    EXPECT_FALSE(KyDirectory::MakeDir("made"));
    EXPECT_FALSE(KyDirectory::MakeDir("a/b")); // one level only
    // On a fresh account: the user-data folder is made with its first folder.
    EXPECT_TRUE(KyDirectory::MakeDir("Backup/Saves"));
    struct stat info;
    EXPECT_EQ(0, stat((sandbox.userDataFolder() + "/Saves").c_str(), &info));
    // The whole chain, and a chain that is there already.
    EXPECT_TRUE(KyDirectory::makePath("a/b"));
    EXPECT_TRUE(KyDirectory::makePath("a/b/"));

    ScopedWorkingDir restore;
    EXPECT_TRUE(KyDirectory::ChangeDir("made"));
    EXPECT_EQ(sandbox.work().file("made"), ScopedWorkingDir::current());
    EXPECT_FALSE(KyDirectory::ChangeDir("nowhere"));
}

TEST(Directory, RemoveDirRemovesAWholeTree)
{
    UserDataSandbox sandbox;
    makeTree(sandbox.work());
    EXPECT_TRUE(KyDirectory::RemoveDir("Data"));
    EXPECT_FALSE(sandbox.work().exists("Data"));

    sandbox.home().writeFile("Documents/KyTests/Ads/x/1.png", "1");
    sandbox.home().writeFile("Documents/KyTests/Ads/2.png", "2");
    EXPECT_TRUE(KyDirectory::RemoveDir("Backup/Ads/"));
    EXPECT_FALSE(sandbox.home().exists("Documents/KyTests/Ads"));
    EXPECT_TRUE(sandbox.home().exists("Documents/KyTests"));

    std::string logged;
    bool removed;
    {
        StdoutCapture log;
        removed = KyDirectory::RemoveDir("missing");
        logged = log.text();
    }
    EXPECT_FALSE(removed);
    EXPECT_EQ("", logged);
}

TEST(Directory, RemoveDirNeverFollowsLinks)
{
    UserDataSandbox sandbox;
    TempDir outside;
    outside.writeFile("keep/precious.txt", "keep");
    TempDir& work = sandbox.work();
    work.writeFile("Tree/file.txt", "x");
    ASSERT_EQ(0, symlink(outside.file("keep").c_str(), work.file("Tree/linkToFolder").c_str()));
    ASSERT_EQ(0, symlink(outside.file("keep/precious.txt").c_str(), work.file("Tree/linkToFile").c_str()));
    ASSERT_EQ(0, symlink("nowhere", work.file("Tree/dangling").c_str()));

    KyDirectory dir;
    ASSERT_TRUE(dir.findFirst("Tree"));
    while (dir.findNext()) {
        if (dir.entryName() == "linkToFolder") {
            EXPECT_EQ(KyDirectory::AttributeFolder | KyDirectory::AttributeLink,
                      dir.entryAttributes() & (KyDirectory::AttributeFolder | KyDirectory::AttributeLink));
        }
    }
    dir.close();

    EXPECT_TRUE(KyDirectory::RemoveDir("Tree"));
    EXPECT_FALSE(work.exists("Tree"));
    EXPECT_EQ("keep", outside.readFile("keep/precious.txt"));

    // A link given as the folder itself is removed, not what it points to.
    ASSERT_EQ(0, symlink(outside.file("keep").c_str(), work.file("Alias").c_str()));
    EXPECT_TRUE(KyDirectory::RemoveDir("Alias"));
    EXPECT_FALSE(work.exists("Alias"));
    EXPECT_EQ("keep", outside.readFile("keep/precious.txt"));
}

TEST(Directory, RemoveDirStopsAtAFileThatCannotBeDeleted)
{
    UserDataSandbox sandbox;
    TempDir& work = sandbox.work();
    work.writeFile("Top/Locked/file.txt", "x");
    work.writeFile("Top/other.txt", "y");
    // Permissions do not bind root: the removal then runs in a child that
    // gives up its privileges, with the tree opened to it.
    for (const char* folder : {"", "Top"})
        ASSERT_EQ(0, chmod(work.file(folder).c_str(), 0777));
    ASSERT_EQ(0, chmod(work.file("Top/Locked").c_str(), 0555));

    std::fflush(stdout);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        int log = open("log.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (log < 0 || dup2(log, STDOUT_FILENO) < 0)
            _exit(4);
        bool removed = KyDirectory::RemoveDir("Top");
        std::fflush(stdout);
        _exit(removed ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) > 1)
        GTEST_SKIP() << "no unprivileged access to the temporary folder";
    EXPECT_EQ(0, WEXITSTATUS(status)); // false was returned

    // The locked folder is left alone after its file fails; the parent goes
    // on with its other entries, then cannot remove itself.
    EXPECT_EQ("[KyFile::DeleteFile] Deletation of file : Top/Locked/file.txt failed.\n"
              "[KyDirectory::RemoveDir] Deletation of folder : Top failed.\n",
              work.readFile("log.txt"));
    EXPECT_FALSE(work.exists("Top/other.txt"));
    EXPECT_TRUE(work.exists("Top/Locked/file.txt"));
}
