#ifndef GAME_OBJECTIVES_H
#define GAME_OBJECTIVES_H

#include "core/KyArray.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "ui/KyXMLGUI.h"

class KyLuaGUI;

// One objective: its text and the texts of its sub-objectives.
class Objectif {
public:
    Objectif();

    KyString title;
    s32 subObjectiveCount;
    KyArray<KyString> subObjectives;
};

// The objectives of a game and the screen that lists the active ones.
//
// Objectives and their sub-objectives share one sequence of ids, in table
// order: objective i has the id P(i), with P(0) = 0 and P(i + 1) = P(i) + 1 +
// its sub-objective count, and its sub-objectives the ids that follow it. The
// scripts switch ids on and off ("AddObjective", "RemoveObjective"):
// switching a sub-objective on switches its objective on too, and switching
// off the last active sub-objective of an objective switches it off.
//
// The texts come from the objectives file (named values "Objective0",
// "Objective0Sub0", "Objective0Sub1", ..., "Objective1", ..., each list
// counted from 0 up to the first number that is absent), read through the
// list's XML interface, in the current language's folder beside the file.
// The screen's elements belong to the in-game interface: the layout
// "objectivesPanel" (hidden until the screen shows), its text layout
// "objectivesText" and the full-screen button "objectivesBackgroundButton",
// whose click closes the screen.
class Objectives {
public:
    // "Objectives/Objectives.xml".
    static const char* const ListFile;

    Objectives();
    // Frees the objectives and releases the interface.
    ~Objectives();

    // Replaces the objectives with those of the file; false (the list then
    // empty) when the file cannot be read.
    bool load(const KyString& path);
    // Appends an objective with its sub-objectives.
    void append(const KyString& title, const KyArray<KyString>& subObjectives);
    // No objectives, no active ids.
    void clear();

    // The id of objective index (-1 outside the table).
    s32 idOfObjective(s32 index) const;
    // The index of the objective whose id is id; -1 for any other id (a
    // sub-objective's included).
    s32 objectiveIndexOfId(s32 id) const;
    // The id of the objective that owns the sub-objective id; -1 when id is
    // an objective's own, negative or past the last sub-objective.
    s32 parentIdOfSubObjective(s32 id) const;
    bool isObjectiveActive(s32 id) const;
    // On: the objective of a sub-objective first (once), then id (even when
    // already active). Off: every occurrence of id, then the objective of a
    // sub-objective when none of its sub-objectives is still active.
    void setObjectiveActive(s32 id, bool active);

    // ---- the screen -------------------------------------------------------
    // Takes the screen's elements from the in-game interface (loaded).
    void attach(KyLuaGUI* inGame);
    // Removes the screen's listener; the interface may be unloaded already.
    void detach();
    void show();
    void hide();
    bool isShown();
    // Shows the active entries again when the screen is up.
    void refresh();
    // The markup the screen shows: the title, then every objective that is
    // active or has an active sub-objective, in table order, each followed
    // by its active sub-objectives; a line of its own when none is active.
    KyString text();
    bool onBackgroundClicked();

    s32 objectiveCount;
    KyArray<Objectif*> objectives;
    // The active ids, in the order they were switched on.
    KyArray<int> active;
    // The objectives file's texts.
    KyXMLGUI gui;

private:
    Objectives(const Objectives&) = delete;
    Objectives& operator=(const Objectives&) = delete;

    void removeAll(s32 id);

    KyLuaGUI* m_inGame;
};

// The list's look-ups and switch by pointer, as the game holds the list; a
// null list finds nothing and switches nothing.
s32 objectiveIndexOfId(const Objectives* table, s32 id);
s32 parentIdOfSubObjective(const Objectives* table, s32 id);
bool isObjectiveActive(const Objectives* table, s32 id);
void setObjectiveActive(Objectives* table, s32 id, bool active);

#endif
