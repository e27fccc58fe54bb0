// Replays damaged and hostile Lua interface files through the loader: under
// the sanitizers every one must load or fail cleanly, and every object, those
// a failed file built before its error included, must be deleted at the end
// of the frame without a dangling link.

#include "script/KyLuaGUI.h"
#include "ui/KyDeferredDeletion.h"

#include "tests/script/LuaGUIFixture.h"
#include "tests/script/LuaTestSupport.h"
#include "tests/support/DamagedText.h"
#include "tests/support/GLTestContext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using DamagedText::nested;

class LuaGUIReplay : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        files.writeTestPictures();
    }

    // Loads text as an interface file, reads a few names back, unloads and
    // deletes. Returns whether it loaded.
    bool replay(const std::string& text, const char* name = "GUI/case.lua")
    {
        const bool loaded = files.load(name, text);
        if (loaded) {
            EXPECT_TRUE(files.gui.isLoaded());
        }
        LuaTest::logOf([&] {
            for (const char* look : {"root", "okButton", "background", "slide", "title", "Unload"}) {
                files.gui.layout(look);
                files.gui.value(look);
            }
            files.gui.unload();
        });
        EXPECT_EQ(0u, files.gui.objectCount());
        KyDeferredDeletion::deletePending();
        return loaded;
    }

    LuaGUIFiles files;
};

} // namespace

TEST_F(LuaGUIReplay, EveryTruncationOfTheTestScreen)
{
    const std::string full = LuaGUIFiles::everyKey();
    ASSERT_TRUE(replay(full));
    u32 failed = 0;
    for (size_t length = 0; length < full.size(); length += 11)
        failed += replay(full.substr(0, length)) ? 0 : 1;
    // Most cuts end inside a table or a string.
    EXPECT_GT(failed, 0u);
}

TEST_F(LuaGUIReplay, ScrambledBytesOfTheTestScreen)
{
    const std::string full = LuaGUIFiles::everyKey();
    const char replacements[] = {'{', '}', '"', ',', '=', '\0', '1', 'K', '(', '\n'};
    u32 seed = 12345;
    for (u32 round = 0; round < 300; ++round)
        replay(DamagedText::scrambled(full, replacements, sizeof replacements, seed));
}

TEST_F(LuaGUIReplay, TruncatedPrecompiledScreens)
{
    const std::string binary = files.sandbox.work().file("compiled.bin");
    ASSERT_TRUE(LuaTest::compile(LuaGUIFiles::everyKey(), binary));
    const std::string bytes = files.read("compiled.bin");
    ASSERT_GT(bytes.size(), 100u);
    ASSERT_TRUE(replay(bytes, "GUI/Compiled.lua"));
    for (size_t length = 1; length < bytes.size(); length += 13)
        EXPECT_FALSE(replay(bytes.substr(0, length), "GUI/Compiled.lua")) << length;
}

TEST_F(LuaGUIReplay, HostileFiles)
{
    struct Hostile {
        std::string text;
        bool loads;
    };
    const Hostile cases[] = {
        // Deep nesting of builders, and nesting beyond what the parser takes.
        {nested("KyLayout{", "}", 60), true},
        {nested("KyButtonLayout{upLayout = ", "}", 60).insert(60 * 26, "KyLayout{}"), true},
        {nested("KyLayout{", "}", 400), false},
        {"local t = {}\nfor i = 1, 1000 do t[i] = KyLayout{} end\nroot = KyLayout(t)\n", true},
        // Metamethods that fail, recurse, yield or build more while a
        // builder reads a key.
        {"local v = setmetatable({}, {__index = function(t, k) return KyLayout{position = t} end})\n"
         "KyLayout{position = v}",
         false},
        {"KyLayout{size = setmetatable({}, {__index = function() coroutine.yield() end})}", false},
        {"coroutine.wrap(function() KyLayout{size = setmetatable({}, {__index = function() coroutine.yield() end})}"
         " end)()",
         false},
        {"KyLayout{anchor = setmetatable({}, {__index = function(t, k) collectgarbage() return KyLayout{} end})}",
         true},
        {"KyColorLinearAnimation{curve = setmetatable({1, 2}, {__index = function() error('x') end})}", true},
        {"KyLayout{name = setmetatable({}, {__tostring = function() error('no text') end})}", true},
        {"KyLayout{name = string.rep('n', 100000)} KyLayout{name = string.rep('n', 100000)}", true},
        {"KyLayout{name = 'a\\0b'} KyLayout{name = 'a\\0c'}", true},
        // Odd values everywhere.
        {"KyLayout{sizeType = -1, ratioMode = 1e300, ratio = 0/0, size = {1/0, -1/0, 0/0}, position = {}}", true},
        {"KyListLayout{direction = {0, 0, 0}, minimumMargin = {1e30}, maximumMargin = {-1}, KyLayout{}, KyLayout{}}",
         true},
        {"KyColorLinearAnimation{curve = {}, duration = -5} KyRotationLinearAnimation{endValue = {0/0, 1, 0, 1e9}}",
         true},
        {"KyTextLayout{text = '<color r=\"1\">', interLine = 'wide'} KyTextLayout{text = string.rep('<br/>', 5000)}",
         true},
        {"KySpriteLayout{image = 'GUI/case.lua'} KySpriteLayout{image = 'GUI'} KySpriteLayout{image = ''}", true},
        {"KyButtonLayout{upLayout = KyButtonLayout{}, downLayout = KyButtonLayout{}, hitZone = KyCheckboxLayout{}}",
         true},
        // The same layout used as every look, and a child taken by two
        // parents.
        {"local l = KyLayout{} KyButtonLayout{upLayout = l, downLayout = l, disabledLayout = l, hitZone = l}"
         " KyLayout{l} KyLayout{l}",
         true},
        // Builders called again from Unload; Unload failing or not a
        // function; files failing with odd error values.
        {"function Unload() for i = 1, 10 do KyLayout{} end end", true},
        {"function Unload() error({}) end KyLayout{name = 'root'}", true},
        {"Unload = 5", true},
        {"KyLayout{name = 'root'} error(setmetatable({}, {__tostring = function() return 'odd' end}))", false},
        // The globals and the registry rewritten.
        {"setmetatable(_G, {__index = function(t, k) error('no ' .. k) end}) KyLayout{name = 'root'}", true},
        {"debug.getregistry().__KyLuaGUIThis = nil KyLayout{}", true},
        {"debug.getregistry().__KyLuaGUIThis = newproxy(true) KyLayout{}", true},
        {"KyLayout = nil KyButtonLayout = 5", true},
    };
    for (const Hostile& c : cases)
        EXPECT_EQ(c.loads, replay(c.text)) << c.text;
}
