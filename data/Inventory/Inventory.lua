-- The inventory, a page of the in-game menu: the powers' column on the
-- left, the bag on the right in pages of eight slots turned with the two
-- arrows (the stones between them tell the page), and below the object in
-- hand: its icon, its name and its description. Places are fractions of
-- the 480 x 320 screen.
--
-- The pages, their slots, arrows and stones are those of Inventory/Pages.lua.

local pages = dofile("Inventory/Pages.lua")
local unit, page, arrow, diode = pages.unit, pages.page, pages.arrow, pages.diode

-- The whole screen is a button with no look, so that a click beside the
-- objects does not reach the scene behind the menu.
KyButtonLayout{
    name = "inventory",
    sizeType = Percent, size = {1, 1},
    KySpriteLayout{ name = "shade", image = "2D/Menus/Confirm/Shade.png", sizeType = Percent, size = {1, 1} },
    KySpriteLayout{
        name = "panel", image = "Inventory/Panel.png",
        sizeType = Percent, size = unit(400, 256), position = {0.5, 0.5, 0.5},
    },
    page("powersPage", 0, "Inventory/PowerSlot.png", 1, 2, 88, 82, 0, 64, 52, true),
    page("page", 0, "Inventory/Slot.png", 4, 2, 174, 78, 76, 60, 52, true),
    page("page", 1, "Inventory/Slot.png", 4, 2, 174, 78, 76, 60, 52, false),
    arrow("previousPage", "Previous", 238, 188),
    diode(0, 280, 188),
    diode(1, 296, 188),
    arrow("nextPage", "Next", 338, 188),
    KySpriteLayout{
        name = "iconFrame", image = "Inventory/IconFrame.png",
        sizeType = Percent, size = unit(52, 52), position = {88 / 480, 252 / 320, 0.5},
    },
    KySpriteLayout{
        name = "currentObjectSprite",
        sizeType = Percent, size = unit(40, 40), position = {88 / 480, 252 / 320, 0.5},
        visible = false,
    },
    KyTextLayout{
        name = "text",
        sizeType = Percent, size = unit(300, 56),
        anchor = {0, 0, 0.5},
        position = {130 / 480, 226 / 320, 0.5},
    },
}

-- The marker of the object in hand; the game moves it into that object's
-- slot, whose size it takes a little over.
KySpriteLayout{
    name = "selectionSprite", image = "Inventory/Selection.png",
    sizeType = Percent, size = {1.15, 1.15},
    visible = false,
}
