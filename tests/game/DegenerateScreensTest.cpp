// Screens given nothing to show or no room to show it in: a save-slot menu
// without slots or with a strip of no width, and credits over a menu of no
// height. Nothing moves, nothing wraps round, and they work again once they
// have room.
#include "core/KySingleton.h"
#include "game/Application.h"
#include "tests/game/GameSession.h"
#include "tests/support/TempDir.h"
#include "ui/KyTextLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// A save-slot menu of the given strip width (a share of the screen) and
// number of slot buttons and places.
std::string slotMenu(double width, int slots)
{
    std::string lua = "local strip = { name = \"slots\", sizeType = Percent, size = {" + std::to_string(width) +
                      ", 0.5, 0.02} }\n"
                      "for j = 0, " +
                      std::to_string(slots - 1) +
                      " do\n"
                      "    KyButtonLayout{ name = tostring(j), sizeType = Percent, size = {1, 1} }\n"
                      "    strip[#strip + 1] = KyLayout{ name = \"slot\" .. j, sizeType = Percent, "
                      "size = {0.25, 1}, position = {0.5 + 0.3 * j, 0.5, 0.5} }\n"
                      "end\n"
                      "KyLayout{ name = \"menu\", sizeType = Percent, size = {1, 1, 0.05},\n"
                      "    KyLayout(strip),\n"
                      "    KyButtonLayout{ name = \"slideButton\", sizeType = Percent, size = {1, 0.5} },\n"
                      "}\n"
                      "KyLayoutPositionLinearAnimation{ name = \"slideAnimation\", duration = 100, curve = {0, 1} }\n";
    return lua;
}

} // namespace

TEST(DegenerateScreens, AStripWithoutSlotsOrWidthNeverSlides)
{
    struct Case {
        const char* name;
        double width;
        int slots;
        u32 positionAfterLeftDrag;
    };
    const Case cases[] = {
        {"no slots", 1.0, 0, 0},
        {"no width", 0.0, 3, 0},
        {"one slot", 1.0, 1, 0},
        {"two slots", 1.0, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir data;
        data.writeFile("GUI/LoadingMenu.lua", slotMenu(c.width, c.slots));
        GameSession::Setup setup;
        setup.dataFolder = data.path();
        GameSession game(setup);
        ASSERT_TRUE(game.ok());
        LoadingMenu& menu = game.app()->loadingMenu;
        menu.enter();
        game.frames(2);
        ASSERT_TRUE(menu.isShown());
        EXPECT_EQ(menu.slotCount(), u32(c.slots));
        KyLayout* strip = menu.gui.layout("slots");
        ASSERT_NE(strip, nullptr);
        const f32 startX = strip->userPosition().x;
        // Half the screen to the left, then to the right.
        game.run("move 360 160\npress\nmove 120 160\nwait 10\nrelease\nwait 2");
        EXPECT_EQ(menu.stripPosition, c.positionAfterLeftDrag);
        game.run("move 120 160\npress\nmove 360 160\nwait 10\nrelease\nwait 2");
        EXPECT_EQ(menu.stripPosition, 0u);
        EXPECT_FLOAT_EQ(strip->userPosition().x, startX);
        EXPECT_TRUE(std::isfinite(strip->userPosition().x));
        menu.leave();
    }
}

TEST(DegenerateScreens, CreditsOverAMenuOfNoHeightWaitWithoutJumping)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    game.run("click 240 248\nwait 2\nclick 240 258\nwait 2");   // options, then credits
    Credits& credits = game.app()->credits;
    KyLayout* menu = credits.gui.layout("menu");
    KyTextLayout* text = credits.gui.textLayout("text");
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(text, nullptr);
    const KyVector3f32 full = menu->userSize();
    menu->setSize(KyVector3f32(full.x, 0.0f, full.z));
    game.frames(2);
    const f32 y = text->userPosition().y;
    game.frames(60);
    EXPECT_EQ(text->userPosition().y, y);
    EXPECT_TRUE(std::isfinite(y));
    EXPECT_TRUE(credits.gui.isLoaded());

    // Room again: the next half second moves the text by half a second's
    // 30 pixels, not by the second it waited.
    menu->setSize(full);
    game.frames(30);
    const f32 moved = (y - text->userPosition().y) * menu->size().y;
    EXPECT_NEAR(moved, 15.0f, 1.0f);
}
