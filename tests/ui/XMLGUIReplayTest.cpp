// Replays damaged and hostile interface files through the loader: under the
// sanitizers every one must load or fail cleanly, and a failed load must
// leave the interface empty and not loaded.

#include "ui/KyDeferredDeletion.h"
#include "ui/KyXMLGUI.h"

#include "tests/support/CpuTime.h"
#include "tests/support/DamagedText.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/InterfaceFileWriter.h"
#include "tests/support/LinearReading.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using DamagedText::around;
using DamagedText::nested;

class XMLGUIReplay : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_TRUE(InterfaceFiles::writeInterface(sandbox.work()));
    }

    // Loads text as an interface file; returns whether it loaded.
    bool replay(const std::string& text)
    {
        sandbox.work().writeFile("Menus/case.xml", text);
        bool loaded;
        {
            StdoutCapture quiet;
            loaded = gui.Load("Menus/case.xml");
        }
        EXPECT_EQ(loaded, gui.isLoaded());
        if (!loaded) {
            EXPECT_TRUE(isEmpty()) << text;
        }
        gui.unload();
        KyDeferredDeletion::deletePending();
        return loaded;
    }

    // Loads text as an interface file; returns the log it wrote and, in
    // seconds, how long the load took.
    std::string replayLog(const std::string& text, double* seconds = nullptr)
    {
        sandbox.work().writeFile("Menus/case.xml", text);
        StdoutCapture capture;
        const double start = threadCpuSeconds();
        const bool loaded = gui.Load("Menus/case.xml");
        if (seconds)
            *seconds = threadCpuSeconds() - start;
        EXPECT_EQ(loaded, gui.isLoaded());
        if (!loaded) {
            EXPECT_TRUE(isEmpty()) << text.substr(0, 80);
        }
        gui.unload();
        KyDeferredDeletion::deletePending();
        return capture.text();
    }

    bool isEmpty() const
    {
        return gui.groupNames().count() == 0 && gui.spriteMap().isEmpty() && gui.buttonMap().isEmpty() &&
               gui.spriteButtonMap().isEmpty() && gui.spriteButton2Map().isEmpty() &&
               gui.checkBoxMap().isEmpty() && gui.musicMap().isEmpty() && gui.sfxMap().isEmpty() &&
               gui.valueMap().isEmpty() && gui.imageMap().isEmpty() && gui.movement2Map().isEmpty() &&
               gui.movement3Map().isEmpty() && gui.videoPlayerMap().isEmpty() &&
               gui.soundPlayerMap().isEmpty() && gui.textMap().isEmpty();
    }

    UserDataSandbox sandbox;
    KyXMLGUI gui;
};


} // namespace

TEST_F(XMLGUIReplay, EveryTruncationOfTheTestInterface)
{
    const std::string full = InterfaceFiles::interfaceXml();
    ASSERT_TRUE(replay(full));
    // The parser accepts some cuts (after a complete element, inside a
    // comment); the others must fail without leaving anything built.
    for (size_t length = 0; length < full.size(); length += 7)
        replay(full.substr(0, length));
}

TEST_F(XMLGUIReplay, FlippedBytesOfTheTestInterface)
{
    const std::string full = InterfaceFiles::interfaceXml();
    const char replacements[] = {'<', '>', '"', '/', '\0', '\xff', '=', 'x', ' ', '&'};
    u32 seed = 12345;
    for (u32 round = 0; round < 300; ++round)
        replay(DamagedText::scrambled(full, replacements, sizeof(replacements), seed));
}

TEST_F(XMLGUIReplay, HostileShapesFailOrLoadCleanly)
{
    const std::vector<std::string> failing = {
        "",
        "<ui><sprite name=\"a\" file=\"unterminated></ui>",
        "<ui name=\"x\" name=\"again\"/>",
        std::string("\x00\x01\x02<ui/>", 8),
        "\xef\xbb\xbf<ui><value name=\"v\" value=\"1\"></ui>",
        // Deeper than any screen: refused before parsing.
        nested("<a>", "</a>", 5000),
        nested("<group name=\"g\">", "</group>", 200000),
        nested("<platform>", "</platform>", 1001),
        // A value cut by a NUL byte just after a UTF-8 lead byte (found by
        // the fuzzer): the file ends at the NUL, and the parser must not step
        // over it.
        std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<menu><sfx name=\"s\" file=\"a.wav\xb3\xef^\0Pa\0\0\"/>"
                    "<value name=\"v\" value=\"1\"/></menu>", 115),
        // Read by TinyXML, but no XML: no element, a comment cut short.
        "<?xml version=\"1.0\"?>",
        "<!-- never closed",
    };
    for (const std::string& text : failing)
        EXPECT_FALSE(replay(text)) << text.substr(0, 80);

    const std::vector<std::string> loading = {
        "<ui/>",
        "<!-- only a comment --><ui><!-- <sprite name=\"no\"/> --></ui>",
        // Every element without any attribute.
        "<ui><sprite/><button/><sprite_button/><sprite_button2/><check_box/><music/><sfx/><value/><img/>"
        "<kyvideoplayer/><movement2/><movement3/><kysoundplayer/><text2/><group/><platform/>"
        "<position/><size/><scale/><rotate/><opacity/><margin/><rect/><videoplayerbutton/></ui>",
        // Properties with nothing to act on, and after kinds they do not fit.
        "<position x=\"1\"/><margin x=\"2\"/><music/><scale x=\"3\"/><rect x=\"4\"/><value/><rotate value=\"5\"/>",
        // Numbers beyond every range.
        "<ui><sprite><position x=\"1e999\" y=\"-1e999\" z=\"nan\"/><scale x=\"1e39\"/>"
        "<rotate value=\"-1e300\"/><opacity value=\"inf\"/></sprite>"
        "<text2><rect x=\"99999999999999\" y=\"-99999999999999\"/></text2>"
        "<check_box><margin x=\"1e40\" y=\"-1e40\"/></check_box></ui>",
        // Files that do not exist, empty and odd paths.
        "<ui><sprite file=\"./none.png\"/><sprite file=\"\"/><img file=\"Menus\"/><img file=\"/\"/>"
        "<music file=\"Menus\"/><sfx file=\"Menus/menu.xml\"/><kyvideoplayer video_file=\"Menus/bg.png\" "
        "audio_file=\"Menus\"/><check_box active_file=\"Menus/click.wav\"/></ui>",
        // Many objects under one name.
        nested("<sprite name=\"s\">", "</sprite>", 300),
        nested("<platform type=\"iPhone\">", "</platform>", 1000),
    };
    for (const std::string& text : loading)
        EXPECT_TRUE(replay(text)) << text.substr(0, 80);
}

TEST_F(XMLGUIReplay, AFolderInPlaceOfTheFileFailsAsAMissingFile)
{
    ASSERT_TRUE(sandbox.work().makeDir("Menus/en/folder.xml"));
    std::string log;
    {
        StdoutCapture capture;
        EXPECT_FALSE(gui.Load("Menus/folder.xml"));
        log = capture.text();
    }
    EXPECT_EQ("[KyXMLGUI::Load] file :Menus/en/folder.xml error : Failed to open file ligne : 0 colonne : 0\n",
              log);
    EXPECT_FALSE(gui.isLoaded());
}

TEST_F(XMLGUIReplay, HostileNestsAndLongNamesAreRefusedFast)
{
    const std::string name1000(1000, 'n');
    const std::string name256(256, 'n');
    struct Case {
        const char* what;
        std::string text;
        const char* log;   // empty: the file loads
    };
    const std::vector<Case> cases = {
        // A declaration ends at its first ">", whatever follows.
        {"deep after <?xml>", "<?xml>" + nested("<a>", "</a>", 40000),
         "[KyXMLGUI::Load] file :Menus/case.xml error : Elements nested too deeply. ligne : 1 colonne : 3007\n"},
        {"deep behind a never closed comment-like text", "<?xml?>\n<!-- -->" + nested("<a>", "</a>", 1500),
         "[KyXMLGUI::Load] file :Menus/case.xml error : Elements nested too deeply. ligne : 2 colonne : 3009\n"},
        {"1,000 nested values with 1,000-byte names",
         nested("<value name=\"" + name1000 + "\" value=\"v\">", "</value>", 1000),
         "[KyXMLGUI::Load] file :Menus/case.xml error : Name too long. ligne : 1 colonne : 1\n"},
        {"a name of 257 bytes", "<ui>\n  <sprite name=\"" + name256 + "n\"/></ui>",
         "[KyXMLGUI::Load] file :Menus/case.xml error : Name too long. ligne : 2 colonne : 3\n"},
        {"a name of 256 bytes", "<ui><sprite name=\"" + name256 + "\"/></ui>", ""},
        // Four levels of 255 bytes and the dots: 1,023 bytes, then a fifth.
        {"dotted name of 1,023 bytes",
         nested("<group name=\"" + std::string(255, 'g') + "\">", "</group>", 4), ""},
        {"dotted name growing past 1,024 bytes",
         around("<group name=\"" + std::string(255, 'g') + "\">", "</group>", 4, "<value name=\"v\"/>"),
         "[KyXMLGUI::Load] file :Menus/case.xml error : Name too long. ligne : 1 colonne : 1081\n"},
        // An element without a name still adds its dot.
        {"empty parts past the bound",
         around("<g name=\"" + name256 + "\">", "</g>", 3, nested("<sprite>", "</sprite>", 300)),
         "[KyXMLGUI::Load] file :Menus/case.xml error : Name too long. ligne : 1 colonne : 2834\n"},
        {"an element with 300 attributes", "<ui><value a0=\"\"" + [] {
             std::string a;
             for (int i = 1; i < 300; ++i)
                 a += " a" + std::to_string(i) + "=\"\"";
             return a;
         }() + "/></ui>",
         "[KyXMLGUI::Load] file :Menus/case.xml error : Too many attributes on one element. ligne : 1 colonne : 5\n"},
    };
    for (const Case& c : cases) {
        double seconds = 0.0;
        const std::string log = replayLog(c.text, &seconds);
        EXPECT_EQ(log, c.log) << c.what;
        EXPECT_LT(seconds, 1.0) << c.what;
    }
}

// The game's texts are such a file of named values.
TEST_F(XMLGUIReplay, AHundredThousandTextsLoadInProportionToTheFile)
{
    std::string text = "<?xml version=\"1.0\" ?>\n<texts>\n";
    for (int i = 0; i < 100000; ++i)
        text += "  <value name=\"text" + std::to_string(i) + "\" value=\"Line " + std::to_string(i) + "\" />\n";
    text += "</texts>\n";
    ASSERT_TRUE(sandbox.work().writeFile("Menus/texts.xml", text));
    u32 values = 0;
    const double ratio = LinearReading::againstParse(text, [&] {
        EXPECT_TRUE(gui.Load("Menus/texts.xml"));
        values = gui.valueMap().count();
        gui.unload();
        KyDeferredDeletion::deletePending();
    });
    EXPECT_EQ(values, 100000u);
    EXPECT_LT(ratio, LinearReading::kAllowedRatio);
}
