-- The Warden's garden: a comic page tells the legend on the first visit.
-- The Warden (ahead) asks what the travellers seek: the Wandrel earns his
-- lens, greed costs Maya health, going home ends the game for now. The
-- roses (left) prick Tuya. The arch behind leads back to the courtyard.

local COURTYARD = "3D\\Isis/Warp_0002.wp"


-- The objectives follow the conditions, so that they come back whole from a
-- save (the game does not save them). Their ids are those of
-- Objectives/<language>/Objectives.xml: 0 the hall (1 the key, 2 the gate),
-- 3 the astronomer's legacy (4 the letter, 5 the cipher, 6 the stair), 7 the
-- sky (8 the Warden, 9 the chart, 10 the telescope), 11 the Wandrel.
function refreshObjectives()
    local wanted = {
        [1] = courtyardTalked and not KEYS,
        [2] = KEYS and not gateOpen,
        [4] = hallSeen and not letterRead,
        [5] = letterRead and not cipherSolved,
        [6] = cipherSolved and not observatorySeen,
        [8] = gardenStoryTold and (lensGiven or 0) == 0,
        [9] = observatorySeen and not chartTaken,
        [10] = observatorySeen and not wandrelAwake,
        [11] = wandrelAwake,
    }
    for _, id in ipairs({1, 2, 4, 5, 6, 8, 9, 10, 11}) do
        RemoveObjective(id)
        if wanted[id] then
            AddObjective(id)
        end
    end
end

-- Saves do not keep the health bars: every scene shows them while the
-- travellers are on their way, from the end of the introduction until the
-- Wandrel wakes.
local function showHealths()
    if introductionSeen and not wandrelAwake then
        ShowMayaHealth()
        ShowTuyaHealth()
    end
end

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
