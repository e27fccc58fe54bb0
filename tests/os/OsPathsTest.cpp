#include "os/KyOsPaths.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every source of the documents folder, controlled by the test.
struct DocumentsEnv {
    explicit DocumentsEnv(const std::string& home)
        : homeVar("HOME", home)
        , direct("XDG_DOCUMENTS_DIR")
        , config("XDG_CONFIG_HOME")
    {
    }
    ScopedEnv homeVar;
    ScopedEnv direct;
    ScopedEnv config;
};

} // namespace

TEST(OsPaths, DocumentsFolderSourcesInOrder)
{
    TempDir home;
    DocumentsEnv env(home.path());

    // Nothing configured: $HOME/Documents.
    EXPECT_EQ(home.path() + "/Documents", KyOsPaths::documentsFolder());

    // ~/.config/user-dirs.dirs, $HOME-relative, quoted, with comments.
    ASSERT_TRUE(home.writeFile(".config/user-dirs.dirs",
                               "# written by xdg-user-dirs-update\n"
                               "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                               "XDG_DOCUMENTS_DIR=\"$HOME/Mes documents/\"\n"));
    EXPECT_EQ(home.path() + "/Mes documents", KyOsPaths::documentsFolder());

    // XDG_CONFIG_HOME moves the settings file.
    TempDir config;
    ASSERT_TRUE(config.writeFile("user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n"));
    {
        ScopedEnv moved("XDG_CONFIG_HOME", config.path());
        EXPECT_EQ("/srv/docs", KyOsPaths::documentsFolder());
    }

    // The variable wins over everything.
    {
        ScopedEnv direct("XDG_DOCUMENTS_DIR", "/data/papers/");
        EXPECT_EQ("/data/papers", KyOsPaths::documentsFolder());
    }
}

TEST(OsPaths, UserDirsParsing)
{
    TempDir dir;
    auto parse = [&](const std::string& content) {
        dir.writeFile("dirs", content);
        return KyOsPaths::documentsFromUserDirs(dir.file("dirs"), "/home/u");
    };
    EXPECT_EQ("/home/u/Docs", parse("XDG_DOCUMENTS_DIR=\"${HOME}/Docs\"\n"));
    EXPECT_EQ("/home/u/a\"b", parse("  XDG_DOCUMENTS_DIR = \"$HOME/a\\\"b\"\n"));
    // The last entry holds, as when the file is sourced by a shell.
    EXPECT_EQ("/two", parse("XDG_DOCUMENTS_DIR=\"/one\"\nXDG_DOCUMENTS_DIR=\"/two\"\n"));
    // Relative values, unterminated quotes and commented lines are ignored.
    EXPECT_EQ("", parse("XDG_DOCUMENTS_DIR=\"Documents\"\n"));
    EXPECT_EQ("", parse("XDG_DOCUMENTS_DIR=\"/open\n"));
    EXPECT_EQ("", parse("#XDG_DOCUMENTS_DIR=\"/x\"\nXDG_DOCUMENTS_DIRS=\"/y\"\n"));
    EXPECT_EQ("", KyOsPaths::documentsFromUserDirs(dir.file("missing"), "/home/u"));
    // A FIFO is never opened: it would wait for a writer.
    ASSERT_EQ(0, mkfifo(dir.file("pipe").c_str(), 0600));
    EXPECT_EQ("", KyOsPaths::documentsFromUserDirs(dir.file("pipe"), "/home/u"));
}

TEST(OsPaths, NoDocumentsFolderWithoutHome)
{
    ScopedEnv home("HOME");
    ScopedEnv direct("XDG_DOCUMENTS_DIR");
    ScopedEnv config("XDG_CONFIG_HOME");
    EXPECT_EQ("", KyOsPaths::documentsFolder());

    // A relative variable is not a folder we can use either.
    ScopedEnv relative("XDG_DOCUMENTS_DIR", "Documents");
    EXPECT_EQ("", KyOsPaths::documentsFolder());
}

TEST(OsPaths, ExecutableFolderHoldsTheRunningProgram)
{
    std::string program = KyOsPaths::executablePath();
    std::string folder = KyOsPaths::executableFolder();
    ASSERT_FALSE(program.empty());
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder + "/", program.substr(0, folder.size() + 1));
    EXPECT_EQ(std::string::npos, program.find('/', folder.size() + 1));
    struct stat info;
    ASSERT_EQ(0, stat(program.c_str(), &info));
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(0, access(program.c_str(), X_OK));
}
