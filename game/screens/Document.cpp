#include "game/screens/Document.h"

#include "game/Listeners.h"
#include "game/screens/DocumentsBrowser.h"
#include "ui/KyButtonLayout.h"
#include "ui/KySpriteLayout.h"
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
    setSizeType(Percent);
    setSize(KyVector3f32(1.0f, 1.0f, 1.0f));
    gui.load(InterfacePath);
    if (KyLayout* button = gui.layout("object"))
        addChild(button);
    name = documentName;
    if (KySpriteLayout* picture = gui.spriteLayout("upLayout"))
        picture->load(picturePath());
    if (KyButtonLayout* button = gui.buttonLayout("object"))
        appendListener(button->onValidated, this, &Document::onClicked);
    if (KyTextLayout* caption = gui.textLayout("text"))
        caption->setText(KyString(CaptionStyle) + (browser ? browser->getDocumentName(name) : KyString()));
}

void Document::unload()
{
    if (KyLayout* button = gui.layout("object"))
        removeChild(button);
    gui.unload();
}

bool Document::onClicked()
{
    onSelected.call(*this);
    return false;
}
