#ifndef GAME_SLOT_PAGES_H
#define GAME_SLOT_PAGES_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "ui/KyLayout.h"

#include <vector>

class KyButtonLayout;
class KyLuaGUI;

// The pages of slots of the inventory and of the documents browser, found by
// name in the screen's interface each time they are needed: pages
// prefix + p ("page0", "powersPage1"), their slots prefix + p + "Slot" + s
// ("page0Slot3") and the page indicators "diode" + p. Pages are counted from
// 0 up to the first missing number, the slots of a page likewise, so the
// interface file alone fixes how many there are. A slot is free when it has
// no child at all.
class SlotPages {
public:
    static KyString pageName(const char* prefix, s32 page);
    static KyString slotName(const char* prefix, s32 page, s32 slot);
    // Null for a negative number or a missing layout.
    static KyLayout* page(KyLuaGUI& gui, const char* prefix, s32 page);
    static KyLayout* slot(KyLuaGUI& gui, const char* prefix, s32 page, s32 slot);

    // The first free slot, page by page, slot by slot; null when all are
    // taken.
    static KyLayout* firstFreeSlot(KyLuaGUI& gui, const char* prefix);

    // Calls visit(slot) for every slot of every page, in order.
    template <class Visit>
    static void forEachSlot(KyLuaGUI& gui, const char* prefix, Visit visit)
    {
        for (s32 p = 0; page(gui, prefix, p); ++p) {
            for (s32 s = 0;; ++s) {
                KyLayout* found = slot(gui, prefix, p, s);
                if (!found)
                    break;
                visit(found);
            }
        }
    }

    // Appends the children of type Item of a slot, in child order.
    template <class Item>
    static void collect(KyLayout* slot, std::vector<Item*>& found)
    {
        for (u32 i = 0; i < slot->childCount(); ++i) {
            if (Item* item = dynamic_cast<Item*>(slot->child(i)))
                found.push_back(item);
        }
    }
    // The same for every slot of every page, in order.
    template <class Item>
    static void collect(KyLuaGUI& gui, const char* prefix, std::vector<Item*>& found)
    {
        forEachSlot(gui, prefix, [&found](KyLayout* slot) { collect(slot, found); });
    }

    // Loads a screen's interface into the screen: it takes name, fills its
    // parent (the depth it has is kept) and holds the interface's layout
    // rootName.
    static void loadScreen(KyLayout& screen, KyLuaGUI& gui, const char* name, const char* interfacePath,
                           const char* rootName);
    // Takes the interface's layout rootName out of holder (a screen, an
    // item) and unloads the interface.
    static void unloadInterface(KyLayout& holder, KyLuaGUI& gui, const char* rootName);

    // Loads the interface of an item that sits in a slot (a document, an
    // object): the item fills its slot and holds the button "object", whose
    // sprite "upLayout" shows picture. Returns that button for the click,
    // or null.
    static KyButtonLayout* loadItem(KyLayout& item, KyLuaGUI& gui, const char* interfacePath,
                                    const KyString& picture);

    // Shows the ordinary page "page" + shown alone and gives its indicator
    // the disabled look (state 2), the others the up look (state 0). The
    // state is stored before the look is refreshed, so no indicator fires a
    // state signal. False, with nothing changed, when that page is missing.
    static bool showPage(KyLuaGUI& gui, s32 shown);

    // The first of the candidate files that exists, else the last one.
    static KyString firstExistingFile(const KyString* candidates, u32 count);
    // The three places a localised file is looked for: folder + language +
    // "/" + name, folder + name, folder + "en/" + name; the first that
    // exists, else the last.
    static KyString localisedFile(const KyString& folder, const KyString& name);

private:
    SlotPages() = delete;
};

#endif
