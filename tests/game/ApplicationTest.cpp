// The application object: the texts of the language, the 480 x 320
// interface stretched to the window, the software-driver check, the order of
// the work of a frame, a frame that survives a failing script, and the
// pictures the start-up asks to be read ahead, within a bound whatever the
// interface scripts do.
#include "core/KyCallback0Param.h"
#include "core/KyCore.h"
#include "core/KyVector2s32.h"
#include "core/KySingleton.h"
#include "core/KyTimer.h"
#include "game/Application.h"
#include "game/InterfacePictures.h"
#include "game/Listeners.h"
#include "game/StartUp.h"
#include "media/KyMusic.h"
#include "media/KySoundManager.h"
#include "os/KyOsMessage.h"
#include "platform/KyCamera.h"
#include "platform/KyImgPrefetch.h"
#include "platform/KyInputMgr.h"
#include "platform/KyInputMgrWrapper.h"
#include "tests/game/GameSession.h"
#include "tests/support/RawPictures.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"
#include "ui/KyAnimation.h"
#include "ui/KyMainWindow.h"
#include "ui/KyVideoLayout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kTexts = "<?xml version=\"1.0\" ?>\n<Texts><value name=\"Hello\" value=\"%s\" /></Texts>\n";

std::string textsFile(const char* hello)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, kTexts, hello);
    return buffer;
}

} // namespace

TEST(ApplicationTexts, MissingLanguagesFallBackInOrderAndAFailedSearchKeepsTheLanguage)
{
    struct Case {
        const char* language;
        std::vector<const char*> present;
        const char* chosen;    // the language afterwards
        const char* hello;     // the text found, or null
    };
    const Case cases[] = {
        {"fr", {"en", "fr"}, "fr", "fr"},
        {"xx", {"de"}, "de", "de"},
        {"xx", {"ru", "it", "es"}, "es", "es"},
        {"de", {"en", "ru"}, "en", "en"},
        {"xx", {}, "xx", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        TempDir data;
        for (const char* language : c.present)
            data.writeFile(std::string("Texts/") + language + ".xml", textsFile(language));
        GameSession::Setup setup;
        setup.create = false;
        setup.dataFolder = data.path();
        setup.options = GameSession::optionsText(640, 480, false, 1, c.language);
        GameSession game(setup);
        ASSERT_TRUE(game.ok());
        game.app()->loadTexts();
        EXPECT_STREQ(KySingleton<KyCore>::instance()->language().c_str(), c.chosen);
        KyString* hello = game.app()->texts.value("Hello");
        if (c.hello) {
            ASSERT_NE(hello, nullptr);
            EXPECT_STREQ(hello->c_str(), c.hello);
            EXPECT_EQ(game.log().find("Application::Create: missing"), std::string::npos);
        } else {
            EXPECT_EQ(hello, nullptr);
            EXPECT_NE(game.log().find("Application::Create: missing Texts/ru.xml\n"), std::string::npos);
        }
        // The language kept is the one saved at the end.
        destroyApplication();
        EXPECT_NE(game.readUserFile("options.xml").find(std::string("<Language value=\"") + c.chosen + "\" />"),
                  std::string::npos);
    }
}

TEST(ApplicationLayout, TheInterfaceIs480By320UnitsStretchedOverTheWindow)
{
    GameSession::Setup setup;
    setup.width = 960;
    setup.height = 640;
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    KyCamera* camera = app->camera;
    EXPECT_EQ(camera, &KyCamera::global());
    EXPECT_EQ(camera->projectionMode(), 2);
    EXPECT_EQ(camera->orthoLeft(), 0.0f);
    EXPECT_EQ(camera->orthoRight(), 480.0f);
    EXPECT_EQ(camera->orthoBottom(), 0.0f);
    EXPECT_EQ(camera->orthoTop(), 320.0f);
    EXPECT_EQ(camera->orthoNear(), -2048.0f);
    EXPECT_EQ(camera->orthoFar(), 2048.0f);
    EXPECT_EQ(camera->viewportWidth(), 960u);
    EXPECT_EQ(camera->viewportHeight(), 640u);

    KyInputMgrWrapper* wrapper = KyInputMgrWrapper::instance();
    EXPECT_EQ(wrapper->scale().x, 0.5f);
    EXPECT_EQ(wrapper->scale().y, 0.5f);
    EXPECT_EQ(wrapper->scale().z, 0.0f);
    EXPECT_EQ(wrapper->angle(), 0.0f);

    // A pointer at pixel (480, 160) counted from the bottom: the cursor's
    // place is a fraction of the window, y down.
    game.run("move 240 240");
    EXPECT_EQ(KyInputMgr::instance()->mousePosition(0), KyVector2s32(480, 160));
    EXPECT_EQ(wrapper->mousePosition(0), KyVector2s32(240, 80));
    EXPECT_FLOAT_EQ(app->mouseCursor.userPosition().x, 0.5f);
    EXPECT_FLOAT_EQ(app->mouseCursor.userPosition().y, 0.75f);
    EXPECT_EQ(app->mouseCursor.name(), KyString("mouseCursor"));

    // A window taller than wide keeps the landscape layout.
    KySingleton<KyMainWindow>::instance()->setSize(KyVector3f32(400.0f, 800.0f, 0.0f));
    EXPECT_EQ(camera->orthoRight(), 480.0f);
    EXPECT_EQ(camera->orthoTop(), 320.0f);
    EXPECT_EQ(wrapper->scale().x, 480.0f / 400.0f);
    EXPECT_EQ(wrapper->scale().y, 320.0f / 800.0f);
    EXPECT_EQ(app->orientationLayout.rotation().w, 1.0f);
    EXPECT_EQ(camera->viewportWidth(), 400u);
    EXPECT_EQ(camera->viewportHeight(), 800u);
}

TEST(ApplicationLayout, APortraitWindowTurnsTheInterfaceWhenLandscapeIsNotFixed)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    KyCore* core = KySingleton<KyCore>::instance();
    KyInputMgrWrapper* wrapper = KyInputMgrWrapper::instance();
    core->setFixedLandscape(false);
    KySingleton<KyMainWindow>::instance()->setSize(KyVector3f32(400.0f, 800.0f, 0.0f));
    EXPECT_EQ(app->camera->orthoRight(), 320.0f);
    EXPECT_EQ(app->camera->orthoTop(), 480.0f);
    EXPECT_EQ(wrapper->scale().x, 320.0f / 400.0f);
    EXPECT_EQ(wrapper->scale().y, 480.0f / 800.0f);
    EXPECT_EQ(wrapper->angle(), 90.0f);
    EXPECT_EQ(wrapper->offset(), KyVector2s32(480, 0));
    EXPECT_EQ(app->camera->position(), KyVector3f32(80.0f, -80.0f, 0.0f));
    EXPECT_NEAR(app->orientationLayout.rotation().z, 0.70710677f, 1e-6f);
    // Wider than tall again: back to the landscape values.
    KySingleton<KyMainWindow>::instance()->setSize(KyVector3f32(800.0f, 400.0f, 0.0f));
    EXPECT_EQ(app->camera->orthoRight(), 480.0f);
    EXPECT_EQ(wrapper->angle(), 0.0f);
    EXPECT_EQ(wrapper->offset(), KyVector2s32(0, 0));
    EXPECT_EQ(app->camera->position(), KyVector3f32(0.0f, 0.0f, 0.0f));
    core->setFixedLandscape(true);
}

TEST(ApplicationPause, APausedWindowStopsTheMusicAndResumingPlaysItWhenTheOptionIsOn)
{
    for (int musicOn : {1, 0}) {
        GameSession::Setup setup;
        setup.options = GameSession::optionsText(960, 640, false, musicOn);
        GameSession game(setup);
        ASSERT_TRUE(game.ok());
        KyMainWindow* window = KySingleton<KyMainWindow>::instance();
        KyMusic& music = game.app()->music;
        ASSERT_EQ(music.IsPlaying(), musicOn == 1);
        // A full-screen window that loses the focus pauses.
        window->setFullScreen(true);
        window->handleMessage(KyOsMessage::activate(false));
        ASSERT_TRUE(window->paused());
        EXPECT_FALSE(music.IsPlaying());
        window->handleMessage(KyOsMessage::activate(true));
        ASSERT_FALSE(window->paused());
        EXPECT_EQ(music.IsPlaying(), musicOn == 1);
        window->setFullScreen(false);
    }
}

TEST(SoftwareDriver, OnlyThatVendorWithThatRendererIsRefused)
{
    struct Case {
        const char* vendor;
        const char* renderer;
        bool refused;
    };
    const Case cases[] = {
        {"Microsoft Corporation", "GDI Generic", true},
        {"Microsoft Corporation", "GDI Generic ", false},
        {"Microsoft Corporation ", "GDI Generic", false},
        {"Microsoft Corporation", "llvmpipe (LLVM 15.0.6, 256 bits)", false},
        {"Mesa", "GDI Generic", false},
        {"microsoft corporation", "gdi generic", false},
        {"Mesa/X.org", "llvmpipe (LLVM 15.0.6, 256 bits)", false},
        {"", "", false},
    };
    ScopedEnv headless("KY_HEADLESS", "1");
    for (const Case& c : cases) {
        StdoutCapture log;
        EXPECT_EQ(isSoftwareDriver(c.vendor, c.renderer), c.refused) << c.vendor << " / " << c.renderer;
        EXPECT_EQ(refuseSoftwareDriver(c.vendor, c.renderer), c.refused);
        EXPECT_EQ(log.text().find(SoftwareDriverMessage) != std::string::npos, c.refused) << log.text();
        if (c.refused) {
            EXPECT_NE(log.text().find("KyEngine"), std::string::npos);
        }
    }
    KySingleton<KyMainWindow>::destroy();
}

namespace {

// Each spy writes its name into the journal when its part of the frame
// reaches it.
std::vector<std::string> g_journal;

void note(const char* what)
{
    if (g_journal.empty() || g_journal.back() != what)
        g_journal.push_back(what);
}

struct Spies {
    bool onSoundFinished()
    {
        note("sound");
        return false;
    }
    bool onPointerMove(unsigned int)
    {
        note("input");
        return false;
    }
    bool onAlarm()
    {
        note("timer");
        return false;
    }
};

class AnimationSpy : public KyAnimation {
public:
    void update(f64) override { note("animation"); }
};

class VideoLayoutSpy : public KyVideoLayout {
public:
    void update() override { note("videoLayout"); }
};

class LayoutSpy : public KyLayout {
public:
    void update() override
    {
        note("layouts");
        KyLayout::update();
    }
    bool draw() override
    {
        note("draw");
        return false;
    }
};

class DeletionSpy : public KyObject {
public:
    ~DeletionSpy() override { note("deleted"); }
};

} // namespace

TEST(ApplicationFrame, TheWorkOfAFrameRunsInItsOrderAndNotAtAllWhilePaused)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();

    Spies spies;
    KyMusic music;
    music.Repeat(false);
    appendListener(music.onFinished, &spies, &Spies::onSoundFinished);
    KyTimer timer;
    appendListener(timer.alarmCallbacks, &spies, &Spies::onAlarm);
    AnimationSpy animation;
    VideoLayoutSpy video;
    LayoutSpy layout;
    window->addChild(&layout);

    s32 x = 10;
    auto arm = [&]() {
        // A registered music that does not play reports its end at the sound
        // update; a move reaches the input update; an alarm that is due
        // fires at the timers' update.
        KySingleton<KySoundManager>::instance()->addMusic(&music);
        window->handleMessage(KyOsMessage::mouseMove(++x, 20));
        timer.start();
        timer.setAlarmIn(0);
        animation.play();
        KyVideoLayout::deleteLater(new DeletionSpy);
    };
    insertListener(KyInputMgr::instance()->onPointerMove(), &spies, &Spies::onPointerMove, 100.0f);

    g_journal.clear();
    arm();
    updateApplication();
    const std::vector<std::string> order = {"sound", "input", "timer", "animation", "videoLayout",
                                            "layouts", "draw", "deleted"};
    EXPECT_EQ(g_journal, order);

    // Paused: the frame does nothing at all, not even the clear.
    window->setFullScreen(true);
    window->handleMessage(KyOsMessage::activate(false));
    ASSERT_TRUE(window->paused());
    g_journal.clear();
    arm();
    updateApplication();
    EXPECT_TRUE(g_journal.empty());
    window->handleMessage(KyOsMessage::activate(true));
    window->setFullScreen(false);
    ASSERT_FALSE(window->paused());
    updateApplication();
    EXPECT_EQ(g_journal, order);

    removeListener(KyInputMgr::instance()->onPointerMove(), &spies, &Spies::onPointerMove);
    animation.stop();
    timer.pause();
    window->removeChild(&layout);
    (void)app;
}

TEST(ApplicationFrame, AScreensFailingScriptIsLoggedAndTheNextFrameRuns)
{
    // A main menu whose Unload function fails when the menu leaves for the
    // options.
    TempDir data;
    data.writeFile("GUI/MainMenu.lua",
                   "KyLayout{ name = \"menu\", sizeType = Percent, size = {1, 1, 0.05},\n"
                   "  KyButtonLayout{ name = \"optionsButton\", sizeType = Percent, size = {0.5, 0.5} } }\n"
                   "function Unload() error(\"the menu breaks\") end\n");
    data.writeFile("GUI/OptionsMenu.lua",
                   "KyLayout{ name = \"menu2\", sizeType = Percent, size = {1, 1, 0.05} }\n");
    GameSession::Setup setup;
    setup.dataFolder = data.path();
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    ASSERT_TRUE(app->mainMenu.gui.isLoaded());
    game.run("click 240 160\nwait 2");
    EXPECT_NE(game.log().find("Lua: "), std::string::npos);
    EXPECT_NE(game.log().find("the menu breaks"), std::string::npos);
    // The frames go on and the options show.
    EXPECT_TRUE(app->optionsMenu.gui.isLoaded());
    EXPECT_FALSE(app->mainMenu.gui.isLoaded());
    game.frames(3);
    EXPECT_TRUE(app->created);
}

// The pictures an interface script gives its builders (names it builds
// while it runs among them) or names in quotes, and those of the scripts it
// names, are asked for; names in comments, names built and given to no
// builder, names with escapes and files that are not there are not. A
// script that names itself (or one that names it) is read once.
TEST(ApplicationStartUp, ThePicturesTheInterfaceScriptsNameAreAskedForOnce)
{
    TempDir dir;
    for (u32 i = 0; i < 8; ++i)
        ASSERT_TRUE(RawPictures::write(dir.file("pic" + std::to_string(i) + ".tga"), RawPictures::tga(5, 3, false, i)));
    ASSERT_TRUE(RawPictures::write(dir.file("rle.bmp"), RawPictures::runLengthBmp()));
    ScopedWorkingDir folder(dir.path());
    ASSERT_TRUE(RawPictures::write(dir.file("Pic3.TGA"), RawPictures::tga(4, 4, false, 3)));
    ASSERT_TRUE(dir.writeFile("main.lua", "-- pic0.tga is only in a comment\n"
                                          "dofile(\"shared.lua\")('pic1.tga')\n"
                                          "local p = \"pic\" .. 2 .. \".tga\"\n"
                                          "KySpriteLayout{ image = \"Pic3.TGA\" } -- \"pic4.tga\"\n"
                                          "KySpriteLayout{ image = \"pic\\\\5.tga\", other = \"missing.tga\" }\n"
                                          "x = 'main.lua' y = \"unclosed.tga\n"
                                          "z = \"pic6.tga\"\n"));
    ASSERT_TRUE(dir.writeFile("shared.lua", "local f = function(q) KySpriteLayout{ image = \"rle.bmp\" } end\n"
                                            "dofile('main.lua')\n"
                                            "KySpriteLayout{ image = \"pic\" .. 3 + 4 .. \".tga\", size = Percent }\n"
                                            "return f\n"));
    KyImgPrefetch& prefetch = KyImgPrefetch::instance();
    // The runs end on their own, however busy the machine.
    EXPECT_EQ(InterfaceDryRun::None, requestPicturesNamedIn("main.lua").stoppedBy);
    const char* const asked[] = {"pic1.tga", "Pic3.TGA", "pic6.tga", "rle.bmp", "pic7.tga"};
    const char* const notAsked[] = {"pic0.tga", "pic2.tga", "pic4.tga", "pic5.tga", "missing.tga", "unclosed.tga"};
    std::unique_ptr<KyImgResult> picture;
    std::string log;
    for (const char* name : asked) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(prefetch.take(name, picture, log));
    }
    for (const char* name : notAsked) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(prefetch.take(name, picture, log));
    }
}

// The dry run of an interface script is bounded by counts whatever the
// script does, never by the clock: a pcall or a coroutine does not outlive
// the budget, a finalizer cannot run with the hooks off, every instruction
// and call on a long value pays for its bytes, and the state closes at once.
// Each run here ends on the bound of its row, within what one more step may
// overshoot. What a script built before it went wrong is still asked for,
// and the shipped menus build their names well within the bounds.
TEST(ApplicationStartUp, AHostileInterfaceScriptEndsWithinItsBound)
{
    struct Case {
        InterfaceDryRun::Bound bound;
        const char* what;
        const char* script;
    };
    const InterfaceDryRun::Bound steps = InterfaceDryRun::Steps;
    const InterfaceDryRun::Bound bytes = InterfaceDryRun::Bytes;
    const InterfaceDryRun::Bound itsEnd = InterfaceDryRun::None;
    // Scripts it names, missing: each is looked for once.
    std::string manyNames = "local names = [[\n";
    for (u32 i = 0; i < 10000; ++i)
        manyNames += "'n" + std::to_string(i) + ".lua'\n";
    manyNames += "]]";
    const Case cases[] = {
        {steps, "an endless loop", "while true do end"},
        // Each comparison compares the string's million pieces.
        {bytes, "comparing long strings of NULs", "local s = ('\\0'):rep(1000000) while true do local _ = s < s end"},
        // One instruction each, but a few thousand times faster than those.
        {steps, "comparing strings just short of long",
         "local s = ('\\0'):rep(2000) while true do local _ = s < s end"},
        {steps, "ten thousand script names", manyNames.c_str()},
        {steps, "a pcall loop", "while true do pcall(function() while true do end end) end"},
        {steps, "an xpcall loop whose handler loops",
         "while true do xpcall(function() while true do end end, function() while true do end end) end"},
        // A handler called from the hook would run with the hooks off; the
        // message the hook raises is made of strings the script holds.
        {steps, "an xpcall loop whose handler loops, with the hook's message at hand",
         "local where, message = '', 'too long' local grown = message .. message\n"
         "local function loop() while true do end end\n"
         "while true do xpcall(loop, loop) end"},
        {steps, "a loop through coroutines",
         "local co = coroutine.wrap(function() while true do pcall(coroutine.yield) end end)\n"
         "while true do pcall(co) end"},
        {steps, "coroutines that make coroutines",
         "local function spawn() while true do pcall(coroutine.resume, coroutine.create(spawn)) end end\n"
         "spawn()"},
        {itsEnd, "a finalizer that loops",
         "local p = newproxy(true)\n"
         "getmetatable(p).__gc = function() while true do end end\n"
         "setmetatable({}, { __gc = function() while true do end end })\n"
         "p = nil collectgarbage()"},
        {bytes, "repeats of a large string", "while true do pcall(string.rep, 'x', 4000000) end"},
        {steps, "repeats of an empty string", "while true do pcall(string.rep, '', 2147483647) end"},
        {itsEnd, "a repeat beyond the memory", "local s = ('x'):rep(2 ^ 40)"},
        {bytes, "doubling a string",
         "while true do pcall(function() local s = 'x' while true do s = s .. s end end) end"},
        // Made again from the same bytes, a long string is found, not made.
        {bytes, "taking a long string apart again",
         "local s = ('x'):rep(1000000) while true do local _ = s:sub(1, -1) .. s:upper():lower() end"},
        {steps, "a pattern that backtracks",
         "local s = ('a'):rep(40)\n"
         "while true do pcall(string.find, s, ('a*'):rep(40) .. 'b') pcall(string.gsub, s, ('a-'):rep(40) .. 'b', '')\n"
         "pcall(function() return s:match(('a*'):rep(40) .. 'b') end) end"},
        {bytes, "deep recursion", "local function f() return 1 + f() end while true do pcall(f) end"},
        {bytes, "recursion through a metamethod",
         "local t = setmetatable({}, { __index = function(t, k) return t[k] end })\n"
         "while true do pcall(function() return t.x end) end"},
        {steps, "a builder given tables nested deep",
         "local t = {} for i = 1, 10000 do t = { t, 'x.png' } end while true do KySpriteLayout(t) end"},
        {bytes, "a builder given an endless list of names",
         "local t = {} for i = 1, 100000 do t[i] = 'p' .. i .. '.png' end\n"
         "while true do KySpriteLayout(t) KySpriteLayout{ t } end"},
    };
    TempDir dir;
    ScopedWorkingDir folder(dir.path());
    KyImgPrefetch& prefetch = KyImgPrefetch::instance();
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string picture = "built" + std::to_string(i) + ".tga";
        ASSERT_TRUE(RawPictures::write(dir.file(picture), RawPictures::tga(2, 2, false, u32(i))));
        const std::string script = "hostile" + std::to_string(i) + ".lua";
        // The name is built, so only the run asks for it.
        ASSERT_TRUE(dir.writeFile(script, "KySpriteLayout{ image = 'built' .. " + std::to_string(i) +
                                              " .. '.tga' }\n" + c.script + "\n"));
        const InterfaceDryRun cost = requestPicturesNamedIn(script.c_str());
        EXPECT_EQ(c.bound, cost.stoppedBy);
        // One step more is a slice of instructions, or one instruction on
        // every long value alive.
        EXPECT_LE(cost.steps, InterfaceDryRun::MaxSteps + 1000);
        EXPECT_LE(cost.bytes, InterfaceDryRun::MaxBytes + InterfaceDryRun::MaxMemory);
        EXPECT_LE(cost.peakMemory, InterfaceDryRun::MaxMemory);
        std::unique_ptr<KyImgResult> read;
        std::string log;
        EXPECT_TRUE(prefetch.take(picture.c_str(), read, log));
    }
    prefetch.clear();

    // The shipped main menu builds its buttons' looks from their names,
    // within a tenth of the bounds.
    ScopedWorkingDir data(KY_GAME_DATA_DIR);
    const InterfaceDryRun shipped = requestPicturesNamedIn(MainMenu::InterfacePath);
    EXPECT_EQ(InterfaceDryRun::None, shipped.stoppedBy);
    EXPECT_LT(shipped.steps, InterfaceDryRun::MaxSteps / 10);
    EXPECT_LT(shipped.bytes, InterfaceDryRun::MaxBytes / 10);
    EXPECT_LT(shipped.peakMemory, InterfaceDryRun::MaxMemory / 10);
    for (const char* built : {"2D/Menus/MainMenu/NewGameButton_over.png", "2D/Menus/MainMenu/Quit_disabled.png",
                              "2D/Menus/MainMenu/Share_over.png"}) {
        SCOPED_TRACE(built);
        std::unique_ptr<KyImgResult> read;
        std::string log;
        EXPECT_TRUE(prefetch.take(built, read, log));
    }
    prefetch.clear();
}
