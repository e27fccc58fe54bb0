// The inventory and the in-game menu around it, on a small interface of
// the test's own (one power slot, two pages of two ordinary slots, and
// numbers past gaps that must not count), in a game session on the fake
// clock: where objects go, paging, the object in hand, the double click,
// the save section in both forms, and what the menu opens and closes.
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "core/KyXmlDocument.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/screens/InventoryMenu.h"
#include "game/screens/InventoryObject.h"
#include "os/KyOsClock.h"
#include "platform/KyOpenGLContext.h"
#include "tests/game/DataOverlay.h"
#include "tests/game/GameSession.h"
#include "tests/support/InterfaceFileWriter.h"
#include "ui/KyButtonLayout.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kInterface = R"(
local function slot(name) return KyLayout{ name = name, sizeType = Percent, size = {0.1, 0.1} } end
KyButtonLayout{
    name = "inventory", sizeType = Percent, size = {1, 1},
    KyLayout{ name = "powersPage0", sizeType = Percent, size = {1, 1}, slot("powersPage0Slot0") },
    KyLayout{ name = "page0", sizeType = Percent, size = {1, 1},
              slot("page0Slot0"), slot("page0Slot1"), slot("page0Slot3") },
    KyLayout{ name = "page1", sizeType = Percent, size = {1, 1}, slot("page1Slot0"), slot("page1Slot1") },
    KyLayout{ name = "page3", sizeType = Percent, size = {1, 1}, slot("page3Slot0") },
    KyButtonLayout{ name = "previousPage" },
    KyButtonLayout{ name = "nextPage" },
    KyButtonLayout{ name = "diode0" },
    KyButtonLayout{ name = "diode1" },
    KySpriteLayout{ name = "currentObjectSprite" },
    KyTextLayout{ name = "text", sizeType = Percent, size = {0.5, 0.1} },
}
KySpriteLayout{ name = "selectionSprite", sizeType = Percent, size = {1, 1} }
)";

const char* const kObjects = R"(<?xml version="1.0" ?>
<Object id="Key" name="Brass key" description="Opens the gate." />
<Object id="Lens" name="Lens" description="Clear glass." power="0" />
<Object id="Star" name="Star" description="Gold." power="-3" />
<Object id="Amulet" name="Amulet" description="Old." power="2" />
<Object id="Coin" name="Coin" description="A coin." />
<Object id="Ghost" name="&lt;color r=&quot;255&quot; g=&quot;0&quot; b=&quot;0&quot;/&gt;Ghost" description="Nothing to see." />
<Note><Object id="Hidden" name="Nested" power="1" /></Note>
<Object id="Dup" power="1" />
<Object id="Dup" name="Second" description="Second description" power="0" />
<Object id="Dup" name="Third" description="Third" />
)";

// Objects with a picture (Ghost has none).
const char* const kPictured[] = {"Key", "Lens", "Star", "Amulet", "Coin", "Dup"};

void writeInventoryData(DataOverlay& data)
{
    data.write("Inventory/Inventory.lua", kInterface);
    data.write("Inventory/Objects/Objects_en.xml", kObjects);
    for (const char* name : kPictured) {
        data.write(std::string("Inventory/Objects/") + name + ".png", InterfaceFiles::flatPng(8, 8, 0x806040));
        data.write(std::string("Inventory/Objects/") + name + "_75.png", InterfaceFiles::flatPng(4, 4, 0x604020));
    }
}

// A game session on the test data with an in-game menu of its own, loaded
// and hung under the orientation layout as the game hangs its own.
struct MenuFixture {
    explicit MenuFixture(const std::function<void(DataOverlay&)>& prepare = writeInventoryData)
    {
        prepare(data);
        GameSession::Setup setup;
        setup.dataFolder = data.path();
        game.reset(new GameSession(setup));
        if (!game->ok())
            return;
        KyOpenGLContext::makeCurrent();
        Application* app = game->app();
        app->orientationLayout.addChildBefore(&menu, &app->rotationAnim);
        menu.load();
    }
    ~MenuFixture()
    {
        if (game && game->ok()) {
            menu.unload();
            game->app()->orientationLayout.removeChild(&menu);
        }
    }

    Inventory& inventory() { return menu.inventory; }
    // One frame (objects unloaded are deleted), then the context is the
    // test's again.
    void frame()
    {
        game->frames(1);
        KyOpenGLContext::makeCurrent();
    }

    DataOverlay data;
    std::unique_ptr<GameSession> game;
    InventoryMenu menu;
};

std::string layoutName(KyI3DObject2* object)
{
    KyLayout* layout = dynamic_cast<KyLayout*>(object);
    return layout ? std::string(layout->name().c_str()) : std::string("?");
}

// "slot=object slot=object ...", every object in walking order.
std::string contents(Inventory& inventory)
{
    std::string text;
    for (InventoryObject* object : inventory.objects())
        text += (text.empty() ? "" : " ") + layoutName(object->parent()) + "=" + object->name.c_str();
    return text;
}

InventoryObject* carried(Inventory& inventory, const char* name)
{
    for (InventoryObject* object : inventory.objects()) {
        if (object->name == name)
            return object;
    }
    return nullptr;
}

// Chooses an object as the player does: its button is clicked.
void choose(InventoryObject* object)
{
    ASSERT_NE(object, nullptr);
    KyButtonLayout* button = object->gui.buttonLayout("object");
    ASSERT_NE(button, nullptr);
    button->onValidated.call();
}

} // namespace

TEST(Inventory, ObjectsFillTheFirstFreeSlotOfTheirKind)
{
    MenuFixture fixture;
    ASSERT_TRUE(fixture.game->ok());
    Inventory& inventory = fixture.inventory();

    enum Op { Add, Remove, RemoveInHand };
    struct Step {
        Op op;
        const char* name;
        const char* after;
    };
    const Step steps[] = {
        {Add, "Key", "page0Slot0=Key"},
        {Add, "Lens", "page0Slot0=Key page0Slot1=Lens"},
        // A power object takes a power slot while ordinary ones are free.
        {Add, "Amulet", "powersPage0Slot0=Amulet page0Slot0=Key page0Slot1=Lens"},
        // A negative power is ordinary; slot 3 of page 0 lies past a gap.
        {Add, "Star", "powersPage0Slot0=Amulet page0Slot0=Key page0Slot1=Lens page1Slot0=Star"},
        {Remove, "Lens", "powersPage0Slot0=Amulet page0Slot0=Key page1Slot0=Star"},
        // The hole is filled before any later free slot.
        {Add, "Coin", "powersPage0Slot0=Amulet page0Slot0=Key page0Slot1=Coin page1Slot0=Star"},
        // No picture: added all the same.
        {Add, "Ghost", "powersPage0Slot0=Amulet page0Slot0=Key page0Slot1=Coin page1Slot0=Star page1Slot1=Ghost"},
        // Full: page 3 lies past the missing page 2, so nothing changes.
        {Add, "Lens", "powersPage0Slot0=Amulet page0Slot0=Key page0Slot1=Coin page1Slot0=Star page1Slot1=Ghost"},
        // The first "Dup" element is a power: the one power slot is taken.
        {Add, "Dup", "powersPage0Slot0=Amulet page0Slot0=Key page0Slot1=Coin page1Slot0=Star page1Slot1=Ghost"},
        {Remove, "Nobody", "powersPage0Slot0=Amulet page0Slot0=Key page0Slot1=Coin page1Slot0=Star page1Slot1=Ghost"},
        {Remove, "Coin", "powersPage0Slot0=Amulet page0Slot0=Key page1Slot0=Star page1Slot1=Ghost"},
        {Add, "Key", "powersPage0Slot0=Amulet page0Slot0=Key page0Slot1=Key page1Slot0=Star page1Slot1=Ghost"},
        // Of two objects of one name the first found goes.
        {Remove, "Key", "powersPage0Slot0=Amulet page0Slot1=Key page1Slot0=Star page1Slot1=Ghost"},
        {RemoveInHand, "", "powersPage0Slot0=Amulet page0Slot1=Key page1Slot0=Star page1Slot1=Ghost"},
        {RemoveInHand, "Star", "powersPage0Slot0=Amulet page0Slot1=Key page1Slot1=Ghost"},
        {Add, "Lens", "powersPage0Slot0=Amulet page0Slot0=Lens page0Slot1=Key page1Slot1=Ghost"},
    };
    for (const Step& step : steps) {
        switch (step.op) {
        case Add:
            inventory.addObjectByName(step.name);
            break;
        case Remove:
            inventory.removeObject(step.name);
            break;
        case RemoveInHand:
            inventory.selectObject(*step.name ? carried(inventory, step.name) : nullptr);
            inventory.removeObjectInHand();
            EXPECT_EQ(inventory.selectedObject, nullptr);
            EXPECT_EQ(inventory.selectedObjectName(), KyString(""));
            break;
        }
        EXPECT_EQ(contents(inventory), step.after) << step.op << " " << step.name;
    }
    // A slot holds only its object: the selection marker left it too.
    KySpriteLayout* selection = inventory.gui.spriteLayout("selectionSprite");
    ASSERT_NE(selection, nullptr);
    EXPECT_EQ(selection->parent(), nullptr);
}

TEST(Inventory, ObjectsListLookupsAndItsFileByLanguage)
{
    MenuFixture fixture;
    ASSERT_TRUE(fixture.game->ok());
    Inventory& inventory = fixture.inventory();
    struct Lookup {
        const char* id;
        const char* name;
        const char* description;
        bool power;
    };
    const Lookup lookups[] = {
        {"Key", "Brass key", "Opens the gate.", false},
        {"key", "", "", false},
        {"Amulet", "Amulet", "Old.", true},
        {"Star", "Star", "Gold.", false},
        {"Ghost", "<color r=\"255\" g=\"0\" b=\"0\"/>Ghost", "Nothing to see.", false},
        // Nested elements are not read.
        {"Hidden", "", "", false},
        // The first element with the attribute gives it; the first of the
        // id decides the kind.
        {"Dup", "Second", "Second description", true},
        {"Nobody", "", "", false},
    };
    for (const Lookup& lookup : lookups) {
        EXPECT_EQ(inventory.getObjectName(lookup.id), KyString(lookup.name)) << lookup.id;
        EXPECT_EQ(inventory.getObjectDescription(lookup.id), KyString(lookup.description)) << lookup.id;
        EXPECT_EQ(inventory.isPowerObject(lookup.id), lookup.power) << lookup.id;
    }

    // The file of the current language, then the one without a language,
    // then the English one (even when missing).
    struct Choice {
        const char* language;
        std::vector<const char*> files;
        const char* chosen;
    };
    const Choice choices[] = {
        {"fr", {"Objects_fr.xml", "Objects.xml", "Objects_en.xml"}, "Inventory/Objects/Objects_fr.xml"},
        {"fr", {"Objects.xml", "Objects_en.xml"}, "Inventory/Objects/Objects.xml"},
        {"fr", {"Objects_en.xml"}, "Inventory/Objects/Objects_en.xml"},
        {"de", {}, "Inventory/Objects/Objects_en.xml"},
        {"en", {"Objects.xml", "Objects_en.xml"}, "Inventory/Objects/Objects_en.xml"},
    };
    KyCore* core = KySingleton<KyCore>::instance();
    const KyString language = core->language();
    for (const Choice& choice : choices) {
        for (const char* file : {"Objects_fr.xml", "Objects.xml", "Objects_en.xml"})
            fixture.data.remove(std::string("Inventory/Objects/") + file);
        for (const char* file : choice.files)
            fixture.data.write(std::string("Inventory/Objects/") + file,
                               std::string("<Object id=\"X\" name=\"") + file + "\" />");
        core->setLanguage(choice.language);
        EXPECT_EQ(Inventory::objectsListPath(), KyString(choice.chosen)) << choice.language;
    }
    core->setLanguage(language);
    // The last choice is the one the inventory reads at its next load.
    fixture.menu.unload();
    fixture.menu.load();
    EXPECT_EQ(inventory.getObjectName("X"), KyString("Objects_en.xml"));
}

TEST(Inventory, AnUnreadableObjectsListIsLoggedAndTheInventoryStillStartsHidden)
{
    MenuFixture fixture([](DataOverlay& data) {
        writeInventoryData(data);
        // The interface shows the marker; the inventory must hide it.
        std::string shown = kInterface;
        shown.replace(shown.rfind("size = {1, 1} }"), 15, "size = {1, 1}, visible = true }");
        data.write("Inventory/Inventory.lua", shown);
        data.write("Inventory/Objects/Objects_en.xml", "<Object id=\"Key\" name=\"Brass key\">\n  <Broken");
    });
    ASSERT_TRUE(fixture.game->ok());
    Inventory& inventory = fixture.inventory();
    const std::string log = fixture.game->log();
    EXPECT_NE(log.find("[Inventory::Load] file :Inventory/Objects/Objects_en.xml error : "), std::string::npos) << log;
    EXPECT_NE(log.find(" ligne : 2 colonne : "), std::string::npos);
    EXPECT_FALSE(inventory.visible());
    ASSERT_NE(inventory.gui.spriteLayout("selectionSprite"), nullptr);
    EXPECT_FALSE(inventory.gui.spriteLayout("selectionSprite")->visible());
    // Nothing of the broken file is used: every object is ordinary and
    // unnamed, and the inventory works on.
    EXPECT_EQ(inventory.getObjectName("Key"), KyString(""));
    inventory.addObjectByName("Amulet");
    EXPECT_EQ(contents(inventory), "page0Slot0=Amulet");
}

TEST(Inventory, PagingStopsAtBothEndsAndLightsOneIndicatorWithoutStateSignals)
{
    MenuFixture fixture;
    ASSERT_TRUE(fixture.game->ok());
    Inventory& inventory = fixture.inventory();
    KyLuaGUI& gui = inventory.gui;
    fixture.menu.enter();

    SignalCounter signals;
    for (const char* diode : {"diode0", "diode1"}) {
        KyButtonLayout* button = gui.buttonLayout(diode);
        ASSERT_NE(button, nullptr);
        appendListener(button->onStateUp, &signals, &SignalCounter::onSignal);
        appendListener(button->onStateDown, &signals, &SignalCounter::onSignal);
    }
    struct Step {
        const char* button;
        s32 page;
    };
    const Step steps[] = {{"previousPage", 0}, {"nextPage", 1}, {"nextPage", 1}, {"previousPage", 0},
                          {"previousPage", 0}, {"nextPage", 1}};
    for (const Step& step : steps) {
        gui.buttonLayout(step.button)->onValidated.call();
        EXPECT_EQ(inventory.currentPage, step.page) << step.button;
        for (s32 page = 0; page < 2; ++page) {
            const std::string pageName = "page" + std::to_string(page);
            EXPECT_EQ(gui.layout(pageName.c_str())->visible(), page == step.page) << pageName;
            const std::string diode = "diode" + std::to_string(page);
            EXPECT_EQ(gui.buttonLayout(diode.c_str())->state,
                      page == step.page ? u32(KyButtonLayout::StateDisabled) : u32(KyButtonLayout::StateUp));
        }
        // Page 3 is no page of the inventory: it is never touched.
        EXPECT_TRUE(gui.layout("page3")->visible());
    }
    EXPECT_EQ(signals.count, 0);
    inventory.showPage(-1);
    inventory.showPage(2);
    EXPECT_EQ(inventory.currentPage, 1);
}

TEST(Inventory, TheObjectInHandFollowsItsPageAndItsCaption)
{
    MenuFixture fixture;
    ASSERT_TRUE(fixture.game->ok());
    Inventory& inventory = fixture.inventory();
    for (const char* name : {"Key", "Lens", "Star", "Ghost"})
        inventory.addObjectByName(name);
    fixture.menu.enter();
    KySpriteLayout* selection = inventory.gui.spriteLayout("selectionSprite");
    KySpriteLayout* icon = inventory.gui.spriteLayout("currentObjectSprite");
    KyTextLayout* caption = inventory.gui.textLayout("text");
    ASSERT_TRUE(selection && icon && caption);

    // Star lies on page 1 while page 0 shows: marker and icon hidden.
    InventoryObject* star = carried(inventory, "Star");
    inventory.selectObject(star);
    EXPECT_EQ(inventory.selectedObjectName(), KyString("Star"));
    EXPECT_EQ(selection->parent(), star->parent());
    EXPECT_EQ(selection->parent()->child(selection->parent()->childCount() - 1), selection);
    EXPECT_FALSE(selection->worldVisible());
    EXPECT_FALSE(icon->visible());
    EXPECT_STREQ(caption->textBase.text.c_str(), "StarGold.");
    inventory.onNextPage();
    EXPECT_TRUE(selection->worldVisible());
    EXPECT_TRUE(icon->visible());
    EXPECT_EQ(icon->imageWidth(), 4u);

    // Ghost has no icon: the icon shows nothing rather than Star's.
    // The markup of a name passes through into the caption.
    inventory.selectObject(carried(inventory, "Ghost"));
    EXPECT_EQ(icon->imageWidth(), 0u);
    EXPECT_STREQ(caption->textBase.text.c_str(), "GhostNothing to see.");

    // A page of the inventory saved and read back names the object too.
    inventory.selectObject(carried(inventory, "Key"));
    EXPECT_EQ(carried(inventory, "Key")->parent()->childCount(), 2u);
    TiXmlDocument document;
    inventory.Save(&document);
    TiXmlPrinter printer;
    document.Accept(&printer);
    EXPECT_EQ(occurrences(printer.CStr(), "<Object id=\"Key\" />"), 1u);

    inventory.selectObject(nullptr);
    EXPECT_EQ(selection->parent(), nullptr);
    EXPECT_FALSE(selection->visible());
    EXPECT_FALSE(icon->visible());
    EXPECT_STREQ(caption->textBase.text.c_str(), "");

    // Removing the object in hand selects none.
    inventory.selectObject(carried(inventory, "Lens"));
    inventory.removeObject("Lens");
    EXPECT_EQ(inventory.selectedObject, nullptr);
    EXPECT_EQ(selection->parent(), nullptr);
    EXPECT_EQ(contents(inventory), "page0Slot0=Key page1Slot0=Star page1Slot1=Ghost");
}

TEST(Inventory, TwoChoicesWithinAQuarterSecondCloseTheMenu)
{
    MenuFixture fixture;
    ASSERT_TRUE(fixture.game->ok());
    Inventory& inventory = fixture.inventory();
    inventory.addObjectByName("Key");
    inventory.addObjectByName("Lens");
    KyLayout* frame = fixture.menu.gui.layout("inventoryMenu");

    struct Step {
        u64 afterMicroseconds;
        const char* object;
        bool open;
    };
    const Step steps[] = {
        // The first choice since the program started never closes.
        {0, "Key", true},
        {249000, "Lens", false},
        // Reopened: measured from the previous choice.
        {1000000, "Key", true},
        {251000, "Key", true},
        {250000, "Lens", true},
        {10000, "Lens", false},
    };
    fixture.menu.enter();
    for (const Step& step : steps) {
        if (!inventory.visible())
            fixture.menu.enter();
        KyOsClock::advanceFake(step.afterMicroseconds);
        choose(carried(inventory, step.object));
        EXPECT_EQ(inventory.visible(), step.open) << step.afterMicroseconds;
        if (frame) {
            EXPECT_EQ(frame->visible(), step.open);
        }
        // Closing keeps the object in hand.
        EXPECT_EQ(inventory.selectedObjectName(), KyString(step.object));
    }
    EXPECT_EQ(occurrences(fixture.game->log(), "OnObjectSelected\n"), 6u);
}

TEST(Inventory, SaveSectionRoundTripsAndOlderSavesAreRead)
{
    MenuFixture fixture;
    ASSERT_TRUE(fixture.game->ok());
    Inventory& inventory = fixture.inventory();
    for (const char* name : {"Key", "Lens", "Amulet", "Ghost"})
        inventory.addObjectByName(name);
    inventory.removeObject("Key");
    inventory.selectObject(carried(inventory, "Ghost"));

    auto saved = [&inventory]() {
        TiXmlDocument document;
        inventory.Save(&document);
        TiXmlPrinter printer;
        printer.SetStreamPrinting();
        document.Accept(&printer);
        return std::string(printer.CStr());
    };
    // Every page and slot in order, empty slots written empty; the marker
    // in Ghost's slot is no object.
    const std::string written = saved();
    EXPECT_EQ(written, "<Inventory><PowerPage><Slot><Object id=\"Amulet\" /></Slot></PowerPage>"
                       "<Page><Slot /><Slot><Object id=\"Lens\" /></Slot></Page>"
                       "<Page><Slot><Object id=\"Ghost\" /></Slot><Slot /></Page></Inventory>");

    struct Restore {
        const char* what;
        s32 major;
        s32 minor;
        std::string section;
        const char* after;
    };
    const Restore restores[] = {
        // Holes close up; each object goes to the pages of its own kind.
        {"written", 1, 1, written, "powersPage0Slot0=Amulet page0Slot0=Lens page0Slot1=Ghost"},
        {"power object under a page", 1, 1,
         "<Inventory><Page><Slot><Object id=\"Amulet\"/><Object id=\"Coin\"/></Slot></Page>"
         "<Other><Slot><Object id=\"Star\"/></Slot></Other><PowerPage><Slot><Object/></Slot></PowerPage></Inventory>",
         "powersPage0Slot0=Amulet page0Slot0=Coin page0Slot1="},
        {"older form", 1, 0,
         "<Inventory><SpellsObjectList><InventObjectList>"
         "<ZeltObject FileName=\"Inventory/Objects/Amulet.png\"/></InventObjectList></SpellsObjectList>"
         "<InventObjectList><InventObjectList><ZeltObject FileName=\"Objects\\Key.png\"/>"
         "<ZeltObject FileName=\"Inventory/Objects/Ghost.png\"/><ZeltObject/>"
         "<Other FileName=\"Lens.png\"/><ZeltObject FileName=\"Star\"/></InventObjectList></InventObjectList>"
         "<Page><Slot><Object id=\"Coin\"/></Slot></Page></Inventory>",
         "powersPage0Slot0=Amulet page0Slot0=Key page0Slot1=Star"},
        // The newer layout read as the older one holds nothing.
        {"newer layout as 1.0", 1, 0, written, ""},
    };
    for (const Restore& restore : restores) {
        fixture.menu.unload();
        fixture.frame();
        fixture.menu.load();
        KyXmlDocument document;
        ASSERT_TRUE(document.parse(restore.section.c_str())) << restore.what;
        inventory.loadFromSave(document.RootElement(), restore.major, restore.minor);
        EXPECT_EQ(contents(inventory), restore.after) << restore.what;
    }
    // Read back and written again, a save is the same.
    fixture.menu.unload();
    fixture.menu.load();
    KyXmlDocument document;
    ASSERT_TRUE(document.parse(written.c_str()));
    inventory.loadFromSave(document.RootElement(), 1, 1);
    inventory.Save(&document);
    fixture.menu.unload();
    fixture.menu.load();
    inventory.loadFromSave(document.LastChild()->ToElement(), 1, 1);
    TiXmlDocument again;
    inventory.Save(&again);
    TiXmlPrinter first;
    TiXmlPrinter second;
    document.LastChild()->Accept(&first);
    again.Accept(&second);
    EXPECT_EQ(std::string(first.CStr()), std::string(second.CStr()));
}

TEST(Inventory, AMissingPictureIsLoggedOnceAndTheOthersShow)
{
    MenuFixture fixture;
    ASSERT_TRUE(fixture.game->ok());
    Inventory& inventory = fixture.inventory();
    for (const char* name : {"Key", "Ghost", "Lens"})
        inventory.addObjectByName(name);
    EXPECT_EQ(contents(inventory), "page0Slot0=Key page0Slot1=Ghost page1Slot0=Lens");
    for (const char* name : {"Key", "Lens"}) {
        KySpriteLayout* picture = carried(inventory, name)->gui.spriteLayout("upLayout");
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->imageWidth(), 8u) << name;
    }
    EXPECT_EQ(carried(inventory, "Ghost")->gui.spriteLayout("upLayout")->imageWidth(), 0u);
    const std::string log = fixture.game->log();
    EXPECT_EQ(occurrences(log, "Inventory/Objects/Ghost.png"), 1u) << log;
    EXPECT_EQ(occurrences(log, "Inventory/Objects/Key.png"), 0u);
}

TEST(InventoryMenu, OpensOnTheInventoryClosesAndKeepsItsStateAcrossLoads)
{
    MenuFixture fixture;
    ASSERT_TRUE(fixture.game->ok());
    InventoryMenu& menu = fixture.menu;
    Inventory& inventory = fixture.inventory();
    KyLayout* frame = menu.gui.layout("inventoryMenu");
    ASSERT_NE(frame, nullptr);
    KyLayout* zoomed = menu.documentsBrowser.gui.layout("zoomed");

    // The children in their order; everything closed.
    ASSERT_EQ(menu.childCount(), zoomed ? 4u : 3u);
    EXPECT_EQ(menu.child(0), &inventory);
    EXPECT_EQ(menu.child(1), &menu.documentsBrowser);
    EXPECT_EQ(menu.child(2), frame);
    if (zoomed) {
        EXPECT_EQ(menu.child(3), zoomed);
    }
    EXPECT_FALSE(inventory.visible());
    EXPECT_FALSE(menu.documentsBrowser.visible());
    EXPECT_FALSE(frame->visible());
    EXPECT_TRUE(menu.visible());

    for (const char* name : {"Key", "Lens", "Star"})
        inventory.addObjectByName(name);
    menu.enter();
    inventory.onNextPage();
    choose(carried(inventory, "Star"));
    menu.gui.buttonLayout("quitButton")->onValidated.call();
    EXPECT_FALSE(inventory.visible());
    EXPECT_FALSE(frame->visible());
    EXPECT_TRUE(menu.visible());
    for (int pass = 0; pass < 2; ++pass) {
        menu.enter();
        EXPECT_TRUE(inventory.visible());
        EXPECT_TRUE(frame->visible());
        EXPECT_FALSE(menu.documentsBrowser.visible());
        EXPECT_EQ(inventory.currentPage, 1);
        EXPECT_EQ(inventory.selectedObjectName(), KyString("Star"));
        EXPECT_TRUE(inventory.gui.spriteLayout("selectionSprite")->worldVisible());
        EXPECT_EQ(menu.gui.buttonLayout("mainMenuButton")->state, u32(KyButtonLayout::StateUp));
    }

    // A new game: the menu is built again, with one listener a button.
    menu.unload();
    EXPECT_EQ(menu.childCount(), 0u);
    EXPECT_EQ(inventory.selectedObject, nullptr);
    fixture.frame();
    menu.load();
    EXPECT_EQ(contents(inventory), "");
    EXPECT_EQ(inventory.currentPage, 0);
    for (const char* name : {"previousPage", "nextPage"})
        EXPECT_EQ(inventory.gui.buttonLayout(name)->onValidated.count(), 1u) << name;
    for (const char* name : {"quitButton", "mainMenuButton"})
        EXPECT_EQ(menu.gui.buttonLayout(name)->onValidated.count(), 1u) << name;
    menu.enter();
    inventory.gui.buttonLayout("nextPage")->onValidated.call();
    EXPECT_EQ(inventory.currentPage, 1);
}
