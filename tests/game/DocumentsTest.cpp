// The documents browser and its thumbnails in a running game whose first
// scene has a script of the test's own, which writes every event it hears
// to the log: documents added, shown page by page by the script functions
// and by clicks, closed, and the buttons of a page.
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/screens/Document.h"
#include "game/screens/DocumentsBrowser.h"
#include "tests/game/SceneFixture.h"
#include "tests/support/InterfaceFileWriter.h"
#include "tools/content/ImageWriters.h"
#include "ui/KyButtonLayout.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every event the browser sends, written to the log; "Run" runs a line of
// Lua handed over by the test through the global "command".
const char* const kSceneScript = R"(
function OnDocumentClosed(...)
    PrintDebugMessage("closed " .. select("#", ...) .. " [" .. tostring((...)) .. "]\n")
end
function OnShowedDocumentButtonValidated(page, button)
    PrintDebugMessage("button [" .. page .. "] [" .. button .. "]\n")
end
)";

const char* const kPageInterface = R"(
local function button(name, x)
    return KyButtonLayout{ name = name, sizeType = Percent, size = {0.2, 0.2}, position = {x, 0.8, 0.5} }
end
KyLayout{ name = "root", sizeType = Percent, size = {1, 1},
          button("button0", 0.2), button("button2", 0.5), button("button3", 0.8) }
)";

std::string jpeg(u32 side)
{
    return ImageWriters::toString(ImageWriters::jpeg(side, side, 3, ImageWriters::photo(side, side, 3)));
}

void writeDocuments(DataOverlay& data)
{
    const std::string folder = "DocumentsBrowser/Documents/";
    // The sample game's own lists and its letter's French pages go, so that
    // the lists and pages below are the ones the fall-backs reach.
    for (const char* file : {"fr/Documents.xml", "Documents.xml", "fr/Letter_zoomed_0.png", "fr/Letter_zoomed_1.png",
                             "fr/Letter_zoomed_1.lua"})
        data.remove(folder + file);
    data.write("3D/Isis/Warp_0002.lua", kSceneScript);
    data.write(folder + "en/Documents.xml",
               "<?xml version=\"1.0\" ?>\n<Document id=\"Letter\" name=\"&lt;color r=&quot;255&quot; g=&quot;0&quot; "
               "b=&quot;0&quot;/&gt;A letter\" />\n<Document id=\"Map\" />\n<Document id=\"Map\" name=\"The map\" />\n");
    data.write(folder + "Letter.jpg", jpeg(16));
    data.write(folder + "Letter_zoomed_0.png", InterfaceFiles::flatPng(28, 30, 0xe0d0b0));
    data.write(folder + "Letter_zoomed_1.png", InterfaceFiles::flatPng(14, 15, 0xd0c0a0));
    data.write(folder + "Letter_zoomed_1.lua", kPageInterface);
    // Only in the English folder; the game below runs in French.
    data.write(folder + "en/Map_zoomed_0.png", InterfaceFiles::flatPng(20, 20, 0x406080));
}

// A game in the first scene, in French, on the test's data.
struct DocumentsFixture : SceneFixture {
    DocumentsFixture()
        : SceneFixture(writeDocuments, frenchSetup())
    {
    }
    static GameSession::Setup frenchSetup()
    {
        GameSession::Setup setup;
        setup.options = GameSession::optionsText(960, 640, false, 0, "fr");
        return setup;
    }
    DocumentsBrowser& browser() { return app()->gameWarp.inventoryMenu.documentsBrowser; }
    void script(const std::string& chunk) { lua(chunk); }
};

KySpriteLayout* zoomedSprite(DocumentsBrowser& browser)
{
    return browser.gui.spriteLayout("zoomedSprite");
}

bool zoomedShown(DocumentsBrowser& browser)
{
    KyLayout* zoomed = browser.gui.layout("zoomed");
    return zoomed && zoomed->visible();
}

} // namespace

TEST(DocumentsBrowser, DocumentsShowPageByPageAndEveryCloseReachesTheScript)
{
    DocumentsFixture fixture;
    ASSERT_TRUE(fixture.ok());
    ASSERT_EQ(KySingleton<KyCore>::instance()->language(), KyString("fr"));
    DocumentsBrowser& browser = fixture.browser();
    KyLayout* zoomed = browser.gui.layout("zoomed");
    ASSERT_NE(zoomed, nullptr);
    // The view hangs under the in-game menu, after its frame.
    InventoryMenu& menu = fixture.game->app()->gameWarp.inventoryMenu;
    EXPECT_EQ(menu.child(menu.childCount() - 1), zoomed);
    fixture.newLog();

    enum Action { Show, Click, Hide, Button, Listener };
    struct Step {
        Action action;
        const char* argument;
        bool shown;
        const char* document;
        s32 page;
        u32 pictureWidth;
        const char* log;
    };
    const Step steps[] = {
        {Show, "Letter", true, "Letter", 0, 28, ""},
        {Click, "", true, "Letter", 1, 14, ""},
        // The page's buttons reach the script; the page stays.
        {Button, "button2", true, "Letter", 1, 14, "button [Letter_zoomed_1] [button2]\n"},
        {Button, "button0", true, "Letter", 1, 14, "button [Letter_zoomed_1] [button0]\n"},
        // The page buttons' listener called by number; none past the fourth.
        {Listener, "3", true, "Letter", 1, 14, "button [Letter_zoomed_1] [button3]\n"},
        {Listener, "4", true, "Letter", 1, 14, ""},
        // Past the last page the document closes.
        {Click, "", false, "", 2, 0, "closed 1 [Letter]\n"},
        // Nothing shown: the script still hears of a close.
        {Hide, "", false, "", 2, 0, "closed 1 []\n"},
        // Another document replaces the shown one without a close.
        {Show, "Letter", true, "Letter", 0, 28, ""},
        {Show, "Map", true, "Map", 0, 20, ""},
        {Hide, "", false, "", 0, 0, "closed 1 [Map]\n"},
        // A document without pages closes at once.
        {Show, "Ghost", false, "", 0, 0, "closed 1 [Ghost]\n"},
    };
    for (const Step& step : steps) {
        switch (step.action) {
        case Show:
            fixture.script(std::string("ShowDocument(\"") + step.argument + "\")");
            break;
        case Click:
            browser.gui.buttonLayout("zoomed")->onValidated.call();
            break;
        case Hide:
            fixture.script("HideDocument()");
            break;
        case Button: {
            KyButtonLayout* button = browser.pageGui.buttonLayout(step.argument);
            ASSERT_NE(button, nullptr) << step.argument;
            button->onValidated.call();
            break;
        }
        case Listener:
            EXPECT_FALSE(browser.onButton(u32(std::stoul(step.argument))));
            break;
        }
        const std::string what = std::to_string(step.action) + " " + step.argument;
        EXPECT_EQ(zoomedShown(browser), step.shown) << what;
        EXPECT_EQ(browser.shownDocument, KyString(step.document)) << what;
        EXPECT_EQ(browser.shownPage, step.page) << what;
        EXPECT_EQ(zoomedSprite(browser)->imageWidth(), step.pictureWidth) << what;
        std::string log = fixture.newLog();
        // Only the script's own lines count here.
        std::string scriptLines;
        for (size_t at = 0; at < log.size();) {
            size_t end = log.find('\n', at);
            const std::string line = log.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
            if (line.rfind("closed ", 0) == 0 || line.rfind("button ", 0) == 0)
                scriptLines += line;
            at = end == std::string::npos ? log.size() : end + 1;
        }
        EXPECT_EQ(scriptLines, step.log) << what;
        // Page 1 of the letter carries its buttons under the page's picture.
        if (step.shown && step.page == 1) {
            KyLayout* root = browser.pageGui.layout("root");
            ASSERT_NE(root, nullptr);
            EXPECT_EQ(root->parent(), zoomedSprite(browser));
            EXPECT_EQ(browser.pageGui.buttonLayout("button1"), nullptr);
        }
        if (!step.shown) {
            EXPECT_FALSE(browser.pageGui.isLoaded()) << what;
        }
    }
    // The view shows over the game while the menu is closed; closing the
    // menu leaves it.
    fixture.script("ShowDocument(\"Letter\")");
    EXPECT_TRUE(zoomed->worldVisible());
    menu.close();
    EXPECT_TRUE(zoomed->worldVisible());
}

TEST(DocumentsBrowser, ThumbnailsTakeTheFreeSlotsAndOpenTheirDocument)
{
    DocumentsFixture fixture;
    ASSERT_TRUE(fixture.ok());
    DocumentsBrowser& browser = fixture.browser();
    // Twelve slots in the sample browser: the thirteenth document is
    // dropped without a word.
    u32 slots = 0;
    for (s32 page = 0; browser.gui.layout(KyString("page") + KyString(page)); ++page) {
        for (s32 slot = 0; browser.gui.layout(KyString("page") + KyString(page) + KyString("Slot") + KyString(slot));
             ++slot)
            ++slots;
    }
    ASSERT_GT(slots, 2u);
    fixture.newLog();
    fixture.script("AddDocument(\"Letter\") AddDocument(\"Map\")");
    for (u32 i = 2; i < slots + 1; ++i)
        fixture.script("AddDocument(\"Letter\")");
    EXPECT_EQ(browser.documents().size(), slots);
    const std::string log = fixture.newLog();
    // Map has no thumbnail: one line for its picture, none for the rest.
    EXPECT_NE(log.find("DocumentsBrowser/Documents/Map.jpg"), std::string::npos) << log;
    EXPECT_EQ(log.find("Letter.jpg"), std::string::npos) << log;

    Document* letter = browser.documents()[0];
    Document* map = browser.documents()[1];
    EXPECT_EQ(letter->name, KyString("Letter"));
    EXPECT_EQ(letter->picturePath(), KyString("DocumentsBrowser/Documents/Letter.jpg"));
    EXPECT_EQ(letter->gui.spriteLayout("upLayout")->imageWidth(), 16u);
    EXPECT_EQ(map->gui.spriteLayout("upLayout")->imageWidth(), 0u);
    // The caption: the list's name, its markup passed through.
    EXPECT_STREQ(letter->gui.textLayout("text")->textBase.text.c_str(), "A letter");
    EXPECT_STREQ(map->gui.textLayout("text")->textBase.text.c_str(), "The map");
    EXPECT_EQ(browser.getDocumentName("Letter"),
              KyString("<color r=\"255\" g=\"0\" b=\"0\"/>A letter"));
    EXPECT_EQ(browser.getDocumentName("letter"), KyString(""));

    // A click on a thumbnail opens its document at page 0.
    map->gui.buttonLayout("object")->onValidated.call();
    EXPECT_TRUE(zoomedShown(browser));
    EXPECT_EQ(browser.shownDocument, KyString("Map"));
    EXPECT_EQ(browser.shownPage, 0);

    // Deleting a thumbnail frees its slot; the next document takes it.
    KyI3DObject2* slot = map->parent();
    delete map;
    EXPECT_EQ(slot->childCount(), 0u);
    fixture.script("AddDocument(\"Map\")");
    EXPECT_EQ(slot->childCount(), 1u);

    // Paging the thumbnails, as the inventory pages its objects.
    browser.showPage(1);
    EXPECT_EQ(browser.currentPage, 1);
    browser.showPage(7);
    browser.onNextPage();
    EXPECT_EQ(browser.currentPage, 1);
    EXPECT_FALSE(browser.gui.layout("page0")->visible());
    EXPECT_EQ(browser.gui.buttonLayout("diode1")->state, u32(KyButtonLayout::StateDisabled));

    // Documents are no part of a save: leaving the game deletes them.
    fixture.game->app()->gameWarp.unload();
    EXPECT_TRUE(browser.documents().empty());
    EXPECT_FALSE(browser.gui.isLoaded());
}
