-- The main menu: the title over the valley at dusk, the five buttons of the
-- game, the version and two small buttons in the corner. Sizes and places
-- are fractions of the 480 x 320 screen.

local function look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

local function menuButton(name, picture, y)
    local folder = "2D/Menus/MainMenu/"
    return KyButtonLayout{
        name = name,
        sizeType = Percent, size = {160 / 480, 32 / 320},
        position = {0.5, y, 0.5},
        upLayout = look(folder .. picture .. ".png"),
        downLayout = look(folder .. picture .. "_over.png"),
        disabledLayout = look(folder .. picture .. "_disabled.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    }
end

local function cornerButton(name, picture, x)
    local folder = "2D/Menus/MainMenu/"
    return KyButtonLayout{
        name = name,
        sizeType = Percent, size = {30 / 480, 30 / 320},
        position = {x, 290 / 320, 0.5},
        upLayout = look(folder .. picture .. ".png"),
        downLayout = look(folder .. picture .. "_over.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    }
end

KyLayout{
    name = "menu",
    -- A thin screen: screens are drawn in the order of their depth, and
    -- one as deep as its parent would reach in front of those after it.
    sizeType = Percent, size = {1, 1, 0.05},
    KySpriteLayout{
        name = "background", image = "2D/Menus/MainMenu/Background.jpg",
        sizeType = Percent, size = {1, 1},
    },
    KySpriteLayout{
        name = "title", image = "2D/Menus/MainMenu/Title.png",
        sizeType = Percent, size = {336 / 480, 84 / 320},
        position = {0.5, 58 / 320, 0.5},
    },
    menuButton("newGameButton", "NewGameButton", 140 / 320),
    menuButton("continueGameButton", "Continue", 176 / 320),
    menuButton("loadGameButton", "Load", 212 / 320),
    menuButton("optionsButton", "Options", 248 / 320),
    menuButton("quitButton", "Quit", 284 / 320),
    cornerButton("plusPartButton", "PlusPart", 412 / 480),
    cornerButton("facebookButton", "Share", 448 / 480),
    KyTextLayout{
        name = "versionNumber",
        sizeType = Pixel, size = {120, 20},
        anchor = {0, 1, 0.5},
        position = {8 / 480, 312 / 320, 0.5},
    },
}
