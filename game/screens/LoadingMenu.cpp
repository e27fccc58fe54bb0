#include "game/screens/LoadingMenu.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "core/KyXmlDocument.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/SaveFile.h"
#include "platform/KyInputMgrWrapper.h"
#include "ui/KyButtonLayout.h"

#include <cmath>
#include <cstdio>

namespace {

KyString slotPath(const KyString& fileName)
{
    return KyString("Backup/") + fileName;
}

} // namespace

KyString LoadingMenu::slotFileName(u32 slot)
{
    return KyString(s32(slot)) + KyString(".xml");
}

bool LoadingMenu::isSlotFileName(const KyString& name)
{
    for (u32 slot = 0; slot < SlotCount; ++slot) {
        if (name == slotFileName(slot))
            return true;
    }
    return false;
}

LoadingMenu::SlotFile LoadingMenu::readSlotFile(const KyString& fileName)
{
    SlotFile slot;
    const KyString path = slotPath(fileName);
    if (!SaveFile::isPlainName(fileName) || !KyFile::exists(path))
        return slot;
    KyXmlDocument document;
    if (!document.loadFile(path, TIXML_DEFAULT_ENCODING, SaveFile::kMaxFileBytes)) {
        slot.status = SlotFile::Unreadable;
        slot.problem = document.errorText();
        return slot;
    }
    // The same judgement as the game's own when it loads the file.
    SaveData save;
    if (!SaveFile::readPlayable(path, save, slot.problem)) {
        slot.status = SlotFile::Damaged;
        return slot;
    }
    const TiXmlElement* played = document.FirstChildElement("PlayedTime");
    if (played) {
        const char* value = played->Attribute("value");
        double time = 0.0;
        if (played->NextSiblingElement("PlayedTime") || !value || std::sscanf(value, "%lf", &time) != 1 ||
            !std::isfinite(time)) {
            slot.status = SlotFile::Damaged;
            slot.problem = "PlayedTime without one number";
            return slot;
        }
        slot.playedTime = time;
    }
    slot.status = SlotFile::Usable;
    return slot;
}

LoadingMenu::SaveButton::SaveButton(KyButtonLayout* slotButton, const KyString& name, LoadingMenu* menu)
    : button(slotButton)
    , slotName(name)
    , playedTime(NoPlayedTime)
    , status(SlotFile::Missing)
    , m_menu(menu)
    , m_adopted(false)
    , m_listening(false)
{
    // The slot fills its place on the strip, and the button fills the slot
    // (within the strip's depth, so the drag area in front stays in front).
    setSizeType(Percent);
    setSize(KyVector3f32(1.0f, 1.0f, 1.0f));
    const SlotFile slot = readSlotFile(name + ".xml");
    status = slot.status;
    playedTime = slot.playedTime;
    switch (slot.status) {
    case SlotFile::Missing:
        button->setState(KyButtonLayout::StateDisabled);
        break;
    case SlotFile::Unreadable:
        logPrint("LoadingMenu::SaveButton::SaveButton: Failed to load file \"%s\"\n",
                 KyFile::resolvePath(slotPath(name + ".xml")).c_str());
        break;
    case SlotFile::Damaged:
        logPrint("LoadingMenu::SaveButton::SaveButton: Damaged file \"%s\": %s\n",
                 KyFile::resolvePath(slotPath(name + ".xml")).c_str(), slot.problem.c_str());
        break;
    case SlotFile::Usable:
        break;
    }
    // A slot that cannot be loaded still takes its place on the strip, shown
    // disabled, and is never listened to.
    if (slot.status == SlotFile::Unreadable || slot.status == SlotFile::Damaged)
        button->setState(KyButtonLayout::StateDisabled);
    addChild(button);
    m_adopted = true;
    if (slot.status == SlotFile::Missing || slot.status == SlotFile::Usable) {
        appendListener(button->onValidated, this, &SaveButton::onClick);
        m_listening = true;
    }
}

LoadingMenu::SaveButton::~SaveButton()
{
    if (m_listening)
        removeListener(button->onValidated, this, &SaveButton::onClick);
    if (m_adopted && button->parent() == this)
        removeChild(button);
}

bool LoadingMenu::SaveButton::onClick()
{
    // An empty slot is disabled and takes no click; a file removed since the
    // menu opened is caught again when the load is confirmed.
    m_menu->selectedSlotFile = slotName + ".xml";
    m_menu->confirm.setVisible(true);
    return false;
}

LoadingMenu::LoadingMenu()
    : stripPosition(0)
    , pressX(0)
    , pressY(0)
{
    appendListener(confirm.confirmed, this, &LoadingMenu::onLoadConfirmed);
}

LoadingMenu::~LoadingMenu()
{
    deleteSlots();
}

void LoadingMenu::enter()
{
    if (isShown())
        leave();
    Application* application = KySingleton<Application>::instance();
    gui.load("GUI/LoadingMenu.lua");
    if (KyLayout* menu = gui.layout("menu"))
        application->orientationLayout.addChildBefore(menu, &application->rotationAnim);
    else
        logPrint("LoadingMenu::enter: GUI/LoadingMenu.lua has no layout menu\n");
    if (KyButtonLayout* quit = gui.buttonLayout("quitButton"))
        appendListener(quit->onValidated, this, &LoadingMenu::onQuit);

    buildSlots();
    placeSlots();

    if (KyButtonLayout* slide = gui.buttonLayout("slideButton"))
        appendListener(slide->onStateDown, this, &LoadingMenu::onSlidePress);
    insertListener(KyInputMgr::instance()->onPointerMove(), this, &LoadingMenu::onPointerMove);
    stripPosition = 0;
    if (KyButtonLayout* back = gui.buttonLayout("returnToMenu"))
        appendListener(back->onValidated, this, &LoadingMenu::onReturnToMenu);

    confirm.load("GUI/ConfirmLoadGame.lua");
    confirm.setVisible(false);

    RotationAnim& boards = application->rotationAnim;
    appendListener(boards.landscapeSignal, this, &LoadingMenu::onTransitionClosed);
    appendListener(boards.stayLandscapeSignal, this, &LoadingMenu::onTransitionClosed);
    appendListener(boards.portraitSignal, this, &LoadingMenu::onPortraitClosed);
}

void LoadingMenu::buildSlots()
{
    for (s32 i = 0;; ++i) {
        KyButtonLayout* button = gui.buttonLayout(KyString(i));
        if (!button)
            break;
        SaveButton* slot = new SaveButton(button, KyString(i), this);
        // Ascending played time; equal times keep the order of the numbers.
        u32 at = 0;
        while (at < slots.count() && slots[at]->playedTime <= slot->playedTime)
            ++at;
        slots.insert(at, slot);
    }
}

void LoadingMenu::placeSlots()
{
    for (s32 j = 0;; ++j) {
        KyLayout* place = gui.layout(KyString("slot") + KyString(j));
        if (!place)
            break;
        if (u32(j) < slots.count())
            place->addChild(slots[u32(j)]);
    }
}

void LoadingMenu::deleteSlots()
{
    for (SaveButton* slot : slots)
        delete slot;
    slots.clear();
}

void LoadingMenu::leave()
{
    Application* application = KySingleton<Application>::instance();
    deleteSlots();
    removeListener(KyInputMgr::instance()->onPointerMove(), this, &LoadingMenu::onPointerMove);
    confirm.unload();
    RotationAnim& boards = application->rotationAnim;
    removeListener(boards.landscapeSignal, this, &LoadingMenu::onTransitionClosed);
    removeListener(boards.stayLandscapeSignal, this, &LoadingMenu::onTransitionClosed);
    removeListener(boards.portraitSignal, this, &LoadingMenu::onPortraitClosed);
    if (KyLayout* menu = gui.layout("menu"))
        application->orientationLayout.removeChild(menu);
    gui.unload();
}

bool LoadingMenu::onSlidePress()
{
    // Window pixels, as the strip's size.
    const KyVector2s32 position = KyInputMgr::instance()->mousePosition(0);
    pressX = position.x;
    pressY = position.y;
    // A press and release without a drag still reach the slot beneath.
    if (KyButtonLayout* slide = gui.buttonLayout("slideButton"))
        slide->clickPassThrough = true;
    return false;
}

bool LoadingMenu::onPointerMove(unsigned int pointer)
{
    KyButtonLayout* slide = gui.buttonLayout("slideButton");
    if (pointer != 0)
        return false;
    if (!slide || slide->state != KyButtonLayout::StateDown)
        return false;
    KyLuaGUI::VectorAnimation* animation = gui.layoutPositionLinearAnimation("slideAnimation");
    if (animation && animation->isRunning())
        return false;
    KyLayout* strip = gui.layout("slots");
    if (!strip)
        return false;
    const f64 width = strip->size().x;
    // A strip of no width cannot be dragged.
    if (!(width > 0.0))
        return false;
    const f64 ratio = f64(KyInputMgr::instance()->mousePosition(0).x - pressX) / width;
    if (ratio > DragThreshold) {
        if (stripPosition > 0) {
            slideStrip(SlideStep);
            --stripPosition;
            slide->reset();
        }
    } else if (ratio < -DragThreshold) {
        // Written so that no slot at all never wraps round below zero.
        if (stripPosition + 1 < slots.count()) {
            slideStrip(-SlideStep);
            ++stripPosition;
            slide->reset();
        }
    } else {
        return false;
    }
    slide->clickPassThrough = false;
    resetSlotPresses();
    return false;
}

void LoadingMenu::slideStrip(f32 dx)
{
    KyLayout* strip = gui.layout("slots");
    const KyVector3f32 from = strip->userPosition();
    const KyVector3f32 to(from.x + dx, from.y, from.z);
    KyLuaGUI::VectorAnimation* animation = gui.layoutPositionLinearAnimation("slideAnimation");
    if (!animation) {
        strip->setPosition(to);
        return;
    }
    animation->startValue = from;
    animation->endValue = to;
    animation->target = strip;
    animation->setter = &KyLayout::setPosition;
    animation->play();
}

void LoadingMenu::resetSlotPresses()
{
    // The press went through the strip to a slot; once it has become a drag
    // its release must not count as a click on whatever slot lies beneath.
    for (SaveButton* slot : slots) {
        if (slot->button->parent() == slot)
            slot->button->reset();
    }
}

bool LoadingMenu::onLoadConfirmed()
{
    // The file may have gone or changed since the menu was built: only a
    // slot the game can start from is loaded.
    const SlotFile slot = readSlotFile(selectedSlotFile);
    if (selectedSlotFile.isEmpty() || slot.status != SlotFile::Usable) {
        logPrint("LoadingMenu::onLoadConfirmed: slot \"%s\" cannot be loaded\n", selectedSlotFile.c_str());
        return false;
    }
    Application* application = KySingleton<Application>::instance();
    application->gameWarp.unload();
    application->rotationAnim.landscapeClose();
    return false;
}

bool LoadingMenu::onTransitionClosed()
{
    Application* application = KySingleton<Application>::instance();
    const KyString file = selectedSlotFile;
    leave();
    application->gameWarp.enter();
    application->gameWarp.Load(file);
    return false;
}

bool LoadingMenu::onReturnToMenu()
{
    Application* application = KySingleton<Application>::instance();
    application->gameWarp.Save("save.xml");
    application->gameWarp.unload();
    KyInputMgrWrapper* input = KyInputMgrWrapper::instance();
    input->setAngle(90.0f);
    input->setOffset(320, 0);
    application->rotationAnim.portraitClose();
    return false;
}

bool LoadingMenu::onPortraitClosed()
{
    Application* application = KySingleton<Application>::instance();
    leave();
    // The boards turned the input for a portrait screen; the menu comes back
    // in the window's own orientation.
    application->onWindowResized();
    application->mainMenu.enter();
    return false;
}

bool LoadingMenu::onQuit()
{
    leave();
    KySingleton<Application>::instance()->mainMenu.enter();
    return false;
}
