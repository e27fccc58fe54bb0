// The options file: what is read, what is refused, what is written, and
// what the application takes from it before its window exists.
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/OptionsFile.h"
#include "os/KyOsDir.h"
#include "tests/game/GameSession.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"
#include "ui/KyMainWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Reads and checks text as the application does; false when it does not load.
bool readText(const std::string& text, OptionsFile::Settings& settings, std::string* log = nullptr)
{
    TempDir dir;
    dir.writeFile("options.xml", text);
    StdoutCapture capture;
    const bool read = OptionsFile::read(dir.file("options.xml").c_str(), settings);
    if (read)
        OptionsFile::validate(settings, "options.xml");
    if (log)
        *log = capture.text();
    return read;
}

std::string element(const std::string& name, const std::string& attributes)
{
    return "<" + name + " " + attributes + " />\n";
}

KyVector3f32 desktop()
{
    const KyVector2s32 size = KyMainWindow::getDesktopRect();
    return KyVector3f32(f32(size.x), f32(size.y), 0.0f);
}

} // namespace

TEST(OptionsFile, WrittenTextReadsBackToTheSameValues)
{
    OptionsFile::Values values;
    values.width = 1280;
    values.height = 720;
    values.fullScreen = false;
    values.flag[OptionsFile::MusicOn] = 0;
    values.flag[OptionsFile::PermanentHelp] = 1;
    values.flag[OptionsFile::InverseLook] = 1;
    values.flag[OptionsFile::CompassLook] = 0;
    values.language = "fr";
    const KyString text = OptionsFile::text(values);
    EXPECT_STREQ(text.c_str(), "<?xml version=\"1.0\" ?>\n"
                               "<GameVersion major=\"1\" minor=\"0\" />\n"
                               "<WindowResolution x=\"1280\" y=\"720\" />\n"
                               "<FullScreen value=\"0\" />\n"
                               "<MusicOn value=\"0\" />\n"
                               "<PermanentHelp value=\"1\" />\n"
                               "<InverseLook value=\"1\" />\n"
                               "<compassLook value=\"0\" />\n"
                               "<Language value=\"fr\" />\n");

    OptionsFile::Settings settings;
    ASSERT_TRUE(readText(text.c_str(), settings));
    EXPECT_TRUE(settings.hasWidth && settings.hasHeight);
    EXPECT_EQ(settings.width, 1280);
    EXPECT_EQ(settings.height, 720);
    EXPECT_TRUE(settings.hasFullScreen);
    EXPECT_EQ(settings.fullScreen, 0);
    for (u32 f = 0; f < OptionsFile::FlagCount; ++f) {
        EXPECT_TRUE(settings.hasFlag[f]) << f;
        EXPECT_EQ(settings.flag[f], values.flag[f]) << f;
    }
    EXPECT_TRUE(settings.hasLanguage);
    EXPECT_STREQ(settings.language.c_str(), "fr");

    // The same values give the same bytes again.
    EXPECT_STREQ(OptionsFile::text(values).c_str(), text.c_str());
}

TEST(OptionsFile, EveryValueOutsideItsRangeIsLoggedAndLeftOut)
{
    struct Case {
        const char* resolution;  // attributes of WindowResolution; null: no element
        const char* language;    // null: no element
        bool sizeKept;
        bool languageKept;
    };
    const Case cases[] = {
        {"x=\"320\" y=\"200\"", "en", true, true},
        {"x=\"16384\" y=\"16384\"", "fr", true, true},
        {"x=\"319\" y=\"200\"", "de", false, true},
        {"x=\"320\" y=\"199\"", "es", false, true},
        {"x=\"16385\" y=\"600\"", "it", false, true},
        {"x=\"800\" y=\"16385\"", "ru", false, true},
        {"x=\"-800\" y=\"600\"", "english", false, true},
        {"x=\"0\" y=\"0\"", "EN", false, true},
        {"x=\"800\"", "e", true, false},
        {"x=\"100\"", "", false, false},
        {"y=\"600\"", "../../x", true, false},
        {"y=\"6\"", "en/..", false, false},
        {nullptr, "e1", true, false},
        {nullptr, "abcdefghi", true, false},
        {nullptr, "abcdefgh", true, true},
        {nullptr, nullptr, true, true},
    };
    for (const Case& c : cases) {
        // A file of neither element still holds one: a declaration alone is
        // no XML document.
        std::string text = "<?xml version=\"1.0\" ?>\n" + element("FullScreen", "value=\"0\"");
        if (c.resolution)
            text += element("WindowResolution", c.resolution);
        if (c.language)
            text += element("Language", std::string("value=\"") + c.language + "\"");
        OptionsFile::Settings settings;
        std::string log;
        ASSERT_TRUE(readText(text, settings, &log)) << text;
        const std::string what = text;
        if (c.resolution) {
            EXPECT_EQ(settings.hasWidth || settings.hasHeight, c.sizeKept) << what;
            EXPECT_EQ(log.find("WindowResolution") != std::string::npos, !c.sizeKept) << what;
        }
        if (c.language) {
            EXPECT_EQ(settings.hasLanguage, c.languageKept) << what;
            EXPECT_EQ(log.find("is not a language code") != std::string::npos, !c.languageKept) << what;
            if (c.languageKept) {
                EXPECT_STREQ(settings.language.c_str(), c.language);
            }
        }
        // Every refusal names the file.
        if (!log.empty()) {
            EXPECT_NE(log.find("options.xml"), std::string::npos) << what;
        }
    }
}

TEST(OptionsFile, FlagsReadAsAboveZeroAtTheTopLevelOnly)
{
    const std::string text = "<?xml version=\"1.0\" ?>\n"
                             "<MusicOn value=\"-1\" />\n"
                             "<PermanentHelp value=\"2\" />\n"
                             "<InverseLook />\n"
                             "<compassLook value=\"abc\" />\n"
                             "<PermanentHelp value=\"0\" />\n"       // the later one wins
                             "<Wrap><MusicOn value=\"1\" /></Wrap>\n" // nested: not seen
                             "<musicon value=\"1\" />\n";            // names are exact
    OptionsFile::Settings settings;
    ASSERT_TRUE(readText(text, settings));
    EXPECT_TRUE(settings.hasFlag[OptionsFile::MusicOn]);
    EXPECT_EQ(settings.flag[OptionsFile::MusicOn], 0);
    EXPECT_TRUE(settings.hasFlag[OptionsFile::PermanentHelp]);
    EXPECT_EQ(settings.flag[OptionsFile::PermanentHelp], 0);
    EXPECT_TRUE(settings.hasFlag[OptionsFile::InverseLook]);
    EXPECT_EQ(settings.flag[OptionsFile::InverseLook], 0);
    EXPECT_EQ(settings.flag[OptionsFile::CompassLook], 0);
    EXPECT_FALSE(settings.hasResolution);
    EXPECT_FALSE(settings.hasFullScreen);
    EXPECT_FALSE(settings.hasLanguage);

    OptionsFile::Settings on;
    ASSERT_TRUE(readText("<MusicOn value=\"2\" /><FullScreen value=\"3\" />", on));
    EXPECT_EQ(on.flag[OptionsFile::MusicOn], 1);
    EXPECT_EQ(on.fullScreen, 3);
}

TEST(OptionsFile, AFileThatIsNoXmlIsRefusedWithItsPath)
{
    for (const char* garbage : {"", "not xml at all", "<WindowResolution x=\"800\"", "\x01\x02\xff\xfe"}) {
        OptionsFile::Settings settings;
        settings.width = 77;
        std::string log;
        EXPECT_FALSE(readText(garbage, settings, &log)) << garbage;
        EXPECT_NE(log.find("Failed to load file \""), std::string::npos) << garbage;
        EXPECT_NE(log.find("options.xml\"\n"), std::string::npos) << garbage;
        EXPECT_EQ(settings.width, 77);
    }
}

// The application reads the file before its window exists: the size and
// full-screen flag are those the window is made with.
TEST(ApplicationOptions, WindowFlagsAndLanguageComeFromTheFile)
{
    struct Case {
        const char* name;
        bool writeFile;
        std::string text;
        KyVector3f32 size;   // (0, 0, 0): the desktop's
        bool fullScreen;
        u8 musicOn;
        const char* language;
        const char* logged;  // a log line expected, or null
    };
    const KyVector3f32 desktopSize(0.0f, 0.0f, 0.0f);
    const Case cases[] = {
        {"first run", false, "", desktopSize, true, 1, "en", nullptr},
        {"windowed", true, GameSession::optionsText(800, 600, false, 1, "fr"), KyVector3f32(800, 600, 0), false, 1,
         "fr", nullptr},
        {"full screen wins over the size", true, GameSession::optionsText(800, 600, true, 0, "en"), desktopSize, true,
         0, "en", nullptr},
        {"garbage", true, "garbage<<", desktopSize, true, 1, "en", "Failed to load file"},
        {"too small", true, GameSession::optionsText(100, 50, false, 1, "de"), desktopSize, false, 1, "de",
         "out of range"},
        {"bad language", true, GameSession::optionsText(640, 480, false, 1, "../../etc"), KyVector3f32(640, 480, 0),
         false, 1, "en", "is not a language code"},
        {"no resolution", true, "<FullScreen value=\"0\" /><MusicOn value=\"0\" />", desktopSize, false, 0, "en",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GameSession::Setup setup;
        setup.create = false;
        setup.writeOptions = c.writeFile;
        setup.options = c.text;
        GameSession game(setup);
        ASSERT_TRUE(game.ok());
        KyMainWindow* window = KySingleton<KyMainWindow>::instance();
        const KyVector3f32 expected = c.size.x == 0.0f ? desktop() : c.size;
        EXPECT_EQ(window->userSize().x, expected.x);
        EXPECT_EQ(window->userSize().y, expected.y);
        EXPECT_EQ(window->isFullScreen(), c.fullScreen);
        EXPECT_EQ(game.app()->musicOn, c.musicOn);
        EXPECT_STREQ(KySingleton<KyCore>::instance()->language().c_str(), c.language);
        if (c.logged) {
            EXPECT_NE(game.log().find(c.logged), std::string::npos) << game.log();
        }
    }
}

TEST(ApplicationOptions, TheEndOfTheRunWritesWhatTheRunChanged)
{
    GameSession::Setup setup;
    setup.create = false;
    setup.options = GameSession::optionsText(1024, 600, false, 1, "fr");
    {
        GameSession game(setup);
        ASSERT_TRUE(game.ok());
        Application* app = game.app();
        app->musicOn = 0;
        app->inverseLook = 1;
        app->compassLook = 1;
        // Nothing is written before the end.
        EXPECT_NE(game.readUserFile("options.xml").find("<MusicOn value=\"1\" />"), std::string::npos);
        destroyApplication();
        const std::string written = game.readUserFile("options.xml");
        EXPECT_NE(written.find("<WindowResolution x=\"1024\" y=\"600\" />"), std::string::npos) << written;
        EXPECT_NE(written.find("<FullScreen value=\"0\" />"), std::string::npos);
        EXPECT_NE(written.find("<MusicOn value=\"0\" />"), std::string::npos);
        EXPECT_NE(written.find("<PermanentHelp value=\"1\" />"), std::string::npos);
        EXPECT_NE(written.find("<InverseLook value=\"1\" />"), std::string::npos);
        EXPECT_NE(written.find("<compassLook value=\"1\" />"), std::string::npos);
        EXPECT_NE(written.find("<Language value=\"fr\" />"), std::string::npos);
        // Written through a temporary file renamed over the old one: no
        // other file is left beside it.
        KyOsDir folder;
        ASSERT_TRUE(folder.open(game.userDataFolder().c_str()));
        KyOsDir::Entry entry;
        std::vector<std::string> names;
        while (folder.next(entry)) {
            // The advert rotator of the splash screens keeps its cache
            // file beside the options.
            if (entry.name != "." && entry.name != ".." && entry.name != "KyCache.xml")
                names.push_back(entry.name);
        }
        EXPECT_EQ(names, std::vector<std::string>{"options.xml"});
        setup.options = written;
    }
    // A second run reads back what the first wrote, and writes it again
    // byte for byte.
    GameSession again(setup);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.app()->musicOn, 0);
    EXPECT_EQ(again.app()->inverseLook, 1);
    EXPECT_EQ(again.app()->compassLook, 1);
    destroyApplication();
    EXPECT_EQ(again.readUserFile("options.xml"), setup.options);
}
