-- The screen of a yes-or-no question, shared by the questions the menus
-- ask; an interface file makes its screen with the question's picture:
--
--   dofile("GUI/Confirm.lua")("2D/Menus/Confirm/NewGameQuestion.png")
--
-- "confirm" covers the whole screen, so nothing behind the question can be
-- clicked while it shows. The path is relative to the game's data folder,
-- the working folder of the game.

local function look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

local function answer(name, picture, x)
    local folder = "2D/Menus/Confirm/"
    return KyButtonLayout{
        name = name,
        sizeType = Percent, size = {96 / 480, 28 / 320},
        position = {x, 205 / 320, 0.5},
        upLayout = look(folder .. picture .. ".png"),
        downLayout = look(folder .. picture .. "_over.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    }
end

return function(question)
    KyButtonLayout{
        name = "confirm",
        -- A thin screen: screens are drawn in the order of their depth, and
        -- one as deep as its parent would reach in front of those after it.
        sizeType = Percent, size = {1, 1, 0.05},
        KySpriteLayout{ name = "shade", image = "2D/Menus/Confirm/Shade.png", sizeType = Percent, size = {1, 1} },
        KySpriteLayout{
            name = "panel", image = "2D/Menus/Confirm/Panel.png",
            sizeType = Percent, size = {300 / 480, 150 / 320},
            position = {0.5, 0.5, 0.5},
        },
        KySpriteLayout{
            name = "question", image = question,
            sizeType = Percent, size = {260 / 480, 64 / 320},
            position = {0.5, 140 / 320, 0.5},
        },
        answer("yes", "Yes", 180 / 480),
        answer("no", "No", 300 / 480),
    }
end
