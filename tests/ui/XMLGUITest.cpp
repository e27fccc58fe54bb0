#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "media/KyMusic.h"
#include "media/KySFX.h"
#include "ui/KyButton.h"
#include "ui/KyMovement2.h"
#include "ui/KyMovement3.h"
#include "ui/KySprite.h"
#include "ui/KySpriteButton.h"
#include "ui/KyText2.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KyXMLGUI.h"

#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every test runs in a throw-away working folder; interface files are
// written there by the test itself.
class XMLGUI : public ::testing::Test {
protected:
    void TearDown() override
    {
        gui.unload();
        KyDeferredDeletion::deletePending();
    }

    bool loadText(const std::string& xml, const std::string& path = "Menus/test.xml")
    {
        sandbox.work().writeFile(path, xml);
        return gui.Load(path.c_str());
    }

    // The keys of a registry, in insertion order.
    template <class V>
    static std::vector<std::string> keys(const KyMap<KyString, V>& map)
    {
        std::vector<std::string> out;
        for (typename KyMap<KyString, V>::iterator it = map.begin(); it != map.end(); ++it)
            out.push_back(it->key.c_str());
        return out;
    }

    std::string valueOf(const char* name)
    {
        KyString* text = gui.value(name);
        return text ? std::string(text->c_str()) : std::string("<none>");
    }

    UserDataSandbox sandbox;
    KyXMLGUI gui;
};

typedef std::vector<std::string> Names;

} // namespace

TEST_F(XMLGUI, NamesJoinTheNamesOfEnclosingElements)
{
    ASSERT_TRUE(loadText("<?xml version=\"1.0\"?>\n"
                         "<!-- names -->\n"
                         "<screen name=\"menu\">\n"
                         "  <value name=\"title\" value=\"Hello\"/>\n"
                         "  <sprite name=\"bg\"/>\n"
                         "  <holder>\n"
                         "    <sprite name=\"bg\"/>\n"
                         "    <value name=\"inner\" value=\"1\"/>\n"
                         "  </holder>\n"
                         "  <sprite><sprite name=\"child\"/></sprite>\n"
                         "  <button><value name=\"kept\" value=\"2\"/></button>\n"
                         "  <group name=\"opts\" NAME=\"more\"><value name=\"v\" Value=\"3\"/></group>\n"
                         "  <value NAME=\"upper\" value=\"4\"/>\n"
                         "  <value name=\"dup\" value=\"first\"/><value name=\"dup\" value=\"second\"/>\n"
                         "</screen>\n"
                         "<value name=\"top\"/>\n"));
    EXPECT_TRUE(gui.isLoaded());
    EXPECT_EQ("Menus/", std::string(gui.loadedFolder().c_str()));

    EXPECT_EQ("Hello", valueOf("menu.title"));
    // An unnamed element of another name still adds a dotted part.
    EXPECT_EQ("1", valueOf("menu..inner"));
    EXPECT_EQ(Names({"menu.bg", "menu..bg", "menu.", "menu..child"}), keys(gui.spriteMap()));
    // A button without a name keeps its parent's name and passes it on.
    EXPECT_EQ(Names({"menu"}), keys(gui.buttonMap()));
    EXPECT_EQ("2", valueOf("menu.kept"));
    // A group takes its last name attribute for the list, every one for the path.
    ASSERT_EQ(1u, gui.groupNames().count());
    EXPECT_EQ("more", std::string(gui.groupNames().begin()->c_str()));
    EXPECT_EQ("3", valueOf("menu.opts.more.v"));
    EXPECT_EQ("4", valueOf("menu.upper"));
    EXPECT_EQ("first", valueOf("menu.dup"));
    EXPECT_EQ("", valueOf("top"));
    EXPECT_EQ(gui.sprite("menu.bg"), gui.spriteMap().begin()->value);
    EXPECT_EQ(nullptr, gui.sprite("menu.BG"));
    EXPECT_EQ(nullptr, gui.value("Menu.title"));
}

TEST_F(XMLGUI, ElementNamesInAnyCaseButOnlyLowerCaseNamesASprite)
{
    ASSERT_TRUE(loadText("<Group name=\"g\"><SPRITE NAME=\"big\"/><Value Name=\"v\" VALUE=\"x\"/></Group>"));
    // The sprite is built, but its registry name ignores NAME.
    EXPECT_EQ(Names({"g."}), keys(gui.spriteMap()));
    EXPECT_EQ("x", valueOf("g.v"));
}

TEST_F(XMLGUI, PlatformFilterSkipsOnlyTheContentOfOtherPlatforms)
{
    ASSERT_TRUE(loadText("<ui>\n"
                         "  <platform type=\"PC\"><value name=\"pc\" value=\"1\"/></platform>\n"
                         "  <value name=\"afterPc\" value=\"1\"/>\n"
                         "  <platform type=\"iphone\"><value name=\"small\" value=\"1\"/></platform>\n"
                         "  <holder><value name=\"nested\" value=\"1\"/></holder>\n"
                         "  <platform type=\"iPhone\"><value name=\"phone\" value=\"1\"/></platform>\n"
                         "  <platform TYPE=\"\"><value name=\"empty\" value=\"1\"/></platform>\n"
                         "  <platform><value name=\"none\" value=\"1\"/></platform>\n"
                         "  <platform name=\"p\" type=\"iPhone\" Type=\"PC\"><value name=\"firstType\" value=\"1\"/></platform>\n"
                         "</ui>"));
    // A top-level element without a name passes the empty name on.
    EXPECT_EQ(Names({"afterPc", "nested", "phone", "empty", "none", "p.firstType"}), keys(gui.valueMap()));
    // Nothing after a skipped platform element is built twice.
    EXPECT_EQ(6u, gui.valueMap().count());
}

TEST_F(XMLGUI, PropertiesChangeTheObjectBuiltLast)
{
    ASSERT_TRUE(loadText("<ui>\n"
                         "  <position x=\"9\" y=\"9\"/>\n"
                         "  <sprite name=\"a\">\n"
                         "    <position X=\"10\" y=\"20.5\" z=\"3\"/>\n"
                         "    <size x=\"64\" y=\"32\"/>\n"
                         "    <scale x=\"2\"/>\n"
                         "    <rotate VALUE=\"45\"/>\n"
                         "    <opacity value=\"0.5\"/>\n"
                         "  </sprite>\n"
                         "  <sprite name=\"b\">\n"
                         "    <opacity name=\"o\" value=\"0.5\"/>\n"
                         "    <rotate/>\n"
                         "    <sprite name=\"c\"/>\n"
                         "    <position x=\"7\"/>\n"
                         "  </sprite>\n"
                         "  <button name=\"ok\"><position x=\"1\" y=\"2\"/><size x=\"30\" y=\"40\"/></button>\n"
                         "  <music name=\"m\"/>\n"
                         "  <position x=\"99\"/>\n"
                         "</ui>"));
    KySprite* a = gui.sprite("a");
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(KyVector3f32(10.0f, 20.5f, 3.0f), a->position());
    EXPECT_EQ(KyVector3f32(64.0f, 32.0f, 0.0f), a->size());
    // Absent components are 0, not 1.
    EXPECT_EQ(KyVector3f32(2.0f, 0.0f, 0.0f), a->scale());
    EXPECT_FLOAT_EQ(45.0f, a->rotation());
    EXPECT_FLOAT_EQ(0.5f, a->opacity());

    KySprite* b = gui.sprite("b");
    ASSERT_NE(nullptr, b);
    // The first attribute is not "value": 0.
    EXPECT_FLOAT_EQ(0.0f, b->opacity());
    EXPECT_FLOAT_EQ(0.0f, b->rotation());
    // A nested object becomes the target of what follows it.
    EXPECT_EQ(KyVector3f32(7.0f, 0.0f, 0.0f), gui.sprite("b.c")->position());

    KyButton* ok = gui.button("ok");
    ASSERT_NE(nullptr, ok);
    Ky3DObject* okObject = ok;
    EXPECT_EQ(KyVector3f32(1.0f, 2.0f, 0.0f), okObject->position());
    EXPECT_EQ(KyVector3f32(30.0f, 40.0f, 0.0f), okObject->size());
}

TEST_F(XMLGUI, ButtonsReactOnlyWhenMadeVisible)
{
    ASSERT_TRUE(loadText("<ui><button name=\"hidden\"/><button name=\"shown\" visible=\"1\"/>"
                         "<button name=\"yes\" visible=\"true\" enable=\"0\"/></ui>"));
    EXPECT_FALSE(gui.button("hidden")->isEnabled());
    EXPECT_TRUE(gui.button("shown")->isEnabled());
    // "true" is not a number: false.
    EXPECT_FALSE(gui.button("yes")->isEnabled());
}

TEST_F(XMLGUI, SoundsValuesImagesAndMovements)
{
    ASSERT_TRUE(loadText("<ui name=\"s\">\n"
                         "  <music name=\"once\" file=\"Sounds/theme.ogg\" repeat=\"0\"/>\n"
                         "  <music name=\"loop\" FILE=\"Sounds/loop.ogg\"/>\n"
                         "  <sfx name=\"click\" file=\"Sounds/click.wav\" repeat=\"3\"/>\n"
                         "  <img name=\"missing\" file=\"Images/none.png\"/>\n"
                         "  <movement2 name=\"slide\"><Duration>1000</Duration>\n"
                         "    <PositionX><StartValue>5</StartValue><EndValue>100</EndValue>"
                         "<Interpolation>0,1</Interpolation></PositionX></movement2>\n"
                         "  <movement3 name=\"nudge\"><Duration>250</Duration>\n"
                         "    <Opacity><EndValue>-1</EndValue><Interpolation>0,1</Interpolation></Opacity></movement3>\n"
                         "</ui>"));
    ASSERT_EQ(Names({"s.once", "s.loop"}), keys(gui.musicMap()));
    KyMusic* once = gui.musicMap().begin()->value;
    EXPECT_FALSE(once->repeat());
    EXPECT_STREQ("Sounds/theme.ogg", once->requestedPath().c_str());
    KyMusic* loop = gui.musicMap().entries().tailNode()->prev->value.value;
    EXPECT_TRUE(loop->repeat());
    EXPECT_STREQ("Sounds/loop.ogg", loop->requestedPath().c_str());

    ASSERT_EQ(Names({"s.click"}), keys(gui.sfxMap()));
    EXPECT_STREQ("Sounds/click.wav", gui.sfxMap().begin()->value->name().c_str());
    // An image file that gives no image registers nothing.
    EXPECT_TRUE(gui.imageMap().isEmpty());

    ASSERT_EQ(Names({"s.slide"}), keys(gui.movement2Map()));
    KyMovement2* slide = gui.movement2Map().begin()->value;
    EXPECT_DOUBLE_EQ(1000.0, slide->duration);
    EXPECT_DOUBLE_EQ(5.0, slide->channels[KyMovementShared::PositionX].startValue);
    EXPECT_DOUBLE_EQ(100.0, slide->channels[KyMovementShared::PositionX].endValue);
    ASSERT_EQ(Names({"s.nudge"}), keys(gui.movement3Map()));
    EXPECT_DOUBLE_EQ(250.0, gui.movement3Map().begin()->value->duration);
    EXPECT_EQ(u32(KyXMLGUI::KindMovement3), gui.lastKindHandled());
}

TEST_F(XMLGUI, FindsTheFileInTheLanguageFolders)
{
    KyCore* core = KySingleton<KyCore>::instance();
    core->setLanguage("fr");
    sandbox.work().writeFile("Menus/fr/a.xml", "<value name=\"lang\" value=\"fr\"/>");
    sandbox.work().writeFile("Menus/en/b.xml", "<value name=\"lang\" value=\"en\"/>");

    ASSERT_TRUE(gui.Load("Menus/a.xml"));
    EXPECT_EQ("fr", valueOf("lang"));
    EXPECT_STREQ("Menus/fr/", gui.loadedFolder().c_str());

    ASSERT_TRUE(gui.Load("Menus/b.xml"));
    EXPECT_EQ("en", valueOf("lang"));
    EXPECT_STREQ("Menus/en/", gui.loadedFolder().c_str());

    // The file beside the request comes first.
    sandbox.work().writeFile("Menus/a.xml", "<value name=\"lang\" value=\"base\"/>");
    ASSERT_TRUE(gui.Load("Menus/a.xml"));
    EXPECT_EQ("base", valueOf("lang"));
    EXPECT_STREQ("Menus/", gui.loadedFolder().c_str());
}

TEST_F(XMLGUI, RecursiveSearchTriesNoLanguageFolderItself)
{
    KyCore* core = KySingleton<KyCore>::instance();
    core->recursiveSearch = 1;
    sandbox.work().writeFile("Menus/en/a.xml", "<value name=\"lang\" value=\"en\"/>");
    // The path stays as asked; the file search of the path resolution finds it.
    ASSERT_TRUE(gui.Load("Menus/a.xml"));
    EXPECT_EQ("en", valueOf("lang"));
    EXPECT_STREQ("Menus/", gui.loadedFolder().c_str());
}

TEST_F(XMLGUI, FailedLoadIsLoggedAndLeavesTheInterfaceEmptyAndNotLoaded)
{
    ASSERT_TRUE(loadText("<value name=\"v\" value=\"1\"/><sprite name=\"s\"/>"));
    ASSERT_TRUE(gui.isLoaded());
    std::string log;
    bool result = true;
    {
        StdoutCapture capture;
        result = gui.Load("Menus/missing.xml");
        log = capture.text();
    }
    EXPECT_FALSE(result);
    EXPECT_EQ("[KyXMLGUI::Load] file :Menus/en/missing.xml error : Failed to open file ligne : 0 "
              "colonne : 0\n",
              log);
    EXPECT_FALSE(gui.isLoaded());
    EXPECT_EQ(nullptr, gui.value("v"));
    EXPECT_EQ(nullptr, gui.sprite("s"));

    // A parse error gives TinyXML's own row and column, both counted from 1.
    sandbox.work().writeFile("Menus/bad.xml", "<ui>\n  <value name=\"v\">\n</ui>\n");
    {
        StdoutCapture capture;
        result = gui.Load("Menus/bad.xml");
        log = capture.text();
    }
    EXPECT_FALSE(result);
    // The mismatched end tag starts the third line.
    EXPECT_EQ("[KyXMLGUI::Load] file :Menus/bad.xml error : Error reading end tag. ligne : 3 colonne : 1\n",
              log);
    EXPECT_FALSE(gui.isLoaded());

    // The same text given in place of a file fails alike, under the path given.
    ASSERT_TRUE(loadText("<value name=\"v\" value=\"1\"/>"));
    {
        StdoutCapture capture;
        result = gui.loadText(sandbox.work().readFile("Menus/bad.xml"), "Menus/given.xml");
        log = capture.text();
    }
    EXPECT_FALSE(result);
    EXPECT_EQ("[KyXMLGUI::Load] file :Menus/given.xml error : Error reading end tag. ligne : 3 colonne : 1\n",
              log);
    EXPECT_FALSE(gui.isLoaded());
    EXPECT_EQ(nullptr, gui.value("v"));
}

TEST_F(XMLGUI, VideoPlayerButtonNeedsAVideoPlayerBeforeIt)
{
    std::string log;
    {
        StdoutCapture capture;
        EXPECT_TRUE(loadText("<ui name=\"v\"><videoplayerbutton file=\"Images/exit.png\" x=\"1\" y=\"2\"/></ui>"));
        log = capture.text();
    }
    EXPECT_TRUE(gui.spriteButtonMap().isEmpty());
    EXPECT_EQ("[KyXMLGUI::Load] videoplayerbutton without a kyvideoplayer before it: ignored\n", log);
}

TEST_F(XMLGUI, UnloadHidesAndQueuesEverythingForTheNextDeletionPass)
{
    ASSERT_TRUE(loadText("<ui name=\"u\">\n"
                         "  <sprite name=\"s\"><position x=\"1\"/></sprite>\n"
                         "  <button name=\"b\" visible=\"1\"/>\n"
                         "  <music name=\"m\"/><sfx name=\"e\"/><value name=\"v\" value=\"x\"/>\n"
                         "  <movement2 name=\"m2\"/><movement3 name=\"m3\"/>\n"
                         "  <group name=\"g\"/>\n"
                         "</ui>"));
    KySprite* sprite = gui.sprite("u.s");
    KyButton* button = gui.button("u.b");
    ASSERT_NE(nullptr, sprite);
    ASSERT_NE(nullptr, button);
    u32 queuedBefore = KyDeferredDeletion::pendingDeletes().count();

    gui.unload();
    // Still alive until the deletion pass: hidden and disabled.
    EXPECT_FALSE(sprite->isVisible());
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(queuedBefore + 6, KyDeferredDeletion::pendingDeletes().count());
    EXPECT_EQ(nullptr, gui.sprite("u.s"));
    EXPECT_EQ(nullptr, gui.value("u.v"));
    EXPECT_EQ(0u, gui.groupNames().count());
    // The loaded flag stays until the next Load or reset.
    EXPECT_TRUE(gui.isLoaded());

    gui.unload();
    EXPECT_EQ(queuedBefore + 6, KyDeferredDeletion::pendingDeletes().count());
    KyDeferredDeletion::deletePending();
    EXPECT_EQ(0u, KyDeferredDeletion::pendingDeletes().count());
    gui.reset();
    EXPECT_FALSE(gui.isLoaded());
}

TEST_F(XMLGUI, WidgetsOutliveTheirInterfaceUntilTheDeletionPass)
{
    sandbox.work().writeFile("Menus/w.xml", "<ui><sprite name=\"s\"/><button name=\"b\"/><movement2 name=\"m\"/></ui>");
    KySprite* sprite = nullptr;
    KyButton* button = nullptr;
    {
        KyXMLGUI local;
        ASSERT_TRUE(local.Load("Menus/w.xml"));
        sprite = local.sprite("s");
        button = local.button("b");
        ASSERT_NE(nullptr, sprite);
        EXPECT_EQ(static_cast<KyI3DObject*>(&local), sprite->parent());
        EXPECT_EQ(static_cast<KyI3DObject*>(&local), static_cast<Ky3DObject*>(button)->parent());
    }
    // The interface is gone; what it built is detached from it, and a move
    // in the rest of the frame does not reach the destroyed interface.
    EXPECT_EQ(nullptr, sprite->parent());
    sprite->setPosition(KyVector3f32(5.0f, 6.0f, 1.0f));
    KyVector3f32 origin = sprite->worldTransformationMatrix().transformPoint(KyVector3f32());
    EXPECT_NEAR(5.0f, origin.x, 1e-4f);
    EXPECT_NEAR(1.0f, origin.z, 1e-4f);
    static_cast<Ky3DObject*>(button)->setPosition(KyVector3f32(1.0f, 1.0f, 0.0f));
    KyDeferredDeletion::deletePending();
}

TEST_F(XMLGUI, TextsTakeTheirBoxFromRectAndHideOnUnload)
{
    ASSERT_TRUE(loadText("<ui name=\"t\">\n"
                         "  <text2 name=\"caption\" visible=\"1\" interline=\"2.5\">Hello<br/>there</text2>\n"
                         "  <RECT X=\"120\" y=\"40\" z=\"9\"/>\n"
                         "  <position x=\"3\" y=\"4\" z=\"1\"/>\n"
                         "  <size x=\"50\"/><scale x=\"3\"/><rotate value=\"30\"/><opacity value=\"0.25\"/>\n"
                         "  <text2 name=\"plain\"/>\n"
                         "</ui>"));
    ASSERT_EQ(Names({"t.caption", "t.plain"}), keys(gui.textMap()));
    KyText2* caption = gui.textMap().begin()->value;
    EXPECT_TRUE(caption->visible());
    EXPECT_FLOAT_EQ(2.5f, caption->interline());
    EXPECT_EQ(120, caption->boxWidth());
    EXPECT_EQ(40, caption->boxHeight());
    EXPECT_EQ(KyVector3f32(3.0f, 4.0f, 1.0f), caption->position());
    // Size, scale, rotation and opacity are not properties of a text.
    EXPECT_EQ(KyVector3f32(0.0f, 0.0f, 0.0f), caption->size());
    EXPECT_EQ(KyVector3f32(1.0f, 1.0f, 1.0f), caption->scale());
    EXPECT_FLOAT_EQ(0.0f, caption->rotation());
    EXPECT_FLOAT_EQ(1.0f, caption->opacity());
    EXPECT_EQ(static_cast<KyI3DObject*>(&gui), caption->parent());
    EXPECT_EQ(u32(KyXMLGUI::KindText), gui.lastKindHandled());

    gui.unload();
    EXPECT_FALSE(caption->visible());
    KyDeferredDeletion::deletePending();
}
