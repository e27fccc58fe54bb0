#ifndef GAME_LOADING_MENU_H
#define GAME_LOADING_MENU_H

#include "core/KyArray.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "game/screens/Confirm.h"
#include "script/KyLuaGUI.h"
#include "ui/KyLayout.h"

class KyButtonLayout;

// The save-slot menu ("GUI/LoadingMenu.lua", root layout "menu"), opened
// from the main menu. The slot files "Backup/0.xml", "Backup/1.xml", ... are
// whole saves of the game; the interface gives one button layout per slot,
// named by its number, and one layout "slot0", "slot1", ... per place on the
// strip "slots". The buttons go into the places in ascending order of the
// played time their files record; the player drags the strip ("slideButton"
// lies over it) one place per step, and a slot clicked and confirmed closes
// the boards and starts the game from that file. "quitButton" goes back to
// the main menu at once, "returnToMenu" (when the file has it) through the
// boards' portrait closing.
class LoadingMenu {
public:
    // The numbered slots the game keeps: the shipped menu's buttons "0" to
    // "10", for the files "0.xml" to "10.xml"; a new game deletes them, and
    // the start-up clean-up knows the temporaries of these names only.
    static constexpr u32 SlotCount = 11;
    // The file name of a slot: "3.xml".
    static KyString slotFileName(u32 slot);
    // Whether name is the file name of one of the SlotCount slots.
    static bool isSlotFileName(const KyString& name);

    // The played time of a slot without one: after every real time.
    static constexpr f64 NoPlayedTime = 1e43;
    // How far the pointer must move across the strip, as a share of its
    // width, before the strip slides; and how far one slide moves it, as a
    // share of its parent.
    static constexpr f64 DragThreshold = 0.1;
    static constexpr f32 SlideStep = 0.3f;

    // What the menu knows of one slot file, read before any button changes.
    struct SlotFile {
        enum Status : u32 {
            // No file: the slot is empty.
            Missing = 0,
            // The file is not XML TinyXML can read.
            Unreadable = 1,
            // XML, but not a save the game can start from.
            Damaged = 2,
            Usable = 3
        };
        Status status = Missing;
        // The top-level "PlayedTime" "value", NoPlayedTime without one.
        f64 playedTime = NoPlayedTime;
        // Why a file is refused, for the log.
        KyString problem;
    };

    // Reads "Backup/" + fileName: a usable slot is a save the game reads
    // and can start from (well-formed, naming a panorama that loads) and,
    // when it has a top-level "PlayedTime", holds one finite number in its
    // "value".
    static SlotFile readSlotFile(const KyString& fileName);

    // One slot on the strip: a layout that holds the slot's button. An
    // empty slot shows its button disabled; an unreadable or damaged one
    // shows it disabled too and never listens to it, so it can never be
    // loaded.
    class SaveButton : public KyLayout {
    public:
        SaveButton(KyButtonLayout* button, const KyString& name, LoadingMenu* menu);
        // Lets go of the button (it belongs to the interface file).
        ~SaveButton() override;

        // The slot's file chosen, the confirmation shown.
        bool onClick();

        KyButtonLayout* button;
        // The slot number in decimal.
        KyString slotName;
        f64 playedTime;
        SlotFile::Status status;

    private:
        LoadingMenu* m_menu;
        // The button is this layout's child and this one listens to it.
        bool m_adopted;
        bool m_listening;
    };

    LoadingMenu();
    ~LoadingMenu();

    // Shows the menu; a menu already shown is left first, so entering twice
    // registers nothing twice.
    void enter();
    void leave();

    bool onSlidePress();
    bool onPointerMove(unsigned int pointer);
    bool onLoadConfirmed();
    bool onTransitionClosed();
    bool onReturnToMenu();
    bool onPortraitClosed();
    bool onQuit();

    // Whether the menu is shown.
    bool isShown() const { return gui.isLoaded(); }
    u32 slotCount() const { return slots.count(); }

    KyLuaGUI gui;
    Confirm confirm;
    // The slot buttons in the order of the strip; owned.
    KyArray<SaveButton*> slots;
    // The place of the strip shown, 0 to count - 1.
    u32 stripPosition;
    // Where the last press on the strip began, in window pixels.
    s32 pressX;
    s32 pressY;
    // The file of the slot clicked last, such as "3.xml".
    KyString selectedSlotFile;

private:
    LoadingMenu(const LoadingMenu&) = delete;
    LoadingMenu& operator=(const LoadingMenu&) = delete;

    // Builds the buttons the file defines, sorted by played time.
    void buildSlots();
    // Puts the j-th button into the layout "slot" + j.
    void placeSlots();
    // Moves the strip by dx (a share of its parent), through the file's
    // "slideAnimation" when it has one.
    void slideStrip(f32 dx);
    // The slot buttons forget a press that the strip's drag has taken over.
    void resetSlotPresses();
    void deleteSlots();
};

#endif
