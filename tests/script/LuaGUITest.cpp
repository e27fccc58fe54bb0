// Lua interface files: every builder and every key, lookups by name and by
// class, the file's globals, the language folders, and loads that fail,
// reload or unload leaving nothing of a file behind.

#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "platform/KyInputMgr.h"
#include "script/KyLuaBuilder.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyCheckboxLayout.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KyListLayout.h"
#include "ui/KyMainWindow.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"
#include "ui/KyVideoLayout.h"

#include "tests/script/LuaGUIFixture.h"
#include "tests/script/LuaTestSupport.h"
#include "tests/support/GLTestContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {


class LuaGUI : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        files.writeTestPictures();
    }
    void TearDown() override
    {
        LuaTest::logOf([&] { gui().unload(); });
        KyDeferredDeletion::deletePending();
        KySingleton<KyInputMgr>::destroy();
        KySingleton<KyMainWindow>::destroy();
    }

    KyLuaGUI& gui() { return files.gui; }

    // The names of a layout's children, in order.
    std::vector<std::string> childNames(KyLayout* layout)
    {
        std::vector<std::string> names;
        for (u32 i = 0; i < layout->childCount(); ++i)
            names.push_back(static_cast<KyLayout*>(layout->child(i))->name().c_str());
        return names;
    }

    LuaGUIFiles files;
};

} // namespace

TEST_F(LuaGUI, EveryBuilderAndEveryKeyBuildWhatTheFileSays)
{
    std::string log;
    ASSERT_TRUE(files.load("GUI/Test.lua", LuaGUIFiles::everyKey(), &log));
    // A text without a font is the only thing to report.
    EXPECT_EQ("[KyTextLayout::setText] the text has no font: it is not drawn\n", log);
    EXPECT_TRUE(gui().isLoaded());
    EXPECT_STREQ("GUI/Test.lua", gui().loadedPath().c_str());

    // The common keys, vectors starting from the current values.
    KyLayout* root = gui().layout("root");
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(KyLayout::Pixel, root->sizeType());
    EXPECT_EQ(KyVector3f32(200, 1, 1), root->userSize());
    EXPECT_EQ(2.0f, root->ratio());
    EXPECT_EQ(KyLayout::LetterBox, root->ratioMode());
    EXPECT_EQ(1.5f, root->safeAreaRatio());
    EXPECT_EQ(KyVector3f32(0, 1, 0.5f), root->anchor());
    EXPECT_EQ(KyLayout::Pixel, root->positionType());
    EXPECT_EQ(KyVector3f32(0.25f, 0.5f, 0.5f), root->userPosition());
    EXPECT_FALSE(root->visible());
    EXPECT_EQ(nullptr, root->parent());
    // Children adopted in the order of the table.
    EXPECT_EQ((std::vector<std::string>{"background", "okButton", "soundBox", "menu", "caption", "movie"}),
              childNames(root));

    KySpriteLayout* background = gui().spriteLayout("background");
    ASSERT_NE(nullptr, background);
    EXPECT_EQ(static_cast<KyLayout*>(background), root->child(0));
    EXPECT_EQ(16u, background->imageWidth());
    EXPECT_EQ(KyLayout::Percent, background->sizeType());
    EXPECT_EQ(KyVector3f32(1, 1, 1), background->userSize());

    KyButtonLayout* ok = gui().buttonLayout("okButton");
    ASSERT_NE(nullptr, ok);
    EXPECT_EQ(static_cast<KyLayout*>(gui().spriteLayout("okUp")), ok->upLayout);
    EXPECT_EQ(static_cast<KyLayout*>(gui().spriteLayout("okDown")), ok->downLayout);
    EXPECT_EQ(static_cast<KyLayout*>(gui().spriteLayout("okDisabled")), ok->disabledLayout);
    EXPECT_EQ(gui().layout("okZone"), ok->hitZone);
    EXPECT_EQ(u32(KyButtonLayout::StateDisabled), ok->state);
    EXPECT_TRUE(ok->clickPassThrough);
    EXPECT_STREQ("Sounds/ok.wav", ok->validationSound.c_str());
    EXPECT_EQ(static_cast<KyI3DObject2*>(ok), ok->upLayout->parent());
    EXPECT_EQ(KyVector3f32(16, 8, 1), ok->upLayout->userSize());

    KyCheckboxLayout* box = gui().checkboxLayout("soundBox");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(static_cast<KyLayout*>(gui().spriteLayout("soundOn")), box->activeLayout);
    EXPECT_EQ(static_cast<KyLayout*>(gui().spriteLayout("soundOff")), box->unactiveLayout);
    EXPECT_EQ(static_cast<KyLayout*>(gui().spriteLayout("soundOnGrey")), box->activeDisabledLayout);
    EXPECT_EQ(static_cast<KyLayout*>(gui().spriteLayout("soundOffGrey")), box->unactiveDisabledLayout);
    EXPECT_EQ(gui().layout("soundZone"), box->hitZone);
    EXPECT_TRUE(box->clickPassThrough);
    EXPECT_STREQ("Sounds/on.wav", box->activationSound.c_str());
    EXPECT_STREQ("Sounds/off.wav", box->unactivationSound.c_str());

    KyListLayout* menu = gui().listLayout("menu");
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(KyVector3f32(1, 0, 0), menu->direction);
    EXPECT_EQ(KyVector3f32(0.1f, -1000000.0f, -1000000.0f), menu->minimumMargin);
    EXPECT_EQ(KyVector3f32(0.5f, 0.5f, 0.5f), menu->maximumMargin);
    EXPECT_EQ((std::vector<std::string>{"item1", "item2", "item3"}), childNames(menu));

    KyTextLayout* caption = gui().textLayout("caption");
    ASSERT_NE(nullptr, caption);
    EXPECT_STREQ("Hello", caption->textBase.text.c_str());
    EXPECT_EQ(4.0f, caption->textBase.interline);
    EXPECT_TRUE(caption->textBase.dirty);
    EXPECT_EQ(4.0f, gui().textLayout("lowerCase")->textBase.interline);
    // Key names are compared with their capitals.
    EXPECT_EQ(0.0f, gui().textLayout("otherCase")->textBase.interline);

    KyVideoLayout* movie = gui().videoLayout("movie");
    ASSERT_NE(nullptr, movie);
    EXPECT_EQ(nullptr, movie->texture());

    // Names may repeat across classes; the plain layout is found first.
    ASSERT_NE(nullptr, gui().buttonLayout("quitButton"));
    EXPECT_NE(static_cast<KyLayout*>(gui().buttonLayout("quitButton")), gui().layout("quitButton"));
    EXPECT_EQ(nullptr, gui().spriteLayout("quitButton"));
    ASSERT_NE(nullptr, gui().layout("42"));

    // Unnamed layouts are filed under the decimal text of their address.
    KyLayout* holder = gui().layout("holder");
    ASSERT_NE(nullptr, holder);
    ASSERT_EQ(2u, holder->childCount());
    for (u32 i = 0; i < 2; ++i) {
        KyLayout* unnamed = static_cast<KyLayout*>(holder->child(i));
        const KyString name = KyLuaBuilder::addressName(unnamed);
        EXPECT_EQ(name, unnamed->name());
        EXPECT_EQ(unnamed, gui().layout(name));
    }
    EXPECT_EQ(nullptr, gui().layout(""));

    // Animations: not layouts, each kind in its own map.
    EXPECT_EQ(nullptr, gui().layout("slide"));
    KyLuaGUI::VectorAnimation* slide = gui().layoutPositionLinearAnimation("slide");
    KyLuaGUI::VectorAnimation* anchor = gui().layoutAnchorLinearAnimation("slide");
    ASSERT_NE(nullptr, slide);
    ASSERT_NE(nullptr, anchor);
    EXPECT_NE(slide, anchor);
    EXPECT_EQ(500.0f, slide->duration);
    EXPECT_EQ(KyVector3f32(0, 0, 0), slide->startValue);
    EXPECT_EQ(KyVector3f32(0.5f, 0, 0), slide->endValue);
    EXPECT_EQ((std::vector<f64>{0.0, 0.5, 1.0}), std::vector<f64>(slide->curve.values.begin(), slide->curve.values.end()));
    EXPECT_EQ(nullptr, slide->target);
    EXPECT_FALSE(slide->isRunning());
    EXPECT_EQ(KyLuaGUI::VectorAnimation::Setter(&KyLayout::setPosition), slide->setter);
    EXPECT_EQ(KyLuaGUI::VectorAnimation::Setter(&KyLayout::setAnchor), anchor->setter);
    EXPECT_EQ(KyVector3f32(1, 1, 1), anchor->startValue);

    KyLuaGUI::ColorAnimation* fadeOut = gui().colorLinearAnimation("fadeOut");
    ASSERT_NE(nullptr, fadeOut);
    EXPECT_EQ(KyColor(255, 255, 255, 0), fadeOut->endValue);
    EXPECT_EQ(KyLuaGUI::ColorAnimation::Setter(&Ky3DObject2::setColor), fadeOut->setter);
    KyLuaGUI::ColorAnimation* keepAlpha = gui().colorLinearAnimation("keepAlpha");
    ASSERT_NE(nullptr, keepAlpha);
    EXPECT_EQ(KyColor(0, 0, 0, 255), keepAlpha->startValue);
    EXPECT_EQ(KyColor(0, 0, 0, 255), keepAlpha->endValue);
    EXPECT_EQ(0.0f, keepAlpha->duration);
    EXPECT_TRUE(keepAlpha->curve.isEmpty());

    KyLuaGUI::RotationAnimation* turn = gui().rotationLinearAnimation("turn");
    ASSERT_NE(nullptr, turn);
    EXPECT_EQ(KyQuaternion(0, 0, 0, 1), turn->startValue);
    EXPECT_NEAR(std::sqrt(0.5f), turn->endValue.z, 1e-6f);
    EXPECT_NEAR(std::sqrt(0.5f), turn->endValue.w, 1e-6f);
    EXPECT_EQ(KyLuaGUI::RotationAnimation::Setter(&Ky3DObject2::setRotation), turn->setter);
    // A positional entry of an animation is not a child of anything.
    ASSERT_NE(nullptr, gui().layout("notAChild"));
    EXPECT_EQ(nullptr, gui().layout("notAChild")->parent());

    // The file's plain globals.
    EXPECT_STREQ("Main menu", gui().value("title").toString().c_str());
    EXPECT_EQ(0.75, gui().value("volume").toF64());
    EXPECT_EQ(u32(KyVariant::TypeBool), gui().value("fullScreen").type());
    EXPECT_EQ(u32(KyVariant::TypeF64), gui().value("count").type());
    EXPECT_EQ(3.0, gui().value("count").toF64());
    for (const char* other : {"list", "root", "Unload", "missing"})
        EXPECT_EQ(u32(KyVariant::TypeNone), gui().value(other).type()) << other;

    // 33 objects: 28 layouts and 5 animations.
    EXPECT_EQ(33u, gui().objectCount());
}

TEST_F(LuaGUI, UnloadHidesStopsAndQueuesEverythingAndCallsUnloadOnce)
{
    ASSERT_TRUE(files.load("GUI/Test.lua", LuaGUIFiles::everyKey()));
    KyLayout* item = gui().layout("item1");
    KyLuaGUI::ColorAnimation* fadeOut = gui().colorLinearAnimation("fadeOut");
    fadeOut->playOn(item);
    ASSERT_TRUE(fadeOut->isRunning());
    const u32 queued = KyDeferredDeletion::pendingDeletes().count();

    gui().unload();
    EXPECT_EQ("x", files.read("unloaded.txt"));
    EXPECT_FALSE(gui().isLoaded());
    EXPECT_EQ(0u, gui().objectCount());
    EXPECT_EQ(nullptr, gui().layout("root"));
    EXPECT_EQ(u32(KyVariant::TypeNone), gui().value("title").type());
    // Alive until the end of the frame: hidden, stopped and queued.
    EXPECT_FALSE(item->visible());
    EXPECT_FALSE(fadeOut->isRunning());
    EXPECT_EQ(queued + 33u, KyDeferredDeletion::pendingDeletes().count());

    gui().unload();
    EXPECT_EQ("x", files.read("unloaded.txt"));
    KyDeferredDeletion::deletePending();
    EXPECT_EQ(0u, KyDeferredDeletion::pendingDeletes().count());
}

TEST_F(LuaGUI, AReloadKeepsOneSetOfObjectsAndNoOldGlobals)
{
    ASSERT_TRUE(files.load("GUI/Test.lua", LuaGUIFiles::everyKey()));
    KyLayout* first = gui().layout("root");
    ASSERT_TRUE(files.load("GUI/Other.lua", "only = 1 KyLayout{ name = 'root', KySpriteLayout{ image = 'GUI/red.png' } }"));
    EXPECT_EQ("x", files.read("unloaded.txt"));
    EXPECT_EQ(2u, gui().objectCount());
    ASSERT_NE(nullptr, gui().layout("root"));
    EXPECT_NE(first, gui().layout("root"));
    EXPECT_EQ(nullptr, gui().buttonLayout("okButton"));
    EXPECT_EQ(u32(KyVariant::TypeNone), gui().value("title").type());
    EXPECT_EQ(1.0, gui().value("only").toF64());
    KyDeferredDeletion::deletePending();
    // The second set lives on.
    EXPECT_EQ(1u, gui().layout("root")->childCount());
}

TEST_F(LuaGUI, ScreensDetachTheirRootAndTheDeletionFindsNothingDangling)
{
    // The root attached to the main window, as a screen does; the screen
    // takes it out before unloading, and the looks go before their button.
    ASSERT_TRUE(files.load("GUI/Test.lua", LuaGUIFiles::everyKey()));
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    window->addChild(gui().layout("root"));
    window->update();
    window->removeChild(gui().layout("root"));
    gui().unload();
    KyDeferredDeletion::deletePending();
    EXPECT_EQ(0u, window->childCount());
}

namespace {

class LuaGUIFile : public ::testing::Test {
protected:
    KyLuaGUI& gui() { return files.gui; }
    LuaGUIFiles files;
};

struct BuilderName {
    const char* global;
    const char* binding;
};

const BuilderName kBuilders[] = {
    {"KyLayout", "layoutBindings"},
    {"KyListLayout", "listLayoutBindings"},
    {"KySpriteLayout", "spriteLayoutBindings"},
    {"KyButtonLayout", "buttonLayoutBindings"},
    {"KyCheckboxLayout", "checkboxLayoutBindings"},
    {"KyLayoutPositionLinearAnimation", "layoutPositionLinearAnimationBindings"},
    {"KyLayoutAnchorLinearAnimation", "layoutAnchorLinearAnimationBindings"},
    {"KyTextLayout", "textLayoutBindings"},
    {"KyVideoLayout", "videoLayoutBindings"},
    {"KyColorLinearAnimation", "colorLinearAnimationBindings"},
    {"KyRotationLinearAnimation", "rotationLinearAnimationBindings"},
};

} // namespace

TEST_F(LuaGUIFile, EachBuilderRefusesANonTableAndADuplicateName)
{
    for (const BuilderName& b : kBuilders) {
        const std::string g = b.global;
        std::string log;
        ASSERT_TRUE(files.load("GUI/case.lua",
                               "a = " + g + "('text')\n"
                               "b = " + g + "({name = 'twin'}, 5)\n"
                               "first = " + g + "{name = 'twin'} ~= nil\n"
                               "second = " + g + "{name = 'twin'} == nil\n"
                               // Only the builder's own map is searched.
                               "other = " + (g == "KyLayout" ? "KyTextLayout" : "KyLayout") + "{name = 'twin'} ~= nil\n"
                               // With several arguments the last one counts.
                               "last = " + g + "({name = 'ignored'}, {name = 'last'}) ~= nil\n",
                               &log))
            << g;
        EXPECT_EQ(std::string(b.binding) + ":: the lua value is not a table\n" + b.binding +
                      ":: the lua value is not a table\n" + b.binding + ":: multiple objects with name twin\n",
                  log)
            << g;
        EXPECT_EQ(u32(KyVariant::TypeNone), gui().value("a").type()) << g;
        EXPECT_TRUE(gui().value("first").toBool()) << g;
        EXPECT_TRUE(gui().value("second").toBool()) << g;
        EXPECT_TRUE(gui().value("other").toBool()) << g;
        EXPECT_TRUE(gui().value("last").toBool()) << g;
        EXPECT_EQ(3u, gui().objectCount()) << g;
    }
}

TEST_F(LuaGUIFile, ValuesOfTheWrongTypeGiveTheConvertersMessagesAndFallbacks)
{
    std::string log;
    ASSERT_TRUE(files.load("GUI/case.lua",
                           "KyLayout{ name = 'shown', visible = 1 }\n"
                           "KyLayout{ name = 'sized', size = 'wide' }\n"
                           "KyColorLinearAnimation{ name = 'fade', endValue = 'red', curve = 'linear' }\n",
                           &log));
    // The table is walked in Lua's order, so the messages are compared as
    // a set.
    for (const char* message : {"KyLuaToBool:: not a bool", "KyLuaToKyVector3f32:: not a table",
                                "KyLuaToKyColor:: not a table", "KyLuaToF32KyArray:: the lua value is not a table\n"})
        EXPECT_NE(std::string::npos, log.find(message)) << message;
    EXPECT_FALSE(gui().layout("shown")->visible());
    EXPECT_EQ(KyVector3f32(1, 1, 1), gui().layout("sized")->userSize());
    EXPECT_EQ(KyColor(255, 255, 255, 255), gui().colorLinearAnimation("fade")->endValue);
    EXPECT_TRUE(gui().colorLinearAnimation("fade")->curve.isEmpty());
}

TEST_F(LuaGUIFile, OnlyLayoutsOfThisInterfaceAreAdoptedOrUsedAsLooks)
{
    std::string log;
    ASSERT_TRUE(files.load("GUI/kids.lua",
                           "local anim = KyColorLinearAnimation{ name = 'fade' }\n"
                           "local good = KyLayout{ name = 'good' }\n"
                           "KyLayout{ name = 'parent', 5, 'text', {}, anim, newproxy(), good }\n"
                           "KyButtonLayout{ name = 'button', upLayout = 'GUI/up.png', hitZone = anim }\n",
                           &log));
    EXPECT_EQ("layoutBindings:: GUI/kids.lua: the entry [1] is not a layout of this interface, skipped\n"
              "layoutBindings:: GUI/kids.lua: the entry [2] is not a layout of this interface, skipped\n"
              "layoutBindings:: GUI/kids.lua: the entry [3] is not a layout of this interface, skipped\n"
              "layoutBindings:: GUI/kids.lua: the entry [4] is not a layout of this interface, skipped\n"
              "layoutBindings:: GUI/kids.lua: the entry [5] is not a layout of this interface, skipped\n",
              log.substr(0, log.find("buttonLayoutBindings")));
    EXPECT_NE(std::string::npos,
              log.find("buttonLayoutBindings:: GUI/kids.lua: the value of \"upLayout\" is not a layout of this "
                       "interface, skipped\n"));
    EXPECT_NE(std::string::npos,
              log.find("buttonLayoutBindings:: GUI/kids.lua: the value of \"hitZone\" is not a layout of this "
                       "interface, skipped\n"));
    KyLayout* parent = gui().layout("parent");
    ASSERT_EQ(1u, parent->childCount());
    EXPECT_EQ(static_cast<KyI3DObject2*>(gui().layout("good")), parent->child(0));
    EXPECT_EQ(nullptr, gui().buttonLayout("button")->upLayout);
    EXPECT_EQ(nullptr, gui().buttonLayout("button")->hitZone);
}

TEST_F(LuaGUIFile, TheRegistryKeyNamesTheInterfaceAndCannotBeForged)
{
    std::string log;
    ASSERT_TRUE(files.load("GUI/forged.lua",
                           "local reg = debug.getregistry()\n"
                           "real = KyLayout{ name = 'real' } ~= nil\n"
                           "reg.__KyLuaGUIThis = KyLayout{ name = 'decoy' }\n"
                           "forged = KyLayout{ name = 'forged' } == nil\n"
                           "reg.__KyLuaGUIThis = nil\n"
                           "missing = KyLayout{ name = 'missing' } == nil\n",
                           &log));
    EXPECT_EQ("layoutBindings:: no interface is being built in this Lua state\n"
              "layoutBindings:: no interface is being built in this Lua state\n",
              log);
    EXPECT_TRUE(gui().value("real").toBool());
    EXPECT_TRUE(gui().value("forged").toBool());
    EXPECT_TRUE(gui().value("missing").toBool());
    EXPECT_EQ(2u, gui().objectCount());

    // Nothing stays on the stack of a loaded interface.
    EXPECT_EQ(nullptr, gui().luaTopUserdata());
    gui().unload();
    EXPECT_EQ(nullptr, gui().luaTopUserdata());
}

TEST_F(LuaGUIFile, BuildersWorkFromCoroutines)
{
    ASSERT_TRUE(files.load("GUI/co.lua", "local co = coroutine.wrap(function()\n"
                                         "  local child = KyLayout{ name = 'child' }\n"
                                         "  coroutine.yield()\n"
                                         "  KyLayout{ name = 'parent', child }\n"
                                         "end)\n"
                                         "co() co()\n"));
    ASSERT_NE(nullptr, gui().layout("parent"));
    EXPECT_EQ(1u, gui().layout("parent")->childCount());
}

TEST_F(LuaGUIFile, AFileThatStopsAtAnErrorKeepsWhatItBuiltBeforeIt)
{
    struct FailureCase {
        const char* text;
        const char* log;
        u32 objects;
        const char* kept;
    } const cases[] = {
        // A syntax error runs nothing.
        {"KyLayout{ name = 'a' }\nx = = 1", "Lua: [string \"GUI/broken.lua\"]:2: unexpected symbol near '='\n", 0,
         nullptr},
        {"before = 1\nKyLayout{ name = 'a', KyLayout{ name = 'b' } }\nKySpriteLayout{ name = 'c' }\nerror('stopped')",
         "Lua: [string \"GUI/broken.lua\"]:4: stopped\n", 3, "c"},
        {"before = 1\nKyLayout{ name = 'a' }\nKyUnknownLayout{ name = 'b' }",
         "Lua: [string \"GUI/broken.lua\"]:3: attempt to call global 'KyUnknownLayout' (a nil value)\n", 1, "a"},
        // An error inside a builder's table: the half-made layout is not
        // filed, the child built before it is.
        {"before = 1 KyLayout{ name = 'a', KyLayout{ name = 'b' },"
         " position = setmetatable({}, {__index = function() error('bad vector') end}) }",
         "Lua: [string \"GUI/broken.lua\"]:1: bad vector\n", 1, "b"},
        {"before = 1 KyColorLinearAnimation{ name = 'a', startValue = setmetatable({}, {__index = function() error('x') "
         "end}) }",
         "Lua: [string \"GUI/broken.lua\"]:1: x\n", 0, nullptr},
    };
    for (const auto& c : cases) {
        std::string log;
        EXPECT_FALSE(files.load("GUI/broken.lua", c.text, &log)) << c.text;
        EXPECT_EQ(c.log, log);
        EXPECT_TRUE(gui().isLoaded());
        EXPECT_EQ(c.objects, gui().objectCount()) << c.text;
        if (c.kept) {
            EXPECT_NE(nullptr, gui().layout(c.kept)) << c.text;
            EXPECT_EQ(1.0, gui().value("before").toF64()) << c.text;
        }
        EXPECT_EQ(u32(KyVariant::TypeNone), gui().value("x").type());
        LuaTest::logOf([&] { gui().unload(); });
        EXPECT_EQ(0u, gui().objectCount());
        KyDeferredDeletion::deletePending();
    }
}

TEST_F(LuaGUIFile, TheFileIsLookedForInTheLanguageFolderThenInEnglish)
{
    KyCore* core = KySingleton<KyCore>::instance();
    core->setLanguage("de");
    files.write("GUI/en/Credits.lua", "where = 'en'");
    ASSERT_TRUE(gui().load("GUI/Credits.lua"));
    EXPECT_STREQ("GUI/en/Credits.lua", gui().loadedPath().c_str());
    files.write("GUI/de/Credits.lua", "where = 'de'");
    ASSERT_TRUE(gui().load("GUI/Credits.lua"));
    EXPECT_STREQ("de", gui().value("where").toString().c_str());
    files.write("GUI/Credits.lua", "where = 'plain'");
    ASSERT_TRUE(gui().load("GUI/Credits.lua"));
    EXPECT_STREQ("plain", gui().value("where").toString().c_str());
    // A path without a folder looks beside the working folder.
    files.write("en/Menu.lua", "where = 'menu'");
    ASSERT_TRUE(gui().load("Menu.lua"));
    EXPECT_STREQ("en/Menu.lua", gui().loadedPath().c_str());

    // Nowhere: the English candidate is the one reported.
    bool loaded = true;
    const std::string log = LuaTest::logOf([&] { loaded = gui().load("GUI/Absent.lua"); });
    EXPECT_FALSE(loaded);
    EXPECT_EQ("[KyFile::Open_2] Le fichier GUI/en/Absent.lua n'existe pas.\n", log);
    EXPECT_FALSE(gui().isLoaded());
    EXPECT_EQ(u32(KyVariant::TypeNone), gui().value("where").type());
}

TEST_F(LuaGUIFile, UnloadRunsTheFilesFunctionOnceAndReleasesWhatItBuilds)
{
    std::string log;
    ASSERT_TRUE(files.load("GUI/late.lua",
                           "function Unload() KyLayout{ name = 'late' } error('late failure') end", &log));
    const u32 queued = KyDeferredDeletion::pendingDeletes().count();
    log = LuaTest::logOf([&] { gui().unload(); });
    EXPECT_EQ("Lua: [string \"GUI/late.lua\"]:1: late failure\n", log);
    EXPECT_EQ(0u, gui().objectCount());
    EXPECT_EQ(queued + 1, KyDeferredDeletion::pendingDeletes().count());
    EXPECT_EQ("", LuaTest::logOf([&] { gui().unload(); }));
    KyDeferredDeletion::deletePending();
}

TEST_F(LuaGUIFile, APrecompiledInterfaceIsPreferred)
{
    files.write("GUI/Menu.lua", "KyLayout{ name = 'fromSource' }");
    ASSERT_TRUE(LuaTest::compile("KyLayout{ name = 'fromBinary', KySpriteLayout{ name = 'kid' } }",
                                 files.sandbox.work().file("GUI/Menu.bin")));
    ASSERT_TRUE(gui().load("GUI/Menu.lua"));
    EXPECT_STREQ("GUI/Menu.bin", gui().loadedPath().c_str());
    EXPECT_EQ(nullptr, gui().layout("fromSource"));
    ASSERT_NE(nullptr, gui().layout("fromBinary"));
    EXPECT_EQ(1u, gui().layout("fromBinary")->childCount());
}
