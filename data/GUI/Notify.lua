-- A notification: a small plate near the top of the screen with a picture
-- and a line of text. "sprite" carries the colour the three fades drive, so
-- the plate and all it holds fade together.

KyLayout{
    name = "notify",
    sizeType = Percent, size = {1, 1, 0.05},
    KyLayout{
        name = "sprite",
        sizeType = Percent, size = {240 / 480, 60 / 320},
        position = {0.5, 44 / 320, 0.5},
        KySpriteLayout{ name = "frame", image = "2D/Notify/Frame.png", sizeType = Percent, size = {1, 1} },
        KySpriteLayout{
            name = "image",
            sizeType = Percent, size = {44 / 240, 44 / 60},
            position = {32 / 240, 0.5, 0.5},
        },
        KyTextLayout{
            name = "text",
            sizeType = Percent, size = {170 / 240, 44 / 60},
            position = {147 / 240, 0.5, 0.5},
        },
    },
}

local clear = {255, 255, 255, 0}
local shown = {255, 255, 255, 255}
KyColorLinearAnimation{ name = "fadeIn", duration = 400, startValue = clear, endValue = shown, curve = {0, 1} }
KyColorLinearAnimation{ name = "visible", duration = 1600, startValue = shown, endValue = shown, curve = {0, 1} }
KyColorLinearAnimation{ name = "fadeOut", duration = 500, startValue = shown, endValue = clear, curve = {0, 1} }
