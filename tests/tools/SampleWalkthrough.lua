-- The walkthrough of data/WALKTHROUGH.md played on the stand-in game of
-- SampleGame.lua, step by step, with what must hold after each step. The
-- step numbers are those of the walkthrough.

local module = ...
local game = module.Game.new()

local function expect(condition, message, ...)
    if not condition then
        error(string.format("step %s: " .. message, game.step, ...), 0)
    end
end

local function step(number)
    game.step = number
end

local function inBag(object)
    for _, name in ipairs(game.inventory) do
        if name == object then return true end
    end
    return false
end

local function active(...)
    local want = {...}
    table.sort(want)
    local have = {}
    for _, id in ipairs(game.objectives) do table.insert(have, id) end
    table.sort(have)
    return table.concat(want, ",") == table.concat(have, ",")
end

local function scene(path)
    expect(game.scene == path, "in %s, not %s", tostring(game.scene), path)
end

-- 1. A new game: the courtyard, the introduction, then Maya and Tuya talk.
step(1)
game:newGame()
scene("3D/Isis/Warp_0002.wp")
expect(game.slides and game.slides.kind == "introduction", "the introduction plays")
expect(game.music == "Sounds/Musiques/M_isis.ogg", "the courtyard's music")
expect(not game.healthShown.maya and game.ambient == nil, "nothing of the courtyard before the introduction ends")
local waited = game:settle()
expect(waited >= 48000, "the introduction takes its 48 s (%d ms)", waited)
expect(game.healthShown.maya and game.healthShown.tuya, "both health bars show")
expect(game.ambient == "Sounds/SFX/fontaine.ogg", "the fountain is heard")
expect(game.heard.MAIA_COUR_1 and game.heard.TOUY_COUR_1, "the first dialog was heard")
expect(active(0, 1), "objectives 0 and 1")

-- 2. The gate is locked.
step(2)
game:click("Isis/Warp_0003.wp")
expect(#game.dialogs == 1 and game.dialogs[1].name == "MAIA_COUR_2", "Maya finds the gate locked")
game:settle()
scene("3D/Isis/Warp_0002.wp")

-- 3. The key on the bench (left).
step(3)
game:click("KEYS")
expect(inBag("Key"), "the key is in the bag")
expect(game.notifications[1] == "Key", "a notification shows the key")
expect(game.env.KEYS == true, "the key's condition is set")
expect(not game.animations.KEYS.shown, "the key left the bench")
expect(active(0, 2), "objectives 0 and 2")

-- 4. To the garden (right): the comic page of the legend.
step(4)
game:click("Isis/Warp_0004.wp")
scene("3D/Isis/Warp_0004.wp")
expect(game.comic == "garden", "the comic page plays")
expect(active(0, 2, 7, 8), "objectives 0, 2, 7 and 8")
game:settle()
expect(game.comic == nil, "the comic page ended")

-- 5. The Warden asks; going home leaves the game for the main menu.
step(5)
game:click("WARD")
game:settle()
expect(#game.answers == 3, "three answers are offered")
game:answer(3)
expect(not game.running, "back at the main menu")
expect(game.saves["save.xml"].scene == "3D/Isis/Warp_0004.wp", "the save names the garden")

-- 6. Continue: back in the garden, the comic page not told twice.
step(6)
game:load("save.xml")
scene("3D/Isis/Warp_0004.wp")
expect(game.comic == nil, "no second comic page")
expect(inBag("Key"), "the key is still in the bag")
expect(game.healthShown.maya and game.healthShown.tuya, "the health bars show again")
expect(active(0, 2, 7, 8), "the objectives come back from the conditions")

-- 7. Gold costs Maya health; the Wandrel earns the lens.
step(7)
game:click("WARD")
game:settle()
game:answer(2)
expect(game.maya == 75, "Maya's health falls to 75 (%d)", game.maya)
game:settle()
expect(#game.answers == 3, "the Warden asks again")
game:answer(1)
game:settle()
expect(inBag("Lens"), "the Warden gave the lens")
expect(active(0, 2), "objectives 7 and 8 are done")
game:click("WARD")
game:settle()
local lenses = 0
for _, name in ipairs(game.inventory) do
    if name == "Lens" then lenses = lenses + 1 end
end
expect(lenses == 1, "the lens is given once (%d)", lenses)

-- 8. The roses prick Tuya.
step(8)
game:click("ROSE")
expect(game.tuya == 80, "Tuya's health falls to 80 (%d)", game.tuya)
game:settle()

-- 9. Back to the courtyard; a drink at the fountain heals both.
step(9)
game:click("Isis/Warp_0002.wp")
scene("3D/Isis/Warp_0002.wp")
expect(game.slides == nil, "no second introduction")
expect(game.ambient == "Sounds/SFX/fontaine.ogg", "the fountain is heard at once")
expect(game.animations.KEYS == nil or not game.animations.KEYS.shown, "the key stays taken")
game:click("FONT")
expect(game.maya == 100 and game.tuya == 100, "both healed")
game:settle()

-- 10. The key in hand opens the gate.
step(10)
game:select("Key")
game:click("Isis/Warp_0003.wp")
scene("3D/Isis/Warp_0002.wp")
game:settle()
expect(game.env.gateOpen == true, "the gate is open")
expect(not inBag("Key"), "the key was used up")
expect(active(), "no objective before the hall")

-- 11. Through the gate to the hall.
step(11)
game:click("Isis/Warp_0003.wp")
scene("3D/Isis/Warp_0003.wp")
expect(active(3, 4), "objectives 3 and 4")
game:settle()

-- 12. The stair door is sealed until the cipher box is open.
step(12)
game:click("Isis/Warp_0005.wp")
scene("3D/Isis/Warp_0003.wp")
game:settle()

-- 13. The letter: two pages, the seal folds it.
step(13)
game:click("LETR")
expect(game.shownDocument and game.shownDocument.page == 0, "the letter's first page")
game:turnPage()
expect(game.shownDocument.page == 1, "the second page")
game:pressPageButton(0)
expect(game.shownDocument == nil, "the seal folded the letter")
expect(game.env.letterRead == true, "the letter was read")
expect(active(3, 5), "objectives 3 and 5")
game:settle()

-- 14. The cipher box: the puzzle, solved, gives the golden star.
step(14)
game:click("CRYP")
expect(game.puzzle == 7, "the cipher puzzle opens")
game:solvePuzzle()
game:settle()
expect(inBag("Star"), "the star is in the bag")
expect(active(3, 6), "objectives 3 and 6")

-- 15. The solution screen.
step(15)
game:click("CRYP")
expect(game.puzzle == 6, "the solution screen opens")
game:leavePuzzle()

-- 16. The memory crystal keeps the game in slot 3.
step(16)
game:click("SAVE")
expect(game.saves["3.xml"] and game.saves["3.xml"].scene == "3D/Isis/Warp_0003.wp", "slot 3 holds the hall")
game:settle()

-- 17. Quit to the menu, load slot 3: the hall as it was kept.
step(17)
game:quitToMenu()
game:load("3.xml")
scene("3D/Isis/Warp_0003.wp")
expect(inBag("Star") and inBag("Lens"), "the star and the lens came back")
expect(game.healthShown.maya and game.healthShown.tuya, "the health bars show again")
expect(game.env.cipherSolved == true, "the cipher stays solved")
expect(game.animations.LETR == nil or not game.animations.LETR.shown, "the letter stays taken")
expect(active(3, 6), "the objectives come back from the conditions")

-- 18. Up the stair to the observatory.
step(18)
game:click("Isis/Warp_0005.wp")
scene("3D/Isis/Warp_0005.wp")
expect(game.music == "Sounds/Musiques/M_nuit.ogg", "the night music")
expect(active(7, 9, 10), "objectives 7, 9 and 10")
game:settle()

-- 19. The star chart.
step(19)
game:click("MAPS")
expect(game.shownDocument and game.shownDocument.name == "Starmap", "the chart shows")
game:turnPage()
expect(game.shownDocument == nil, "one page, then closed")
expect(active(7, 10), "objectives 7 and 10")

-- 20. The lens and the star on the telescope: the eyepiece, the film, the
-- star map woken, the ending.
step(20)
game:click("TELE")
game:settle()
game:select("Lens")
game:click("TELE")
expect(not inBag("Lens"), "the lens is fitted")
game:settle()
game:select("Star")
game:click("TELE")
expect(not inBag("Star"), "the star is fitted")
game:settle()
expect(game.slides and game.slides.kind == "ending", "the ending plays")
expect(game.animationWarp == "3D/Isis/Anim_0005.wp", "the star map was imported")
expect(game.fov == 60, "the view is back to 60 degrees")
expect(next(game.sprites) == nil, "the eyepiece is gone")
expect(not game.healthShown.maya and not game.healthShown.tuya, "the health bars are hidden")
expect(active(11), "only objective 11 is left")
game:settle()
expect(not game.running, "back at the main menu after the ending")
expect(game.saves["save.xml"].scene == "3D/Isis/Warp_0005.wp", "the save names the observatory")
expect(game.saves["save.xml"].globals.wandrelAwake == true, "the save keeps the Wandrel awake")

-- 21. Continuing after the ending shows the woken map at rest.
step(21)
game:load("save.xml")
scene("3D/Isis/Warp_0005.wp")
expect(game.animationWarp == "3D/Isis/Anim_0005.wp", "the star map is there")
expect(game.animations.WAND and game.animations.WAND.shown, "on its last frame")
expect(not game.healthShown.maya and not game.healthShown.tuya, "the journey is over: no health bars")
game:quitToMenu()

return game
