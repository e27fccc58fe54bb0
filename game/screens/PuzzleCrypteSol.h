#ifndef GAME_PUZZLE_CRYPTE_SOL_H
#define GAME_PUZZLE_CRYPTE_SOL_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "game/screens/PuzzleCrypte.h"
#include "platform/Ky3DObject.h"
#include "ui/KyXMLGUI.h"

class KySprite;
class KySpriteButton;

// The cipher puzzle's solution, for viewing only: the same screen
// ("Texts/PuzzleCrypte.xml") with the board solved, the stars shining and
// "Quit" to leave it. Nothing is reported when it closes.
class PuzzleCrypteSol : public Ky3DObject {
public:
    PuzzleCrypteSol();
    ~PuzzleCrypteSol() override;

    // Shows the solved board; a screen already shown is taken down first.
    void WakeUp();
    // "Quit": takes the screen down and gives the scene its clicks back.
    bool OnExitButton();
    // Takes the screen down without touching the scene.
    void unload();

    bool isActive() const { return active != 0; }

    u8 active;
    KySprite* background;
    KySpriteButton* quit;
    KySprite* stars[4];
    PuzzleCrypte::Board board;
    KyString* pieceNames[PuzzleCrypte::PieceCount];
    KyXMLGUI gui;

private:
    PuzzleCrypteSol(const PuzzleCrypteSol&) = delete;
    PuzzleCrypteSol& operator=(const PuzzleCrypteSol&) = delete;

    void takeDown();
};

#endif
