-- The in-game interface over the panoramas: the two characters' health
-- bars, the arrow buttons at the edges of the view, the bar of buttons
-- (objectives, help, inventory) and the object in hand, the objectives
-- sheet, and the video shown by the scripts with its background and skip
-- button. Places are fractions of the screen (y down); the health bars keep
-- their pictures' pixel sizes, since the game cuts them to the health left.
-- Every element is thin (a depth of 0.05): an element as deep as its parent
-- would reach in front of those after it.

local folder = "2D/Menus/InGame/"

local function look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

local function button(name, picture, x, y, size)
    return KyButtonLayout{
        name = name,
        sizeType = Percent, size = {size / 480, size / 320, 0.05},
        position = {x / 480, y / 320, 0.5},
        upLayout = look(folder .. picture .. ".png"),
        downLayout = look(folder .. picture .. "_over.png"),
    }
end

-- A health bar: the empty bar and, over it, the filled part, both resting
-- on their bottom edge so that the filled part drains from the top.
local function healthBar(name, picture, x)
    return KySpriteLayout{
        name = name .. "HealthEmpty", image = folder .. "HealthEmpty.png",
        anchor = {0, 1, 0.5}, position = {x / 480, 96 / 320, 0.5},
    }, KySpriteLayout{
        name = name .. "HealthFull", image = folder .. picture,
        anchor = {0, 1, 0.5}, position = {x / 480, 96 / 320, 0.5},
    }
end

local mayaEmpty, mayaFull = healthBar("maya", "HealthMaya.png", 10)
local tuyaEmpty, tuyaFull = healthBar("tuya", "HealthTuya.png", 24)

KyLayout{
    name = "inGame",
    -- A thin screen: screens are drawn in the order of their depth.
    sizeType = Percent, size = {1, 1, 0.05},
    mayaEmpty, mayaFull, tuyaEmpty, tuyaFull,
    button("leftButton", "Arrow_left", 22, 160, 32),
    button("rightButton", "Arrow_right", 458, 160, 32),
    button("upButton", "Arrow_up", 240, 22, 32),
    button("downButton", "Arrow_down", 240, 298, 32),
    KySpriteLayout{
        name = "currentObjectSprite",
        sizeType = Percent, size = {40 / 480, 40 / 320, 0.05},
        position = {28 / 480, 292 / 320, 0.5},
    },
    KyButtonLayout{
        name = "objectivesButton",
        sizeType = Percent, size = {36 / 480, 36 / 320, 0.05},
        position = {372 / 480, 294 / 320, 0.5},
        upLayout = look(folder .. "Objectives.png"),
        downLayout = look(folder .. "Objectives_over.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    },
    button("helpButton", "Help", 412, 294, 36),
    button("inventoryButton", "Inventory", 452, 294, 36),
    KyLayout{
        name = "objectivesPanel",
        -- Thin, as a screen is: its sheet stays in front of its shade.
        sizeType = Percent, size = {1, 1, 0.05},
        visible = false,
        -- The whole screen: a click anywhere closes the sheet.
        KyButtonLayout{
            name = "objectivesBackgroundButton",
            sizeType = Percent, size = {1, 1, 0.05},
            upLayout = look("2D/Menus/Confirm/Shade.png"),
            validationSound = "Sounds/SFX/ChoixMenu.wav",
        },
        KySpriteLayout{
            name = "objectivesFrame", image = folder .. "ObjectivesPanel.png",
            sizeType = Percent, size = {360 / 480, 240 / 320},
        },
        KyTextLayout{
            name = "objectivesText",
            sizeType = Percent, size = {320 / 480, 200 / 320},
            anchor = {0.5, 0, 0.5},
            position = {0.5, 62 / 320, 0.5},
            interLine = 2,
        },
    },
    KyButtonLayout{
        name = "videoBackgroundButton",
        sizeType = Percent, size = {1, 1, 0.05},
        visible = false,
        upLayout = look(folder .. "VideoBackground.png"),
    },
    KyVideoLayout{
        name = "video",
        sizeType = Percent, size = {1, 1, 0.05},
        visible = false,
    },
    KyButtonLayout{
        name = "skipVideoButton",
        sizeType = Percent, size = {36 / 480, 36 / 320, 0.05},
        position = {452 / 480, 294 / 320, 0.5},
        visible = false,
        upLayout = look(folder .. "SkipVideo.png"),
        downLayout = look(folder .. "SkipVideo_over.png"),
    },
}
