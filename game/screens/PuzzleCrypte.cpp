#include "game/screens/PuzzleCrypte.h"

#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "platform/KyInputMgrWrapper.h"
#include "scene/KyWarp.h"
#include "ui/KyButton.h"
#include "ui/KySprite.h"
#include "ui/KySpriteButton.h"

#include <cstdlib>

const char* const PuzzleCrypte::InterfacePath = "Texts/PuzzleCrypte.xml";
const char* const PuzzleCrypte::StarNames[4] = {"stars_one", "stars_two", "stars_three", "stars_four"};

namespace {

// The stars' strip: seven frames at 13 a second, round and round.
const u32 kStarFrames = 7;
const f32 kStarRate = 13.0f;

// A turn counter back to 0 once it has gone the whole way round.
void wrap(s32& counter, s32 round)
{
    if (counter <= -round || counter >= round)
        counter = 0;
}

void movePiece(KySpriteButton* piece, f32 dx, f32 dy)
{
    if (!piece)
        return;
    const KyVector3f32 p = piece->position();
    piece->setPosition(KyVector3f32(p.x + dx, p.y + dy, p.z));
}

// The scene takes clicks again once a puzzle screen has gone.
void reactivateScene()
{
    if (KyWarp* warp = KySingleton<Application>::instance()->gameWarp.currentWarp)
        warp->setActive(true, false);
}

} // namespace

PuzzleCrypte::PuzzleCrypte()
    : active(0)
    , dragging(0)
    , pressX(0)
    , pressY(0)
    , quit(nullptr)
    , background(nullptr)
    , stars{nullptr, nullptr, nullptr, nullptr}
    , huge(nullptr)
    , started(0)
    , board{}
    , pieceNames{}
    , difX(0)
    , dif0Y(0)
    , dif1Y(0)
    , dif2Y(0)
{
    // The interface's widgets hang under the puzzle.
    gui.setParent(this);
}

PuzzleCrypte::~PuzzleCrypte()
{
    if (active)
        takeDown();
    deleteNames(pieceNames);
}

void PuzzleCrypte::createNames(KyString* names[PieceCount])
{
    for (u32 k = 0; k < PieceCount; ++k) {
        delete names[k];
        names[k] = new KyString(s32(k + 1));
    }
}

void PuzzleCrypte::deleteNames(KyString* names[PieceCount])
{
    for (u32 k = 0; k < PieceCount; ++k) {
        delete names[k];
        names[k] = nullptr;
    }
}

bool PuzzleCrypte::placeSolved(KyXMLGUI& gui, KyString* const names[PieceCount], Board board)
{
    bool whole = true;
    for (u32 k = 0; k < PieceCount; ++k) {
        const u32 column = k % Columns;
        const u32 row = k / Columns;
        KySpriteButton* piece = names[k] ? gui.spriteButton(*names[k]) : nullptr;
        board[column][row] = piece;
        logPrint(" indices= %d , %d /  xml = ", s32(column), s32(row));
        logPrint("\n");
        if (!piece) {
            logPrint("PuzzleCrypte: no piece %u in %s\n", k + 1, InterfacePath);
            whole = false;
            continue;
        }
        piece->setPosition(KyVector3f32(Left + Pitch * f32(column), Top - Pitch * f32(row), Depth));
        piece->setEnable(true);
    }
    return whole;
}

void PuzzleCrypte::startStars(KyXMLGUI& gui, KySprite* found[4], bool visible)
{
    for (u32 i = 0; i < 4; ++i) {
        found[i] = gui.sprite(StarNames[i]);
        if (!found[i])
            continue;
        found[i]->setFrameAnimation(kStarFrames, kStarRate, false);
        found[i]->play();
        found[i]->setVisible(visible);
    }
}

void PuzzleCrypte::WakeUp()
{
    logPrint("PuzzleCrypte WakeUp\n");
    if (active)
        takeDown();
    createNames(pieceNames);
    difX = dif0Y = dif1Y = dif2Y = 0;
    gui.Load(InterfacePath);
    background = gui.sprite("Background");
    quit = gui.spriteButton("Quit");
    if (quit)
        appendListener(quit->onClicked(), this, &PuzzleCrypte::close);
    startStars(gui, stars, false);
    huge = gui.button("Huge");
    if (huge) {
        huge->setEnable(true);
        appendListener(huge->onPressed(), this, &PuzzleCrypte::onPress);
    }
    insertListener(KyInputMgrWrapper::instance()->onPointerMove(), this, &PuzzleCrypte::onPointerMove);
    if (huge)
        appendListener(huge->onReleased(), this, &PuzzleCrypte::onRelease);
    active = 1;
    if (!placeSolved(gui, pieceNames, board)) {
        // A board with holes cannot be played: the scene gets its clicks back.
        close();
        return;
    }
    scramble();
    appendListener(timer.alarmCallbacks, this, &PuzzleCrypte::onWinTimer);
    dragging = 0;
    started = 1;
}

void PuzzleCrypte::scramble()
{
    static const char kTurns[] = "RRLLLLTLRLRRLL";
    for (const char* turn = kTurns; *turn; ++turn) {
        if (*turn == 'R')
            OnBRButton();
        else if (*turn == 'L')
            OnBLButton();
        else
            OnTLButton();
    }
}

bool PuzzleCrypte::onPress()
{
    const KyVector2s32 position = KyInputMgrWrapper::instance()->mousePosition(0);
    pressX = position.x;
    pressY = position.y;
    if (started)
        dragging = 1;
    return false;
}

bool PuzzleCrypte::onRelease()
{
    dragging = 0;
    return false;
}

bool PuzzleCrypte::onPointerMove(unsigned int)
{
    if (!dragging)
        return true;
    const KyVector2s32 position = KyInputMgrWrapper::instance()->mousePosition(0);
    const s32 dx = position.x - pressX;
    const s32 dy = position.y - pressY;
    if (std::abs(dx) > std::abs(dy)) {
        if (dx > DragStep) {
            pressX = position.x;
            pressY = position.y;
            OnTRButton();
        } else if (dx < -DragStep) {
            pressX = position.x;
            pressY = position.y;
            OnTLButton();
        }
    } else if (dy < -DragStep) {
        const bool left = pressX < 240;
        pressX = position.x;
        pressY = position.y;
        if (left)
            OnBLButton();
        else
            OnBRButton();
    }
    return true;
}

bool PuzzleCrypte::onWinTimer()
{
    won.call();
    close();
    return true;
}

bool PuzzleCrypte::close()
{
    takeDown();
    reactivateScene();
    return false;
}

void PuzzleCrypte::unload()
{
    if (active)
        takeDown();
}

void PuzzleCrypte::takeDown()
{
    if (quit)
        quit->setEnable(false);
    gui.unload();
    active = 0;
    deleteNames(pieceNames);
    removeListener(KyInputMgrWrapper::instance()->onPointerMove(), this, &PuzzleCrypte::onPointerMove);
    removeListener(timer.alarmCallbacks, this, &PuzzleCrypte::onWinTimer);
    // A win alarm still pending must not fire into the next game.
    timer.setAlarm(0);
    timer.stop();
    dragging = 0;
    started = 0;
    quit = nullptr;
    background = nullptr;
    huge = nullptr;
    for (KySprite*& star : stars)
        star = nullptr;
    for (u32 c = 0; c < Columns; ++c) {
        for (u32 r = 0; r < Rows; ++r)
            board[c][r] = nullptr;
    }
}

void PuzzleCrypte::OnBLButton()
{
    logPrint("PuzzleCrypte OnBLButton\n");
    turnColumn(0, dif0Y);
}

void PuzzleCrypte::OnBRButton()
{
    logPrint("PuzzleCrypte OnBRButton\n");
    turnColumn(2, dif2Y);
}

void PuzzleCrypte::OnTRButton()
{
    logPrint("PuzzleCrypte OnTRButton\n");
    turnColumns(1);
}

void PuzzleCrypte::OnTLButton()
{
    logPrint("PuzzleCrypte OnTLButton\n");
    turnColumns(-1);
}

void PuzzleCrypte::turnColumn(u32 column, s32& counter)
{
    KySpriteButton** pieces = board[column];
    for (u32 r = 0; r + 1 < Rows; ++r)
        movePiece(pieces[r], 0.0f, -Pitch);
    movePiece(pieces[Rows - 1], 0.0f, Pitch * f32(Rows - 1));
    KySpriteButton* last = pieces[Rows - 1];
    for (u32 r = Rows - 1; r > 0; --r)
        pieces[r] = pieces[r - 1];
    pieces[0] = last;
    --counter;
    wrap(counter, s32(Rows));
    testSolution();
}

void PuzzleCrypte::moveColumn(u32 column, f32 dx)
{
    for (u32 r = 0; r < Rows; ++r)
        movePiece(board[column][r], dx, 0.0f);
}

void PuzzleCrypte::turnColumns(s32 direction)
{
    // The columns change places with their counters: to the right the last
    // column comes round to the first place, to the left the first to the
    // last.
    KySpriteButton* columns[Columns][Rows];
    s32 counters[Columns] = {dif0Y, dif1Y, dif2Y};
    s32 moved[Columns];
    for (u32 c = 0; c < Columns; ++c) {
        const u32 from = direction > 0 ? (c + Columns - 1) % Columns : (c + 1) % Columns;
        moveColumn(from, Pitch * f32(s32(c) - s32(from)));
        for (u32 r = 0; r < Rows; ++r)
            columns[c][r] = board[from][r];
        moved[c] = counters[from];
    }
    for (u32 c = 0; c < Columns; ++c) {
        for (u32 r = 0; r < Rows; ++r)
            board[c][r] = columns[c][r];
    }
    dif0Y = moved[0];
    dif1Y = moved[1];
    dif2Y = moved[2];
    difX += direction;
    wrap(difX, s32(Columns));
    testSolution();
}

void PuzzleCrypte::testSolution()
{
    logPrint("difX= %d, dif0Y= %d, dif1Y= %d, dif2Y= %d \n", difX, dif0Y, dif1Y, dif2Y);
    if (!isSolved())
        return;
    for (KySprite* star : stars) {
        if (star)
            star->setVisible(true);
    }
    timer.start();
    timer.setAlarm(timer.getTimeFromStart() + WinDelay);
}
