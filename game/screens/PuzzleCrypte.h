#ifndef GAME_PUZZLE_CRYPTE_H
#define GAME_PUZZLE_CRYPTE_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "platform/Ky3DObject.h"
#include "ui/KyXMLGUI.h"

class KyButton;
class KySprite;
class KySpriteButton;

// The cipher puzzle: eighteen pieces on a board of three columns and six
// rows, read with the rest of its screen from "Texts/PuzzleCrypte.xml". The
// pieces start scrambled; a drag over the board (the invisible button
// "Huge") turns the left or the right column one row down, or the three
// columns one place sideways. Four counters follow the turns; when all are 0
// the board is solved: the stars show, and five seconds later the won
// signal fires and the puzzle closes. "Quit" closes it at any time without
// the signal.
//
// The puzzle is an object of the 2D scene: the interface's widgets hang
// under it, so the position and scale its owner gives it place the whole
// board.
class PuzzleCrypte : public Ky3DObject {
public:
    typedef KyArray<KyICallback0Param*> Signal;

    static const u32 Columns = 3;
    static const u32 Rows = 6;
    static const u32 PieceCount = Columns * Rows;
    static const char* const InterfacePath;
    static const char* const StarNames[4];
    // The solved board: piece k at column k mod 3, row k div 3, at
    // (Left + Pitch c, Top - Pitch r, Depth).
    static constexpr f32 Left = 188.0f;
    static constexpr f32 Top = 260.0f;
    static constexpr f32 Pitch = 35.0f;
    static constexpr f32 Depth = 300.0f;
    // A drag turns once per this many pointer units.
    static const s32 DragStep = 30;
    // From the solution to the won signal, in microseconds.
    static const u64 WinDelay = 5000000;

    typedef KySpriteButton* Board[Columns][Rows];

    PuzzleCrypte();
    ~PuzzleCrypte() override;

    // Builds the screen, scrambles the board and starts; a puzzle already
    // shown is taken down first, so waking it twice registers nothing twice.
    void WakeUp();
    // Takes the screen down and gives the scene its clicks back.
    bool close();
    // Takes the screen down, when it is up, without touching the scene:
    // the game is being left.
    void unload();

    bool onPress();
    bool onRelease();
    bool onPointerMove(unsigned int pointer);
    bool onWinTimer();

    // The turns: the left and right columns one row down, the three columns
    // one place right or left. Each ends with the solution test.
    void OnBLButton();
    void OnBRButton();
    void OnTRButton();
    void OnTLButton();

    bool isActive() const { return active != 0; }
    bool isSolved() const { return difX == 0 && dif0Y == 0 && dif1Y == 0 && dif2Y == 0; }

    // What the puzzle and its solution screen share: the piece names "1" to
    // "18", and the solved board laid out from the loaded interface (each
    // piece placed, logged and enabled). False, with a log line, when a
    // piece is missing; the board then holds what was found.
    static void createNames(KyString* names[PieceCount]);
    static void deleteNames(KyString* names[PieceCount]);
    static bool placeSolved(KyXMLGUI& gui, KyString* const names[PieceCount], Board board);
    // Looks the four stars up and gives each its frame strip, running.
    static void startStars(KyXMLGUI& gui, KySprite* stars[4], bool visible);

    u8 active;
    u8 dragging;
    s32 pressX;
    s32 pressY;
    KyTimer timer;
    KySpriteButton* quit;
    KySprite* background;
    KySprite* stars[4];
    KyButton* huge;
    u8 started;
    Board board;
    KyString* pieceNames[PieceCount];
    s32 difX;
    s32 dif0Y;
    s32 dif1Y;
    s32 dif2Y;
    KyXMLGUI gui;
    // Fired once, five seconds after the board is solved.
    Signal won;

private:
    PuzzleCrypte(const PuzzleCrypte&) = delete;
    PuzzleCrypte& operator=(const PuzzleCrypte&) = delete;

    // Everything close does but giving the scene back.
    void takeDown();
    // Column 0 or 2 one row down.
    void turnColumn(u32 column, s32& counter);
    // The three columns one place: right (+1) or left (-1).
    void turnColumns(s32 direction);
    void moveColumn(u32 column, f32 dx);
    void testSolution();
    // The fourteen turns every game starts with.
    void scramble();
};

#endif
