// The sample game's scene scripts and texts as the build lays them out: the
// scripts compile and together call every one of the 49 script functions
// and define every event; the walkthrough of data/WALKTHROUGH.md plays from
// a new game to the ending on a stand-in of the game (SampleGame.lua) that
// checks every argument and every file or text the scripts name; the texts
// are Windows-1252 and say the same things in English and French. The
// stand-in's argument checks are those of the game's own bindings.

#include "core/KyString.h"
#include "game/GameLuaApi.h"
#include "scene/KyWarpReader.h"
#include "tests/tools/SampleData.h"
#include "tools/content/ImageWriters.h"

#include <gtest/gtest.h>
#include <lua.hpp>
#include <tinyxml.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kFunctions[] = {
    "Selected", "TestObjectLimit", "ObjectInHand", "PrintDebugMessage", "SetCondition", "UnsetCondition",
    "TakeObject", "PutObject", "RemoveObject", "StartAnimationPart", "StartAnimation", "AnimationSetToEnd",
    "AnimationSetToStart", "DrawText", "DisplayBD", "ChangeWarp", "AddToBag", "RemoveFromInventary",
    "RemoveFromBag", "SaveGame", "SetMarker", "LookAt", "Wait", "PlaySound", "PlayMusic", "ShowPuzzle",
    "PlayMovie", "Introduction", "Conclusion", "SetFOV", "LoadSprite", "UnloadSprite", "PushAnswer",
    "FinishGame", "AddObjective", "RemoveObjective", "ImportAnimationWarp", "ShowMayaHealth", "ShowTuyaHealth",
    "ReduceMayaHealth", "ReduceTuyaHealth", "HideMayaHealth", "HideTuyaHealth", "InitHealths", "IsMayaAlive",
    "IsTuyaAlive", "ShowDocument", "HideDocument", "AddDocument",
};

const char* const kEvents[] = {
    "OnWarpEnter", "OnWarpLeave", "OnWarpObjectHit", "OnMovieFinished", "OnAnimationFinished", "OnWaitFinished",
    "OnDialogFinished", "OnAnswered", "OnPuzzleValidated", "OnDocumentClosed", "OnShowedDocumentButtonValidated",
    "Unload",
};

const char* const kLanguages[] = {"en", "fr"};

// The scripts of the game's data folder under "3D/": the scene scripts and
// the files they share.
std::vector<std::string> sceneScripts()
{
    std::vector<std::string> scripts;
    for (const std::string& file : SampleData::outputs())
        if (file.compare(0, 3, "3D/") == 0 && file.size() > 4 && file.compare(file.size() - 4, 4, ".lua") == 0)
            scripts.push_back(file);
    return scripts;
}

// A scene script has the panorama of its scene beside it.
bool isSceneScript(const std::string& script)
{
    const std::vector<std::string>& outputs = SampleData::outputs();
    const std::string panorama = script.substr(0, script.size() - 4) + ".wp";
    return std::find(outputs.begin(), outputs.end(), panorama) != outputs.end();
}

// The "attribute" of every element named `element`, at any depth.
void collect(const TiXmlNode* node, const char* element, const char* attribute, std::set<std::string>& out)
{
    for (const TiXmlElement* e = node->FirstChildElement(); e; e = e->NextSiblingElement()) {
        if (std::string(e->Value()) == element && e->Attribute(attribute))
            out.insert(e->Attribute(attribute));
        collect(e, element, attribute, out);
    }
}

std::set<std::string> attributes(const std::string& relative, const char* element, const char* attribute)
{
    TiXmlDocument document;
    document.Parse(SampleData::read(SampleData::made(relative)).c_str());
    EXPECT_FALSE(document.Error()) << relative << ": " << document.ErrorDesc();
    std::set<std::string> out;
    collect(&document, element, attribute, out);
    return out;
}

void pushSet(lua_State* L, const std::set<std::string>& names)
{
    lua_newtable(L);
    for (const std::string& name : names) {
        lua_pushboolean(L, 1);
        lua_setfield(L, -2, name.c_str());
    }
}

// config.key[language] = set, for each language.
void pushByLanguage(lua_State* L, const char* key, const std::string& pattern, const char* element,
                    const char* attribute)
{
    lua_newtable(L);
    for (const char* language : kLanguages) {
        std::string path = pattern;
        path.replace(path.find('@'), 1, language);
        pushSet(L, attributes(path, element, attribute));
        lua_setfield(L, -2, language);
    }
    lua_setfield(L, -2, key);
}

void pushAnimations(lua_State* L)
{
    lua_newtable(L);
    for (const std::string& file : SampleData::outputs()) {
        if (file.size() < 3 || file.compare(file.size() - 3, 3, ".wp") != 0)
            continue;
        const std::string bytes = SampleData::read(SampleData::made(file));
        KyString stream;
        ImageWriters::fillStream(stream, std::vector<u8>(bytes.begin(), bytes.end()));
        KyWarpReader reader(stream, u32(bytes.size()));
        KyWarpReader::Result result;
        EXPECT_TRUE(reader.read(result)) << file << ": " << reader.error().c_str();
        lua_newtable(L);
        for (u32 i = 0; i < result.animationCount; ++i) {
            lua_pushnumber(L, result.animations[i].frameCount);
            lua_setfield(L, -2, result.animations[i].name.c_str());
        }
        lua_setfield(L, -2, file.c_str());
    }
    lua_setfield(L, -2, "animations");
}

void pushConfig(lua_State* L)
{
    lua_newtable(L);
    pushSet(L, std::set<std::string>(SampleData::outputs().begin(), SampleData::outputs().end()));
    lua_setfield(L, -2, "outputs");
    pushByLanguage(L, "texts", "Texts/@.xml", "value", "name");
    pushByLanguage(L, "objects", "Inventory/Objects/Objects_@.xml", "Object", "id");
    pushByLanguage(L, "objectives", "Objectives/@/Objectives.xml", "value", "name");
    pushByLanguage(L, "documents", "DocumentsBrowser/Documents/@/Documents.xml", "Document", "id");
    pushAnimations(L);
    lua_pushstring(L, KY_DATA_DIR);
    lua_setfield(L, -2, "source");
}

// Runs a Lua file with one argument on the stack top; leaves its result.
bool runFile(lua_State* L, const std::string& path, std::string& error)
{
    if (luaL_loadfile(L, path.c_str()) != 0) {
        error = lua_tostring(L, -1);
        return false;
    }
    lua_insert(L, -2);
    if (lua_pcall(L, 1, 1, 0) != 0) {
        error = lua_tostring(L, -1);
        return false;
    }
    return true;
}

std::map<std::string, int> counts(lua_State* L, int game, const char* field)
{
    std::map<std::string, int> out;
    lua_getfield(L, game, field);
    lua_pushnil(L);
    while (lua_next(L, -2)) {
        out[lua_tostring(L, -2)] = int(lua_tonumber(L, -1));
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    return out;
}

} // namespace

TEST(SampleGame, ScriptsCompileAndTogetherCallEveryFunctionAndDefineEveryEvent)
{
    std::string all;
    size_t scenes = 0;
    for (const std::string& script : sceneScripts()) {
        const std::string text = SampleData::read(SampleData::made(script));
        EXPECT_EQ(SampleData::read(SampleData::source(script)), text) << script << " is copied as it is";
        lua_State* L = luaL_newstate();
        EXPECT_EQ(0, luaL_loadbuffer(L, text.data(), text.size(), script.c_str())) << lua_tostring(L, -1);
        lua_close(L);
        all += text;
        if (!isSceneScript(script))
            continue;
        ++scenes;
        // Every scene script answers the events of a scene.
        for (const char* event : {"OnWarpEnter", "OnWarpLeave", "OnWarpObjectHit", "Unload"})
            EXPECT_NE(std::string::npos, text.find(std::string("function ") + event + "(")) << script << ": " << event;
    }
    EXPECT_EQ(4u, scenes);
    for (const char* function : kFunctions)
        EXPECT_TRUE(std::regex_search(all, std::regex(std::string("\\b") + function + "\\s*\\(")))
            << "no script calls " << function;
    for (const char* event : kEvents)
        EXPECT_NE(std::string::npos, all.find(std::string("function ") + event + "(")) << "no script defines " << event;
}

TEST(SampleGame, TheWalkthroughPlaysFromANewGameToTheEnding)
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    const std::string tests = std::string(KY_DATA_DIR) + "/../tests/tools/";
    std::string error;
    pushConfig(L);
    ASSERT_TRUE(runFile(L, tests + "SampleGame.lua", error)) << error;
    ASSERT_TRUE(runFile(L, tests + "SampleWalkthrough.lua", error)) << error;
    const int game = lua_gettop(L);

    // The walkthrough reaches every function and every event.
    const std::map<std::string, int> calls = counts(L, game, "calls");
    for (const char* function : kFunctions)
        EXPECT_GT(calls.count(function), 0u) << function << " is never called on the way";
    const std::map<std::string, int> events = counts(L, game, "events");
    for (const char* event : kEvents)
        EXPECT_GT(events.count(event), 0u) << event << " never happens on the way";
    lua_close(L);
}

TEST(SampleGame, TextsAreWindows1252AndBothLanguagesSayTheSameThings)
{
    const char* const lists[][3] = {
        {"Texts/@.xml", "value", "name"},
        {"Inventory/Objects/Objects_@.xml", "Object", "id"},
        {"DocumentsBrowser/Documents/@/Documents.xml", "Document", "id"},
        {"Objectives/@/Objectives.xml", "value", "name"},
    };
    for (const auto& list : lists) {
        std::set<std::string> names[2];
        for (int l = 0; l < 2; ++l) {
            std::string path = list[0];
            path.replace(path.find('@'), 1, kLanguages[l]);
            SCOPED_TRACE(path);
            names[l] = attributes(path, list[1], list[2]);
            EXPECT_FALSE(names[l].empty());
            const std::string text = SampleData::read(SampleData::made(path));
            EXPECT_NE(std::string::npos, text.find("encoding=\"windows-1252\""));
            for (size_t i = 0; i < text.size(); ++i) {
                const unsigned char c = static_cast<unsigned char>(text[i]);
                // Bytes that Windows-1252 leaves undefined, and the lead
                // and follow bytes of a UTF-8 letter.
                EXPECT_TRUE(c != 0x81 && c != 0x8d && c != 0x8f && c != 0x90 && c != 0x9d) << "byte " << int(c);
                if (c >= 0xc2 && c <= 0xf4 && i + 1 < text.size()) {
                    const unsigned char next = static_cast<unsigned char>(text[i + 1]);
                    EXPECT_FALSE(next >= 0x80 && next <= 0xbf) << "UTF-8 at byte " << i;
                }
            }
        }
        EXPECT_EQ(names[0], names[1]) << list[0];
    }
    // The fall-back lists without a language are the English ones.
    EXPECT_EQ(SampleData::read(SampleData::made("Inventory/Objects/Objects_en.xml")),
              SampleData::read(SampleData::made("Inventory/Objects/Objects.xml")));
    EXPECT_EQ(SampleData::read(SampleData::made("DocumentsBrowser/Documents/en/Documents.xml")),
              SampleData::read(SampleData::made("DocumentsBrowser/Documents/Documents.xml")));
}

TEST(SampleGame, TheStandInChecksArgumentsAsTheGamesBindingsDo)
{
    // Every binding checks all its arguments before it reaches the game, so
    // calls that fail a check are safe without a running game: a table
    // fails every check. For each function, the stand-in's arguments with a
    // table put at each place must fail there, naming the type the
    // stand-in expects ("[no object]" one place past the last).
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    ASSERT_EQ(1, registerGameLuaApi(L));
    pushConfig(L);
    std::string error;
    ASSERT_TRUE(runFile(L, std::string(KY_DATA_DIR) + "/../tests/tools/SampleGame.lua", error)) << error;
    lua_getfield(L, -1, "signatures");
    const int signatures = lua_gettop(L);
    const int count = int(lua_objlen(L, signatures));
    EXPECT_EQ(49, count);
    for (int i = 1; i <= count; ++i) {
        lua_rawgeti(L, signatures, i);
        std::vector<std::string> kinds;
        for (int k = 1; k <= int(lua_objlen(L, -1)); ++k) {
            lua_rawgeti(L, -1, k);
            kinds.push_back(lua_tostring(L, -1));
            lua_pop(L, 1);
        }
        lua_pop(L, 1);
        const std::string name = kinds[0];
        EXPECT_EQ(kFunctions[i - 1], name) << "the stand-in lists the functions in the game's order";
        for (size_t bad = 1; bad <= kinds.size(); ++bad) {
            lua_getglobal(L, name.c_str());
            ASSERT_TRUE(lua_isfunction(L, -1)) << name << " is not registered";
            for (size_t k = 1; k < bad; ++k) {
                const std::string& kind = kinds[k];
                if (kind[0] == 's')
                    lua_pushstring(L, "x");
                else if (kind[0] == 'n')
                    lua_pushnumber(L, 1);
                else
                    lua_pushboolean(L, 1);
            }
            lua_newtable(L);
            const int status = lua_pcall(L, int(bad), 0, 0);
            const std::string message = status ? lua_tostring(L, -1) : "";
            lua_pop(L, status ? 1 : 0);
            std::string expected = "[no object]";
            if (bad < kinds.size())
                expected = kinds[bad][0] == 's' ? "string" : kinds[bad][0] == 'n' ? "number" : "boolean";
            EXPECT_NE(std::string::npos, message.find("argument #" + std::to_string(bad) + " is 'table'; '" + expected + "' expected"))
                << name << " with a table at #" << bad << ": " << message;
        }
    }
    lua_close(L);
}
