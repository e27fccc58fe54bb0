-- The credits screen of every language: its text starts below the screen
-- and scrolls up; the game moves it and closes the screen when its end has
-- passed. Each language's interface file makes the screen with its text:
--
--   dofile("GUI/CreditsScreen.lua")([[...]])
--
-- The path is relative to the game's data folder, the working folder of
-- the game.

local function look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

return function(text)
    KyLayout{
        name = "menu",
        -- A thin screen: screens are drawn in the order of their depth.
        sizeType = Percent, size = {1, 1, 0.05},
        KySpriteLayout{
            name = "background", image = "2D/Menus/MainMenu/Background.jpg",
            sizeType = Percent, size = {1, 1},
        },
        KySpriteLayout{
            name = "shade", image = "2D/Menus/Confirm/Shade.png",
            sizeType = Percent, size = {1, 1},
        },
        KyTextLayout{
            name = "text",
            sizeType = Percent, size = {0.9, 0.1},
            anchor = {0.5, 0, 0.5},
            position = {0.5, 0.95, 0.5},
            interLine = 4,
            text = text,
        },
        KyButtonLayout{
            name = "quitButton2",
            sizeType = Percent, size = {36 / 480, 36 / 320},
            position = {448 / 480, 32 / 320, 0.5},
            upLayout = look("2D/Menus/Options/Quit.png"),
            downLayout = look("2D/Menus/Options/Quit_over.png"),
            validationSound = "Sounds/SFX/ChoixMenu.wav",
        },
    }
end
