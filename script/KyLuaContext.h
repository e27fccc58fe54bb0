#ifndef KY_LUA_CONTEXT_H
#define KY_LUA_CONTEXT_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVariant.h"

#include <lua.hpp>

class TiXmlNode;

// The panic function of every state the engine opens: logs "Lua: %s\n" with
// the error message (the value at stack index 1) and returns, after which
// the Lua library ends the process with exit code 1. It is reached only by
// an error raised outside any protected call (KyLuaScript::Execute).
int KyLuaPanic(lua_State* L);

// One Lua 5.1 state with all standard libraries and the engine's panic
// function. It reads and writes globals and writes the plain globals (the
// booleans, numbers and strings under string names) into an XML node and
// reads them back, which is how the game keeps its script state in a save.
//
// A context whose state could not be made, or was destroyed, holds no state:
// every operation then does nothing (reads give the empty value).
//
// The accesses to globals run protected: an error raised by a metamethod of
// the globals table is logged ("Lua: %s") and the stack is left as it was.
class KyLuaContext {
public:
    // Opens a state (create).
    KyLuaContext();
    // destroy.
    virtual ~KyLuaContext();

    // Destroys the open state, if any, then opens a fresh one: luaL_newstate,
    // luaL_openlibs, then KyLuaPanic as the panic function. False, with a
    // log line, when no state can be made.
    bool create();
    // When a state is open: calls its global function "Unload" (when it is
    // one) as a protected event, then closes the state. Nothing otherwise.
    void destroy();

    lua_State* state() const { return m_state; }
    bool isOpen() const { return m_state != nullptr; }

    // The global as an engine value: a boolean (type 1), a number (type 7,
    // f64), a string (type 9, a copy); anything else, a missing global
    // included, gives the empty value (type 0). The stack is unchanged.
    KyVariant global(const KyString& name);
    // The global becomes the number value.
    void setGlobal(const KyString& name, s32 value);
    void setGlobal(const KyString& name, bool value);
    // The global becomes nil (it no longer exists).
    void setGlobal(const KyString& name);
    // The global becomes the native function (a closure without upvalues).
    void registerFunction(const KyString& name, lua_CFunction function);

    // Appends to parent one element per plain global, in the order of the
    // globals table: "Boolean" (value "1" or "0"), "Number" (value in "%f"
    // form, written whole whatever its size) or "String", each with the
    // attributes "name" then "value". Globals of other types and globals
    // whose name is not a string are not written.
    void saveGlobals(TiXmlNode* parent);
    // Sets a global for each "Boolean", "Number" and "String" element among
    // parent's children, in document order; an element without "name" or
    // "value", or whose value does not read as its type, is skipped, as is
    // every other child. Globals the elements do not name are kept.
    void loadGlobals(TiXmlNode* parent);

    // Runs function protected (lua_cpcall with data as its light userdata
    // argument). An error is logged ("Lua: %s") and the stack is restored
    // in every case. False on an error or without a state.
    bool protectedCall(lua_CFunction function, void* data);

    // Logs "Lua: %s\n" with the error value at index: its text, or a note
    // of its type when it is neither a string nor a number.
    static void logError(lua_State* L, int index);

private:
    KyLuaContext(const KyLuaContext&) = delete;
    KyLuaContext& operator=(const KyLuaContext&) = delete;

    lua_State* m_state;
};

#endif
