#ifndef KY_LUA_BUILDER_H
#define KY_LUA_BUILDER_H

#include "core/KyLog.h"
#include "core/KyMap.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "script/KyLuaGUI.h"
#include "ui/KyLayout.h"

#include <lua.hpp>

// The procedure every builder of a Lua interface file follows, for the
// layout builders and the animation builders alike. A Kind describes one
// builder:
//
//   typedef ... Object;                          the class it makes
//   static const char* const builder;            its name, in its messages
//   static Object* create();
//   static KyMap<KyString, Object*>& map(KyLuaGUI&);  the map it files in
//   static void applyKey(Job<Kind>&, lua_State*, const char* key);
//                                                a string key, value on top
//   static void applyEntry(Job<Kind>&, lua_State*, lua_Number index);
//                                                a number key, value on top
//   static KyString name(Job<Kind>&);            the name given so far
//   static void finish(Job<Kind>&, const KyString& name);
//                                                names the object, and
//                                                issues a layout's handle
//   static void* handle(Job<Kind>&);             what Lua gets
//
// The table is read inside a protected call. Its keys may run script code
// (the metamethods of a vector's table), and that code may fail or run out
// of its budget; the error then leaves the protected call, the half-made
// object is deleted, and the error goes on to the chunk that called the
// builder. Nothing of the engine is left half-built, and no engine object
// is ever skipped over by a Lua error.
class KyLuaBuilder {
public:
    // What one builder call is making. Plain data, so that an error raised
    // over the builder's frame skips nothing that needs destroying.
    template <class Kind>
    struct Job {
        KyLuaGUI* gui;
        typename Kind::Object* object;
        // The name given by the table (animations keep none of their own).
        KyString* name;
    };

    template <class Kind>
    static int build(lua_State* L)
    {
        if (!lua_istable(L, -1)) {
            logPrint("%s:: the lua value is not a table\n", Kind::builder);
            return 0;
        }
        const int table = lua_gettop(L);
        Job<Kind> job{nullptr, nullptr, nullptr};
        lua_pushcfunction(L, &KyLuaBuilder::apply<Kind>);
        lua_pushvalue(L, table);
        lua_pushlightuserdata(L, &job);
        if (lua_pcall(L, 2, 0, 0) != 0) {
            delete job.object;
            delete job.name;
            return lua_error(L);
        }
        if (!job.gui) {
            logPrint("%s:: no interface is being built in this Lua state\n", Kind::builder);
            return 0;
        }
        return file<Kind>(L, job);
    }

    // The layout of the handle on top of the stack, when it is one this
    // interface issued; otherwise logs, naming the builder, the file and
    // the key, and gives null.
    static KyLayout* layoutValue(lua_State* L, KyLuaGUI& gui, const char* builder, const char* key);
    // The same for the value of a positional entry.
    static KyLayout* childValue(lua_State* L, KyLuaGUI& gui, const char* builder, lua_Number index);

    // Applies one of the keys every layout understands; false when key is
    // not one of them.
    static bool applyLayoutKey(KyLayout* layout, lua_State* L, const char* key);
    // Adopts the value on top as the next child of layout.
    static void adoptChild(KyLayout* layout, lua_State* L, KyLuaGUI& gui, const char* builder, lua_Number index);

    // The decimal text of an object's whole address: the name of an object
    // the file left unnamed.
    static KyString addressName(const void* object);

    // Gives the layout handle to the script (layouts only).
    static void issue(KyLuaGUI& gui, const void* handle) { gui.layoutHandles.insert(handle); }

    // The interface's maps, one per builder.
    static KyMap<KyString, KyLayout*>& layouts(KyLuaGUI& gui) { return gui.layouts; }
    static KyMap<KyString, KyListLayout*>& listLayouts(KyLuaGUI& gui) { return gui.listLayouts; }
    static KyMap<KyString, KySpriteLayout*>& spriteLayouts(KyLuaGUI& gui) { return gui.spriteLayouts; }
    static KyMap<KyString, KyButtonLayout*>& buttonLayouts(KyLuaGUI& gui) { return gui.buttonLayouts; }
    static KyMap<KyString, KyCheckboxLayout*>& checkboxLayouts(KyLuaGUI& gui) { return gui.checkboxLayouts; }
    static KyMap<KyString, KyTextLayout*>& textLayouts(KyLuaGUI& gui) { return gui.textLayouts; }
    static KyMap<KyString, KyVideoLayout*>& videoLayouts(KyLuaGUI& gui) { return gui.videoLayouts; }
    typedef KyMap<KyString, KyLuaGUI::VectorAnimation*> VectorAnimations;
    static VectorAnimations& positionAnimations(KyLuaGUI& gui) { return gui.positionAnimations; }
    static VectorAnimations& anchorAnimations(KyLuaGUI& gui) { return gui.anchorAnimations; }
    static KyMap<KyString, KyLuaGUI::ColorAnimation*>& colorAnimations(KyLuaGUI& gui) { return gui.colorAnimations; }
    static KyMap<KyString, KyLuaGUI::RotationAnimation*>& rotationAnimations(KyLuaGUI& gui)
    {
        return gui.rotationAnimations;
    }

private:
    // Runs protected: argument 1 is the table, 2 the job.
    template <class Kind>
    static int apply(lua_State* L)
    {
        Job<Kind>* job = static_cast<Job<Kind>*>(lua_touserdata(L, 2));
        job->gui = KyLuaGUI::fromState(L);
        if (!job->gui)
            return 0;
        job->object = Kind::create();
        lua_pushnil(L);
        while (lua_next(L, 1)) {
            // A number key is read as a number: turning it into text would
            // change the key under lua_next.
            if (lua_type(L, -2) == LUA_TSTRING)
                Kind::applyKey(*job, L, lua_tostring(L, -2));
            else if (lua_type(L, -2) == LUA_TNUMBER)
                Kind::applyEntry(*job, L, lua_tonumber(L, -2));
            lua_pop(L, 1);
        }
        return 0;
    }

    // Names and files the object; a name its map already holds rejects it.
    template <class Kind>
    static int file(lua_State* L, Job<Kind>& job)
    {
        typename Kind::Object* object = job.object;
        KyString name = Kind::name(job);
        delete job.name;
        job.name = nullptr;
        if (name.isEmpty())
            name = addressName(object);
        KyMap<KyString, typename Kind::Object*>& map = Kind::map(*job.gui);
        if (map.contains(name)) {
            logPrint("%s:: multiple objects with name %s\n", Kind::builder, name.c_str());
            delete object;
            return 0;
        }
        Kind::finish(job, name);
        map.insert(name, object);
        lua_pushlightuserdata(L, Kind::handle(job));
        return 1;
    }
};

#endif
