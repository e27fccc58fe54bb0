-- A stand-in for the game that runs the sample game's scene scripts: the 49
-- script functions with the argument checks of the game's bindings, the
-- events the game sends, and just enough of the screens (dialog queue,
-- answers, documents, puzzle, videos, waits, slide shows, inventory,
-- health, objectives, saves) to play the walkthrough of data/WALKTHROUGH.md
-- step by step. Every file or text a script names is looked up in the data
-- folder the build makes; anything missing, any bad argument and any Lua
-- error stops the run with a message.
--
-- The test hands in `config`:
--   outputs      set of the data folder's files (relative paths)
--   texts        texts[language][name] = true for every text of Texts/<language>.xml
--   objects      objects[language][id] = true for every object of its objects list
--   objectives   objectives[language][name] = true for every text of its objectives list
--   documents    documents[language][id] = true for every document of its list
--   animations   animations["3D/Isis/Warp_0002.wp"][name] = frame count
--   source       path of data/ (the scene scripts are read from there)

local config = ...

local Game = {}
Game.__index = Game

-- ---- the script functions and their argument checks ------------------------
-- s string (a number or nil passes, absence does not), n number (a numeric
-- string passes), b boolean (optional: absent or nil passes); a trailing ?
-- makes a number optional.
local SIGNATURES = {
    {"Selected", "s"}, {"TestObjectLimit", "s", "n"}, {"ObjectInHand"}, {"PrintDebugMessage", "s"},
    {"SetCondition", "s"}, {"UnsetCondition", "s"}, {"TakeObject", "s"}, {"PutObject", "s", "b"},
    {"RemoveObject", "s"}, {"StartAnimationPart", "s", "n", "n", "n?", "b"}, {"StartAnimation", "s", "n?", "b"},
    {"AnimationSetToEnd", "s", "b"}, {"AnimationSetToStart", "s", "b"}, {"DrawText", "s", "s", "n?"},
    {"DisplayBD", "s", "n?", "b"}, {"ChangeWarp", "s"}, {"AddToBag", "s"}, {"RemoveFromInventary", "s"},
    {"RemoveFromBag"}, {"SaveGame", "s"}, {"SetMarker", "s", "n", "n?"}, {"LookAt", "n", "n"}, {"Wait", "n"},
    {"PlaySound", "s", "n"}, {"PlayMusic", "s"}, {"ShowPuzzle", "n"}, {"PlayMovie", "s", "s"}, {"Introduction"},
    {"Conclusion"}, {"SetFOV", "n"}, {"LoadSprite", "n", "s", "n", "n", "n"}, {"UnloadSprite", "n"},
    {"PushAnswer", "s"}, {"FinishGame"}, {"AddObjective", "n"}, {"RemoveObjective", "n"},
    {"ImportAnimationWarp", "s"}, {"ShowMayaHealth"}, {"ShowTuyaHealth"}, {"ReduceMayaHealth", "n"},
    {"ReduceTuyaHealth", "n"}, {"HideMayaHealth"}, {"HideTuyaHealth"}, {"InitHealths"}, {"IsMayaAlive"},
    {"IsTuyaAlive"}, {"ShowDocument", "s"}, {"HideDocument"}, {"AddDocument", "s"},
}

-- The events, as the game calls them.
local EVENTS = {"OnWarpEnter", "OnWarpLeave", "OnWarpObjectHit", "OnMovieFinished", "OnAnimationFinished",
                "OnWaitFinished", "OnDialogFinished", "OnAnswered", "OnPuzzleValidated", "OnDocumentClosed",
                "OnShowedDocumentButtonValidated", "Unload"}
-- The globals a change of scene clears before the next script runs.
local CLEARED = {"OnWarpEnter", "OnWarpLeave", "OnWarpObjectHit", "OnMovieFinished", "OnAnimationFinished",
                 "OnWaitFinished", "OnDialogFinished", "OnDocumentClosed", "OnPuzzleWon", "OnPuzzleValidated",
                 "OnAnswered", "OnShowedDocumentButtonValidated"}

-- The speaker codes of dialog lines, in the order they are tried; any
-- other name is speaker 13, mode 2 is speaker 18.
local SPEAKERS = {{"MAIA", 0}, {"PASE", 1}, {"OUVA", 2}, {"BATE", 3}, {"OUVB", 4}, {"TOUY", 5}, {"OUNI", 6},
                  {"GARD", 9}, {"KHAE", 8}, {"OUVC", 15}, {"NAIN", 10}, {"ISIS", 11}, {"PTAH", 12},
                  {"SEKH", 13}, {"NUBI", 14}, {"OUVD", 7}, {"SOLD", 16}, {"OSIR", 17}}

local INTRODUCTION_MS = 12 * 4000
local CONCLUSION_MS = 11 * 4545
local LANGUAGES = {"en", "fr"}

local function fail(message, ...)
    error(string.format(message, ...), 0)
end

local function check(condition, message, ...)
    if not condition then
        fail(message, ...)
    end
end

local function exists(path)
    return config.outputs[path] == true
end

local function needFile(path, what)
    check(exists(path), "%s: no file %s in the game's data", what, path)
end

-- A file the game looks up in the current language's folder, then in the
-- English one: it must be there for every language the game ships.
local function needText(name, what)
    for _, language in ipairs(LANGUAGES) do
        check(config.texts[language][name], "%s: no text %s in Texts/%s.xml", what, tostring(name), language)
    end
end

local function argumentsOk(name, signature, args, count)
    for i = 2, #signature do
        local kind = signature[i]
        local v = args[i - 1]
        local present = i - 1 <= count
        if kind == "s" then
            check(present and (v == nil or type(v) == "string" or type(v) == "number"),
                  "%s: argument #%d is '%s'; 'string' expected", name, i - 1, present and type(v) or "no value")
        elseif kind == "n" then
            check(present and tonumber(v) ~= nil,
                  "%s: argument #%d is '%s'; 'number' expected", name, i - 1, present and type(v) or "no value")
        elseif kind == "n?" then
            check(not present or v == nil or tonumber(v) ~= nil,
                  "%s: argument #%d is '%s'; 'number' expected", name, i - 1, type(v))
        elseif kind == "b" then
            check(not present or v == nil or type(v) == "boolean",
                  "%s: argument #%d is '%s'; 'boolean' expected", name, i - 1, type(v))
        end
    end
    check(count <= #signature - 1, "%s: argument #%d is '%s'; '[no object]' expected", name, #signature,
          type(args[#signature]))
end

-- ---- the game ---------------------------------------------------------------

function Game.new()
    local g = setmetatable({}, Game)
    g.calls = {}
    g.events = {}
    g.saves = {}
    g.log = {}
    g.language = "en"
    g:reset()
    return g
end

function Game:reset()
    self.scene = nil
    self.env = nil
    self.animationWarp = nil
    self.now = 0
    self.inventory = {}
    self.inHand = nil
    self.documents = {}
    self.dialogs = {}
    self.heard = {}
    self.answers = {}
    self.notifications = {}
    self.shownDocument = nil
    self.puzzle = nil
    self.movie = nil
    self.wait = nil
    self.slides = nil
    self.comic = nil
    self.finishing = nil
    self.maya, self.tuya = 100, 100
    self.healthShown = {maya = false, tuya = false}
    self.objectives = {}
    self.sprites = {}
    self.animations = {}
    self.fov = 60
    self.running = false
    self.music = nil
    self.ambient = nil
end

-- The Lua state of the scene scripts: the script functions come from the
-- game, the standard library from Lua; everything a script sets lives in
-- env (what a save keeps).
function Game:newState(saved)
    local api = setmetatable({}, {__index = _G})
    for _, signature in ipairs(SIGNATURES) do
        local name = signature[1]
        local body = self["api" .. name]
        check(body, "the stand-in lacks %s", name)
        api[name] = function(...)
            local count = select("#", ...)
            local args = {...}
            argumentsOk(name, signature, args, count)
            self.calls[name] = (self.calls[name] or 0) + 1
            return body(self, unpack(args, 1, count))
        end
    end
    -- A scene script may run a file it shares with other scenes, as the
    -- game's Lua state runs it from the data folder: in the same globals.
    api.dofile = function(path)
        needFile(path, "dofile")
        local chunk, message = loadfile(config.source .. "/" .. path)
        check(chunk, "%s", tostring(message))
        setfenv(chunk, self.env)
        return chunk()
    end
    self.env = setmetatable({}, {__index = api})
    for k, v in pairs(saved or {}) do
        self.env[k] = v
    end
end

-- Calls an event of the scene script, when it defines it.
function Game:fire(event, ...)
    local f = rawget(self.env, event)
    if type(f) ~= "function" then
        -- The game logs every event a scene script lacks ("La fonction ...
        -- n'existe pas."), all but "Unload".
        check(event == "Unload", "%s has no %s: the game would log that it does not exist", tostring(self.scene), event)
        return false
    end
    self.events[event] = (self.events[event] or 0) + 1
    local ok, message = pcall(f, ...)
    check(ok, "Lua: %s (in %s of %s)", tostring(message), event, tostring(self.scene))
    return true
end

function Game:panorama(path)
    local anims = config.animations[path]
    check(anims, "%s: not a panorama of the game", path)
    return anims
end

function Game:changeWarp(path)
    if self.scene then
        self:fire("OnWarpLeave")
        self:save("save.xml")
    end
    needFile(path, "ChangeWarp")
    local stem = path:gsub("%.wp$", "")
    needFile(stem .. ".xml", "the scene description")
    needFile(stem .. ".lua", "the scene script")
    self.scene = path
    self.animationWarp = nil
    self.animations = {}
    self.sprites = {}
    for _, name in ipairs(CLEARED) do
        self.env[name] = nil
    end
    local chunk, message = loadfile(config.source .. "/" .. stem .. ".lua")
    check(chunk, "%s", tostring(message))
    setfenv(chunk, self.env)
    local ok, err = pcall(chunk)
    check(ok, "Lua: %s (running %s)", tostring(err), stem .. ".lua")
    self:fire("OnWarpEnter")
end

function Game:save(file)
    if not self.scene then
        return
    end
    local globals = {}
    for k, v in pairs(self.env) do
        local t = type(v)
        if t == "boolean" or t == "number" or t == "string" then
            globals[k] = v
        end
    end
    local inventory = {}
    for i, name in ipairs(self.inventory) do
        inventory[i] = name
    end
    local heard = {}
    for k in pairs(self.heard) do
        heard[k] = true
    end
    self.saves[file] = {scene = self.scene, globals = globals, inventory = inventory, heard = heard,
                        maya = self.maya, tuya = self.tuya, music = self.music}
end

-- The game is left: its state is saved and destroyed ("Unload" first).
function Game:unload()
    if self.scene then
        self:save("save.xml")
        self:fire("Unload")
    end
    self:reset()
end

-- Enter and load a save, as the main menu and the save-slot menu do; a
-- missing save is a new game in the first scene.
function Game:load(file)
    local save = self.saves[file]
    if self.env then
        self:fire("Unload")
    end
    self:reset()
    self.running = true
    if not save then
        self:newState()
        self:changeWarp("3D/Isis/Warp_0002.wp")
        return
    end
    self:newState(save.globals)
    for _, name in ipairs(save.inventory) do
        table.insert(self.inventory, name)
    end
    for k in pairs(save.heard) do
        self.heard[k] = true
    end
    self.maya, self.tuya, self.music = save.maya, save.tuya, save.music
    self:changeWarp(save.scene)
end

function Game:newGame()
    self.saves["save.xml"] = nil
    for i = 0, 10 do
        self.saves[i .. ".xml"] = nil
    end
    self:load("save.xml")
end

-- ---- what the screens do with time ---------------------------------------

-- What keeps the player from clicking the scene, or nil.
function Game:blocker()
    if not self.running then return "the main menu" end
    if self.slides and self.now < self.slides.activeAt then return "the " .. self.slides.kind end
    if #self.dialogs > 0 then return "the dialog " .. self.dialogs[1].name end
    if #self.answers > 0 then return "the answers" end
    if self.comic then return "the comic page" end
    if self.shownDocument then return "the document " .. self.shownDocument.name end
    if self.puzzle then return "the puzzle" end
    if self.movie then return "the film" end
    return nil
end

-- Lets everything that ends by itself end, in time order, until only the
-- player can move the game on or a slide show starts (the next settle
-- plays it). Returns the milliseconds that passed.
function Game:settle()
    local start = self.now
    for _ = 1, 1000 do
        if not self.running then
            break
        end
        local showing = self.slides
        local due, what = nil, nil
        local function consider(at, kind)
            if at and (not due or at < due) then
                due, what = at, kind
            end
        end
        if self.slides then consider(self.slides.endsAt, "slides") end
        if self.wait then consider(self.wait, "wait") end
        if #self.dialogs > 0 then consider(self.now + 3000, "dialog") end
        if self.comic then consider(self.now + 4000, "comic") end
        if self.movie then consider(self.now + 4000, "movie") end
        for name, a in pairs(self.animations) do
            if a.finishAt then consider(a.finishAt, "animation:" .. name) end
        end
        if not due then
            break
        end
        self.now = math.max(self.now, due)
        if what == "slides" then
            local slides = self.slides
            self.slides = nil
            if slides.kind == "ending" then
                self:unload()
            end
        elseif what == "wait" then
            self.wait = nil
            self:fire("OnWaitFinished")
        elseif what == "dialog" then
            local line = table.remove(self.dialogs, 1)
            self.heard[line.name] = true
            self:fire("OnDialogFinished", line.name)
        elseif what == "comic" then
            self.comic = nil
        elseif what == "movie" then
            local video = self.movie
            self.movie = nil
            self:fire("OnMovieFinished", video)
        else
            local name = what:sub(11)
            self.animations[name].finishAt = nil
            self:fire("OnAnimationFinished", name)
        end
        if self.slides and not showing then
            break
        end
    end
    return self.now - start
end

-- ---- the player's actions ----------------------------------------------------

-- Clicks a thing of the scene: an animation or object by name, or an exit
-- by the panorama it leads to ("Isis/Warp_0003.wp").
function Game:click(thing)
    local blocked = self:blocker()
    check(not blocked, "click on %s in %s: %s is in the way", thing, tostring(self.scene), tostring(blocked))
    local name = thing
    if thing:find("%.wp$") then
        name = "3D\\" .. thing
    else
        local a = self.animations[thing]
        check(a and a.shown and a.pickable, "click on %s in %s: nothing there can be clicked", thing, self.scene)
    end
    self.lastHit = name
    self:fire("OnWarpObjectHit", name)
end

-- Opens the inventory and takes an object in hand (a double click on it
-- closes the menu).
function Game:select(object)
    local found = false
    for _, name in ipairs(self.inventory) do
        found = found or name == object
    end
    check(found, "select %s: not in the inventory (%s)", object, table.concat(self.inventory, ", "))
    self.inHand = object
end

function Game:answer(index)
    local answer = self.answers[index]
    check(answer, "answer %d: only %d answers are offered", index, #self.answers)
    self.answers = {}
    self:fire("OnAnswered", answer)
end

-- A click on the zoomed document: the next page, or the close after the last.
function Game:turnPage()
    local doc = self.shownDocument
    check(doc, "turn a page: no document is shown")
    self:showPage(doc.name, doc.page + 1)
end

function Game:pressPageButton(index)
    local doc = self.shownDocument
    check(doc, "press a page button: no document is shown")
    local page = doc.name .. "_zoomed_" .. doc.page
    check(doc.script, "press a page button: %s has no page interface", page)
    self:fire("OnShowedDocumentButtonValidated", page, "button" .. index)
end

function Game:solvePuzzle()
    check(self.puzzle == 7, "solve the puzzle: the cipher puzzle is not open")
    self.puzzle = nil
    self.now = self.now + 5000
    self:fire("OnPuzzleValidated", 7)
end

function Game:leavePuzzle()
    check(self.puzzle, "leave the puzzle: none is open")
    self.puzzle = nil
end

function Game:skipComic()
    check(self.comic, "skip the comic page: none is shown")
    self.comic = nil
end

-- The in-game menu's main-menu button: save and leave the game.
function Game:quitToMenu()
    check(self.running, "quit to the menu: no game runs")
    self:save("save.xml")
    self:unload()
end

-- ---- the screens' entry points (the native side of the script functions) ------

function Game:pagePath(name, page, ext)
    local candidates = {"DocumentsBrowser/Documents/" .. self.language .. "/" .. name .. "_zoomed_" .. page .. ext,
                        "DocumentsBrowser/Documents/" .. name .. "_zoomed_" .. page .. ext,
                        "DocumentsBrowser/Documents/en/" .. name .. "_zoomed_" .. page .. ext}
    for _, path in ipairs(candidates) do
        if exists(path) then
            return path
        end
    end
    return nil
end

function Game:showPage(name, page)
    local picture = self:pagePath(name, page, ".png")
    if not picture then
        check(page > 0, "ShowDocument %s: it has no first page", name)
        self:apiHideDocument()
        return
    end
    self.shownDocument = {name = name, page = page, script = self:pagePath(name, page, ".lua") ~= nil}
end

function Game:warpsFor(name)
    local warps = {}
    if self.animationWarp then
        table.insert(warps, self.animationWarp)
    end
    table.insert(warps, self.scene)
    local found = false
    for _, warp in ipairs(warps) do
        found = found or self:panorama(warp)[name] ~= nil
    end
    check(found, "no animation %s in %s", name, table.concat(warps, " or "))
    return warps
end

function Game:animate(name, how)
    for _, warp in ipairs(self:warpsFor(name)) do
        local frames = self:panorama(warp)[name]
        if frames then
            how(frames)
        end
    end
end

function Game:apiSelected(name) return self.inHand == name or (name == "" and self.inHand == nil) end
function Game:apiTestObjectLimit(_, count)
    count = math.floor(tonumber(count))
    return count >= 0 and count <= 1
end
function Game:apiObjectInHand() return self.inHand ~= nil end
function Game:apiPrintDebugMessage(text) table.insert(self.log, tostring(text)) end
function Game:apiSetCondition(name) self.env[name] = true end
function Game:apiUnsetCondition(name) self.env[name] = false end

function Game:addToBag(object)
    for _, language in ipairs(LANGUAGES) do
        check(config.objects[language][object], "%s: not in the objects list of %s", object, language)
    end
    needFile("Inventory/Objects/" .. object .. ".png", "the object's picture")
    needFile("Inventory/Objects/" .. object .. "_75.png", "the object's icon")
    needFile("Sounds/SFX/N_prendre.wav", "the pick-up sound")
    table.insert(self.inventory, object)
    table.insert(self.notifications, object)
end

function Game:apiTakeObject(object)
    self.env[self.lastHit] = true
    self:apiRemoveObject(self.lastHit)
    if object ~= "" then
        self:addToBag(object)
    end
end

function Game:apiPutObject(name, pickable)
    if pickable == nil then pickable = true end
    self:animate(name, function(frames)
        check(frames == 1, "PutObject %s: an object has one frame, not %d", name, frames)
    end)
    self.animations[name] = {shown = true, pickable = pickable}
end

function Game:apiRemoveObject(name)
    self:warpsFor(name)
    self.animations[name] = {shown = false, pickable = false}
end

function Game:startAnimation(name, passes, first, last, pickable)
    passes = math.floor(tonumber(passes or -1))
    local finishAt
    self:animate(name, function(frames)
        local to = last or frames
        if to < 0 then to = to + frames end
        local from = first or 0
        check(from >= 0 and from < to and to <= frames, "%s: frames %d to %d of %d", name, from, to, frames)
        if passes > 0 and frames > 1 then
            finishAt = self.now + math.ceil(passes * (to - from) * 1000 / 15)
        end
    end)
    self.animations[name] = {shown = true, pickable = pickable == true, finishAt = finishAt}
end

function Game:apiStartAnimationPart(name, first, last, passes, pickable)
    self:startAnimation(name, passes, math.floor(tonumber(first)), math.floor(tonumber(last)), pickable)
end
function Game:apiStartAnimation(name, passes, pickable) self:startAnimation(name, passes, nil, nil, pickable) end
function Game:apiAnimationSetToEnd(name, pickable)
    self:warpsFor(name)
    self.animations[name] = {shown = true, pickable = pickable == true}
end
function Game:apiAnimationSetToStart(name, pickable) self:apiAnimationSetToEnd(name, pickable) end

function Game:apiDrawText(name, voice, mode)
    if not config.texts[self.language][name] then
        return
    end
    needText(name, "DrawText")
    mode = math.floor(tonumber(mode or 0))
    local speaker = 13
    if mode == 2 then
        speaker = 18
    else
        for _, code in ipairs(SPEAKERS) do
            if name:sub(1, 4) == code[1] then
                speaker = code[2]
                break
            end
        end
    end
    needFile("2D/Dialogs/Character_" .. speaker .. ".png", "the portrait of " .. name)
    for _, language in ipairs(LANGUAGES) do
        needFile("Sounds/Dialogs/" .. language .. "/" .. voice, "the voice of " .. name)
    end
    table.insert(self.dialogs, {name = name, speaker = speaker})
end

function Game:apiDisplayBD(name, count)
    count = math.floor(tonumber(count or 0))
    check(count > 0 and count <= 12, "DisplayBD %s: %d panels", name, count)
    for i = 0, count - 1 do
        needFile("2D/bd/Colored/en/" .. name .. "_" .. i .. ".png", "a comic panel")
        for _, language in ipairs(LANGUAGES) do
            needFile("Sounds/BDs/" .. language .. "/" .. name .. "_" .. i .. ".ogg", "a comic narration")
        end
        needText(name .. "_" .. i, "a comic caption")
    end
    self.comic = name
end

function Game:apiChangeWarp(path) self:changeWarp((path:gsub("\\", "/"))) end
function Game:apiAddToBag(object) self:addToBag(object) end

function Game:apiRemoveFromInventary(name)
    for i, object in ipairs(self.inventory) do
        if object == name then
            table.remove(self.inventory, i)
            if self.inHand == name then
                self.inHand = nil
            end
            return
        end
    end
end

function Game:apiRemoveFromBag()
    if self.inHand then
        self:apiRemoveFromInventary(self.inHand)
    end
end

function Game:apiSaveGame(file)
    check(file == "save.xml" or file:match("^%d+%.xml$"), "SaveGame %s: not a save slot", file)
    self:save(file)
end

function Game:apiSetMarker(name, image, slot)
    image = math.floor(tonumber(image))
    if image >= 0 then
        needFile("2D/Menus/InGame/Marker_" .. image .. ".png", "a marker")
        needFile("2D/Menus/InGame/Marker_" .. image .. "_over.png", "a marker")
    end
    if not name:find("%.wp$") then
        self:warpsFor(name)
    else
        needFile("3D/" .. name, "the place an exit marker points to")
    end
end

function Game:apiLookAt(x, y) self.view = {tonumber(x), tonumber(y)} end
function Game:apiWait(ms) self.wait = self.now + math.max(0, math.floor(tonumber(ms))) end

function Game:apiPlaySound(file, mode)
    mode = math.floor(tonumber(mode))
    needFile(file, "PlaySound")
    if mode == -1 then
        self.ambient = file
    end
end

function Game:apiPlayMusic(file)
    needFile(file, "PlayMusic")
    self.music = file
end

function Game:apiShowPuzzle(number)
    number = math.floor(tonumber(number))
    check(number == 6 or number == 7, "ShowPuzzle %d opens nothing", number)
    needFile("Texts/PuzzleCrypte.xml", "the cipher puzzle")
    self.puzzle = number
end

function Game:apiPlayMovie(video, sound)
    needFile(video, "PlayMovie")
    local localised = sound:gsub("[^/]*$", "") .. "/" .. self.language .. "/" .. sound:match("[^/]*$")
    check(exists(localised:gsub("//", "/")) or exists(sound), "PlayMovie: no sound %s", sound)
    self.movie = video
end

function Game:slideShow(kind, folder, count, music, length)
    for i = 0, count - 1 do
        needFile("Videos/" .. folder .. "/" .. i .. ".png", "a slide")
    end
    needFile("Videos/en/" .. music, "the music of the " .. kind)
    self.slides = {kind = kind, endsAt = self.now + length,
                   activeAt = kind == "introduction" and self.now + length - 4000 or self.now + length}
end

function Game:apiIntroduction() self:slideShow("introduction", "IntroSlides", 12, "Zelt_Intro.ogg", INTRODUCTION_MS) end
function Game:apiConclusion() self:slideShow("ending", "EndSlides", 11, "Zelt_End.ogg", CONCLUSION_MS) end
function Game:apiSetFOV(degrees) self.fov = tonumber(degrees) end

function Game:apiLoadSprite(slot, image)
    slot = math.floor(tonumber(slot))
    check(slot >= 0 and slot <= 4, "LoadSprite: slot %d", slot)
    needFile(image, "LoadSprite")
    self.sprites[slot] = image
end

function Game:apiUnloadSprite(slot)
    slot = math.floor(tonumber(slot))
    check(self.sprites[slot], "UnloadSprite: slot %d holds nothing", slot)
    self.sprites[slot] = nil
end

function Game:apiPushAnswer(name)
    needText(name, "PushAnswer")
    table.insert(self.answers, name)
end

function Game:apiFinishGame() self:unload() end

-- The objectives of Objectives/<language>/Objectives.xml: 0 (1, 2), 3 (4, 5,
-- 6), 7 (8, 9, 10), 11; their texts "Objective0", "Objective0Sub0" ...
local PARENT = {[1] = 0, [2] = 0, [4] = 3, [5] = 3, [6] = 3, [8] = 7, [9] = 7, [10] = 7}
local CHILDREN = {[0] = {1, 2}, [3] = {4, 5, 6}, [7] = {8, 9, 10}, [11] = {}}
local OBJECTIVE_TEXTS = {[0] = "Objective0", "Objective0Sub0", "Objective0Sub1", "Objective1", "Objective1Sub0",
                         "Objective1Sub1", "Objective1Sub2", "Objective2", "Objective2Sub0", "Objective2Sub1",
                         "Objective2Sub2", "Objective3"}

function Game:isActive(id)
    for _, v in ipairs(self.objectives) do
        if v == id then return true end
    end
    return false
end

function Game:apiAddObjective(id)
    id = math.floor(tonumber(id))
    check(OBJECTIVE_TEXTS[id], "AddObjective %d: no such objective", id)
    for _, language in ipairs(LANGUAGES) do
        check(config.objectives[language][OBJECTIVE_TEXTS[id]], "AddObjective %d: no text %s in the objectives of %s",
              id, OBJECTIVE_TEXTS[id], language)
    end
    local parent = PARENT[id]
    if parent and not self:isActive(parent) then
        table.insert(self.objectives, parent)
    end
    table.insert(self.objectives, id)
end

function Game:apiRemoveObjective(id)
    id = math.floor(tonumber(id))
    local kept = {}
    for _, v in ipairs(self.objectives) do
        if v ~= id then table.insert(kept, v) end
    end
    self.objectives = kept
    local parent = PARENT[id]
    if parent then
        local any = false
        for _, sub in ipairs(CHILDREN[parent]) do
            any = any or self:isActive(sub)
        end
        if not any then
            self:apiRemoveObjective(parent)
        end
    end
end

function Game:apiImportAnimationWarp(name)
    needFile(name .. ".wp", "ImportAnimationWarp")
    needFile(name .. ".xml", "ImportAnimationWarp")
    self.animationWarp = name .. ".wp"
end

function Game:apiShowMayaHealth() self.healthShown.maya = true end
function Game:apiShowTuyaHealth() self.healthShown.tuya = true end
function Game:apiHideMayaHealth() self.healthShown.maya = false end
function Game:apiHideTuyaHealth() self.healthShown.tuya = false end
function Game:apiReduceMayaHealth(n) self.maya = self.maya - math.floor(tonumber(n)) end
function Game:apiReduceTuyaHealth(n) self.tuya = self.tuya - math.floor(tonumber(n)) end
function Game:apiInitHealths() self.maya, self.tuya = 100, 100 end
function Game:apiIsMayaAlive() return self.maya > 0 end
function Game:apiIsTuyaAlive() return self.tuya > 0 end

function Game:apiShowDocument(name)
    self:showPage(name, 0)
end

function Game:apiHideDocument()
    local name = self.shownDocument and self.shownDocument.name or ""
    self.shownDocument = nil
    self:fire("OnDocumentClosed", name)
end

function Game:apiAddDocument(name)
    for _, language in ipairs(LANGUAGES) do
        check(config.documents[language][name], "AddDocument %s: not in the documents list of %s", name, language)
    end
    needFile("DocumentsBrowser/Documents/" .. name .. ".jpg", "a document's thumbnail")
    table.insert(self.documents, name)
end

return {Game = Game, signatures = SIGNATURES, events = EVENTS}
