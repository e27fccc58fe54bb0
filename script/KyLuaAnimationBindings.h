#ifndef KY_LUA_ANIMATION_BINDINGS_H
#define KY_LUA_ANIMATION_BINDINGS_H

#include <lua.hpp>

// The animation builders of a Lua interface file, registered by
// KyLuaGUI::load as the globals "KyLayoutPositionLinearAnimation",
// "KyLayoutAnchorLinearAnimation", "KyColorLinearAnimation" and
// "KyRotationLinearAnimation". Each takes one table, makes a stopped curve
// animation without a target that drives a layout's position or anchor, or
// an object's colour or rotation, files it under its name and returns its
// handle; or logs and returns nothing when the value is not a table or the
// name is already taken among the animations of its kind.
//
// Keys: "name", "duration" (milliseconds), "startValue" and "endValue" (a
// vector {x, y, z} whose missing elements are 0; a colour {r, g, b, a} whose
// missing elements are 255; a rotation {axis x, axis y, axis z, degrees}),
// "curve" (a list of numbers). "layout" and every other key, positional
// entries included, are skipped.
int layoutPositionLinearAnimationBindings(lua_State* L);
int layoutAnchorLinearAnimationBindings(lua_State* L);
int colorLinearAnimationBindings(lua_State* L);
int rotationLinearAnimationBindings(lua_State* L);

#endif
