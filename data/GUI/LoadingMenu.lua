-- The save slots, on the boards of the slot strip; "quitButton" goes back to
-- the main menu.

local function look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

KyLayout{
    name = "menu",
    -- A thin screen: screens are drawn in the order of their depth, and
    -- one as deep as its parent would reach in front of those after it.
    sizeType = Percent, size = {1, 1, 0.05},
    KySpriteLayout{
        name = "background", image = "2D/Menus/LoadingMenu/Background_H.png",
        sizeType = Percent, size = {1, 1},
    },
    KySpriteLayout{
        name = "title", image = "2D/Menus/LoadingMenu/Title.png",
        sizeType = Percent, size = {240 / 480, 40 / 320},
        position = {0.5, 36 / 320, 0.5},
    },
    KyButtonLayout{
        name = "quitButton",
        sizeType = Percent, size = {36 / 480, 36 / 320},
        position = {448 / 480, 32 / 320, 0.5},
        upLayout = look("2D/Menus/Options/Quit.png"),
        downLayout = look("2D/Menus/Options/Quit_over.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    },
}
