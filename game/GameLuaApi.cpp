#include "game/GameLuaApi.h"

#include "core/KyLog.h"
#include "core/KyPath.h"
#include "core/KySingleton.h"
#include "core/KyString.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "media/KySoundManager.h"
#include "scene/KyWarp.h"

#include <tolua++.h>

#include <cmath>

namespace {

const char* const kTakeSound = "Sounds/SFX/N_prendre.wav";

GameWarp* game()
{
    return &KySingleton<Application>::instance()->gameWarp;
}

// The arguments of the usual call, each of exactly its kind and none too
// many, seen from their Lua types alone: every call the scripts make passes
// here without tolua++'s checks. Whatever this refuses goes through them,
// which accept it or name the fault, so only calls this accepts skip them,
// and all of those the checks would accept too.
bool argumentsPlainlyOk(lua_State* L, const char* kinds)
{
    int position = 1;
    for (const char* kind = kinds; *kind; ++kind, ++position) {
        const int type = lua_type(L, position);
        switch (*kind) {
        case 's':
            if (type != LUA_TSTRING)
                return false;
            break;
        case 'n':
            if (type != LUA_TNUMBER)
                return false;
            break;
        case 'o':
            if (type != LUA_TNUMBER && type != LUA_TNONE)
                return false;
            break;
        case 'b':
            if (type != LUA_TBOOLEAN && type != LUA_TNIL && type != LUA_TNONE)
                return false;
            break;
        default:
            return false;
        }
    }
    return lua_gettop(L) < position;
}

// The argument checks of one binding, in tolua++'s manner: one letter per
// argument, left to right, then nothing after the last one.
//   s  string (a string, a number or nil)
//   n  number (or a string that reads as one)
//   o  number that may be left out
//   b  boolean that may be left out (a boolean or nil)
bool argumentsOk(lua_State* L, const char* kinds, tolua_Error* error)
{
    if (argumentsPlainlyOk(L, kinds))
        return true;
    int position = 1;
    for (const char* kind = kinds; *kind; ++kind, ++position) {
        bool ok = false;
        switch (*kind) {
        case 's':
            ok = tolua_isstring(L, position, 0, error) != 0;
            break;
        case 'n':
            ok = tolua_isnumber(L, position, 0, error) != 0;
            break;
        case 'o':
            ok = tolua_isnumber(L, position, 1, error) != 0;
            break;
        case 'b':
            ok = tolua_isboolean(L, position, 1, error) != 0;
            break;
        }
        if (!ok)
            return false;
    }
    return tolua_isnoobj(L, position, error) != 0;
}

KyString stringAt(lua_State* L, int position)
{
    return KyString(tolua_tostring(L, position, nullptr));
}

// A string argument that the checks found there, in place, without a
// copy; nil gives "" (as tolua_tostring reads it).
const char* textAt(lua_State* L, int position)
{
    const char* text = lua_tostring(L, position);
    return text ? text : "";
}

s32 s32At(lua_State* L, int position, s32 fallback = 0)
{
    return luaNumberToS32(tolua_tonumber(L, position, lua_Number(fallback)));
}

f32 f32At(lua_State* L, int position)
{
    return f32(tolua_tonumber(L, position, 0));
}

bool boolAt(lua_State* L, int position, bool fallback)
{
    return tolua_toboolean(L, position, fallback ? 1 : 0) != 0;
}

int pushBoolean(lua_State* L, bool value)
{
    lua_pushboolean(L, value ? 1 : 0);
    return 1;
}

// Functions that act on panoramas need the scene's; without it they do
// nothing but say so.
bool hasScene(const char* function)
{
    if (game()->currentWarp)
        return true;
    logPrint("%s: no current panorama\n", function);
    return false;
}

// The panoramas a panorama function acts on: the imported animation
// panorama first, when there is one, then the current one.
template <class Action>
void onWarps(Action action)
{
    GameWarp* g = game();
    if (g->animationWarp)
        action(*g->animationWarp);
    if (g->currentWarp)
        action(*g->currentWarp);
}

void setCondition(lua_State* L, const KyString& name, bool value)
{
    lua_pushboolean(L, value ? 1 : 0);
    lua_setfield(L, LUA_GLOBALSINDEX, name.c_str());
}

void playTakeSound()
{
    KySingleton<KySoundManager>::instance()->PlaySFX(kTakeSound);
}

const KyString* text(const KyString& name)
{
    return KySingleton<Application>::instance()->texts.value(name);
}

// ---- the bindings, in registration order ---------------------------------

#define KY_CHECK(kinds, name)                                                                      \
    tolua_Error error;                                                                             \
    if (!argumentsOk(L, kinds, &error)) {                                                          \
        tolua_error(L, "#ferror in function '" name "'.", &error);                                 \
        return 0;                                                                                  \
    }

int luaSelected(lua_State* L)
{
    KY_CHECK("s", "Selected");
    return pushBoolean(L, game()->selectedObjectName() == textAt(L, 1));
}

int luaTestObjectLimit(lua_State* L)
{
    KY_CHECK("sn", "TestObjectLimit");
    // The count as an unsigned number: 0 and 1 pass, a negative one does
    // not.
    return pushBoolean(L, u32(s32At(L, 2)) <= 1u);
}

int luaObjectInHand(lua_State* L)
{
    KY_CHECK("", "ObjectInHand");
    return pushBoolean(L, !game()->selectedObjectName().isEmpty());
}

int luaPrintDebugMessage(lua_State* L)
{
    KY_CHECK("s", "PrintDebugMessage");
    logPrint("%s", stringAt(L, 1).c_str());
    return 0;
}

int luaSetCondition(lua_State* L)
{
    KY_CHECK("s", "SetCondition");
    setCondition(L, stringAt(L, 1), true);
    return 0;
}

int luaUnsetCondition(lua_State* L)
{
    KY_CHECK("s", "UnsetCondition");
    setCondition(L, stringAt(L, 1), false);
    return 0;
}

int luaTakeObject(lua_State* L)
{
    KY_CHECK("s", "TakeObject");
    const KyString object = stringAt(L, 1);
    if (!hasScene("TakeObject"))
        return 0;
    GameWarp* g = game();
    const KyString hit = g->lastHitObjectName;
    setCondition(L, hit, true);
    onWarps([&](KyWarp& warp) { warp.removeObject(hit); });
    if (!object.isEmpty()) {
        g->addToBag(object);
        playTakeSound();
    }
    return 0;
}

int luaPutObject(lua_State* L)
{
    KY_CHECK("sb", "PutObject");
    const KyString name = stringAt(L, 1);
    const bool pickable = boolAt(L, 2, true);
    if (hasScene("PutObject"))
        onWarps([&](KyWarp& warp) { warp.putObject(name, pickable); });
    return 0;
}

int luaRemoveObject(lua_State* L)
{
    KY_CHECK("s", "RemoveObject");
    const KyString name = stringAt(L, 1);
    if (hasScene("RemoveObject"))
        onWarps([&](KyWarp& warp) { warp.removeObject(name); });
    return 0;
}

int luaStartAnimationPart(lua_State* L)
{
    KY_CHECK("snnob", "StartAnimationPart");
    const KyString name = stringAt(L, 1);
    const s32 first = s32At(L, 2);
    const s32 end = s32At(L, 3);
    const s32 passes = s32At(L, 4, -1);
    const bool pickable = boolAt(L, 5, false);
    if (hasScene("StartAnimationPart"))
        onWarps([&](KyWarp& warp) { warp.startAnimationPart(name, passes, first, end, pickable); });
    return 0;
}

int luaStartAnimation(lua_State* L)
{
    KY_CHECK("sob", "StartAnimation");
    const KyString name = stringAt(L, 1);
    const s32 passes = s32At(L, 2, -1);
    const bool pickable = boolAt(L, 3, false);
    if (hasScene("StartAnimation"))
        onWarps([&](KyWarp& warp) { warp.startAnimation(name, passes, pickable); });
    return 0;
}

int luaAnimationSetToEnd(lua_State* L)
{
    KY_CHECK("sb", "AnimationSetToEnd");
    const KyString name = stringAt(L, 1);
    const bool pickable = boolAt(L, 2, false);
    if (hasScene("AnimationSetToEnd"))
        onWarps([&](KyWarp& warp) { warp.setAnimationFrame(name, -1, pickable); });
    return 0;
}

int luaAnimationSetToStart(lua_State* L)
{
    KY_CHECK("sb", "AnimationSetToStart");
    const KyString name = stringAt(L, 1);
    const bool pickable = boolAt(L, 2, false);
    if (hasScene("AnimationSetToStart"))
        onWarps([&](KyWarp& warp) { warp.setAnimationFrame(name, 0, pickable); });
    return 0;
}

int luaDrawText(lua_State* L)
{
    KY_CHECK("sso", "DrawText");
    const KyString name = stringAt(L, 1);
    const KyString voice = stringAt(L, 2);
    const s32 mode = s32At(L, 3, 0);
    const KyString* line = text(name);
    if (!line)
        return 0;
    game()->dialog.playLine(name, *line, voice, mode);
    return 0;
}

int luaDisplayBD(lua_State* L)
{
    KY_CHECK("sob", "DisplayBD");
    const KyString name = stringAt(L, 1);
    const s32 number = s32At(L, 2, 0);
    const bool flag = boolAt(L, 3, false);
    game()->bd.display(name, number, flag);
    return 0;
}

int luaChangeWarp(lua_State* L)
{
    KY_CHECK("s", "ChangeWarp");
    game()->changeWarp(KyPath(stringAt(L, 1)));
    return 0;
}

int luaAddToBag(lua_State* L)
{
    KY_CHECK("s", "AddToBag");
    game()->addToBag(stringAt(L, 1));
    playTakeSound();
    return 0;
}

int luaRemoveFromInventary(lua_State* L)
{
    KY_CHECK("s", "RemoveFromInventary");
    game()->inventoryMenu.inventory.removeObject(stringAt(L, 1));
    return 0;
}

int luaRemoveFromBag(lua_State* L)
{
    KY_CHECK("", "RemoveFromBag");
    game()->inventoryMenu.inventory.removeObjectInHand();
    return 0;
}

int luaSaveGame(lua_State* L)
{
    KY_CHECK("s", "SaveGame");
    game()->Save(stringAt(L, 1));
    return 0;
}

int luaSetMarker(lua_State* L)
{
    KY_CHECK("sno", "SetMarker");
    const KyString name = stringAt(L, 1);
    const s32 image = s32At(L, 2);
    const s32 slot = s32At(L, 3, 0);
    if (slot < 0) {
        logPrint("SetMarker: no marker slot %d\n", slot);
        return 0;
    }
    if (hasScene("SetMarker"))
        onWarps([&](KyWarp& warp) { warp.setMarker(name, image, u32(slot)); });
    return 0;
}

int luaLookAt(lua_State* L)
{
    KY_CHECK("nn", "LookAt");
    const s32 x = s32At(L, 1);
    const s32 y = s32At(L, 2);
    game()->lookAt(x, y);
    return 0;
}

int luaWait(lua_State* L)
{
    KY_CHECK("n", "Wait");
    const s32 milliseconds = s32At(L, 1);
    game()->wait(milliseconds);
    return 0;
}

int luaPlaySound(lua_State* L)
{
    KY_CHECK("sn", "PlaySound");
    const KyString file = stringAt(L, 1);
    const s32 mode = s32At(L, 2);
    game()->playSound(file, mode);
    return 0;
}

int luaPlayMusic(lua_State* L)
{
    KY_CHECK("s", "PlayMusic");
    const KyString file = stringAt(L, 1);
    game()->playMusic(file);
    return 0;
}

int luaShowPuzzle(lua_State* L)
{
    KY_CHECK("n", "ShowPuzzle");
    game()->showPuzzle(s32At(L, 1));
    return 0;
}

int luaPlayMovie(lua_State* L)
{
    KY_CHECK("ss", "PlayMovie");
    const KyString video = stringAt(L, 1);
    const KyString sound = stringAt(L, 2);
    game()->playMovie(video, sound);
    return 0;
}

int luaIntroduction(lua_State* L)
{
    KY_CHECK("", "Introduction");
    game()->introduction.start();
    return 0;
}

int luaConclusion(lua_State* L)
{
    KY_CHECK("", "Conclusion");
    game()->conclusion.start();
    return 0;
}

int luaSetFOV(lua_State* L)
{
    KY_CHECK("n", "SetFOV");
    const f32 degrees = f32At(L, 1);
    if (!hasScene("SetFOV"))
        return 0;
    game()->setFov(degrees);
    return 0;
}

int luaLoadSprite(lua_State* L)
{
    KY_CHECK("nsnnn", "LoadSprite");
    const s32 slot = s32At(L, 1);
    const KyString image = stringAt(L, 2);
    const KyVector3f32 position(f32At(L, 3), f32At(L, 4), f32At(L, 5));
    game()->loadSprite(slot, image, position);
    return 0;
}

int luaUnloadSprite(lua_State* L)
{
    KY_CHECK("n", "UnloadSprite");
    game()->unloadSprite(s32At(L, 1));
    return 0;
}

int luaPushAnswer(lua_State* L)
{
    KY_CHECK("s", "PushAnswer");
    const KyString name = stringAt(L, 1);
    // A name without a text is offered all the same, with an empty entry.
    const KyString* answer = text(name);
    game()->question.pushAnswer(name, answer ? *answer : KyString());
    return 0;
}

int luaFinishGame(lua_State* L)
{
    KY_CHECK("", "FinishGame");
    game()->finishGame();
    return 0;
}

int luaAddObjective(lua_State* L)
{
    KY_CHECK("n", "AddObjective");
    const s32 id = s32At(L, 1);
    game()->addObjective(id);
    return 0;
}

int luaRemoveObjective(lua_State* L)
{
    KY_CHECK("n", "RemoveObjective");
    const s32 id = s32At(L, 1);
    game()->removeObjective(id);
    return 0;
}

int luaImportAnimationWarp(lua_State* L)
{
    KY_CHECK("s", "ImportAnimationWarp");
    game()->importAnimationWarp(stringAt(L, 1));
    return 0;
}

int luaShowMayaHealth(lua_State* L)
{
    KY_CHECK("", "ShowMayaHealth");
    game()->showMayaHealth();
    return 0;
}

int luaShowTuyaHealth(lua_State* L)
{
    KY_CHECK("", "ShowTuyaHealth");
    game()->showTuyaHealth();
    return 0;
}

int luaReduceMayaHealth(lua_State* L)
{
    KY_CHECK("n", "ReduceMayaHealth");
    const s32 amount = s32At(L, 1);
    game()->reduceMayaHealth(amount);
    return 0;
}

int luaReduceTuyaHealth(lua_State* L)
{
    KY_CHECK("n", "ReduceTuyaHealth");
    const s32 amount = s32At(L, 1);
    game()->reduceTuyaHealth(amount);
    return 0;
}

int luaHideMayaHealth(lua_State* L)
{
    KY_CHECK("", "HideMayaHealth");
    game()->hideMayaHealth();
    return 0;
}

int luaHideTuyaHealth(lua_State* L)
{
    KY_CHECK("", "HideTuyaHealth");
    game()->hideTuyaHealth();
    return 0;
}

int luaInitHealths(lua_State* L)
{
    KY_CHECK("", "InitHealths");
    game()->initHealths();
    return 0;
}

int luaIsMayaAlive(lua_State* L)
{
    KY_CHECK("", "IsMayaAlive");
    return pushBoolean(L, game()->isMayaAlive());
}

int luaIsTuyaAlive(lua_State* L)
{
    KY_CHECK("", "IsTuyaAlive");
    return pushBoolean(L, game()->isTuyaAlive());
}

int luaShowDocument(lua_State* L)
{
    KY_CHECK("s", "ShowDocument");
    game()->inventoryMenu.documentsBrowser.showDocument(stringAt(L, 1), 0);
    return 0;
}

int luaHideDocument(lua_State* L)
{
    KY_CHECK("", "HideDocument");
    game()->inventoryMenu.documentsBrowser.hideDocument();
    return 0;
}

int luaAddDocument(lua_State* L)
{
    KY_CHECK("s", "AddDocument");
    game()->inventoryMenu.documentsBrowser.addDocument(stringAt(L, 1));
    return 0;
}

#undef KY_CHECK

} // namespace

s32 luaNumberToS32(lua_Number number)
{
    if (std::isnan(number))
        return 0;
    const lua_Number whole = std::trunc(number);
    if (whole <= -2147483648.0)
        return -2147483647 - 1;
    if (whole >= 2147483647.0)
        return 2147483647;
    return s32(whole);
}

int registerGameLuaApi(lua_State* L)
{
    tolua_open(L);
    tolua_module(L, nullptr, 0);
    tolua_beginmodule(L, nullptr);
    tolua_function(L, "Selected", luaSelected);
    tolua_function(L, "TestObjectLimit", luaTestObjectLimit);
    tolua_function(L, "ObjectInHand", luaObjectInHand);
    tolua_function(L, "PrintDebugMessage", luaPrintDebugMessage);
    tolua_function(L, "SetCondition", luaSetCondition);
    tolua_function(L, "UnsetCondition", luaUnsetCondition);
    tolua_function(L, "TakeObject", luaTakeObject);
    tolua_function(L, "PutObject", luaPutObject);
    tolua_function(L, "RemoveObject", luaRemoveObject);
    tolua_function(L, "StartAnimationPart", luaStartAnimationPart);
    tolua_function(L, "StartAnimation", luaStartAnimation);
    tolua_function(L, "AnimationSetToEnd", luaAnimationSetToEnd);
    tolua_function(L, "AnimationSetToStart", luaAnimationSetToStart);
    tolua_function(L, "DrawText", luaDrawText);
    tolua_function(L, "DisplayBD", luaDisplayBD);
    tolua_function(L, "ChangeWarp", luaChangeWarp);
    tolua_function(L, "AddToBag", luaAddToBag);
    tolua_function(L, "RemoveFromInventary", luaRemoveFromInventary);
    tolua_function(L, "RemoveFromBag", luaRemoveFromBag);
    tolua_function(L, "SaveGame", luaSaveGame);
    tolua_function(L, "SetMarker", luaSetMarker);
    tolua_function(L, "LookAt", luaLookAt);
    tolua_function(L, "Wait", luaWait);
    tolua_function(L, "PlaySound", luaPlaySound);
    tolua_function(L, "PlayMusic", luaPlayMusic);
    tolua_function(L, "ShowPuzzle", luaShowPuzzle);
    tolua_function(L, "PlayMovie", luaPlayMovie);
    tolua_function(L, "Introduction", luaIntroduction);
    tolua_function(L, "Conclusion", luaConclusion);
    tolua_function(L, "SetFOV", luaSetFOV);
    tolua_function(L, "LoadSprite", luaLoadSprite);
    tolua_function(L, "UnloadSprite", luaUnloadSprite);
    tolua_function(L, "PushAnswer", luaPushAnswer);
    tolua_function(L, "FinishGame", luaFinishGame);
    tolua_function(L, "AddObjective", luaAddObjective);
    tolua_function(L, "RemoveObjective", luaRemoveObjective);
    tolua_function(L, "ImportAnimationWarp", luaImportAnimationWarp);
    tolua_function(L, "ShowMayaHealth", luaShowMayaHealth);
    tolua_function(L, "ShowTuyaHealth", luaShowTuyaHealth);
    tolua_function(L, "ReduceMayaHealth", luaReduceMayaHealth);
    tolua_function(L, "ReduceTuyaHealth", luaReduceTuyaHealth);
    tolua_function(L, "HideMayaHealth", luaHideMayaHealth);
    tolua_function(L, "HideTuyaHealth", luaHideTuyaHealth);
    tolua_function(L, "InitHealths", luaInitHealths);
    tolua_function(L, "IsMayaAlive", luaIsMayaAlive);
    tolua_function(L, "IsTuyaAlive", luaIsTuyaAlive);
    tolua_function(L, "ShowDocument", luaShowDocument);
    tolua_function(L, "HideDocument", luaHideDocument);
    tolua_function(L, "AddDocument", luaAddDocument);
    tolua_endmodule(L);
    return 1;
}

int tolua_GameLuaApi_open(lua_State* L)
{
    return registerGameLuaApi(L);
}
