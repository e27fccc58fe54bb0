#include "game/screens/DocumentsBrowser.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "core/KyVariant.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/screens/Document.h"
#include "game/screens/SlotPages.h"
#include "game/screens/TopLevelList.h"
#include "ui/KyButtonLayout.h"
#include "ui/KySpriteLayout.h"

const char* const DocumentsBrowser::InterfacePath = "DocumentsBrowser/DocumentsBrowser.lua";
const char* const DocumentsBrowser::DocumentsFolder = "DocumentsBrowser/Documents/";

namespace {

typedef bool (DocumentsBrowser::*PageButtonListener)();
const PageButtonListener kPageButtons[DocumentsBrowser::PageButtonCount] = {
    &DocumentsBrowser::onButton<0>, &DocumentsBrowser::onButton<1>, &DocumentsBrowser::onButton<2>,
    &DocumentsBrowser::onButton<3>};

GameWarp& game()
{
    return KySingleton<Application>::instance()->gameWarp;
}

} // namespace

bool DocumentsList::load(const KyString& path, KyString& error, s32& row, s32& column)
{
    return TopLevelList::load(path, "Document", entries, error, row, column, [](const TiXmlElement& element) {
        Entry entry;
        entry.id = element.Attribute("id");
        if (const char* caption = element.Attribute("name")) {
            entry.hasName = true;
            entry.name = caption;
        }
        return entry;
    });
}

KyString DocumentsList::name(const KyString& id) const
{
    return TopLevelList::first(entries, id, &Entry::hasName, &Entry::name);
}

DocumentsBrowser::DocumentsBrowser()
    : currentPage(0)
    , shownPage(0)
{
    // Thin within the menu, so that the frame and the zoomed view after it
    // stay in front of the thumbnails (layouts draw and take clicks in the
    // order of their depth). Load keeps this depth.
    setSize(KyVector3f32(1.0f, 1.0f, 0.1f));
}

DocumentsBrowser::~DocumentsBrowser()
{
    if (gui.isLoaded())
        unload();
}

KyString DocumentsBrowser::documentsListPath()
{
    return SlotPages::localisedFile(DocumentsFolder, "Documents.xml");
}

KyString DocumentsBrowser::pageName(const KyString& name, s32 page)
{
    return name + KyString("_zoomed_") + KyString(page);
}

KyString DocumentsBrowser::pagePicturePath(const KyString& name, s32 page)
{
    return SlotPages::localisedFile(DocumentsFolder, pageName(name, page) + KyString(".png"));
}

KyString DocumentsBrowser::pageInterfacePath(const KyString& name, s32 page)
{
    return SlotPages::localisedFile(DocumentsFolder, pageName(name, page) + KyString(".lua"));
}

void DocumentsBrowser::load()
{
    if (gui.isLoaded())
        unload();
    setVisible(false);
    SlotPages::loadScreen(*this, gui, "documentsBrowser", InterfacePath, "documentBrowser");
    if (KyButtonLayout* previous = gui.buttonLayout("previousPage"))
        appendListener(previous->onValidated, this, &DocumentsBrowser::onPreviousPage);
    if (KyButtonLayout* next = gui.buttonLayout("nextPage"))
        appendListener(next->onValidated, this, &DocumentsBrowser::onNextPage);
    if (KyButtonLayout* zoomed = gui.buttonLayout("zoomed")) {
        appendListener(zoomed->onValidated, this, &DocumentsBrowser::onZoomedClicked);
        zoomed->setVisible(false);
    }
    currentPage = 0;
    shownDocument = KyString();
    shownPage = 0;

    const KyString path = documentsListPath();
    KyString error;
    s32 row = 0;
    s32 column = 0;
    if (!documentsList.load(path, error, row, column))
        logPrint("[DocumentsBrowser::load] file :%s error : %s ligne : %d colonne : %d\n", path.c_str(),
                 error.c_str(), row, column);
}

void DocumentsBrowser::attachZoomedView()
{
    KyLayout* zoomed = gui.layout("zoomed");
    KyI3DObject2* menu = parent();
    if (zoomed && menu)
        menu->addChild(zoomed);
}

std::vector<Document*> DocumentsBrowser::documents()
{
    std::vector<Document*> found;
    SlotPages::collect(gui, "page", found);
    return found;
}

void DocumentsBrowser::unload()
{
    for (Document* document : documents())
        delete document;
    shownDocument = KyString();
    pageGui.unload();
    if (KyLayout* zoomed = gui.layout("zoomed")) {
        if (KyI3DObject2* holder = zoomed->parent())
            holder->removeChild(zoomed);
    }
    SlotPages::unloadInterface(*this, gui, "documentBrowser");
}

void DocumentsBrowser::addDocument(const KyString& name)
{
    Document* document = new Document(this);
    document->load(name);
    if (!placeDocument(document))
        delete document;
}

bool DocumentsBrowser::placeDocument(Document* document)
{
    KyLayout* slot = SlotPages::firstFreeSlot(gui, "page");
    if (!slot)
        return false;
    slot->addChild(document);
    insertListener(document->onSelected, this, &DocumentsBrowser::onDocumentSelected);
    return true;
}

void DocumentsBrowser::showDocument(const KyString& name, s32 page)
{
    shownDocument = name;
    shownPage = page;
    const KyString picture = pagePicturePath(name, page);
    pageGui.unload();
    if (!KyFile::exists(picture)) {
        hideDocument();
        return;
    }
    KySpriteLayout* sprite = gui.spriteLayout("zoomedSprite");
    if (sprite) {
        // An unreadable picture must not leave the previous page showing.
        sprite->unload();
        sprite->load(picture);
    }
    const KyString pageInterface = pageInterfacePath(name, page);
    if (KyFile::exists(pageInterface) && pageGui.load(pageInterface)) {
        KyLayout* root = pageGui.layout("root");
        if (root && sprite)
            sprite->addChild(root);
        for (u32 b = 0; b < PageButtonCount; ++b) {
            if (KyButtonLayout* button = pageGui.buttonLayout(KyString("button") + KyString(s32(b))))
                appendListener(button->onValidated, this, kPageButtons[b]);
        }
    }
    if (KyLayout* zoomed = gui.layout("zoomed"))
        zoomed->setVisible(true);
}

void DocumentsBrowser::hideDocument()
{
    const KyString closed = shownDocument;
    shownDocument = KyString();
    if (KySpriteLayout* sprite = gui.spriteLayout("zoomedSprite"))
        sprite->unload();
    if (KyLayout* zoomed = gui.layout("zoomed"))
        zoomed->setVisible(false);
    pageGui.unload();
    game().runEvent("OnDocumentClosed", KyVariant(closed));
}

void DocumentsBrowser::showPage(s32 page)
{
    if (SlotPages::showPage(gui, page))
        currentPage = page;
}

KyString DocumentsBrowser::getDocumentName(const KyString& id)
{
    return documentsList.name(id);
}

bool DocumentsBrowser::onPreviousPage()
{
    showPage(currentPage - 1);
    return false;
}

bool DocumentsBrowser::onNextPage()
{
    showPage(currentPage + 1);
    return false;
}

bool DocumentsBrowser::onZoomedClicked()
{
    showDocument(shownDocument, shownPage + 1);
    return false;
}

bool DocumentsBrowser::onDocumentSelected(Document& document)
{
    showDocument(document.name, 0);
    return false;
}

void DocumentsBrowser::pageButtonValidated(u32 button)
{
    game().runEvent("OnShowedDocumentButtonValidated", KyVariant(pageName(shownDocument, shownPage)),
                    KyVariant(KyString("button") + KyString(s32(button))));
}
