// The test screen (every element kind of an interface file) loaded whole:
// every object found by name with what the file says, and the screen drawn
// off screen with each picture where the file puts it.

#include "core/KySingleton.h"
#include "media/KyMusic.h"
#include "media/KySFX.h"
#include "os/KyOsClock.h"
#include "platform/KyCamera.h"
#include "platform/KyRenderer.h"
#include "ui/KyAnimation.h"
#include "ui/KyButton.h"
#include "ui/KyCheckBox.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KyMainWindow.h"
#include "ui/KyMovement2.h"
#include "ui/KyMovement3.h"
#include "ui/KySoundPlayer.h"
#include "ui/KySprite.h"
#include "ui/KySpriteButton.h"
#include "ui/KySpriteButton2.h"
#include "ui/KyText2.h"
#include "ui/KyVideoPlayer.h"
#include "ui/KyXMLGUI.h"

#include "tests/support/GLTestContext.h"
#include "tests/support/InterfaceFileWriter.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace InterfaceFiles;

namespace {

const s32 kWindow = 128;
const KyColor kClear(0, 0, 64, 255);

// A 128 x 128 context with the widget camera set up as the game sets it:
// orthographic, origin at the bottom-left corner, y up, one unit a pixel.
class XMLGUIScreen : public ::testing::Test {
protected:
    XMLGUIScreen() : gl(kWindow, kWindow) {}

    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << "no OpenGL context";
        KyCamera& camera = KySprite::widgetCamera;
        camera.setProjectionMode(KyCamera::ProjectionOrthographic);
        camera.setViewport(u32(kWindow), u32(kWindow));
        camera.setOrthogonal(0.0f, f32(kWindow), 0.0f, f32(kWindow), -2048.0f, 2048.0f);
        camera.setPosition(KyVector3f32(0, 0, 0));
        ASSERT_TRUE(writeInterface(sandbox.work()));
        // The game's drawing state (blending on), set up quietly.
        StdoutCapture quiet;
        KySingleton<KyRenderer>::instance()->init();
    }

    void TearDown() override
    {
        gui.unload();
        KyDeferredDeletion::deletePending();
        KySingleton<KyMainWindow>::destroy();
    }

    void drawFrame()
    {
        glClearColor(kClear.r / 255.0f, kClear.g / 255.0f, kClear.b / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDisable(GL_DEPTH_TEST);
        KySingleton<KyMainWindow>::instance()->onDraw().call();
        gl.finish();
    }

    static KyColor colourOf(u32 rgb) { return KyColor(u8(rgb >> 16), u8(rgb >> 8), u8(rgb), 255); }

    // The pixel at (x, y) from the bottom-left corner, as "r,g,b".
    std::string rgbAt(s32 x, s32 y) const
    {
        KyColor c = pixel(x, y);
        return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
    }
    static std::string rgb(const KyColor& c)
    {
        return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
    }
    static std::string rgb(u32 colour) { return rgb(colourOf(colour)); }

    KyColor pixel(s32 x, s32 y) const { return gl.pixel(x, y); }

    GLTestContext gl;
    UserDataSandbox sandbox;
    KyXMLGUI gui;
};

template <class V>
V find(const KyMap<KyString, V>& map, const char* name)
{
    return map.get(KyString(name));
}

} // namespace

TEST_F(XMLGUIScreen, EveryObjectIsFoundByNameWithWhatTheFileSays)
{
    ASSERT_TRUE(gui.Load("Menus/menu.xml"));
    EXPECT_STREQ("Menus/", gui.loadedFolder().c_str());

    ASSERT_NE(nullptr, gui.value("menu.title"));
    EXPECT_STREQ("Main menu", gui.value("menu.title")->c_str());
    ASSERT_EQ(1u, gui.groupNames().count());
    EXPECT_STREQ("back", gui.groupNames().begin()->c_str());

    // Sprites: the group's name joins the path; the platform element has no
    // name, so its content is named under "menu." ; the PC-only sprite is
    // not built at all.
    KySprite* bg = gui.sprite("menu.back.bg");
    ASSERT_NE(nullptr, bg);
    EXPECT_TRUE(bg->hasTexture());
    EXPECT_TRUE(bg->isVisible());
    EXPECT_EQ(KyVector3f32(8, 8, 1), bg->position());
    EXPECT_EQ(KyVector3f32(16, 16, 0), bg->size());
    EXPECT_EQ(nullptr, gui.sprite("menu..pcOnly"));
    EXPECT_EQ(3u, gui.spriteMap().count());
    KySprite* panel = gui.sprite("menu..panel");
    ASSERT_NE(nullptr, panel);
    EXPECT_TRUE(panel->hasTexture());
    EXPECT_EQ(KyVector3f32(2, 2, 1), panel->scale());
    EXPECT_EQ(KyVector3f32(0, 0, 0), panel->scaleCenter());
    KySprite* turned = gui.sprite("menu.turned");
    ASSERT_NE(nullptr, turned);
    EXPECT_FLOAT_EQ(90.0f, turned->rotation());
    EXPECT_FLOAT_EQ(1.0f, turned->opacity());

    KyButton* ok = gui.button("menu.ok");
    ASSERT_NE(nullptr, ok);
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(KyVector3f32(20, 10, 0), static_cast<Ky3DObject*>(ok)->size());

    KySpriteButton* play = gui.spriteButton("menu.play");
    ASSERT_NE(nullptr, play);
    EXPECT_TRUE(play->upSprite.hasTexture());
    EXPECT_TRUE(play->downSprite.hasTexture());
    EXPECT_TRUE(play->disabledSprite.hasTexture());
    EXPECT_FLOAT_EQ(2.0f, play->leftMargin);
    EXPECT_FLOAT_EQ(2.0f, play->rightMargin);
    EXPECT_FLOAT_EQ(1.0f, play->bottomMargin);
    EXPECT_EQ(KyVector3f32(12, 6, 0), static_cast<Ky3DObject&>(play->button).size());
    EXPECT_EQ(KyVector3f32(10, 41, 1), static_cast<Ky3DObject&>(play->button).position());

    KySpriteButton2* quit = find(gui.spriteButton2Map(), "menu.quit");
    ASSERT_NE(nullptr, quit);
    EXPECT_EQ(KyVector3f32(8, 60, 1), quit->position());

    KyCheckBox* sound = find(gui.checkBoxMap(), "menu.sound");
    ASSERT_NE(nullptr, sound);
    EXPECT_EQ(u32(KyCheckBox::Radio), sound->mode);
    EXPECT_FLOAT_EQ(1.0f, sound->leftMargin);
    EXPECT_FLOAT_EQ(2.0f, sound->topMargin);
    EXPECT_EQ(KyVector3f32(40, 40, 1), sound->position());

    KyMusic* theme = find(gui.musicMap(), "menu.theme");
    ASSERT_NE(nullptr, theme);
    EXPECT_FALSE(theme->repeat());
    EXPECT_STREQ("Menus/theme.ogg", theme->playPath().c_str());
    KySFX* click = find(gui.sfxMap(), "menu.click");
    ASSERT_NE(nullptr, click);
    EXPECT_STREQ("Menus/click.wav", click->name().c_str());
    KyIntrusivePtr<KyImg> logo = find(gui.imageMap(), "menu.logo");
    ASSERT_TRUE(logo);
    EXPECT_EQ(4u, logo->width());

    KyVideoPlayer* intro = find(gui.videoPlayerMap(), "menu.intro");
    ASSERT_NE(nullptr, intro);
    EXPECT_EQ(KyVector3f32(32, 16, 0), static_cast<Ky3DObject&>(intro->clickButton).size());
    KySpriteButton* exit = gui.spriteButton("menu.intro.exitButton");
    ASSERT_NE(nullptr, exit);
    EXPECT_EQ(static_cast<Ky3DObject*>(exit), intro->control);
    // The exit button keeps its x and y and stands one unit below the player.
    EXPECT_EQ(KyVector3f32(100, 100, 2), exit->position());
    EXPECT_EQ(nullptr, exit->parent());

    KyMovement2* slide = find(gui.movement2Map(), "menu.slide");
    ASSERT_NE(nullptr, slide);
    EXPECT_DOUBLE_EQ(1000.0, slide->duration);
    KyMovement3* nudge = find(gui.movement3Map(), "menu.nudge");
    ASSERT_NE(nullptr, nudge);
    EXPECT_DOUBLE_EQ(500.0, nudge->duration);

    KySoundPlayer* voice = find(gui.soundPlayerMap(), "menu.voice");
    ASSERT_NE(nullptr, voice);
    EXPECT_EQ(KyVector3f32(70, 40, 1), voice->position());
    EXPECT_TRUE(voice->playButton.upSprite.isVisible());
    EXPECT_FALSE(voice->stopButton.upSprite.isVisible());

    KyText2* caption = find(gui.textMap(), "menu.caption");
    ASSERT_NE(nullptr, caption);
    EXPECT_EQ(100, caption->boxWidth());
    EXPECT_EQ(50, caption->boxHeight());
    EXPECT_EQ(KyVector3f32(70, 90, 1), caption->position());
    EXPECT_NE(nullptr, caption->font());

    // Every widget belongs to the interface.
    for (Ky3DObject* widget : std::vector<Ky3DObject*>{bg, panel, turned, ok, play, quit, sound, intro, voice, caption})
        EXPECT_EQ(static_cast<KyI3DObject*>(&gui), widget->parent());
}

TEST_F(XMLGUIScreen, PicturesStandWhereTheFilePutsThem)
{
    ASSERT_TRUE(gui.Load("Menus/menu.xml"));
    drawFrame();
    // The background sprite, 16 x 16 at (8, 8).
    EXPECT_EQ(rgb(Red), rgbAt(8, 8));
    EXPECT_EQ(rgb(Red), rgbAt(23, 23));
    EXPECT_EQ(rgb(kClear), rgbAt(7, 15));
    EXPECT_EQ(rgb(kClear), rgbAt(24, 15));
    // Nothing of the PC-only sprite at the origin.
    EXPECT_EQ(rgb(kClear), rgbAt(2, 2));
    // The 8 x 8 panel scaled by 2 from its corner covers (40..55, 8..23).
    EXPECT_EQ(rgb(Green), rgbAt(52, 20));
    EXPECT_EQ(rgb(kClear), rgbAt(56, 20));
    // The 16 x 8 sprite turned by 90 degrees about its centre stands upright
    // over (108..115, 4..19).
    EXPECT_EQ(rgb(Cyan), rgbAt(110, 18));
    EXPECT_EQ(rgb(Cyan), rgbAt(110, 5));
    EXPECT_EQ(rgb(kClear), rgbAt(105, 12));
    // The sprite buttons' up pictures, the unchecked look of the check box
    // and the sound player's play button; its stop button is hidden.
    EXPECT_EQ(rgb(Blue), rgbAt(15, 43));
    EXPECT_EQ(rgb(Blue), rgbAt(15, 63));
    EXPECT_EQ(rgb(Magenta), rgbAt(43, 43));
    EXPECT_EQ(rgb(Blue), rgbAt(75, 43));
    // The video's black first picture at (64, 64) and its exit button.
    EXPECT_EQ("0,0,0", rgbAt(80, 70));
    EXPECT_EQ(rgb(White), rgbAt(103, 103));
    // The caption's glyphs (white cells drawn in the text's black) start at
    // its position (70, 90).
    EXPECT_EQ("0,0,0", rgbAt(71, 91));
    EXPECT_EQ(rgb(kClear), rgbAt(69, 91));
    EXPECT_EQ(rgb(kClear), rgbAt(71, 89));

    // After unload nothing is drawn, though nothing is deleted yet.
    gui.unload();
    drawFrame();
    for (s32 y = 0; y < kWindow; y += 3)
        for (s32 x = 0; x < kWindow; x += 3)
            ASSERT_EQ(rgb(kClear), rgbAt(x, y)) << x << "," << y;
    KyDeferredDeletion::deletePending();
    drawFrame();
    EXPECT_EQ(rgb(kClear), rgbAt(15, 15));
}

TEST_F(XMLGUIScreen, MovementsOfTheFileMoveItsSprites)
{
    static std::uint64_t start = 3000000000000000ull;
    start += 10000000000ull;
    KyOsClock::installFake(start);
    ASSERT_TRUE(gui.Load("Menus/menu.xml"));
    KySprite* bg = gui.sprite("menu.back.bg");
    KyMovement2* slide = find(gui.movement2Map(), "menu.slide");
    ASSERT_NE(nullptr, slide);
    slide->playOn(bg);
    KyOsClock::advanceFake(500000);
    KyAnimation::updateAll();
    EXPECT_FLOAT_EQ(50.0f, bg->position().x);
    KyOsClock::advanceFake(500000);
    KyAnimation::updateAll();
    EXPECT_FLOAT_EQ(100.0f, bg->position().x);
    // Unloading queues the running movement with its sprite.
    gui.unload();
    KyDeferredDeletion::deletePending();
    KyAnimation::updateAll();
    KyOsClock::install(nullptr);
}
