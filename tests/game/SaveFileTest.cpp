// The save file on its own: what a file reads as, what is refused, that a
// file written by the game reads back to the same bytes, damaged files of
// every kind, and that a save interrupted at any moment never leaves half a
// file.
#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "game/SaveFile.h"
#include "tests/support/LinearReading.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <csignal>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What the game writes, with each kind of section and awkward text.
const char* const kCanonical =
    "<?xml version=\"1.0\" ?>\n"
    "<GameVersion major=\"1\" minor=\"1\" />\n"
    "<Inventory>\n"
    "    <Page number=\"0\">\n"
    "        <Slot object=\"KEYS\" />\n"
    "    </Page>\n"
    "</Inventory>\n"
    "<Dialog>\n"
    "    <Played name=\"Intro_01\" />\n"
    "</Dialog>\n"
    "<WarpName name=\"3D/Isis/Warp_0003.wp\" />\n"
    "<Orientation x=\"-123.500000\" y=\"12.250000\" />\n"
    "<Music path=\"Sounds/Musiques/M_interface.ogg\" />\n"
    "<MayaHealthValue value=\"-20\" />\n"
    "<TuyaHealthValue value=\"100\" />\n"
    "<Boolean name=\"KEYS\" value=\"1\" />\n"
    "<Boolean name=\"door\" value=\"0\" />\n"
    "<Number name=\"visits\" value=\"3.000000\" />\n"
    "<String name=\"_VERSION\" value=\"Lua 5.1\" />\n"
    "<String name=\"said\" value='&lt;caf\xc3\xa9 &amp; &quot;tea&quot;&gt;' />\n"
    "<String name=\"cafe\" value=\"caf\xe9\" />\n"
    "<String name=\"lines\" value=\"a&#x0A;b\xe9\" />\n";

std::string head(const char* warp = "<WarpName name=\"3D/Test/A.wp\" />\n")
{
    return std::string("<?xml version=\"1.0\" ?>\n") + warp;
}

} // namespace

TEST(SaveFile, WhatAFileReadsAs)
{
    struct Case {
        const char* what;
        std::string text;
        bool accepted;
        s32 major, minor;
        f32 yaw, pitch;
        bool hasMaya;
        s32 maya;
        const char* warp = "3D/Test/A.wp";
    };
    const Case cases[] = {
        {"the smallest file", head(), true, 1, 0, 0, 0, false, 100},
        {"version 1.0 by its attributes", head() + "<GameVersion major=\"1\" minor=\"0\" />", true, 1, 0, 0, 0,
         false, 100},
        {"a version without minor", head() + "<GameVersion major=\"2\" />", true, 2, 0, 0, 0, false, 100},
        {"an angle beyond a turn reads as 0", head() + "<Orientation x=\"400\" y=\"-361\" />", true, 1, 0, 0, 0,
         false, 100},
        {"angles at the limits stay", head() + "<Orientation x=\"360\" y=\"-360\" />", true, 1, 0, 360, -360,
         false, 100},
        {"angles that are no numbers", head() + "<Orientation x=\"nan\" y=\"inf\" />", true, 1, 0, 0, 0, false,
         100},
        {"health that is no number is full", head() + "<MayaHealthValue value=\"lots\" />", true, 1, 0, 0, 0, true,
         100},
        {"health beyond 32 bits is full", head() + "<MayaHealthValue value=\"4294967296\" />", true, 1, 0, 0, 0,
         true, 100},
        {"health is the number its value starts with", head() + "<MayaHealthValue value=\"12abc\" />", true, 1, 0,
         0, 0, true, 12},
        {"a fraction of health reads as its whole part", head() + "<MayaHealthValue value=\" 70.9\" />", true, 1,
         0, 0, 0, true, 70},
        {"health starting with no number is full", head() + "<MayaHealthValue value=\"x12\" />", true, 1, 0, 0,
         0, true, 100},
        {"negative health stays", head() + "<MayaHealthValue value=\"-2147483648\" />", true, 1, 0, 0, 0, true,
         -2147483647 - 1},
        {"health without a value is full", head() + "<MayaHealthValue />", true, 1, 0, 0, 0, true, 100},
        {"the first of two panoramas counts",
         head() + "<WarpName name=\"3D/Test/B.wp\" />", true, 1, 0, 0, 0, false, 100},
        {"no panorama", "<?xml version=\"1.0\" ?>\n<Orientation x=\"1\" y=\"2\" />", false, 0, 0, 0, 0, false, 0},
        {"an empty panorama name", head("<WarpName name=\"\" />"), false, 0, 0, 0, 0, false, 0},
        {"a panorama without its name", head("<WarpName path=\"3D/Test/A.wp\" />"), false, 0, 0, 0, 0, false, 0},
        {"not well-formed", head() + "<Orientation x=\"1\"", false, 0, 0, 0, 0, false, 0},
        // Read by TinyXML, but not XML, and written back as text that does
        // not read (found by the fuzzer).
        {"a '<' that starts no markup", "<WarpName name=\"a.wp\"/><Inventory><=/></Inventory>", false, 0, 0, 0, 0,
         false, 0},
        {"a declaration cut short", "<?xml version=\"1.0\"", false, 0, 0, 0, 0, false, 0},
        {"text after the sections", head() + "Orientation", false, 0, 0, 0, 0, false, 0},
        {"an empty file", "", false, 0, 0, 0, 0, false, 0},
        {"a panorama inside another element", "<Save><WarpName name=\"3D/Test/A.wp\" /></Save>", false, 0, 0, 0, 0,
         false, 0},
        // Panoramas that are not the game's data.
        {"an absolute path", head("<WarpName name=\"/3D/Test/A.wp\" />"), false, 0, 0, 0, 0, false, 0},
        {"an absolute path the other way", head("<WarpName name=\"\\3D\\Test\\A.wp\" />"), false, 0, 0, 0, 0,
         false, 0},
        {"a drive", head("<WarpName name=\"C:/3D/Test/A.wp\" />"), false, 0, 0, 0, 0, false, 0},
        {"a way up", head("<WarpName name=\"3D/..\\../Test/A.wp\" />"), false, 0, 0, 0, 0, false, 0},
        {"the user-data folder", head("<WarpName name=\"Backup/A.wp\" />"), false, 0, 0, 0, 0, false, 0},
        // The other spellings the file layer reads as the user-data folder,
        // where an advert set may put files of any name.
        {"the user-data folder the other way", head("<WarpName name=\"Backup\\Ads\\x.wp\" />"), false, 0, 0, 0,
         0, false, 0},
        {"the user-data folder, doubled", head("<WarpName name=\"Backup\\\\//Ads/x.wp\" />"), false, 0, 0, 0, 0,
         false, 0},
        {"the user-data folder from here", head("<WarpName name=\"./Backup/A.wp\" />"), false, 0, 0, 0, 0, false,
         0},
        {"the user-data folder from here the other way", head("<WarpName name=\".\\\\Backup\\A.wp\" />"), false,
         0, 0, 0, 0, false, 0},
        // Names like it that the game's folder holds.
        {"a game folder spelled like it in lower case", head("<WarpName name=\"backup/A.wp\" />"), true, 1, 0, 0,
         0, false, 100, "backup/A.wp"},
        {"a game folder whose name starts like it", head("<WarpName name=\"Backups\\A.wp\" />"), true, 1, 0, 0,
         0, false, 100, "Backups\\A.wp"},
        {"a game folder of that name further down", head("<WarpName name=\"3D/Backup/A.wp\" />"), true, 1, 0, 0,
         0, false, 100, "3D/Backup/A.wp"},
        {"a control character", head("<WarpName name=\"3D/Test/A.wp&#x0A;\" />"), false, 0, 0, 0, 0, false, 0},
        {"a name of 10,000 bytes", head(("<WarpName name=\"" + std::string(10000, 'w') + ".wp\" />").c_str()),
         false, 0, 0, 0, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SaveData data;
        KyString error;
        ASSERT_EQ(SaveFile::parse(c.text.c_str(), data, error), c.accepted) << error.c_str();
        if (!c.accepted) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        EXPECT_STREQ(data.warpName.c_str(), c.warp);
        EXPECT_EQ(data.major, c.major);
        EXPECT_EQ(data.minor, c.minor);
        EXPECT_EQ(data.yaw, c.yaw);
        EXPECT_EQ(data.pitch, c.pitch);
        EXPECT_EQ(data.hasMayaHealth, c.hasMaya);
        EXPECT_EQ(data.mayaHealth, c.maya);
        EXPECT_FALSE(data.hasTuyaHealth);
    }
}

TEST(SaveFile, AGameFileReadsBackToTheSameBytes)
{
    SaveData data;
    KyString error;
    ASSERT_TRUE(SaveFile::parse(kCanonical, data, error)) << error.c_str();
    EXPECT_STREQ(data.warpName.c_str(), "3D/Isis/Warp_0003.wp");
    EXPECT_EQ(data.yaw, -123.5f);
    EXPECT_EQ(data.pitch, 12.25f);
    EXPECT_STREQ(data.musicPath.c_str(), "Sounds/Musiques/M_interface.ogg");
    EXPECT_EQ(data.mayaHealth, -20);
    ASSERT_TRUE(data.inventory && data.dialog && data.globals);
    EXPECT_STREQ(data.inventory->FirstChildElement("Page")->FirstChildElement("Slot")->Attribute("object"), "KEYS");
    u32 globals = 0;
    for (const TiXmlElement* g = data.globals->FirstChildElement(); g; g = g->NextSiblingElement())
        ++globals;
    EXPECT_EQ(globals, 7u);

    const KyString again = SaveFile::text(data);
    EXPECT_STREQ(again.c_str(), kCanonical);

    // A version 1.0 file is written as 1.1, and a second pass changes nothing.
    SaveData old;
    ASSERT_TRUE(SaveFile::parse((head() + "<GameVersion major=\"1\" minor=\"0\" />").c_str(), old, error));
    const KyString first = SaveFile::text(old);
    SaveData reread;
    ASSERT_TRUE(SaveFile::parse(first.c_str(), reread, error));
    EXPECT_STREQ(SaveFile::text(reread).c_str(), first.c_str());
    EXPECT_NE(std::string(first.c_str()).find("<GameVersion major=\"1\" minor=\"1\" />"), std::string::npos);
}

TEST(SaveFile, DamagedFilesAreRefusedOrReadWhole)
{
    // Every cut of the file and a byte replaced at every place, by a few
    // kinds of byte: each either is refused with a reason or reads as a
    // file that writes and reads back unchanged.
    const std::string canonical = kCanonical;
    std::vector<std::string> damaged;
    for (size_t n = 0; n < canonical.size(); ++n)
        damaged.push_back(canonical.substr(0, n));
    const char replacements[] = {'\0', '<', '>', '"', '&', '\xff', 'x', '/'};
    for (size_t i = 0; i < canonical.size(); ++i) {
        for (char r : replacements) {
            std::string copy = canonical;
            copy[i] = r;
            damaged.push_back(copy);
        }
    }
    // Hostile shapes.
    damaged.push_back(head() + std::string(200000, '<'));
    damaged.push_back(head() + std::string(5000, ' ') + std::string(20000, 'A'));
    std::string deep = head();
    for (int i = 0; i < 5000; ++i)
        deep += "<Inventory>";
    damaged.push_back(deep);
    std::string wide = head() + "<Boolean";
    for (int i = 0; i < 2000; ++i)
        wide += " a" + std::to_string(i) + "=\"1\"";
    damaged.push_back(wide + " />");
    std::string many = head();
    for (int i = 0; i < 20000; ++i)
        many += "<Number name=\"n" + std::to_string(i) + "\" value=\"1e308\" />";
    damaged.push_back(many);

    u32 accepted = 0;
    for (const std::string& text : damaged) {
        SaveData data;
        KyString error;
        if (!SaveFile::parse(text.c_str(), data, error)) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        ++accepted;
        EXPECT_FALSE(data.warpName.isEmpty());
        EXPECT_TRUE(data.yaw >= -360.0f && data.yaw <= 360.0f);
        EXPECT_TRUE(data.pitch >= -360.0f && data.pitch <= 360.0f);
        const KyString written = SaveFile::text(data);
        SaveData reread;
        ASSERT_TRUE(SaveFile::parse(written.c_str(), reread, error)) << written.c_str();
        EXPECT_STREQ(SaveFile::text(reread).c_str(), written.c_str());
    }
    EXPECT_GT(accepted, 100u);
}

TEST(SaveFile, FileNames)
{
    struct Case {
        const char* name;
        bool plain;
    };
    const Case cases[] = {{"save.xml", true},  {"10.xml", true},       {"", false},
                          {".", false},        {"..", false},          {"../save.xml", false},
                          {"a/b.xml", false},  {"a\\b.xml", false},    {"C:save.xml", false},
                          {"..xml", true},     {"Backup/0.xml", false}};
    for (const Case& c : cases)
        EXPECT_EQ(SaveFile::isPlainName(c.name), c.plain) << c.name;
}

TEST(SaveFile, WrittenWholeToTheUserDataFolder)
{
    UserDataSandbox sandbox;
    SaveData data;
    KyString error;
    ASSERT_TRUE(SaveFile::parse(kCanonical, data, error));
    ASSERT_TRUE(SaveFile::write("Backup/save.xml", data));
    SaveData reread;
    ASSERT_TRUE(SaveFile::read("Backup/save.xml", reread, error)) << error.c_str();
    EXPECT_STREQ(SaveFile::text(reread).c_str(), kCanonical);
    EXPECT_FALSE(SaveFile::read("Backup/missing.xml", reread, error));
}

// A process that saves in a loop, killed at random moments: the file it
// leaves is always one of the two it writes, whole.
TEST(SaveFile, AKilledSaveLeavesTheOldOrTheNewFile)
{
    TempDir dir;
    const std::string path = dir.file("save.xml");
    SaveData first;
    SaveData second;
    KyString error;
    ASSERT_TRUE(SaveFile::parse(kCanonical, first, error));
    ASSERT_TRUE(SaveFile::parse(kCanonical, second, error));
    second.warpName = "3D/Isis/Warp_0005.wp";
    // A larger file, so a write is long enough to be cut.
    for (int i = 0; i < 2000; ++i) {
        TiXmlElement element("String");
        element.SetAttribute("name", ("padding" + std::to_string(i)).c_str());
        element.SetAttribute("value", "0123456789abcdef0123456789abcdef");
        second.globals->InsertEndChild(element);
    }
    const std::string oldText = SaveFile::text(first).c_str();
    const std::string newText = SaveFile::text(second).c_str();
    ASSERT_TRUE(SaveFile::write(path.c_str(), first));

    std::mt19937 random(2024);
    std::uniform_int_distribution<int> delay(0, 1500);
    const int kills = 200;
    int sawNew = 0;
    for (int k = 0; k < kills; ++k) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                SaveFile::write(path.c_str(), second);
                SaveFile::write(path.c_str(), first);
            }
        }
        usleep(useconds_t(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string now = dir.readFile("save.xml");
        ASSERT_TRUE(now == oldText || now == newText) << "kill " << k << ": " << now.size() << " bytes";
        if (now == newText)
            ++sawNew;
        // The next run starts from the old file.
        ASSERT_TRUE(SaveFile::write(path.c_str(), first));
    }
    RecordProperty("killsLeavingTheNewFile", sawNew);
}

namespace {

u32 globalCount(const SaveData& data)
{
    u32 count = 0;
    for (const TiXmlElement* g = data.globals->FirstChildElement(); g; g = g->NextSiblingElement())
        ++count;
    return count;
}

std::string numbers(u32 count, u32 first = 0)
{
    std::string text;
    for (u32 i = first; i < first + count; ++i)
        text += "<Number name=\"n" + std::to_string(i) + "\" value=\"1.000000\" />\n";
    return text;
}

} // namespace

// A save of millions of globals took gigabytes and minutes to load and
// write. What a save holds is bounded, with a line; what the game writes
// within the bounds reads back whole.
TEST(SaveFile, WhatASaveHoldsIsBoundedAndWhatTheGameWritesReadsBackWhole)
{
    StdoutCapture log;
    SaveData many;
    KyString error;
    ASSERT_TRUE(SaveFile::parse((head() + numbers(SaveFile::kMaxGlobals + 5000)).c_str(), many, error));
    EXPECT_EQ(globalCount(many), SaveFile::kMaxGlobals);
    EXPECT_STREQ(many.globals->LastChild()->ToElement()->Attribute("name"), "n9999");
    EXPECT_NE(log.text().find("5000 globals left out"), std::string::npos) << log.text();

    // Globals too long alone or together, and a section too large, are left
    // out; the rest stays in order.
    const std::string huge(SaveFile::kMaxGlobalBytes, 'v');
    std::string text = head() + "<Inventory>";
    for (u32 i = 0; i < 30000; ++i)
        text += "<Page number=\"" + std::to_string(i) + "\"><Slot object=\"KEYS\" /></Page>";
    text += "</Inventory>\n<Dialog><Played id=\"Intro_01\" /></Dialog>\n";
    text += "<String name=\"huge\" value=\"" + huge + "\" />\n<Boolean name=\"kept\" value=\"1\" />\n";
    for (u32 i = 100; i < 200; ++i)
        text += "<String name=\"s" + std::to_string(i) + "\" value=\"" + huge.substr(0, 50000) + "\" />\n";
    SaveData bounded;
    ASSERT_TRUE(SaveFile::parse(text.c_str(), bounded, error));
    EXPECT_FALSE(bounded.inventory);
    ASSERT_TRUE(bounded.dialog);
    EXPECT_STREQ(bounded.globals->FirstChildElement()->Attribute("name"), "kept");
    EXPECT_EQ(globalCount(bounded), 1u + (SaveFile::kMaxGlobalsBytes - 5) / 50004);
    EXPECT_NE(log.text().find("section Inventory of"), std::string::npos) << log.text();

    // What the game writes is bounded the same way, and reads back as it
    // was written.
    SaveData source;
    ASSERT_TRUE(SaveFile::parse((head() + numbers(SaveFile::kMaxGlobals + 1)).c_str(), source, error));
    TiXmlElement extra("String");
    extra.SetAttribute("name", "late");
    extra.SetAttribute("value", "x");
    source.globals->InsertEndChild(extra);
    const KyString written = SaveFile::text(source);
    SaveData reread;
    ASSERT_TRUE(SaveFile::parse(written.c_str(), reread, error));
    EXPECT_EQ(globalCount(reread), SaveFile::kMaxGlobals);
    EXPECT_STREQ(SaveFile::text(reread).c_str(), written.c_str());

    // A file beyond the size any written save reaches is not even read.
    UserDataSandbox sandbox;
    ASSERT_TRUE(sandbox.home().writeFile("Documents/KyTests/save.xml",
                                         head() + std::string(SaveFile::kMaxFileBytes, ' ')));
    EXPECT_FALSE(SaveFile::read("Backup/save.xml", reread, error));
    EXPECT_STREQ(error.c_str(), "not read: File too large.");
}

TEST(SaveFile, ReadingIsLinearInTheEntries)
{
    std::string text = head() + "<Dialog>";
    for (u32 i = 0; i < 50000; ++i)
        text += "<Played id=\"line" + std::to_string(i) + "\" />";
    text += "</Dialog>\n" + numbers(50000);
    StdoutCapture quiet;
    const double ratio = LinearReading::againstParse(text, [&text] {
        SaveData data;
        KyString error;
        SaveFile::parse(text.c_str(), data, error);
    });
    EXPECT_LT(ratio, LinearReading::kAllowedRatio);
}
