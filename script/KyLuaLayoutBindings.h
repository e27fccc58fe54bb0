#ifndef KY_LUA_LAYOUT_BINDINGS_H
#define KY_LUA_LAYOUT_BINDINGS_H

#include <lua.hpp>

// The layout builders of a Lua interface file, registered by KyLuaGUI::load
// as the globals "KyLayout", "KyListLayout", "KySpriteLayout",
// "KyButtonLayout", "KyCheckboxLayout", "KyTextLayout" and "KyVideoLayout".
// Each takes one table (the last argument), makes one layout of its class,
// applies the table's string keys through the layout's setters, adopts the
// handles of its positional entries as children in traversal order, files
// the layout under its name and returns its handle; or logs and returns
// nothing when the value is not a table or the name is already taken in
// that class's map.
//
// Keys every layout takes: "name", "sizeType", "size", "ratio",
// "ratioMode", "safeAreaRatio", "anchor", "positionType", "position",
// "visible". A vector key starts from the layout's current value, so a
// shorter list changes only the components it gives. Keys of their own:
//   list: "direction", "minimumMargin", "maximumMargin"
//   sprite: "image"
//   button: "upLayout", "downLayout", "disabledLayout", "hitZone", "enable",
//           "clickPassThrough", "validationSound"
//   check box: "activeLayout", "unactiveLayout", "activeDisabledLayout",
//           "unactiveDisabledLayout", "hitZone", "clickPassThrough",
//           "activationSound", "unactivationSound"
//   text: "text", "interLine" (also written "interline")
// Other string keys, and keys of other types, are skipped.
int layoutBindings(lua_State* L);
int listLayoutBindings(lua_State* L);
int spriteLayoutBindings(lua_State* L);
int buttonLayoutBindings(lua_State* L);
int checkboxLayoutBindings(lua_State* L);
int textLayoutBindings(lua_State* L);
int videoLayoutBindings(lua_State* L);

#endif
