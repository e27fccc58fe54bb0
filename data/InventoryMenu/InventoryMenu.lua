-- The frame of the in-game menu, drawn over the inventory: the oak band
-- round the screen with the menu's name, the button back to the game (top
-- right) and the one that saves and goes back to the main menu (bottom
-- right).

local function unit(x, y) return {x / 480, y / 320} end

local function look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

KyLayout{
    name = "inventoryMenu",
    sizeType = Percent, size = {1, 1},
    KySpriteLayout{ name = "frame", image = "InventoryMenu/Frame.png", sizeType = Percent, size = {1, 1} },
    KySpriteLayout{
        name = "title", image = "InventoryMenu/Title.png",
        sizeType = Percent, size = unit(120, 24), position = {0.5, 16 / 320, 0.5},
    },
    KyButtonLayout{
        name = "quitButton",
        sizeType = Percent, size = unit(32, 32),
        position = {458 / 480, 22 / 320, 0.5},
        upLayout = look("2D/Menus/Options/Quit.png"),
        downLayout = look("2D/Menus/Options/Quit_over.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    },
    KyButtonLayout{
        name = "mainMenuButton",
        sizeType = Percent, size = unit(120, 24),
        position = {376 / 480, 304 / 320, 0.5},
        upLayout = look("InventoryMenu/MainMenu.png"),
        downLayout = look("InventoryMenu/MainMenu_over.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    },
}
