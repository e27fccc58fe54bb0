-- The transition boards: two oak boards slide together over the screen, the
-- brass medallion on their seam turns a quarter, and they slide apart again.
-- Each phase lasts as long as the lower board's animation, the longest.

local closeCurve = {0, 0.05, 0.2, 0.45, 0.75, 0.95, 1}
local openCurve = {0, 0.05, 0.25, 0.55, 0.8, 0.95, 1}
local stillCurve = {0, 1}
local turnCurve = {0, 0.1, 0.3, 0.6, 0.85, 1}

local upperOut = {0.5, 0, 0.5}
local lowerOut = {0.5, 1, 0.5}
local shut = {0.5, 0.5, 0.5}

KyLayout{
    name = "rotationAnim",
    sizeType = Percent, size = {1, 1},
    KySpriteLayout{
        name = "plancheHaut", image = "2D/Menus/planche_haut.png",
        sizeType = Percent, size = {1, 0.53},
        anchor = {0.5, 1, 0.5}, position = upperOut,
    },
    KySpriteLayout{
        name = "plancheBas", image = "2D/Menus/planche_bas.png",
        sizeType = Percent, size = {1, 0.53},
        anchor = {0.5, 0, 0.5}, position = lowerOut,
        KySpriteLayout{
            name = "center", image = "2D/Menus/RotationAnim/Medaillon.png",
            sizeType = Percent, size = {80 / 480, 80 / 320 / 0.53},
            position = {0.5, 0, 0.5},
        },
    },
}

-- One flavour: the same boards, moves and sounds under its own names.
local function flavour(prefix)
    KyLayoutPositionLinearAnimation{ name = prefix .. "ClosePlancheHaut", duration = 420,
        startValue = upperOut, endValue = shut, curve = closeCurve }
    KyLayoutPositionLinearAnimation{ name = prefix .. "ClosePlancheBas", duration = 450,
        startValue = lowerOut, endValue = shut, curve = closeCurve }
    KyLayoutPositionLinearAnimation{ name = prefix .. "RotatePlancheHaut", duration = 500,
        startValue = shut, endValue = shut, curve = stillCurve }
    KyLayoutPositionLinearAnimation{ name = prefix .. "RotatePlancheBas", duration = 520,
        startValue = shut, endValue = shut, curve = stillCurve }
    KyRotationLinearAnimation{ name = prefix .. "RotateCenter", duration = 500,
        startValue = {0, 0, 1, 0}, endValue = {0, 0, 1, 90}, curve = turnCurve }
    KyLayoutPositionLinearAnimation{ name = prefix .. "OpenPlancheHaut", duration = 430,
        startValue = shut, endValue = upperOut, curve = openCurve }
    KyLayoutPositionLinearAnimation{ name = prefix .. "OpenPlancheBas", duration = 450,
        startValue = shut, endValue = lowerOut, curve = openCurve }
end

flavour("portrait")
flavour("landscape")
flavour("stayLandscape")

portraitCloseSound = "Sounds/SFX/Planche_Close.wav"
landscapeCloseSound = "Sounds/SFX/Planche_Close.wav"
stayLandscapeCloseSound = "Sounds/SFX/Planche_Close.wav"
portraitRotateSound = "Sounds/SFX/Planche_Rotate.wav"
landscapeRotateSound = "Sounds/SFX/Planche_Rotate.wav"
stayLandscapeRotateSound = "Sounds/SFX/Planche_Rotate.wav"
portraitOpenSound = "Sounds/SFX/Planche_Open.wav"
landscapeOpenSound = "Sounds/SFX/Planche_Open.wav"
stayLandscapeOpenSound = "Sounds/SFX/Planche_Open.wav"
