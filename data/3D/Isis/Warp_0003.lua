-- The hall of echoes: Ilsabet's letter lies on the lectern (ahead), the
-- memory crystal beside it keeps the game in save slot 3, the cipher box
-- (left) holds the golden star and opens the stair to the observatory
-- (right); the gate behind leads back to the courtyard.

local OBSERVATORY = "3D\\Isis/Warp_0005.wp"
local COURTYARD = "3D\\Isis/Warp_0002.wp"

local CIPHER_PUZZLE = 7
local CIPHER_SOLUTION = 6


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

function OnWarpEnter()
    PrintDebugMessage("Warp_0003: the hall\n")
    LookAt(0, 0)
    PlayMusic("Sounds/Musiques/M_isis.ogg")
    PlaySound("Sounds/SFX/salle.ogg", -1)
    -- The flames flicker through the frames after the first.
    StartAnimationPart("TORC", 1, 4)
    if not letterTaken then
        PutObject("LETR")
        SetMarker("LETR", 1)
    end
    PutObject("SAVE")
    SetMarker("SAVE", 3)
    if cipherSolved then
        AnimationSetToEnd("CRYP", true)
    else
        AnimationSetToStart("CRYP", true)
    end
    SetMarker("CRYP", 3)
    SetMarker("Isis/Warp_0005.wp", 0)
    SetMarker("Isis/Warp_0002.wp", 0)
    showHealths()
    if not hallSeen then
        SetCondition("hallSeen")
        DrawText("MAIA_HALL_1", "MAIA_HALL_1.ogg")
    end
    refreshObjectives()
end

function OnWarpLeave()
    PrintDebugMessage("Warp_0003: leaving the hall\n")
end

function OnWarpObjectHit(name)
    if name == "LETR" then
        SetCondition("letterTaken")
        RemoveObject("LETR")
        SetMarker("LETR", -1)
        AddDocument("Letter")
        ShowDocument("Letter")
    elseif name == "SAVE" then
        PlaySound("Sounds/SFX/cristal.wav", 1)
        SaveGame("3.xml")
        DrawText("NARR_SAVE", "NARR_SAVE.ogg", 2)
    elseif name == "CRYP" then
        if cipherSolved then
            ShowPuzzle(CIPHER_SOLUTION)
        else
            ShowPuzzle(CIPHER_PUZZLE)
        end
    elseif name == OBSERVATORY then
        if cipherSolved then
            ChangeWarp("3D/Isis/Warp_0005.wp")
        else
            DrawText("TOUY_HALL_2", "TOUY_HALL_2.ogg")
        end
    elseif name == COURTYARD then
        ChangeWarp("3D/Isis/Warp_0002.wp")
    end
end

-- The seal on the letter's last page folds it.
function OnShowedDocumentButtonValidated(page, button)
    if page == "Letter_zoomed_1" and button == "button0" then
        HideDocument()
    end
end

function OnDocumentClosed(name)
    if name == "Letter" and not letterRead then
        SetCondition("letterRead")
        refreshObjectives()
        DrawText("TOUY_HALL_1", "TOUY_HALL_1.ogg")
    end
end

function OnPuzzleValidated(number)
    if number == CIPHER_PUZZLE and not cipherSolved then
        SetCondition("cipherSolved")
        -- The lid swings open once (frames 1 to 3) and stays open.
        StartAnimationPart("CRYP", 1, 4, 1, true)
    end
end

-- The game reports every line that ends; none of the hall's leads on.
function OnDialogFinished(name)
end

function OnAnimationFinished(name)
    if name == "CRYP" then
        AddToBag("Star")
        refreshObjectives()
        DrawText("MAIA_HALL_2", "MAIA_HALL_2.ogg")
    end
end

function Unload()
    -- Nothing to release: the hall keeps its state in conditions.
end
