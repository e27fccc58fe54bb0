// The tour's script language: what it accepts, and the moves a path sends
// frame by frame.
#include "game/GameTour.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

TEST(GameTour, PathsTakeAFrameCountAndPairsOfNumbers)
{
    struct Case {
        const char* script;
        bool ok;
    };
    const Case cases[] = {{"path 10 100 100", true},     {"path 3 1 2 3 4 5 6", true}, {"path 0 100 100", false},
                          {"path 10 100", false},         {"path 10 1 2 3", false},     {"path ten 1 2", false},
                          {"path 10 1 two", false},       {"path 10", false}};
    for (const Case& c : cases) {
        GameTour tour;
        std::string error;
        EXPECT_EQ(tour.parse(c.script, error), c.ok) << c.script << ": " << error;
    }
}

TEST(GameTour, APathSpeedsUpAndSlowsDownAndEndsOnItsLastPointInItsLastFrame)
{
    GameTour tour;
    std::string error;
    ASSERT_TRUE(tour.parse("path 20 100 50 200 50", error)) << error;
    const GameTour::Step& path = tour.steps().at(0);
    EXPECT_EQ(path.frames, 20u);
    // From (0, 50): 200 units, a move every 4.
    const auto frames = GameTour::pathMoves(path, 0.0f, 50.0f);
    ASSERT_EQ(frames.size(), 20u);
    u32 moves = 0, empty = 0, crowded = 0;
    f32 last = 0.0f;
    for (const auto& frame : frames) {
        moves += u32(frame.size());
        empty += frame.empty() ? 1 : 0;
        crowded += frame.size() > 1 ? 1 : 0;
        for (const auto& p : frame) {
            EXPECT_GT(p.first, last);
            EXPECT_LE(p.first - last, GameTour::PathStep + 1e-3f);
            EXPECT_EQ(p.second, 50.0f);
            last = p.first;
        }
    }
    EXPECT_EQ(moves, 50u);
    EXPECT_GT(empty, 0u) << "slow frames send nothing";
    EXPECT_GT(crowded, 0u) << "fast frames send several moves";
    ASSERT_FALSE(frames.back().empty());
    EXPECT_EQ(frames.back().back(), std::make_pair(200.0f, 50.0f));

    // Nowhere to go: the frames pass without a move.
    ASSERT_TRUE(tour.parse("path 5 200 50", error)) << error;
    for (const auto& frame : GameTour::pathMoves(tour.steps().at(0), 200.0f, 50.0f))
        EXPECT_TRUE(frame.empty());
}
