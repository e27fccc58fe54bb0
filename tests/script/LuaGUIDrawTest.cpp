// A layout tree built from a Lua interface file, drawn off screen through
// the main window and read back: every picture where the file puts it.

#include "core/KySingleton.h"
#include "platform/KyInputMgr.h"
#include "script/KyLuaGUI.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KyLayout.h"
#include "ui/KyMainWindow.h"

#include "tests/script/LuaGUIFixture.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

const s32 kSide = 128;
const KyColor kBlack(0, 0, 0, 255);
const KyColor kRed(255, 0, 0, 255);
const KyColor kGreen(0, 255, 0, 255);
const KyColor kBlue(0, 0, 255, 255);
const KyColor kYellow(255, 255, 0, 255);
const KyColor kCyan(0, 255, 255, 255);

const char* const kScreen = R"(
KyLayout{
    name = "screen", sizeType = Pixel, size = {128, 128},
    KySpriteLayout{ name = "red", image = "GUI/red.png", position = {0.25, 0.25} },
    KyButtonLayout{
        name = "ok", position = {0.75, 0.25},
        upLayout = KySpriteLayout{ image = "GUI/green.png" },
        downLayout = KySpriteLayout{ image = "GUI/blue.png" },
    },
    KyListLayout{
        name = "list", size = {16, 64}, position = {0.5, 0.75},
        KySpriteLayout{ image = "GUI/yellow.png" },
        KySpriteLayout{ image = "GUI/cyan.png" },
    },
    KySpriteLayout{ name = "hidden", image = "GUI/red.png", position = {0.75, 0.75}, visible = false },
}
)";

class LuaGUIDraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << "no OpenGL context";
        window = KySingleton<KyMainWindow>::instance();
        window->setSize(KyVector3f32(kSide, kSide, 0));
        files.writePicture("GUI/red.png", 16, 16, kRed);
        files.writePicture("GUI/green.png", 16, 16, kGreen);
        files.writePicture("GUI/blue.png", 16, 16, kBlue);
        files.writePicture("GUI/yellow.png", 16, 16, kYellow);
        files.writePicture("GUI/cyan.png", 16, 16, kCyan);
    }
    void TearDown() override
    {
        files.gui.unload();
        KyDeferredDeletion::deletePending();
        KySingleton<KyInputMgr>::destroy();
        KySingleton<KyMainWindow>::destroy();
    }

    void drawFrame()
    {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        window->update();
        window->draw();
        gl.finish();
    }

    // The pixel at the window point (x, y), counted from the top-left corner.
    KyColor at(s32 x, s32 y) { return gl.pixel(x, kSide - 1 - y); }

    static bool same(const KyColor& expected, const KyColor& actual)
    {
        return std::abs(int(expected.r) - actual.r) <= 2 && std::abs(int(expected.g) - actual.g) <= 2 &&
               std::abs(int(expected.b) - actual.b) <= 2;
    }

    GLTestContext gl{kSide, kSide};
    KyMainWindow* window = nullptr;
    LuaGUIFiles files;
};

} // namespace

TEST_F(LuaGUIDraw, PicturesAreDrawnWhereTheFilePutsThem)
{
    ASSERT_TRUE(files.load("GUI/Screen.lua", kScreen));
    KyLayout* screen = files.gui.layout("screen");
    ASSERT_NE(nullptr, screen);
    window->addChild(screen);
    drawFrame();

    struct Probe {
        s32 x;
        s32 y;
        KyColor colour;
    } const probes[] = {
        {32, 32, kRed},    {25, 25, kRed},      {38, 38, kRed},    {23, 32, kBlack},  {32, 41, kBlack},
        {96, 32, kGreen},  {89, 25, kGreen},    {87, 32, kBlack},  {64, 61, kBlack},  {64, 66, kYellow},
        {64, 79, kYellow}, {64, 96, kBlack},    {64, 114, kCyan},  {64, 126, kCyan},  {96, 96, kBlack},
    };
    for (const Probe& p : probes)
        EXPECT_TRUE(same(p.colour, at(p.x, p.y))) << p.x << "," << p.y;

    // The button shows its down look; the hidden sprite appears.
    files.gui.buttonLayout("ok")->setState(KyButtonLayout::StateDown);
    files.gui.layout("hidden")->setVisible(true);
    drawFrame();
    EXPECT_TRUE(same(kBlue, at(96, 32)));
    EXPECT_TRUE(same(kRed, at(96, 96)));

    // Taken out and unloaded, nothing of it is drawn.
    window->removeChild(screen);
    files.gui.unload();
    drawFrame();
    KyDeferredDeletion::deletePending();
    EXPECT_TRUE(same(kBlack, at(32, 32)));
    EXPECT_TRUE(same(kBlack, at(96, 32)));
}
