-- The documents found: thumbnails in pages of six slots, turned with the
-- two arrows, and the zoomed view that shows one document page by page
-- over the game (a click turns the page). The game moves "zoomed" under
-- the in-game menu, so it shows whether the menu is open or not.
--
-- As in the inventory, pages and slots are counted by name and a slot is
-- free when it has no child: a slot's look is a sprite beside it.

local function unit(x, y) return {x / 480, y / 320} end

local function look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

local function page(number, visible)
    local children = {}
    for index = 0, 5 do
        local place = {(150 + (index % 3) * 90) / 480, (90 + math.floor(index / 3) * 96) / 320, 0.5}
        children[#children + 1] = KySpriteLayout{
            image = "Inventory/Slot.png", sizeType = Percent, size = unit(64, 64), position = place,
        }
        children[#children + 1] = KyLayout{
            name = "page" .. number .. "Slot" .. index, sizeType = Percent, size = unit(64, 64), position = place,
        }
    end
    children.name = "page" .. number
    children.sizeType = Percent
    children.size = {1, 1}
    children.visible = visible
    return KyLayout(children)
end

local function arrow(name, picture, x)
    local folder = "Inventory/"
    return KyButtonLayout{
        name = name,
        sizeType = Percent, size = unit(24, 24),
        position = {x / 480, 266 / 320, 0.5},
        upLayout = look(folder .. picture .. ".png"),
        downLayout = look(folder .. picture .. "_over.png"),
        disabledLayout = look(folder .. picture .. "_disabled.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    }
end

local function diode(number, x)
    return KyButtonLayout{
        name = "diode" .. number,
        sizeType = Percent, size = unit(12, 12),
        position = {x / 480, 266 / 320, 0.5},
        upLayout = look("Inventory/Diode.png"),
        disabledLayout = look("Inventory/Diode_on.png"),
    }
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
    arrow("previousPage", "Previous", 190),
    diode(0, 232),
    diode(1, 248),
    arrow("nextPage", "Next", 290),
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
