#include "game/GameWarp.h"

#include "scene/KyWarp.h"

GameWarp::GameWarp()
    : currentWarp(nullptr)
    , animationWarp(nullptr)
    , helpShown(0)
    , gameRunning(0)
{
}

GameWarp::~GameWarp()
{
    unload();
    for (KyList<KyWarp*>::iterator i = warps.begin(); i != warps.end(); ++i)
        delete *i;
    warps.clear();
}

void GameWarp::enter() {}

void GameWarp::Load(const KyString& fileName)
{
    (void)fileName;
}

void GameWarp::Save(const KyString& fileName)
{
    (void)fileName;
}

void GameWarp::unload() {}

void GameWarp::finishGame()
{
    gameRunning = 0;
}

void GameWarp::updateView()
{
    if (!gameRunning)
        return;
}

void GameWarp::drawWarps()
{
    if (!gameRunning)
        return;
    if (currentWarp)
        currentWarp->render();
    if (animationWarp)
        animationWarp->render();
}

void GameWarp::resizeWarps(f32 width, f32 height)
{
    if (currentWarp)
        currentWarp->resize(width, height);
    if (animationWarp)
        animationWarp->resize(width, height);
    for (KyList<KyWarp*>::iterator i = warps.begin(); i != warps.end(); ++i) {
        if (*i != currentWarp && *i != animationWarp)
            (*i)->resize(width, height);
    }
}

KyString GameWarp::currentWarpName()
{
    return currentWarp ? KyString(currentWarp->path()) : KyString();
}
