-- The courtyard of Isis, where the game begins: the introduction plays on
-- the first visit, then Maya and Tuya talk. The key lies on the bench by
-- the fountain (left); with the key in hand the gate (ahead) opens onto the
-- hall; the arch (right) leads to the Warden's garden. A drink at the
-- fountain gives both travellers their health back.
--
-- Everything that must outlive the scene is a plain global (a condition or
-- a number), so that saves keep it.

local HALL = "3D\\Isis/Warp_0003.wp"
local GARDEN = "3D\\Isis/Warp_0004.wp"

-- Seconds of the introduction (twelve slides of 4 s) and a moment more.
local INTRODUCTION_MS = 48500

-- refreshObjectives, and the health bars shown on the way.
local showHealths = dofile("3D/Isis/Common.lua")

-- The courtyard as the travellers stand in it: the fountain heard, both
-- health bars shown.
local function arrive()
    PlaySound("Sounds/SFX/fontaine.ogg", -1)
    showHealths()
end

function OnWarpEnter()
    PrintDebugMessage("Warp_0002: the courtyard\n")
    LookAt(0, 0)
    PlayMusic("Sounds/Musiques/M_isis.ogg")
    StartAnimation("FONT", -1, true)
    SetMarker("FONT", 3)
    if gateOpen then
        AnimationSetToEnd("GATE")
    else
        AnimationSetToStart("GATE")
    end
    if not KEYS then
        PutObject("KEYS")
        SetMarker("KEYS", 1)
    end
    SetMarker("Isis/Warp_0003.wp", 0)
    SetMarker("Isis/Warp_0004.wp", 0)
    refreshObjectives()
    if introductionSeen then
        arrive()
    else
        -- The fountain and the travellers' health wait for the end of the
        -- introduction, which has its own music.
        SetCondition("introductionSeen")
        waitingFor = "introduction"
        Introduction()
        Wait(INTRODUCTION_MS)
    end
end

function OnWarpLeave()
    PrintDebugMessage("Warp_0002: leaving the courtyard\n")
end

function OnWaitFinished()
    if waitingFor == "introduction" then
        waitingFor = ""
        arrive()
        DrawText("MAIA_COUR_1", "MAIA_COUR_1.ogg")
    end
end

function OnDialogFinished(name)
    if name == "MAIA_COUR_1" then
        DrawText("TOUY_COUR_1", "TOUY_COUR_1.ogg")
    elseif name == "TOUY_COUR_1" then
        SetCondition("courtyardTalked")
        refreshObjectives()
    end
end

local function useGate()
    if gateOpen then
        ChangeWarp("3D/Isis/Warp_0003.wp")
    elseif gateOpening then
        return
    elseif Selected("Key") then
        SetCondition("gateOpening")
        PlaySound("Sounds/SFX/porte.wav", 1)
        StartAnimation("GATE", 1)
    elseif ObjectInHand() then
        DrawText("TOUY_COUR_2", "TOUY_COUR_2.ogg")
    else
        DrawText("MAIA_COUR_2", "MAIA_COUR_2.ogg")
    end
end

function OnWarpObjectHit(name)
    if name == "KEYS" then
        TakeObject("Key")
        SetMarker("KEYS", -1)
        refreshObjectives()
    elseif name == "FONT" then
        PlaySound("Sounds/SFX/eau.wav", 1)
        InitHealths()
        DrawText("TOUY_COUR_3", "TOUY_COUR_3.ogg")
    elseif name == HALL then
        useGate()
    elseif name == GARDEN then
        ChangeWarp("3D/Isis/Warp_0004.wp")
    end
end

function OnAnimationFinished(name)
    if name == "GATE" then
        SetCondition("gateOpen")
        UnsetCondition("gateOpening")
        RemoveFromInventary("Key")
        refreshObjectives()
        DrawText("MAIA_COUR_3", "MAIA_COUR_3.ogg")
    end
end

function Unload()
    -- Nothing to release: the courtyard keeps its state in conditions.
end
