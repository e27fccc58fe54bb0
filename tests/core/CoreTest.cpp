#include "core/KyCore.h"
#include "core/KySingleton.h"

#include "os/KyOsPaths.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(Core, StartsInEnglishAndLandscape)
{
    KyCore core;
    EXPECT_STREQ("en", core.language().c_str());
    EXPECT_STREQ("en", KyCore::systemLanguage().c_str());
    EXPECT_STREQ("", core.applicationName().c_str());
    EXPECT_TRUE(core.isSettingValue("en"));
    EXPECT_FALSE(core.isSettingValue("language"));
    EXPECT_EQ(1, core.ready);
    EXPECT_TRUE(core.isFixedLandscape());
    EXPECT_EQ(0, core.recursiveSearch);
    EXPECT_EQ(0u, core.applicationState);

    // The fixed-landscape flag and ready are one field.
    core.setFixedLandscape(false);
    EXPECT_EQ(0, core.ready);
    core.ready = 1;
    EXPECT_TRUE(core.isFixedLandscape());

    core.recursiveSearch = 1;
    core.ready = 0;
    core.init();
    EXPECT_EQ(0, core.recursiveSearch);
    EXPECT_EQ(1, core.ready);

    EXPECT_EQ(KySingleton<KyCore>::instance(), KySingleton<KyCore>::instance());
}

TEST(Core, LanguageAndSettings)
{
    KyCore core;
    core.setLanguage("fr");
    EXPECT_STREQ("fr", core.language().c_str());
    // The setting keeps "en" whatever the language.
    EXPECT_STREQ("en", core.setting("language").c_str());
    EXPECT_FALSE(core.isSettingValue("fr"));

    core.setSetting("quality", "low");
    core.setSetting("quality", "high");
    EXPECT_STREQ("high", core.setting("quality").c_str());
    EXPECT_FALSE(core.isSettingValue("low"));
    EXPECT_TRUE(core.isSettingValue("high"));
    EXPECT_FALSE(core.isSettingValue("hig"));
    core.removeSetting("quality");
    EXPECT_FALSE(core.isSettingValue("high"));
    EXPECT_STREQ("", core.setting("quality").c_str());

    EXPECT_STREQ("GUI/a.lua", KyCore::absolutePath("GUI\\a.lua").c_str());
    EXPECT_STREQ("Backup/", KyCore::userDataPrefix().c_str());
    EXPECT_STREQ("", KyCore::baseFolderPrefix().c_str());
}

// Paths are resolved far more often than files are written: the folder is
// made when first met missing, and a resolve makes nothing after that.
TEST(Core, UserDataPathMakesItsFolderOnce)
{
    UserDataSandbox sandbox("Orvalen The Wandrel Part 3");
    std::string folder = sandbox.userDataFolder();

    EXPECT_EQ(folder + "/options.xml", KyCore::userDataPath("options.xml").c_str());
    EXPECT_TRUE(sandbox.home().exists("Documents/Orvalen The Wandrel Part 3"));
    ASSERT_EQ(0, rmdir(folder.c_str()));
    EXPECT_EQ(folder + "/Ads/a.png", KyCore::userDataPath("Ads\\a.png").c_str());
    EXPECT_FALSE(sandbox.home().exists("Documents/Orvalen The Wandrel Part 3"));

    TempDir documents;
    {
        ScopedEnv direct("XDG_DOCUMENTS_DIR", documents.path());
        EXPECT_EQ(documents.path() + "/Orvalen The Wandrel Part 3/save.xml",
                  KyCore::userDataPath("save.xml").c_str());
        EXPECT_TRUE(documents.exists("Orvalen The Wandrel Part 3"));
    }

    // No name yet: the documents folder itself.
    KySingleton<KyCore>::instance()->setApplicationName("");
    EXPECT_EQ(sandbox.documentsFolder() + "/x", KyCore::userDataPath("x").c_str());
}

TEST(Core, UserDataPathIsEmptyWithoutADocumentsFolder)
{
    UserDataSandbox sandbox;
    ScopedEnv noHome("HOME");
    EXPECT_STREQ("", KyCore::userDataPath("options.xml").c_str());
}

TEST(Core, SetProgramPathMovesToTheProgramFolder)
{
    UserDataSandbox sandbox;
    sandbox.work().makeDir("bin");
    KyCore core;
    ScopedWorkingDir restore;

    const char* argv[] = {"bin/game", "-x", nullptr};
    core.setProgramPath(argv);
    EXPECT_STREQ("bin/game", core.programPath().c_str());
    EXPECT_EQ(sandbox.work().file("bin"), ScopedWorkingDir::current());

    // Started through PATH: the folder of the running executable.
    const char* bare[] = {"game", nullptr};
    core.setProgramPath(bare);
    EXPECT_STREQ("game", core.programPath().c_str());
    EXPECT_EQ(KyOsPaths::executableFolder(), ScopedWorkingDir::current());
}
