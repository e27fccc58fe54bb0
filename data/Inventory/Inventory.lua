-- The inventory, a page of the in-game menu: the powers' column on the
-- left, the bag on the right in pages of eight slots turned with the two
-- arrows (the stones between them tell the page), and below the object in
-- hand: its icon, its name and its description. Places are fractions of
-- the 480 x 320 screen.
--
-- The game counts pages and slots by name ("page" + p, "page" + p ..
-- "Slot" + s, "powersPage" + p ..), up to the first missing number, and
-- takes a slot as free when it has no child: a slot's look is a sprite
-- beside it, never inside it.

local function unit(x, y) return {x / 480, y / 320} end

local function look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

-- The look of a slot and the empty slot layout over it.
local function slot(name, image, x, y, side)
    local place = {x / 480, y / 320, 0.5}
    return KySpriteLayout{ image = image, sizeType = Percent, size = unit(side, side), position = place },
           KyLayout{ name = name, sizeType = Percent, size = unit(side, side), position = place }
end

local function page(prefix, number, image, columns, rows, x0, y0, xStep, yStep, side, visible)
    local children = {}
    local index = 0
    for row = 0, rows - 1 do
        for column = 0, columns - 1 do
            local frame, layout = slot(prefix .. number .. "Slot" .. index, image,
                                       x0 + column * xStep, y0 + row * yStep, side)
            children[#children + 1] = frame
            children[#children + 1] = layout
            index = index + 1
        end
    end
    children.name = prefix .. number
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
        position = {x / 480, 188 / 320, 0.5},
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
        position = {x / 480, 188 / 320, 0.5},
        upLayout = look("Inventory/Diode.png"),
        disabledLayout = look("Inventory/Diode_on.png"),
    }
end

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
    arrow("previousPage", "Previous", 238),
    diode(0, 280),
    diode(1, 296),
    arrow("nextPage", "Next", 338),
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
