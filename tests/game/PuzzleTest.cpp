// The cipher puzzle and its solution screen in a running game on the fake
// clock: the scramble, the turns and their counters, drags of the pointer,
// the stars and the won signal five seconds after the solution, "Quit", and
// the board as drawn (every piece of its own colour).
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/screens/PuzzleCrypte.h"
#include "game/screens/PuzzleCrypteSol.h"
#include "platform/KyInputMgrWrapper.h"
#include "scene/KyWarp.h"
#include "tests/game/GameSession.h"
#include "tests/game/ScreenFixtures.h"
#include "tests/support/TempDir.h"
#include "ui/KySprite.h"
#include "ui/KySpriteButton.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace ScreenFixtures;

namespace {

// Piece numbers by row (top first), then column, after the scramble.
const u32 kScrambled[6][3] = {{8, 15, 16}, {11, 18, 1}, {14, 3, 4}, {17, 6, 7}, {2, 9, 10}, {5, 12, 13}};

struct Counters {
    s32 x, c0, c1, c2;
};

Counters countersOf(const PuzzleCrypte& p)
{
    return {p.difX, p.dif0Y, p.dif1Y, p.dif2Y};
}

bool operator==(const Counters& a, const Counters& b)
{
    return a.x == b.x && a.c0 == b.c0 && a.c1 == b.c1 && a.c2 == b.c2;
}

std::ostream& operator<<(std::ostream& out, const Counters& c)
{
    return out << "(" << c.x << ", " << c.c0 << ", " << c.c1 << ", " << c.c2 << ")";
}

// A game on the test puzzle's data, with a panorama standing in for the
// scene, which the puzzle turns off and on.
class Puzzle : public ::testing::Test {
protected:
    void SetUp() override
    {
        writePuzzle(writerOf(data));
        GameSession::Setup setup;
        setup.dataFolder = data.path();
        game.reset(new GameSession(setup));
        ASSERT_TRUE(game->ok());
        game->app()->gameWarp.currentWarp = &scene;
    }

    void TearDown() override
    {
        if (game && game->ok())
            game->app()->gameWarp.currentWarp = nullptr;
        puzzle.reset();
        solution.reset();
        game.reset();
    }

    // The turns logged since offset, as "BL BR TR TL" names.
    std::string turnsSince(size_t offset) const
    {
        const std::string log = game->log().substr(offset);
        std::string turns;
        size_t at = 0;
        const std::string tag = "PuzzleCrypte On";
        while ((at = log.find(tag, at)) != std::string::npos) {
            turns += (turns.empty() ? "" : " ") + log.substr(at + tag.size(), 2);
            at += tag.size();
        }
        return turns;
    }

    // Every piece stands where the board says, and the board is a whole
    // set of the eighteen.
    void expectBoardInPlace(KyXMLGUI& gui, const PuzzleCrypte::Board& board)
    {
        std::vector<bool> seen(18, false);
        for (u32 c = 0; c < 3; ++c) {
            for (u32 r = 0; r < 6; ++r) {
                KySpriteButton* piece = board[c][r];
                ASSERT_NE(piece, nullptr);
                const KyVector3f32 p = piece->position();
                EXPECT_EQ(p.x, 188.0f + 35.0f * c);
                EXPECT_EQ(p.y, 260.0f - 35.0f * r);
                EXPECT_EQ(p.z, 300.0f);
                const u32 k = pieceOf(gui, board, c, r);
                ASSERT_GE(k, 1u);
                seen[k - 1] = true;
            }
        }
        for (bool s : seen)
            EXPECT_TRUE(s);
    }

    // The number of the piece at a cell of the board.
    static u32 pieceOf(KyXMLGUI& gui, const PuzzleCrypte::Board& board, u32 c, u32 r)
    {
        for (u32 k = 1; k <= 18; ++k) {
            if (gui.spriteButton(KyString(s32(k))) == board[c][r])
                return k;
        }
        return 0;
    }

    // The colour drawn in the middle of a cell, in interface units.
    KyColor cellColour(u32 c, u32 r) { return game->pixel(188.0f + 35.0f * c + 17.5f, 320.0f - (277.5f - 35.0f * r)); }

    void solve()
    {
        // The inverse of the scramble (BR BR BL BL BL BL TL BL BR BL BR BR
        // BL BL): its turns backwards, each column turn undone by five more,
        // the turn of the columns to the left by one to the right.
        static const char kInverse[] = "LLRRLRLTLLLLRR";
        for (const char* turn = kInverse; *turn; ++turn) {
            if (*turn == 'T') {
                puzzle->OnTRButton();
            } else {
                for (int i = 0; i < 5; ++i)
                    *turn == 'L' ? puzzle->OnBLButton() : puzzle->OnBRButton();
            }
        }
    }

    // The puzzle woken over the scene, which it turns off, its won signal
    // counted by wins, then solved.
    void wakeAndSolve(SignalCounter& wins)
    {
        appendListener(puzzle->won, &wins, &SignalCounter::onSignal);
        scene.setActive(false, false);
        puzzle->WakeUp();
        game->frames(1);
        solve();
    }

    TempDir data;
    std::unique_ptr<GameSession> game;
    KyWarp scene;
    std::unique_ptr<PuzzleCrypte> puzzle{new PuzzleCrypte};
    std::unique_ptr<PuzzleCrypteSol> solution{new PuzzleCrypteSol};
};

TEST_F(Puzzle, WakeUpLaysTheBoardOutAndScramblesItWithFourteenTurns)
{
    const size_t start = game->log().size();
    scene.setActive(false, false);
    puzzle->WakeUp();
    game->frames(2);
    ASSERT_TRUE(puzzle->isActive());
    EXPECT_TRUE(puzzle->started);
    EXPECT_FALSE(puzzle->dragging);
    EXPECT_EQ(countersOf(*puzzle), (Counters{-1, -4, -2, -1}));

    const std::string log = game->log().substr(start);
    ASSERT_EQ(log.find("PuzzleCrypte WakeUp\n"), 0u);
    std::string places;
    for (u32 k = 0; k < 18; ++k)
        places += " indices= " + std::to_string(k % 3) + " , " + std::to_string(k / 3) + " /  xml = \n";
    EXPECT_NE(log.find(places), std::string::npos);
    EXPECT_EQ(turnsSince(start), "BR BR BL BL BL BL TL BL BR BL BR BR BL BL");
    // No step of the scramble passes through the solution.
    EXPECT_EQ(log.find("difX= 0, dif0Y= 0, dif1Y= 0, dif2Y= 0 \n"), std::string::npos);
    EXPECT_NE(log.find("difX= -1, dif0Y= -4, dif1Y= -2, dif2Y= -1 \n"), std::string::npos);

    expectBoardInPlace(puzzle->gui, puzzle->board);
    for (u32 r = 0; r < 6; ++r) {
        for (u32 c = 0; c < 3; ++c) {
            SCOPED_TRACE(testing::Message() << "cell " << c << ", " << r);
            EXPECT_EQ(pieceOf(puzzle->gui, puzzle->board, c, r), kScrambled[r][c]);
            EXPECT_TRUE(closeColour(cellColour(c, r), pieceColour(kScrambled[r][c] - 1)));
        }
    }
    // The stars wait for the solution; the background shows where they are.
    for (KySprite* star : puzzle->stars) {
        ASSERT_NE(star, nullptr);
        EXPECT_FALSE(star->isVisible());
        EXPECT_TRUE(star->running);
        EXPECT_EQ(star->frameCount, 7u);
    }
    EXPECT_TRUE(closeColour(game->pixel(138, 320 - 268), PuzzleBackground));
    // The scene stays off while the puzzle is up.
    EXPECT_FALSE(scene.isActive());
}

TEST_F(Puzzle, TurnsMoveTheCountersWithTheirColumnsAndComeRound)
{
    struct Case {
        const char* turns;
        Counters counters;
        bool scrambledBoard;
    };
    const Case cases[] = {
        {"", {-1, -4, -2, -1}, true},
        {"L", {-1, -5, -2, -1}, false},
        {"LL", {-1, 0, -2, -1}, false},
        {"R", {-1, -4, -2, -2}, false},
        // A column turned six times is back, and so is its counter.
        {"LLLLLL", {-1, -4, -2, -1}, true},
        {"RRRRRR", {-1, -4, -2, -1}, true},
        // The counters follow their columns.
        {"T", {0, -1, -4, -2}, false},
        {"t", {-2, -2, -1, -4}, false},
        {"Tt", {-1, -4, -2, -1}, true},
        // Three places round is where the columns started; the count of the
        // turns to the right only comes back to 0 from the other side.
        {"TTT", {2, -4, -2, -1}, true},
        {"ttt", {-1, -4, -2, -1}, true},
        {"TT", {1, -2, -1, -4}, false},
        {"tt", {0, -1, -4, -2}, false},
        // The middle column only turns once it stands at a side.
        {"tL", {-2, -3, -1, -4}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.turns);
        puzzle->WakeUp();
        for (const char* t = c.turns; *t; ++t) {
            switch (*t) {
            case 'L': puzzle->OnBLButton(); break;
            case 'R': puzzle->OnBRButton(); break;
            case 'T': puzzle->OnTRButton(); break;
            default: puzzle->OnTLButton(); break;
            }
        }
        EXPECT_EQ(countersOf(*puzzle), c.counters);
        expectBoardInPlace(puzzle->gui, puzzle->board);
        bool same = true;
        for (u32 r = 0; r < 6; ++r) {
            for (u32 col = 0; col < 3; ++col)
                same = same && pieceOf(puzzle->gui, puzzle->board, col, r) == kScrambled[r][col];
        }
        EXPECT_EQ(same, c.scrambledBoard);
    }
}

TEST_F(Puzzle, DragsTurnOncePerThirtyUnits)
{
    struct Case {
        const char* name;
        const char* script;   // interface units, y down
        const char* turns;
    };
    const Case cases[] = {
        {"31 to the right", "move 200 160\npress\nmove 231 160\nrelease", "TR"},
        {"30 to the right", "move 200 160\npress\nmove 230 160\nrelease", ""},
        {"31 to the left", "move 260 160\npress\nmove 229 160\nrelease", "TL"},
        {"more across than down", "move 200 160\npress\nmove 232 191\nrelease", "TR"},
        {"down at 239: the left column", "move 239 150\npress\nmove 239 181\nrelease", "BL"},
        {"down at 240: the right column", "move 240 150\npress\nmove 240 181\nrelease", "BR"},
        {"30 down", "move 205 150\npress\nmove 205 180\nrelease", ""},
        {"up along a column", "move 205 200\npress\nmove 205 160\nrelease", ""},
        {"a long drag turns at every step",
         "move 150 160\npress\nmove 181 160\nwait 1\nmove 212 160\nwait 1\nmove 243 160\nwait 1\nmove 260 160\n"
         "release", "TR TR TR"},
        {"one long move turns once", "move 150 160\npress\nmove 300 160\nrelease", "TR"},
        {"moves without a press", "move 150 160\nmove 300 160\nmove 150 250", ""},
        {"a press outside the board", "move 20 160\npress\nmove 100 160\nrelease", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        puzzle->WakeUp();
        game->run("wait 1");
        const size_t start = game->log().size();
        game->run(std::string(c.script) + "\nwait 1");
        EXPECT_EQ(turnsSince(start), c.turns);
        EXPECT_FALSE(puzzle->dragging);
        expectBoardInPlace(puzzle->gui, puzzle->board);
    }
}

TEST_F(Puzzle, TheInverseTurnsSolveItAndItIsWonOnceFiveSecondsLater)
{
    SignalCounter wins;
    wakeAndSolve(wins);
    EXPECT_TRUE(puzzle->isSolved());
    expectBoardInPlace(puzzle->gui, puzzle->board);
    for (u32 k = 0; k < 18; ++k)
        EXPECT_EQ(pieceOf(puzzle->gui, puzzle->board, k % 3, k / 3), k + 1);
    // The stars at once, the board as drawn.
    game->frames(1);
    for (KySprite* star : puzzle->stars)
        EXPECT_TRUE(star->isVisible());
    EXPECT_TRUE(closeColour(game->pixel(138, 320 - 268), StarColour));
    for (u32 k = 0; k < 18; ++k)
        EXPECT_TRUE(closeColour(cellColour(k % 3, k / 3), pieceColour(k)));

    // Turns are still possible while the stars shine.
    game->frames(4 * 60);
    EXPECT_EQ(wins.count, 0);
    EXPECT_TRUE(puzzle->isActive());
    game->frames(50);
    EXPECT_EQ(wins.count, 0);
    game->frames(20);
    EXPECT_EQ(wins.count, 1);
    EXPECT_FALSE(puzzle->isActive());
    EXPECT_TRUE(scene.isActive());
    game->frames(10 * 60);
    EXPECT_EQ(wins.count, 1);
    EXPECT_EQ(listenersOf(KyInputMgrWrapper::instance()->onPointerMove(), puzzle.get(), &PuzzleCrypte::onPointerMove),
              0u);
    EXPECT_EQ(puzzle->pieceNames[0], nullptr);
    removeListener(puzzle->won, &wins, &SignalCounter::onSignal);
}

TEST_F(Puzzle, QuitDuringTheWaitClosesWithoutTheSignalAndLeavesNoAlarmBehind)
{
    SignalCounter wins;
    wakeAndSolve(wins);
    game->frames(2 * 60);
    game->run("click 448 32\nwait 2");   // "Quit"
    EXPECT_FALSE(puzzle->isActive());
    EXPECT_TRUE(scene.isActive());
    EXPECT_EQ(puzzle->timer.alarm(), 0u);

    // The puzzle opened again at once is not won by the old alarm.
    scene.setActive(false, false);
    puzzle->WakeUp();
    game->frames(6 * 60);
    EXPECT_EQ(wins.count, 0);
    EXPECT_TRUE(puzzle->isActive());
    EXPECT_FALSE(scene.isActive());
    game->run("click 448 32\nwait 2");
    EXPECT_FALSE(puzzle->isActive());
    EXPECT_EQ(wins.count, 0);
    removeListener(puzzle->won, &wins, &SignalCounter::onSignal);
}

TEST_F(Puzzle, WakingTwiceRegistersNothingTwice)
{
    for (int i = 0; i < 3; ++i) {
        puzzle->WakeUp();
        game->frames(1);
        EXPECT_EQ(listenersOf(KyInputMgrWrapper::instance()->onPointerMove(), puzzle.get(),
                              &PuzzleCrypte::onPointerMove),
                  1u);
        EXPECT_EQ(listenersOf(puzzle->timer.alarmCallbacks, puzzle.get(), &PuzzleCrypte::onWinTimer), 1u);
        ASSERT_NE(puzzle->huge, nullptr);
        EXPECT_EQ(listenersOf(puzzle->huge->onPressed(), puzzle.get(), &PuzzleCrypte::onPress), 1u);
        EXPECT_EQ(countersOf(*puzzle), (Counters{-1, -4, -2, -1}));
    }
    // One drag turns once, not once per wake.
    const size_t start = game->log().size();
    game->run("move 200 160\npress\nmove 231 160\nrelease\nwait 1");
    EXPECT_EQ(turnsSince(start), "TR");
}

TEST_F(Puzzle, ABoardWithoutAPieceIsNotPlayed)
{
    writePuzzle(writerOf(data), 11);
    scene.setActive(false, false);
    puzzle->WakeUp();
    game->frames(2);
    EXPECT_FALSE(puzzle->isActive());
    EXPECT_TRUE(scene.isActive());
    EXPECT_NE(game->log().find("PuzzleCrypte: no piece 11 in Texts/PuzzleCrypte.xml\n"), std::string::npos);
    game->run("move 200 160\npress\nmove 231 160\nrelease\nwait 1");
    EXPECT_EQ(listenersOf(puzzle->timer.alarmCallbacks, puzzle.get(), &PuzzleCrypte::onWinTimer), 0u);
}

TEST_F(Puzzle, TheSolutionShowsTheSolvedBoardWithItsStarsUntilQuit)
{
    scene.setActive(false, false);
    const size_t start = game->log().size();
    solution->WakeUp();
    game->frames(3);
    ASSERT_TRUE(solution->isActive());
    EXPECT_EQ(game->log().find("PuzzleCrypteSol WakeUp\n", start), start);
    puzzle.reset();
    expectBoardInPlace(solution->gui, solution->board);
    for (u32 k = 0; k < 18; ++k) {
        EXPECT_EQ(pieceOf(solution->gui, solution->board, k % 3, k / 3), k + 1);
        EXPECT_TRUE(closeColour(cellColour(k % 3, k / 3), pieceColour(k)));
    }
    for (KySprite* star : solution->stars) {
        ASSERT_NE(star, nullptr);
        EXPECT_TRUE(star->isVisible());
        EXPECT_TRUE(star->running);
    }
    EXPECT_TRUE(closeColour(game->pixel(138, 320 - 268), StarColour));
    // Drags turn nothing here.
    const size_t before = game->log().size();
    game->run("move 200 160\npress\nmove 260 160\nrelease\nwait 1");
    EXPECT_EQ(turnsSince(before), "");

    // Waking it again leaves one listener on "Quit".
    solution->WakeUp();
    game->frames(1);
    ASSERT_NE(solution->quit, nullptr);
    EXPECT_EQ(listenersOf(solution->quit->onClicked(), solution.get(), &PuzzleCrypteSol::OnExitButton), 1u);
    EXPECT_FALSE(scene.isActive());
    game->run("click 448 32\nwait 2");
    EXPECT_NE(game->log().find("\n OnExitButton \n"), std::string::npos);
    EXPECT_FALSE(solution->isActive());
    EXPECT_TRUE(scene.isActive());
    EXPECT_TRUE(closeColour(game->pixel(138, 320 - 268), KyColor(0, 0, 0, 255)));
}

} // namespace
