#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "core/KyXmlDocument.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

namespace {

const char kOpenFailed[] = "[KyFile::Open_2] Le fichier %s n'existe pas.\n";

std::string openFailedLine(const std::string& path)
{
    char line[512];
    snprintf(line, sizeof(line), kOpenFailed, path.c_str());
    return line;
}

int openDescriptors()
{
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dir && readdir(dir))
        ++count;
    if (dir)
        closedir(dir);
    return count;
}

std::string readAll(KyFile& file)
{
    std::string text;
    char block[4];
    u32 n;
    while ((n = file.read(block, sizeof(block))) > 0)
        text.append(block, n);
    return text;
}

} // namespace

TEST(File, WriteReadSeekAndSize)
{
    UserDataSandbox sandbox;
    KyFile file;
    EXPECT_EQ(4u, file.mode());

    ASSERT_TRUE(file.Open_2("ten.bin", 2));
    EXPECT_EQ(2u, file.mode());
    EXPECT_EQ(10u, file.write("0123456789", 10));
    EXPECT_EQ(10u, file.GetFileSize());
    file.close();
    EXPECT_EQ(4u, file.mode());

    ASSERT_TRUE(file.Open_2("ten.bin", 3));
    EXPECT_EQ(2u, file.write("ab", 2));
    file.close();

    ASSERT_TRUE(file.Open_2(".//ten.bin", 1));
    EXPECT_STREQ(".//ten.bin", file.path().c_str());
    EXPECT_EQ(1u, file.mode());
    char head[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(3u, file.read(head, 3));
    EXPECT_EQ(std::string("012x"), std::string(head, 4));
    EXPECT_EQ(3u, file.tell());
    EXPECT_EQ(12u, file.GetFileSize());
    EXPECT_EQ(3u, file.tell());

    EXPECT_TRUE(file.seek(8));
    char tail[8] = {};
    EXPECT_FALSE(file.eof());
    EXPECT_EQ(4u, file.read(tail, sizeof(tail)));
    EXPECT_EQ(std::string("89ab"), std::string(tail, 4));
    EXPECT_TRUE(file.eof());
    EXPECT_EQ(0u, file.read(tail, 1));
    EXPECT_EQ(0u, file.write("no", 2)); // opened for reading
}

// Reads at an offset come straight from the file, whatever the stream
// position and the stream's buffer hold, and leave the position alone.
TEST(File, ReadAtLeavesThePositionAlone)
{
    UserDataSandbox sandbox;
    KyFile file;
    ASSERT_TRUE(file.Open_2("ten.bin", 2));
    file.write("0123456789", 10);
    file.close();

    ASSERT_TRUE(file.Open_2("ten.bin", 1));
    char byte = 0;
    ASSERT_EQ(1u, file.read(&byte, 1)); // the stream has buffered the file
    struct Case {
        u32 offset, n;
        const char* bytes;
    } cases[] = {{0, 3, "012"}, {7, 3, "789"}, {8, 5, "89"}, {9, 1, "9"}, {10, 4, ""}, {500, 1, ""}, {4, 0, ""}};
    for (const Case& c : cases) {
        char out[8] = {};
        const u32 got = file.readAt(c.offset, out, c.n);
        EXPECT_EQ(std::string(c.bytes), std::string(out, got)) << c.offset << " " << c.n;
        EXPECT_EQ(1u, file.tell());
    }
    ASSERT_EQ(1u, file.read(&byte, 1));
    EXPECT_EQ('1', byte);

    file.close();
    char out[4];
    EXPECT_EQ(0u, file.readAt(0, out, 4));
}

TEST(File, ClosedFileDoesNothing)
{
    UserDataSandbox sandbox;
    KyFile file;
    char byte = 0;
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(0u, file.write("a", 1));
    EXPECT_EQ(0u, file.read(&byte, 1));
    EXPECT_FALSE(file.seek(0));
    EXPECT_EQ(0u, file.tell());
    EXPECT_FALSE(file.eof());
    EXPECT_EQ(0u, file.GetFileSize());
    EXPECT_FALSE(file.flush());

    StdoutCapture log;
    EXPECT_FALSE(file.Open_2("missing.txt", 1));
    EXPECT_FALSE(file.Open_2("any.txt", 5));
    EXPECT_EQ(4u, file.mode());
    EXPECT_EQ(openFailedLine("missing.txt") + openFailedLine("any.txt"), log.text());
    EXPECT_FALSE(sandbox.work().exists("any.txt"));

    KyFile constructed(KyString("missing.txt"));
    EXPECT_FALSE(constructed.isOpen());
}

TEST(File, OpeningAgainClosesTheOpenFile)
{
    UserDataSandbox sandbox;
    sandbox.work().writeFile("a.txt", "first");
    sandbox.work().writeFile("b.txt", "second");

    int before = openDescriptors();
    KyFile file(KyString("a.txt"));
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(before + 1, openDescriptors());
    ASSERT_TRUE(file.Open_2("b.txt", 1));
    EXPECT_EQ(before + 1, openDescriptors());
    EXPECT_EQ("second", readAll(file));

    // A failed open leaves the file closed, not the old file open.
    bool reopened;
    {
        StdoutCapture log;
        reopened = file.Open_2("missing.txt", 1);
    }
    EXPECT_FALSE(reopened);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(4u, file.mode());
    EXPECT_EQ(before, openDescriptors());
}

TEST(File, FoldersAreNotFiles)
{
    UserDataSandbox sandbox;
    sandbox.work().makeDir("Data");
    sandbox.work().writeFile("Data/a.png", "png");

    StdoutCapture log;
    EXPECT_TRUE(KyFile::exists("Data/a.png"));
    EXPECT_TRUE(KyFile::exists("./Data\\a.png"));
    EXPECT_FALSE(KyFile::exists("Data"));
    EXPECT_FALSE(KyFile::exists("Data/"));
    EXPECT_FALSE(KyFile::exists("Data/b.png"));
    EXPECT_FALSE(KyFile::exists(""));
    EXPECT_EQ("", log.text()); // exists never logs

    KyFile file;
    EXPECT_FALSE(file.Open_2("Data", 1));
    EXPECT_EQ(openFailedLine("Data"), log.text());
}

TEST(File, ResolvePathRules)
{
    UserDataSandbox sandbox("Orvalen Test");
    EXPECT_STREQ("", KyFile::resolvePath("").c_str());
    EXPECT_STREQ("a/b.png", KyFile::resolvePath("./a/b.png").c_str());
    EXPECT_STREQ("base/a/b.png", KyFile::resolvePath("./a/b.png", "base/").c_str());
    EXPECT_STREQ("a/b/c.png", KyFile::resolvePath("a\\\\b//c.png").c_str());
    EXPECT_STREQ("c:/x.png", KyFile::resolvePath("c:/x.png").c_str());
    EXPECT_STREQ("ab/c", KyFile::resolvePath("ab/c").c_str());
    EXPECT_STREQ("/abs/file", KyFile::resolvePath("/abs/file").c_str());
    // Only the exact prefix stands for the user-data folder.
    EXPECT_STREQ("backup/x", KyFile::resolvePath("backup/x").c_str());
    EXPECT_STREQ("Backups/x", KyFile::resolvePath("Backups/x").c_str());

    // Resolving makes no folder but the user-data folder, once; writing a
    // file makes the folders it lies in, appending too, even the user-data
    // folder removed meanwhile.
    std::string folder = sandbox.userDataFolder();
    EXPECT_EQ(folder + "/options.xml", KyFile::resolvePath("Backup/options.xml").c_str());
    EXPECT_EQ(folder + "/Ads/a.png", KyFile::resolvePath("Backup\\Ads\\a.png").c_str());
    EXPECT_FALSE(sandbox.home().exists("Documents/Orvalen Test/Ads"));
    ASSERT_EQ(0, rmdir(folder.c_str()));

    KyFile file;
    ASSERT_TRUE(file.Open_2("Backup/save.xml", 2));
    file.write("<save/>", 7);
    file.close();
    EXPECT_EQ("<save/>", sandbox.home().readFile("Documents/Orvalen Test/save.xml"));
    ASSERT_TRUE(file.Open_2("Backup/Logs/a/log.txt", 3));
    file.write("log", 3);
    file.close();
    EXPECT_EQ("log", sandbox.home().readFile("Documents/Orvalen Test/Logs/a/log.txt"));
    // Reading makes nothing.
    StdoutCapture log;
    EXPECT_FALSE(file.Open_2("Backup/Other/x.txt", 1));
    EXPECT_FALSE(sandbox.home().exists("Documents/Orvalen Test/Other"));
}

TEST(File, UserDataWithoutDocumentsFolderStaysBesideTheProgram)
{
    UserDataSandbox sandbox;
    ScopedEnv noHome("HOME");
    EXPECT_STREQ("save.xml", KyFile::resolvePath("Backup/save.xml").c_str());
    EXPECT_STREQ("Ads/x.png", KyFile::resolvePath("Backup/Ads/x.png").c_str());

    KyFile file;
    ASSERT_TRUE(file.Open_2("Backup/logs.txt", 2));
    file.write("log", 3);
    file.close();
    EXPECT_EQ("log", sandbox.work().readFile("logs.txt"));
    EXPECT_TRUE(KyFile::exists("Backup/logs.txt"));
}

TEST(File, CopyRenameDelete)
{
    UserDataSandbox sandbox;
    TempDir& work = sandbox.work();
    std::string big(200000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    work.writeFile("src.bin", big);
    work.writeFile("old.bin", std::string(300000, 'z'));

    EXPECT_TRUE(KyFile::copyFile("src.bin", "copy.bin"));
    EXPECT_EQ(big, work.readFile("copy.bin"));
    EXPECT_TRUE(KyFile::copyFile("src.bin", "old.bin")); // truncated first
    EXPECT_EQ(big, work.readFile("old.bin"));
    EXPECT_TRUE(KyFile::copyFile("src.bin", "./src.bin")); // onto itself
    EXPECT_EQ(big, work.readFile("src.bin"));
    EXPECT_TRUE(KyFile::copyFile("src.bin", "Backup/kept.bin"));
    EXPECT_EQ(big, sandbox.home().readFile("Documents/KyTests/kept.bin"));

    {
        StdoutCapture log;
        EXPECT_FALSE(KyFile::copyFile("missing.bin", "out.bin"));
        EXPECT_EQ(openFailedLine("missing.bin"), log.text());
        EXPECT_FALSE(work.exists("out.bin"));
    }
    // The destination's missing folders are made.
    EXPECT_TRUE(KyFile::copyFile("src.bin", "new/folder/out.bin"));
    EXPECT_EQ(big, work.readFile("new/folder/out.bin"));

    EXPECT_TRUE(KyFile::renameFile("copy.bin", "moved.bin"));
    EXPECT_FALSE(work.exists("copy.bin"));
    EXPECT_TRUE(KyFile::renameFile("moved.bin", "old.bin")); // replaces
    EXPECT_EQ(big, work.readFile("old.bin"));
    EXPECT_FALSE(KyFile::renameFile("missing.bin", "x.bin"));

    EXPECT_TRUE(KyFile::DeleteFile("old.bin"));
    EXPECT_FALSE(work.exists("old.bin"));
    StdoutCapture log;
    EXPECT_FALSE(KyFile::DeleteFile("old.bin"));
    work.makeDir("folder");
    EXPECT_FALSE(KyFile::DeleteFile("folder"));
    EXPECT_TRUE(work.exists("folder"));
    EXPECT_EQ("[KyFile::DeleteFile] Deletation of file : old.bin failed.\n"
              "[KyFile::DeleteFile] Deletation of file : folder failed.\n",
              log.text());
}

TEST(File, CopyReportsAShortWrite)
{
    struct stat info;
    if (stat("/dev/full", &info) != 0)
        GTEST_SKIP() << "no /dev/full";
    UserDataSandbox sandbox;
    sandbox.work().writeFile("src.bin", std::string(100000, 'q'));
    EXPECT_FALSE(KyFile::copyFile("src.bin", "/dev/full"));
    EXPECT_EQ(0, stat("/dev/full", &info)); // a device is never removed
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST(File, RecursiveSearchFindsLanguageFolders)
{
    UserDataSandbox sandbox;
    KyCore* core = KySingleton<KyCore>::instance();
    sandbox.work().writeFile("Data/en/a.png", "en");
    sandbox.work().writeFile("Data/de/b.png", "de");
    sandbox.work().writeFile("c.png", "top");

    EXPECT_FALSE(KyFile::exists("Data/a.png"));
    core->recursiveSearch = 1;
    EXPECT_STREQ("Data/en/a.png", KyFile::resolvePath("Data/a.png").c_str());
    EXPECT_TRUE(KyFile::exists("Data/a.png"));
    // Only folders named after a setting value are searched.
    EXPECT_STREQ("Data/b.png", KyFile::resolvePath("Data/b.png").c_str());
    core->setSetting("extra", "de");
    EXPECT_STREQ("Data/de/b.png", KyFile::resolvePath("Data/b.png").c_str());
    EXPECT_STREQ("c.png", KyFile::searchPath("c.png").c_str());
    EXPECT_STREQ("", KyFile::searchPath("nothing/d.png").c_str());
    core->removeSetting("extra");
    core->recursiveSearch = 0;
}

// Opening a FIFO for reading waits for a writer, for good: no path the game
// reads may ever do it. Nor is a device read as a file.
TEST(File, FifosAndDevicesAreNeverOpenedForReadingAndNothingWaits)
{
    UserDataSandbox sandbox;
    ASSERT_EQ(0, mkfifo(sandbox.work().file("pipe.xml").c_str(), 0600));
    StdoutCapture log;
    for (const char* path : {"pipe.xml", "/dev/zero", "/dev/null"}) {
        EXPECT_FALSE(KyFile::exists(path)) << path;
        KyFile file;
        EXPECT_FALSE(file.Open_2(path, KyFile::ModeRead)) << path;
        EXPECT_EQ(nullptr, KyFile::openDisk(path, KyFile::ModeRead)) << path;
        KyXmlDocument document;
        EXPECT_FALSE(document.loadFile(path)) << path;
        EXPECT_EQ(document.ErrorId(), TiXmlBase::TIXML_ERROR_OPENING_FILE) << path;
    }
    // Written without a reader, a FIFO refuses at once; a device takes it.
    KyFile file;
    EXPECT_FALSE(file.Open_2("pipe.xml", KyFile::ModeWrite));
    EXPECT_TRUE(file.Open_2("/dev/null", KyFile::ModeWrite));
    EXPECT_EQ(3u, file.write("abc", 3));
    file.close();
    // A regular file still reads and writes as before, and its reads wait
    // as usual (the descriptor is not left non-blocking).
    ASSERT_TRUE(file.Open_2("plain.txt", KyFile::ModeWrite));
    EXPECT_EQ(4u, file.write("text", 4));
    file.close();
    ASSERT_TRUE(file.Open_2("plain.txt", KyFile::ModeRead));
    EXPECT_EQ("text", readAll(file));
    std::FILE* plain = KyFile::openDisk(KyFile::resolvePath("plain.txt"), KyFile::ModeRead);
    ASSERT_NE(nullptr, plain);
    EXPECT_EQ(0, fcntl(fileno(plain), F_GETFL) & O_NONBLOCK);
    std::fclose(plain);
}

TEST(File, TheTemporaryNamesOfAtomicWrites)
{
    struct Case {
        const char* name;
        bool temporary;
        const char* base;
    };
    // Only the writer's mark counts: a person's copies of any shape do not.
    const Case cases[] = {{"save.xml.kytmp~a1B2c3", true, "save.xml"}, {"x.kytmp~000000", true, "x"},
                          {"save.xml", false, ""},                      {"save.xml.a1B2c3", false, ""},
                          {"save.xml.kytmp~a1B2c", false, ""},          {"save.xml.kytmp~a1B2c3d", false, ""},
                          {"save.xml.kytmp~a1-2c3", false, ""},         {"save.xml.KYTMP~a1B2c3", false, ""},
                          {".kytmp~a1B2c3", false, ""}};
    for (const Case& c : cases) {
        KyString base;
        EXPECT_EQ(KyFile::isTemporaryName(c.name, base), c.temporary) << c.name;
        if (c.temporary) {
            EXPECT_STREQ(base.c_str(), c.base) << c.name;
        }
    }
}

// The room beside a file whose folders are not made yet is the nearest
// folder's that is: the question answers, however many levels are missing.
TEST(File, FreeSpaceOfAPathNotMadeYetIsItsNearestFoldersRoom)
{
    UserDataSandbox sandbox;
    for (const char* path : {"Backup/AdsTmp/index.xml", "Backup/a/b/c/", "Backup/x.xml"}) {
        u64 bytes = 0;
        EXPECT_TRUE(KyFile::freeSpace(KyString(path), bytes)) << path;
        EXPECT_GT(bytes, 0u) << path;
    }
}
