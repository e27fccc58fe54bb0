#include "game/screens/PuzzleCrypteSol.h"

#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "scene/KyWarp.h"
#include "ui/KySprite.h"
#include "ui/KySpriteButton.h"

PuzzleCrypteSol::PuzzleCrypteSol()
    : active(0)
    , background(nullptr)
    , quit(nullptr)
    , stars{nullptr, nullptr, nullptr, nullptr}
    , board{}
    , pieceNames{}
{
    // The interface's widgets hang under the screen.
    gui.setParent(this);
}

PuzzleCrypteSol::~PuzzleCrypteSol()
{
    PuzzleCrypte::deleteNames(pieceNames);
}

void PuzzleCrypteSol::WakeUp()
{
    logPrint("PuzzleCrypteSol WakeUp\n");
    if (active)
        takeDown();
    PuzzleCrypte::createNames(pieceNames);
    gui.Load(PuzzleCrypte::InterfacePath);
    background = gui.sprite("Background");
    PuzzleCrypte::startStars(gui, stars, true);
    quit = gui.spriteButton("Quit");
    if (quit)
        appendListener(quit->onClicked(), this, &PuzzleCrypteSol::OnExitButton);
    PuzzleCrypte::placeSolved(gui, pieceNames, board);
    active = 1;
}

bool PuzzleCrypteSol::OnExitButton()
{
    logPrint("\n OnExitButton \n");
    takeDown();
    if (KyWarp* warp = KySingleton<Application>::instance()->gameWarp.currentWarp)
        warp->setActive(true, false);
    return false;
}

void PuzzleCrypteSol::unload()
{
    takeDown();
}

void PuzzleCrypteSol::takeDown()
{
    if (quit)
        quit->setEnable(false);
    gui.unload();
    PuzzleCrypte::deleteNames(pieceNames);
    active = 0;
    quit = nullptr;
    background = nullptr;
    for (KySprite*& star : stars)
        star = nullptr;
    for (u32 c = 0; c < PuzzleCrypte::Columns; ++c) {
        for (u32 r = 0; r < PuzzleCrypte::Rows; ++r)
            board[c][r] = nullptr;
    }
}
