-- The Warden's garden: a comic page tells the legend on the first visit.
-- The Warden (ahead) asks what the travellers seek: the Wandrel earns his
-- lens, greed costs Maya health, going home ends the game for now. The
-- roses (left) prick Tuya. The arch behind leads back to the courtyard.

local COURTYARD = "3D\\Isis/Warp_0002.wp"

-- refreshObjectives, and the health bars shown on the way.
local showHealths = dofile("3D/Isis/Common.lua")

local function offerAnswers()
    SetCondition("wardenAsking")
    PushAnswer("ANSW_WANDREL")
    PushAnswer("ANSW_GOLD")
    PushAnswer("ANSW_HOME")
end

function OnWarpEnter()
    PrintDebugMessage("Warp_0004: the garden\n")
    LookAt(0, 0)
    PlayMusic("Sounds/Musiques/M_isis.ogg")
    PlaySound("Sounds/SFX/jardin.ogg", -1)
    StartAnimation("WARD", -1, true)
    SetMarker("WARD", 2)
    PutObject("ROSE")
    SetMarker("ROSE", 3)
    SetMarker("Isis/Warp_0002.wp", 0)
    showHealths()
    if lensGiven == nil then
        lensGiven = 0
    end
    if not gardenStoryTold then
        SetCondition("gardenStoryTold")
        DisplayBD("garden", 3)
    end
    refreshObjectives()
end

function OnWarpLeave()
    PrintDebugMessage("Warp_0004: leaving the garden\n")
    UnsetCondition("wardenAsking")
end

function OnWarpObjectHit(name)
    if name == "WARD" then
        if lensGiven > 0 then
            DrawText("GARD_GARD_2", "GARD_GARD_2.ogg")
        elseif not wardenAsking then
            DrawText("GARD_GARD_1", "GARD_GARD_1.ogg")
        end
    elseif name == "ROSE" then
        PlaySound("Sounds/SFX/epine.wav", 1)
        ReduceTuyaHealth(20)
        DrawText("TOUY_GARD_1", "TOUY_GARD_1.ogg")
        if not IsTuyaAlive() then
            DrawText("NARR_FAINT", "NARR_FAINT.ogg", 2)
            InitHealths()
        end
    elseif name == COURTYARD then
        ChangeWarp("3D/Isis/Warp_0002.wp")
    end
end

function OnDialogFinished(name)
    if name == "GARD_GARD_1" or name == "GARD_GARD_3" then
        offerAnswers()
    elseif name == "GARD_GARD_2" then
        -- The lens is given once, however often the Warden is asked.
        if TestObjectLimit("Lens", lensGiven + 1) then
            lensGiven = lensGiven + 1
            AddToBag("Lens")
            refreshObjectives()
        end
    end
end

function OnAnswered(name)
    UnsetCondition("wardenAsking")
    if name == "ANSW_WANDREL" then
        DrawText("GARD_GARD_2", "GARD_GARD_2.ogg")
    elseif name == "ANSW_GOLD" then
        PlaySound("Sounds/SFX/epine.wav", 1)
        ReduceMayaHealth(25)
        if not IsMayaAlive() then
            DrawText("NARR_FAINT", "NARR_FAINT.ogg", 2)
            InitHealths()
        end
        DrawText("GARD_GARD_3", "GARD_GARD_3.ogg")
    elseif name == "ANSW_HOME" then
        FinishGame()
    end
end

function Unload()
    -- Nothing to release: the garden keeps its state in conditions.
end
