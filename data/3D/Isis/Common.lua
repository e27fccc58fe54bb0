-- What the scenes of Isis share; each scene script runs it first:
--
--   local showHealths = dofile("3D/Isis/Common.lua")
--
-- It defines refreshObjectives and gives back showHealths. The path is
-- relative to the game's data folder, the working folder of the game.

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

return showHealths
