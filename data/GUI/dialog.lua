-- The dialog box. It rises from the bottom edge of the screen with the
-- speaker's portrait and the line, and goes down again when the voice has
-- ended. The lock button it stands on covers the whole screen while lines
-- are in progress, so the scene cannot be clicked behind them.
--
-- The box is moved by its anchor: y 0 puts its top edge on the bottom of the
-- screen (hidden), y 1 its bottom edge (shown whole).

local down = {0.5, 0, 0.5}
local up = {0.5, 1, 0.5}

KyButtonLayout{
    name = "dialogLockButton",
    sizeType = Percent, size = {1, 1},
    KyButtonLayout{
        name = "dialog",
        sizeType = Percent, size = {460 / 480, 96 / 320},
        anchor = down, position = {0.5, 316 / 320, 0.5},
        -- Children are drawn in their order: the parchment first.
        KySpriteLayout{ name = "dialogBox", image = "2D/Dialogs/Box.png", sizeType = Percent, size = {1, 1} },
        KySpriteLayout{
            name = "avatar",
            sizeType = Percent, size = {80 / 460, 80 / 96},
            position = {50 / 460, 0.5, 0.5},
        },
        KyTextLayout{
            name = "text",
            sizeType = Percent, size = {344 / 460, 78 / 96},
            position = {276 / 460, 0.5, 0.5},
            interLine = 2,
        },
    },
}

local curve = {0, 0.35, 0.65, 0.85, 0.95, 1}
KyLayoutAnchorLinearAnimation{ name = "dialogAnimationUp", duration = 350,
    startValue = down, endValue = up, curve = curve }
KyLayoutAnchorLinearAnimation{ name = "dialogAnimationDown", duration = 300,
    startValue = up, endValue = down, curve = curve }
