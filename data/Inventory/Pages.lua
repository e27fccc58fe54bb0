-- What the inventory and the documents browser lay out alike: pages of
-- slots turned with two arrows, with a stone between them for each page.
-- An interface file takes the builders it needs:
--
--   local pages = dofile("Inventory/Pages.lua")
--   pages.page("page", 0, "Inventory/Slot.png", 4, 2, 174, 78, 76, 60, 52, true)
--
-- The game counts pages and slots by name ("page" + p, "page" + p ..
-- "Slot" + s, "powersPage" + p ..), up to the first missing number, and
-- takes a slot as free when it has no child: a slot's look is a sprite
-- beside it, never inside it. Places are in pixels of the 480 x 320
-- screen. The path is relative to the game's data folder, the working
-- folder of the game.

local pages = {}

function pages.unit(x, y) return {x / 480, y / 320} end

function pages.look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

-- The look of a slot and the empty slot layout over it.
local function slot(name, image, x, y, side)
    local place = {x / 480, y / 320, 0.5}
    return KySpriteLayout{ image = image, sizeType = Percent, size = pages.unit(side, side), position = place },
           KyLayout{ name = name, sizeType = Percent, size = pages.unit(side, side), position = place }
end

-- Page number of the kind prefix: rows of columns slots of side pixels,
-- the first at x0, y0, the next xStep to the right and yStep down.
function pages.page(prefix, number, image, columns, rows, x0, y0, xStep, yStep, side, visible)
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

function pages.arrow(name, picture, x, y)
    local folder = "Inventory/"
    return KyButtonLayout{
        name = name,
        sizeType = Percent, size = pages.unit(24, 24),
        position = {x / 480, y / 320, 0.5},
        upLayout = pages.look(folder .. picture .. ".png"),
        downLayout = pages.look(folder .. picture .. "_over.png"),
        disabledLayout = pages.look(folder .. picture .. "_disabled.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    }
end

-- The stone of a page: lit (disabled) for the page shown.
function pages.diode(number, x, y)
    return KyButtonLayout{
        name = "diode" .. number,
        sizeType = Percent, size = pages.unit(12, 12),
        position = {x / 480, y / 320, 0.5},
        upLayout = pages.look("Inventory/Diode.png"),
        disabledLayout = pages.look("Inventory/Diode_on.png"),
    }
end

return pages
