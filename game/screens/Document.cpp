#include "game/screens/Document.h"

#include "game/Listeners.h"
#include "game/screens/DocumentsBrowser.h"
#include "game/screens/SlotPages.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyTextLayout.h"

const char* const Document::InterfacePath = "DocumentsBrowser/Document.lua";
const char* const Document::CaptionStyle =
    "<section style=\"center\" /><color r=\"255\" g=\"255\" b=\"255\"/>"
    "<font file=\"Common/Fonts/Arial_r_16.kyf\" />";

Document::Document(DocumentsBrowser* owner)
    : browser(owner)
{
}

Document::~Document()
{
    unload();
    if (KyI3DObject2* slot = parent())
        slot->removeChild(this);
}

KyString Document::picturePath() const
{
    return KyString(DocumentsBrowser::DocumentsFolder) + name + KyString(".jpg");
}

void Document::load(const KyString& documentName)
{
    name = documentName;
    if (KyButtonLayout* button = SlotPages::loadItem(*this, gui, InterfacePath, picturePath()))
        appendListener(button->onValidated, this, &Document::onClicked);
    if (KyTextLayout* caption = gui.textLayout("text"))
        caption->setText(KyString(CaptionStyle) + (browser ? browser->getDocumentName(name) : KyString()));
}

void Document::unload()
{
    SlotPages::unloadInterface(*this, gui, "object");
}

bool Document::onClicked()
{
    onSelected.call(*this);
    return false;
}
