#include "game/screens/Inventory.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/screens/InventoryMenu.h"
#include "game/screens/InventoryObject.h"
#include "game/screens/SlotPages.h"
#include "game/screens/TopLevelList.h"
#include "ui/KyButtonLayout.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"

#include <cstdlib>
#include <cstring>

const char* const Inventory::InterfacePath = "Inventory/Inventory.lua";
const char* const Inventory::CaptionStyle =
    "<section style=\"center\" /><color r=\"255\" g=\"255\" b=\"255\"/>"
    "<font file=\"Common/Fonts/Colaborate-Regular_r_24.kyf\" />";

namespace {

const char* const kPowerPrefix = "powersPage";
const char* const kPagePrefix = "page";
// The name of the object in hand while there is none.
const KyString kNothingInHand;

// The page kinds in the order they are walked and saved.
struct PageKind {
    const char* prefix;
    const char* saveElement;
};
const PageKind kPageKinds[] = {{kPowerPrefix, "PowerPage"}, {kPagePrefix, "Page"}};

bool named(const TiXmlElement* element, const char* name)
{
    return element->Value() && std::strcmp(element->Value(), name) == 0;
}

// Calls visit for each child element of parent with that name.
template <class Visit>
void forEachChildElement(const TiXmlElement* parent, const char* name, Visit visit)
{
    for (const TiXmlElement* child = parent->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (named(child, name))
            visit(child);
    }
}

void setCurrentObjectSprite(const KyString& image)
{
    KySingleton<Application>::instance()->gameWarp.setCurrentObjectSprite(image);
}

} // namespace

bool InventoryObjectsList::load(const KyString& path, KyString& error, s32& row, s32& column)
{
    return TopLevelList::load(path, "Object", entries, error, row, column, [](const TiXmlElement& element) {
        Entry entry;
        entry.id = element.Attribute("id");
        if (const char* name = element.Attribute("name")) {
            entry.hasName = true;
            entry.name = name;
        }
        if (const char* description = element.Attribute("description")) {
            entry.hasDescription = true;
            entry.description = description;
        }
        if (const char* power = element.Attribute("power"))
            entry.power = s32(std::atoi(power));
        return entry;
    });
}

KyString InventoryObjectsList::name(const KyString& id) const
{
    return TopLevelList::first(entries, id, &Entry::hasName, &Entry::name);
}

KyString InventoryObjectsList::description(const KyString& id) const
{
    return TopLevelList::first(entries, id, &Entry::hasDescription, &Entry::description);
}

bool InventoryObjectsList::isPower(const KyString& id) const
{
    for (const Entry& entry : entries) {
        if (entry.id == id)
            return entry.power > 0;
    }
    return false;
}

Inventory::Inventory(InventoryMenu* owner)
    : menu(owner)
    , currentPage(0)
    , selectedObject(nullptr)
{
    // Thin within the menu, so that the frame after it stays in front of
    // the slots (layouts draw and take clicks in the order of their
    // depth). Load keeps this depth.
    setSize(KyVector3f32(1.0f, 1.0f, 0.1f));
}

Inventory::~Inventory()
{
    if (gui.isLoaded())
        unload();
}

KyString Inventory::objectsListPath()
{
    const KyString folder("Inventory/Objects/");
    const KyString candidates[3] = {
        folder + KyString("Objects_") + KySingleton<KyCore>::instance()->language() + KyString(".xml"),
        folder + KyString("Objects.xml"), folder + KyString("Objects_en.xml")};
    return SlotPages::firstExistingFile(candidates, 3);
}

void Inventory::Load()
{
    // A second load without an unload would orphan the objects carried.
    if (gui.isLoaded())
        unload();
    SlotPages::loadScreen(*this, gui, "inventory", InterfacePath, "inventory");
    if (KyButtonLayout* previous = gui.buttonLayout("previousPage"))
        appendListener(previous->onValidated, this, &Inventory::onPreviousPage);
    if (KyButtonLayout* next = gui.buttonLayout("nextPage"))
        appendListener(next->onValidated, this, &Inventory::onNextPage);
    currentPage = 0;
    selectedObject = nullptr;

    const KyString path = objectsListPath();
    KyString error;
    s32 row = 0;
    s32 column = 0;
    if (!objectsList.load(path, error, row, column))
        logPrint("[Inventory::Load] file :%s error : %s ligne : %d colonne : %d\n", path.c_str(), error.c_str(), row,
                 column);
    // Hidden whether or not the list could be read: the menu shows the
    // inventory when it opens.
    if (KySpriteLayout* selection = gui.spriteLayout("selectionSprite"))
        selection->setVisible(false);
    setVisible(false);
}

std::vector<InventoryObject*> Inventory::objects()
{
    std::vector<InventoryObject*> found;
    for (const PageKind& kind : kPageKinds)
        SlotPages::collect(gui, kind.prefix, found);
    return found;
}

void Inventory::unload()
{
    // Only the objects: the selection marker may stand in a slot too, and
    // it belongs to the interface.
    for (InventoryObject* object : objects())
        delete object;
    selectedObject = nullptr;
    SlotPages::unloadInterface(*this, gui, "inventory");
}

bool Inventory::addObject(InventoryObject* object)
{
    const char* prefix = isPowerObject(object->name) ? kPowerPrefix : kPagePrefix;
    KyLayout* slot = SlotPages::firstFreeSlot(gui, prefix);
    if (!slot)
        return false;
    slot->addChild(object);
    insertListener(object->onSelected, this, &Inventory::OnObjectSelected);
    return true;
}

void Inventory::addObjectByName(const KyString& name)
{
    InventoryObject* object = new InventoryObject();
    object->load(name);
    if (!addObject(object))
        delete object;
}

void Inventory::removeObject(const KyString& name)
{
    for (InventoryObject* object : objects()) {
        if (object->name != name)
            continue;
        if (KyI3DObject2* slot = object->parent())
            slot->removeChild(object);
        if (object == selectedObject)
            selectObject(nullptr);
        delete object;
        return;
    }
}

void Inventory::removeObjectInHand()
{
    if (!selectedObject)
        return;
    delete selectedObject;
    selectObject(nullptr);
}

void Inventory::selectObject(InventoryObject* object)
{
    setCurrentObjectSprite(KyString());
    KySpriteLayout* selection = gui.spriteLayout("selectionSprite");
    if (selection && selection->parent())
        selection->parent()->removeChild(selection);
    KyTextLayout* caption = gui.textLayout("text");
    KySpriteLayout* icon = gui.spriteLayout("currentObjectSprite");
    if (object) {
        const bool shown = object->worldVisible();
        if (selection) {
            selection->setVisible(shown);
            if (KyI3DObject2* slot = object->parent())
                slot->addChild(selection);
        }
        if (caption)
            caption->setText(KyString(CaptionStyle) + getObjectName(object->name) + KyString("<br/>") +
                             getObjectDescription(object->name));
        if (icon) {
            icon->setVisible(shown);
            // A missing icon must not leave the previous object's showing.
            icon->unload();
            icon->load(object->iconPath());
        }
    } else {
        if (selection)
            selection->setVisible(false);
        if (caption)
            caption->setText(KyString());
        if (icon)
            icon->setVisible(false);
    }
    selectedObject = object;
    if (object)
        setCurrentObjectSprite(object->picturePath());
}

const KyString& Inventory::selectedObjectName() const
{
    return selectedObject ? selectedObject->name : kNothingInHand;
}

KyString Inventory::getObjectName(const KyString& id)
{
    return objectsList.name(id);
}

KyString Inventory::getObjectDescription(const KyString& id)
{
    return objectsList.description(id);
}

bool Inventory::isPowerObject(const KyString& id)
{
    return objectsList.isPower(id);
}

void Inventory::showPage(s32 page)
{
    if (!SlotPages::showPage(gui, page))
        return;
    currentPage = page;
    if (selectedObject)
        selectObject(selectedObject);
}

void Inventory::show()
{
    setVisible(true);
    showPage(currentPage);
    selectObject(selectedObject);
}

void Inventory::hide()
{
    setVisible(false);
}

bool Inventory::onPreviousPage()
{
    showPage(currentPage - 1);
    return false;
}

bool Inventory::onNextPage()
{
    showPage(currentPage + 1);
    return false;
}

bool Inventory::OnObjectSelected(InventoryObject& object)
{
    selectObject(&object);
    logPrint("OnObjectSelected\n");
    if (doubleClickTimer.isPaused()) {
        doubleClickTimer.start();
        return false;
    }
    if (doubleClickTimer.timeSinceLastCall() < f64(DoubleClickMicroseconds) && menu)
        menu->close();
    return false;
}

void Inventory::Save(TiXmlNode* parent)
{
    TiXmlElement* section = new TiXmlElement("Inventory");
    for (const PageKind& kind : kPageKinds) {
        for (s32 p = 0; SlotPages::page(gui, kind.prefix, p); ++p) {
            TiXmlElement* page = new TiXmlElement(kind.saveElement);
            for (s32 s = 0;; ++s) {
                KyLayout* slot = SlotPages::slot(gui, kind.prefix, p, s);
                if (!slot)
                    break;
                TiXmlElement* slotElement = new TiXmlElement("Slot");
                std::vector<InventoryObject*> held;
                SlotPages::collect(slot, held);
                for (InventoryObject* object : held)
                    object->Save(slotElement);
                page->LinkEndChild(slotElement);
            }
            section->LinkEndChild(page);
        }
    }
    parent->LinkEndChild(section);
}

void Inventory::loadFromSave(const TiXmlElement* section, s32 major, s32 minor)
{
    if (!section)
        return;
    const bool oldForm = major == 1 && minor == 0;
    // The object elements first, in the order of the file; then the objects.
    std::vector<const TiXmlElement*> entries;
    for (const TiXmlElement* list = section->FirstChildElement(); list; list = list->NextSiblingElement()) {
        if (oldForm) {
            if (!named(list, "SpellsObjectList") && !named(list, "InventObjectList"))
                continue;
            forEachChildElement(list, "InventObjectList", [&entries](const TiXmlElement* inner) {
                forEachChildElement(inner, "ZeltObject", [&entries](const TiXmlElement* object) {
                    entries.push_back(object);
                });
            });
        } else {
            if (!named(list, "PowerPage") && !named(list, "Page"))
                continue;
            forEachChildElement(list, "Slot", [&entries](const TiXmlElement* slot) {
                forEachChildElement(slot, "Object", [&entries](const TiXmlElement* object) {
                    entries.push_back(object);
                });
            });
        }
    }
    for (const TiXmlElement* entry : entries) {
        // Once every slot is taken the rest could only be made and thrown
        // away again, picture and all.
        if (!SlotPages::firstFreeSlot(gui, kPagePrefix) && !SlotPages::firstFreeSlot(gui, kPowerPrefix)) {
            logPrint("[Inventory::loadFromSave] every slot is taken: %u objects of the save left out\n",
                     u32(entries.size() - (&entry - entries.data())));
            break;
        }
        InventoryObject* object = new InventoryObject();
        const bool loaded = object->loadFromSave(entry, major, minor);
        // An old save's object without its picture is dropped.
        if ((oldForm && !loaded) || !addObject(object))
            delete object;
    }
}
