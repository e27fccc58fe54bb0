-- The answers offered to the player. The lock button dims and covers the
-- whole screen while answers are offered; the game puts each answer's entry
-- into the list, which stacks them from the top down.

KyButtonLayout{
    name = "lockButton",
    sizeType = Percent, size = {1, 1, 0.05},
    KySpriteLayout{ name = "questionShade", image = "2D/Menus/Confirm/Shade.png", sizeType = Percent, size = {1, 1} },
    KyListLayout{
        name = "questionList",
        sizeType = Percent, size = {400 / 480, 200 / 320},
        position = {0.5, 0.5, 0.5},
        direction = {0, 1, 0},
        maximumMargin = {0, 0.02, 0},
    },
}
