// Replays damaged and hostile interface files through the loader: under the
// sanitizers every one must load or fail cleanly, and a failed load must
// leave the interface empty and not loaded.

#include "ui/KyDeferredDeletion.h"
#include "ui/KyXMLGUI.h"

#include "tests/support/GLTestContext.h"
#include "tests/support/InterfaceFileWriter.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

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

std::string nested(const std::string& open, const std::string& close, u32 depth)
{
    std::string text;
    for (u32 i = 0; i < depth; ++i)
        text += open;
    for (u32 i = 0; i < depth; ++i)
        text += close;
    return text;
}

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
    for (u32 round = 0; round < 300; ++round) {
        std::string damaged = full;
        for (u32 k = 0; k < 3; ++k) {
            seed = seed * 1103515245u + 12345u;
            size_t at = (seed >> 8) % damaged.size();
            damaged[at] = replacements[(seed >> 4) % sizeof(replacements)];
        }
        replay(damaged);
    }
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
    };
    for (const std::string& text : failing)
        EXPECT_FALSE(replay(text)) << text.substr(0, 80);

    const std::vector<std::string> loading = {
        "<ui/>",
        "<?xml version=\"1.0\"?>",
        "<!-- never closed",
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
