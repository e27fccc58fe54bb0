-- The save slots: eleven cards on a strip the player drags sideways, one
-- card per step. The game puts the slot buttons "0" to "10" into the places
-- "slot0" to "slot10" in the order of their played time; "slideButton" lies
-- over the strip and passes plain clicks on to the cards; "quitButton" goes
-- back to the main menu.

local function look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

local folder = "2D/Menus/LoadingMenu/"
local slotCount = 11
-- One step of the strip, a share of the screen's width: the card shown
-- stands in the middle, its neighbours at the edges.
local step = 0.3

-- A card look with the slot's number plate on it.
local function card(image, i)
    return KySpriteLayout{
        image = folder .. image, sizeType = Percent, size = {1, 1},
        KySpriteLayout{
            image = folder .. "Number_" .. i .. ".png",
            sizeType = Percent, size = {60 / 120, 40 / 150},
            position = {0.5, 118 / 150, 0.5},
        },
    }
end

for i = 0, slotCount - 1 do
    KyButtonLayout{
        name = tostring(i),
        sizeType = Percent, size = {1, 1},
        upLayout = card("Slot.png", i),
        downLayout = card("Slot_over.png", i),
        disabledLayout = card("Slot_disabled.png", i),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    }
end

local strip = {
    name = "slots",
    sizeType = Percent, size = {1, 170 / 320, 0.02},
    position = {0.5, 178 / 320, 0.5},
}
for j = 0, slotCount - 1 do
    strip[#strip + 1] = KyLayout{
        name = "slot" .. j,
        sizeType = Percent, size = {120 / 480, 150 / 170},
        position = {0.5 + step * j, 0.5, 0.5},
    }
end

KyLayout{
    name = "menu",
    -- A thin screen: screens are drawn in the order of their depth, and
    -- one as deep as its parent would reach in front of those after it.
    sizeType = Percent, size = {1, 1, 0.05},
    KySpriteLayout{
        name = "background", image = folder .. "Background_H.png",
        sizeType = Percent, size = {1, 1},
    },
    KySpriteLayout{
        name = "title", image = folder .. "Title.png",
        sizeType = Percent, size = {240 / 480, 40 / 320},
        position = {0.5, 36 / 320, 0.5},
    },
    KyLayout(strip),
    -- No look: the strip's drag area, in front of the cards.
    KyButtonLayout{
        name = "slideButton",
        sizeType = Percent, size = {1, 170 / 320},
        position = {0.5, 178 / 320, 0.5},
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

KyLayoutPositionLinearAnimation{
    name = "slideAnimation", duration = 250,
    curve = {0, 0.25, 0.6, 0.85, 0.96, 1},
}
