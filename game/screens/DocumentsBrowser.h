#ifndef GAME_DOCUMENTS_BROWSER_H
#define GAME_DOCUMENTS_BROWSER_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "script/KyLuaGUI.h"
#include "ui/KyLayout.h"

#include <vector>

class Document;

// The document list of the current language: the "Document" elements at
// the top level of "Documents.xml" with their "id" and caption "name", read
// whole before it replaces the list in use. The caption of an id is the
// "name" of the first element of that id that has one.
class DocumentsList {
public:
    struct Entry {
        KyString id;
        bool hasName = false;
        KyString name;
    };

    // Reads the file; on failure the list is left as it was and error
    // holds TinyXML's description, row and column (counted from 1).
    bool load(const KyString& path, KyString& error, s32& row, s32& column);
    KyString name(const KyString& id) const;

    std::vector<Entry> entries;
};

// The documents the player has found ("DocumentsBrowser/DocumentsBrowser.lua"):
// thumbnails (Document) in the slots of its pages, and the zoomed view
// "zoomed" that shows one document page by page over the game. Its own
// page view stays hidden; the zoomed view hangs under the in-game menu and
// shows whether the menu is open or not.
//
// The page k of a document n is the picture n + "_zoomed_" + k + ".png" and
// the optional interface n + "_zoomed_" + k + ".lua", looked for in the
// language's folder of "DocumentsBrowser/Documents/", then in that folder,
// then in its "en" folder. A click on the view turns to the next page; the
// view closes past the last page. Every close calls "OnDocumentClosed" in
// the scene script with the document's name, and the buttons "button0" to
// "button3" of a page's interface call "OnShowedDocumentButtonValidated"
// with the page's name and the button's.
class DocumentsBrowser : public KyLayout {
public:
    static const char* const InterfacePath;
    static const char* const DocumentsFolder;
    static const u32 PageButtonCount = 4;

    DocumentsBrowser();
    ~DocumentsBrowser() override;

    void load();
    // Makes the zoomed view a child of the in-game menu (the browser's
    // parent) after everything else of the menu.
    void attachZoomedView();
    // Adds a thumbnail; deleted again when no slot is free.
    void addDocument(const KyString& name);
    // The first free slot takes the document; false when all are taken.
    bool placeDocument(Document* document);
    void showDocument(const KyString& name, s32 page);
    void hideDocument();
    void showPage(s32 page);
    KyString getDocumentName(const KyString& id);
    // Deletes every document, closes the zoomed page without telling the
    // script (the game is being left) and unloads the interface.
    void unload();

    bool onPreviousPage();
    bool onNextPage();
    bool onZoomedClicked();
    bool onDocumentSelected(Document& document);
    // The listener of "button" + Button of the page shown.
    template <u32 Button>
    bool onButton()
    {
        pageButtonValidated(Button);
        return false;
    }
    // The same for button number button of the page shown; a number past
    // the last page button does nothing.
    bool onButton(u32 button)
    {
        if (button < PageButtonCount)
            pageButtonValidated(button);
        return false;
    }

    static KyString documentsListPath();
    static KyString pageName(const KyString& name, s32 page);
    static KyString pagePicturePath(const KyString& name, s32 page);
    static KyString pageInterfacePath(const KyString& name, s32 page);
    // The documents placed, page by page, slot by slot.
    std::vector<Document*> documents();

    KyLuaGUI gui;
    s32 currentPage;
    DocumentsList documentsList;
    KyString shownDocument;
    s32 shownPage;
    KyLuaGUI pageGui;

private:
    DocumentsBrowser(const DocumentsBrowser&) = delete;
    DocumentsBrowser& operator=(const DocumentsBrowser&) = delete;

    void pageButtonValidated(u32 button);
};

#endif
