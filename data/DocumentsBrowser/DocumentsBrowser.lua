-- The documents found: thumbnails in pages of six slots, turned with the
-- two arrows, and the zoomed view that shows one document page by page
-- over the game (a click turns the page). The game moves "zoomed" under
-- the in-game menu, so it shows whether the menu is open or not.
--
-- As in the inventory (Inventory/Pages.lua), pages and slots are counted
-- by name and a slot is free when it has no child: a slot's look is a
-- sprite beside it.

local pages = dofile("Inventory/Pages.lua")
local unit, arrow, diode = pages.unit, pages.arrow, pages.diode

-- Six slots a page, in two rows of three.
local function page(number, visible)
    return pages.page("page", number, "Inventory/Slot.png", 3, 2, 150, 90, 90, 96, 64, visible)
end

KyButtonLayout{
    name = "documentBrowser",
    sizeType = Percent, size = {1, 1},
    KySpriteLayout{ name = "shade", image = "2D/Menus/Confirm/Shade.png", sizeType = Percent, size = {1, 1} },
    KySpriteLayout{
        name = "panel", image = "DocumentsBrowser/Panel.png",
        sizeType = Percent, size = unit(400, 256), position = {0.5, 0.5, 0.5},
    },
    page(0, true),
    page(1, false),
    arrow("previousPage", "Previous", 190, 266),
    diode(0, 232, 266),
    diode(1, 248, 266),
    arrow("nextPage", "Next", 290, 266),
}

-- The zoomed view: the whole screen dimmed, the page in the middle. The
-- game gives "zoomedSprite" the page's picture and hangs the page's own
-- interface (its buttons) under it.
KyButtonLayout{
    name = "zoomed",
    sizeType = Percent, size = {1, 1},
    KySpriteLayout{ name = "zoomedShade", image = "2D/Menus/Confirm/Shade.png", sizeType = Percent, size = {1, 1} },
    KySpriteLayout{
        name = "zoomedSprite",
        sizeType = Percent, size = unit(252, 270), position = {0.5, 0.5, 0.5},
    },
}
