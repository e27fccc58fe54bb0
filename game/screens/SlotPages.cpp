#include "game/screens/SlotPages.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "script/KyLuaGUI.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyLayout.h"
#include "ui/KySpriteLayout.h"

KyString SlotPages::pageName(const char* prefix, s32 page)
{
    return KyString(prefix) + KyString(page);
}

KyString SlotPages::slotName(const char* prefix, s32 page, s32 slot)
{
    return pageName(prefix, page) + KyString("Slot") + KyString(slot);
}

KyLayout* SlotPages::page(KyLuaGUI& gui, const char* prefix, s32 page)
{
    if (page < 0)
        return nullptr;
    return gui.layout(pageName(prefix, page));
}

KyLayout* SlotPages::slot(KyLuaGUI& gui, const char* prefix, s32 page, s32 slot)
{
    if (page < 0 || slot < 0)
        return nullptr;
    return gui.layout(slotName(prefix, page, slot));
}

KyLayout* SlotPages::firstFreeSlot(KyLuaGUI& gui, const char* prefix)
{
    KyLayout* free = nullptr;
    forEachSlot(gui, prefix, [&free](KyLayout* slot) {
        if (!free && slot->childCount() == 0)
            free = slot;
    });
    return free;
}

void SlotPages::loadScreen(KyLayout& screen, KyLuaGUI& gui, const char* name, const char* interfacePath,
                           const char* rootName)
{
    screen.setName(name);
    screen.setSizeType(KyLayout::Percent);
    screen.setSize(KyVector3f32(1.0f, 1.0f, screen.userSize().z));
    gui.load(interfacePath);
    if (KyLayout* root = gui.layout(rootName))
        screen.addChild(root);
}

void SlotPages::unloadInterface(KyLayout& holder, KyLuaGUI& gui, const char* rootName)
{
    if (KyLayout* root = gui.layout(rootName))
        holder.removeChild(root);
    gui.unload();
}

KyButtonLayout* SlotPages::loadItem(KyLayout& item, KyLuaGUI& gui, const char* interfacePath,
                                    const KyString& picture)
{
    item.setSizeType(KyLayout::Percent);
    item.setSize(KyVector3f32(1.0f, 1.0f, 1.0f));
    gui.load(interfacePath);
    if (KyLayout* button = gui.layout("object"))
        item.addChild(button);
    if (KySpriteLayout* sprite = gui.spriteLayout("upLayout"))
        sprite->load(picture);
    return gui.buttonLayout("object");
}

bool SlotPages::showPage(KyLuaGUI& gui, s32 shown)
{
    if (!page(gui, "page", shown))
        return false;
    for (s32 i = 0;; ++i) {
        KyLayout* each = page(gui, "page", i);
        if (!each)
            break;
        each->setVisible(i == shown);
        if (KyButtonLayout* diode = gui.buttonLayout(pageName("diode", i))) {
            diode->state = i == shown ? u32(KyButtonLayout::StateDisabled) : u32(KyButtonLayout::StateUp);
            diode->setState(diode->state);
        }
    }
    return true;
}

KyString SlotPages::firstExistingFile(const KyString* candidates, u32 count)
{
    for (u32 i = 0; i + 1 < count; ++i) {
        if (KyFile::exists(candidates[i]))
            return candidates[i];
    }
    return count ? candidates[count - 1] : KyString();
}

KyString SlotPages::localisedFile(const KyString& folder, const KyString& name)
{
    const KyString language = KySingleton<KyCore>::instance()->language();
    const KyString candidates[3] = {folder + language + KyString("/") + name, folder + name,
                                    folder + KyString("en/") + name};
    return firstExistingFile(candidates, 3);
}
