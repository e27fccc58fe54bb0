-- The hall of echoes: Ilsabet's letter lies on the lectern (ahead), the
-- memory crystal beside it keeps the game in save slot 3, the cipher box
-- (left) holds the golden star and opens the stair to the observatory
-- (right); the gate behind leads back to the courtyard.

local OBSERVATORY = "3D\\Isis/Warp_0005.wp"
local COURTYARD = "3D\\Isis/Warp_0002.wp"

local CIPHER_PUZZLE = 7
local CIPHER_SOLUTION = 6

-- refreshObjectives, and the health bars shown on the way.
local showHealths = dofile("3D/Isis/Common.lua")

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
