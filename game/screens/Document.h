#ifndef GAME_DOCUMENT_H
#define GAME_DOCUMENT_H

#include "core/KyArray.h"
#include "core/KyICallback1Param.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "script/KyLuaGUI.h"
#include "ui/KyLayout.h"

class DocumentsBrowser;

// The thumbnail of one found document in the documents browser
// ("DocumentsBrowser/Document.lua"): the button "object" with the picture
// "DocumentsBrowser/Documents/" + name + ".jpg" in its sprite "upLayout"
// and the caption of the document list in its text "text". A click fires
// the selected signal with the document. Deleting it takes it out of its
// slot.
class Document : public KyLayout {
public:
    typedef KyArray<KyICallback1Param<Document&>*> Signal;

    static const char* const InterfacePath;
    static const char* const CaptionStyle;

    explicit Document(DocumentsBrowser* browser);
    ~Document() override;

    void load(const KyString& name);
    // Takes the button out of the document and unloads the interface.
    void unload();
    KyString picturePath() const;

    // The button's click: fires the selected signal; false.
    bool onClicked();

    KyString name;
    KyLuaGUI gui;
    Signal onSelected;
    DocumentsBrowser* browser;

private:
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
};

#endif
