// The objectives of a game: the list made when the game is entered, the
// scripts' "AddObjective" and "RemoveObjective", and the in-game button that
// shows the objectives screen.

#include "game/GameWarp.h"
#include "game/Listeners.h"
#include "game/screens/Objectives.h"
#include "ui/KyButtonLayout.h"

void GameWarp::addObjective(s32 id)
{
    if (!objectives)
        return;
    setObjectiveActive(objectives, id, true);
    objectives->refresh();
}

void GameWarp::removeObjective(s32 id)
{
    if (!objectives)
        return;
    setObjectiveActive(objectives, id, false);
    objectives->refresh();
}

void GameWarp::createObjectives()
{
    destroyObjectives();
    objectives = new Objectives;
    // A game without an objectives file still has its (empty) list.
    objectives->load(Objectives::ListFile);
    objectives->attach(&inGameGui);
    if (KyButtonLayout* button = inGameGui.buttonLayout("objectivesButton"))
        appendListener(button->onValidated, this, &GameWarp::onObjectivesClicked);
}

void GameWarp::destroyObjectives()
{
    if (!objectives)
        return;
    if (KyButtonLayout* button = inGameGui.buttonLayout("objectivesButton"))
        removeListener(button->onValidated, this, &GameWarp::onObjectivesClicked);
    delete objectives;
    objectives = nullptr;
}

bool GameWarp::onObjectivesClicked()
{
    if (objectives)
        objectives->show();
    return false;
}
