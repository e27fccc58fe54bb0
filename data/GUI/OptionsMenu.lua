-- The options: three boxes the player may tick (the compass box is built
-- but hidden by the game), the credits and the way back.

local function look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

local function box(name, picture, y)
    local folder = "2D/Menus/Options/"
    return KyCheckboxLayout{
        name = name,
        sizeType = Percent, size = {240 / 480, 30 / 320},
        position = {0.5, y, 0.5},
        activeLayout = look(folder .. picture .. "_on.png"),
        unactiveLayout = look(folder .. picture .. "_off.png"),
        activeDisabledLayout = look(folder .. picture .. "_on.png"),
        unactiveDisabledLayout = look(folder .. picture .. "_off.png"),
        activationSound = "Sounds/SFX/ChoixMenu.wav",
        unactivationSound = "Sounds/SFX/ChoixMenu.wav",
    }
end

KyLayout{
    name = "menu2",
    -- A thin screen: screens are drawn in the order of their depth, and
    -- one as deep as its parent would reach in front of those after it.
    sizeType = Percent, size = {1, 1, 0.05},
    KySpriteLayout{
        name = "background", image = "2D/Menus/MainMenu/Background.jpg",
        sizeType = Percent, size = {1, 1},
    },
    KySpriteLayout{
        name = "panel", image = "2D/Menus/Options/Panel.png",
        sizeType = Percent, size = {320 / 480, 280 / 320},
        position = {0.5, 0.5, 0.5},
    },
    KySpriteLayout{
        name = "title", image = "2D/Menus/Options/Title.png",
        sizeType = Percent, size = {240 / 480, 40 / 320},
        position = {0.5, 52 / 320, 0.5},
    },
    box("musicOn", "Music", 108 / 320),
    box("permanentHelp", "PermanentHelp", 146 / 320),
    box("inverseLook", "InverseLook", 184 / 320),
    box("compassLook", "CompassLook", 222 / 320),
    KyButtonLayout{
        name = "creditsButton",
        sizeType = Percent, size = {160 / 480, 32 / 320},
        position = {0.5, 258 / 320, 0.5},
        upLayout = look("2D/Menus/Options/Credits.png"),
        downLayout = look("2D/Menus/Options/Credits_over.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    },
    KyButtonLayout{
        name = "quitButton",
        sizeType = Percent, size = {36 / 480, 36 / 320},
        position = {376 / 480, 44 / 320, 0.5},
        upLayout = look("2D/Menus/Options/Quit.png"),
        downLayout = look("2D/Menus/Options/Quit_over.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    },
}
