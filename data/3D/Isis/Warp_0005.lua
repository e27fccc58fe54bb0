-- The observatory: the star chart lies on the desk (left); the great
-- telescope (ahead) takes the Warden's lens and the golden star. With both
-- in place the view zooms through the eyepiece, the film of the waking star
-- map plays, the map itself is imported over the scene and turns once, and
-- the ending follows. The stair behind leads back to the hall.

local HALL = "3D\\Isis/Warp_0003.wp"
local STAR_MAP = "3D/Isis/Anim_0005"
local EYEPIECE_MS = 1500

-- refreshObjectives, and the health bars shown on the way.
local showHealths = dofile("3D/Isis/Common.lua")

local function lookThrough()
    SetCondition("lookingThrough")
    SetFOV(40)
    LoadSprite(0, "2D/Sprites/Vignette.png", 0, 0, 5)
    waitingFor = "eyepiece"
    Wait(EYEPIECE_MS)
end

function OnWarpEnter()
    PrintDebugMessage("Warp_0005: the observatory\n")
    LookAt(0, 0)
    SetFOV(60)
    PlayMusic("Sounds/Musiques/M_nuit.ogg")
    PlaySound("Sounds/SFX/vent.ogg", -1)
    PutObject("TELE")
    SetMarker("TELE", 3)
    if not chartTaken then
        PutObject("MAPS")
        SetMarker("MAPS", 1)
    end
    SetMarker("Isis/Warp_0003.wp", 0)
    showHealths()
    if wandrelAwake then
        ImportAnimationWarp(STAR_MAP)
        AnimationSetToEnd("WAND")
    elseif not observatorySeen then
        SetCondition("observatorySeen")
        DrawText("MAIA_OBS_1", "MAIA_OBS_1.ogg")
    end
    refreshObjectives()
end

function OnWarpLeave()
    PrintDebugMessage("Warp_0005: leaving the observatory\n")
end

function OnWarpObjectHit(name)
    if name == "MAPS" then
        SetCondition("chartTaken")
        refreshObjectives()
        RemoveObject("MAPS")
        SetMarker("MAPS", -1)
        AddDocument("Starmap")
        ShowDocument("Starmap")
    elseif name == "TELE" then
        if lookingThrough or wandrelAwake then
            return
        elseif Selected("Lens") then
            RemoveFromBag()
            SetCondition("lensFitted")
            DrawText("TOUY_OBS_1", "TOUY_OBS_1.ogg")
        elseif Selected("Star") then
            RemoveFromBag()
            SetCondition("starFitted")
            DrawText("TOUY_OBS_2", "TOUY_OBS_2.ogg")
        elseif lensFitted and starFitted then
            lookThrough()
        else
            DrawText("MAIA_OBS_2", "MAIA_OBS_2.ogg")
        end
    elseif name == HALL then
        ChangeWarp("3D/Isis/Warp_0003.wp")
    end
end

function OnDialogFinished(name)
    if (name == "TOUY_OBS_1" or name == "TOUY_OBS_2") and lensFitted and starFitted then
        lookThrough()
    elseif name == "MAIA_OBS_3" then
        Conclusion()
    end
end

function OnWaitFinished()
    if waitingFor == "eyepiece" then
        waitingFor = ""
        PlayMovie("Videos/Telescope.ogv", "Videos/Telescope.ogg")
    end
end

function OnMovieFinished(file)
    if file == "Videos/Telescope.ogv" and lookingThrough then
        UnsetCondition("lookingThrough")
        SetCondition("wandrelAwake")
        UnloadSprite(0)
        SetFOV(60)
        HideMayaHealth()
        HideTuyaHealth()
        ImportAnimationWarp(STAR_MAP)
        StartAnimation("WAND", 1)
    end
end

function OnAnimationFinished(name)
    if name == "WAND" then
        refreshObjectives()
        DrawText("MAIA_OBS_3", "MAIA_OBS_3.ogg")
    end
end

function OnDocumentClosed(name)
    if name == "Starmap" then
        PrintDebugMessage("Warp_0005: the chart of the Wandrel was read\n")
    end
end

function Unload()
    -- Nothing to release: the observatory keeps its state in conditions.
end
