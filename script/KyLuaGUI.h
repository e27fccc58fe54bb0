#ifndef KY_LUA_GUI_H
#define KY_LUA_GUI_H

#include "core/KyColor.h"
#include "core/KyMap.h"
#include "core/KyObject.h"
#include "core/KyPath.h"
#include "core/KyQuaternion.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVariant.h"
#include "core/KyVector3f32.h"
#include "script/KyLuaContext.h"
#include "script/KyLuaScript.h"
#include "ui/KyCurveAnim2.h"

#include <unordered_set>

class Ky3DObject2;
class KyButtonLayout;
class KyCheckboxLayout;
class KyLayout;
class KyListLayout;
class KySpriteLayout;
class KyTextLayout;
class KyVideoLayout;

// The interface of one screen described in a Lua file. The file is a Lua
// chunk run in a state of its own; it calls the builder functions named
// after the engine classes ("KyLayout", "KySpriteLayout", ...,
// "KyColorLinearAnimation"), each with one table, and every builder call
// makes one layout or animation that the interface files under its name.
// The screen then finds its elements by name, attaches the root layout to
// its own tree, listens to the buttons and gives the animations their
// targets. The file's plain globals are read with value.
//
// Everything built belongs to the interface until unload, which hides the
// layouts, stops the animations and hands them all to the deferred-deletion
// queue (so an unload from a button's own listener is safe), runs the
// file's "Unload" function and closes the state.
//
// Lua only ever holds handles (light userdata) of the objects; a builder
// takes as a child or a look only a handle of a layout this interface
// built, so a script cannot hand it anything else.
class KyLuaGUI : public KyObject {
public:
    typedef KyCurveAnim2<KyLayout, KyVector3f32> VectorAnimation;
    typedef KyCurveAnim2<Ky3DObject2, KyColor> ColorAnimation;
    typedef KyCurveAnim2<Ky3DObject2, KyQuaternion> RotationAnimation;

    KyLuaGUI();
    ~KyLuaGUI() override;

    // Unloads, then runs the file at path, or else the same file name in the
    // current language's folder beside it, or else in "en" beside it (the
    // last one whether it exists or not); its precompiled "bin" variant is
    // preferred. False when the file cannot be read (the interface is then
    // empty) or does not run to its end: what it built before the error
    // stays filed and usable, and its globals readable.
    bool load(const KyPath& path);
    // Releases every object (hidden or stopped, then queued for deletion at
    // the end of the frame), calls the file's "Unload" function once and
    // closes the state. Nothing happens a second time.
    void unload();
    // A file was read and run (it may have stopped at an error).
    bool isLoaded() const { return loaded; }

    // A layout of any class by name, searched in the maps of plain, button,
    // sprite, text, check-box, list and video layouts in that order; null
    // when none holds the name. Animations are not searched.
    KyLayout* layout(const KyString& name);
    KyButtonLayout* buttonLayout(const KyString& name);
    KySpriteLayout* spriteLayout(const KyString& name);
    KyTextLayout* textLayout(const KyString& name);
    KyCheckboxLayout* checkboxLayout(const KyString& name);
    KyListLayout* listLayout(const KyString& name);
    KyVideoLayout* videoLayout(const KyString& name);
    VectorAnimation* layoutPositionLinearAnimation(const KyString& name);
    VectorAnimation* layoutAnchorLinearAnimation(const KyString& name);
    ColorAnimation* colorLinearAnimation(const KyString& name);
    RotationAnimation* rotationLinearAnimation(const KyString& name);

    // The file's global as KyLuaContext::global gives it; the empty value
    // when nothing is loaded.
    KyVariant value(const KyString& name);

    // Stores pointer under name in the state's registry.
    void luaSetRegistryUserdata(const KyString& name, void* pointer);
    // The value on top of the state's stack as lua_touserdata gives it (it
    // stays there); null without a state.
    void* luaTopUserdata();

    // How many objects the interface holds, in all its maps.
    u32 objectCount() const;
    // The file that was run (empty when none was read).
    const KyPath& loadedPath() const { return script.loadedPath(); }

    // The interface whose file runs in L (found through the registry key
    // "__KyLuaGUIThis"); null when L is no live interface's state. Raises
    // no error only when the registry has no metatable: call it protected.
    static KyLuaGUI* fromState(lua_State* L);
    // The layout a handle stands for when this interface issued it; null
    // for anything else.
    KyLayout* issuedLayout(const void* handle) const;

private:
    friend class KyLuaBuilder;

    // Hides or stops every object, queues it for deletion and empties the
    // maps.
    void releaseObjects();
    // The file load runs: path, or its language or English variant.
    static KyPath resolve(const KyPath& path);
    // Opens the state and gives it the enum globals, the builders and the
    // registry key.
    bool prepareState();

    KyLuaContext context;
    KyLuaScript script;
    KyMap<KyString, KyLayout*> layouts;
    KyMap<KyString, KyListLayout*> listLayouts;
    KyMap<KyString, KySpriteLayout*> spriteLayouts;
    KyMap<KyString, KyButtonLayout*> buttonLayouts;
    KyMap<KyString, KyCheckboxLayout*> checkboxLayouts;
    KyMap<KyString, VectorAnimation*> positionAnimations;
    KyMap<KyString, VectorAnimation*> anchorAnimations;
    KyMap<KyString, KyTextLayout*> textLayouts;
    KyMap<KyString, KyVideoLayout*> videoLayouts;
    KyMap<KyString, ColorAnimation*> colorAnimations;
    KyMap<KyString, RotationAnimation*> rotationAnimations;
    // The layout handles given to the script.
    std::unordered_set<const void*> layoutHandles;
    bool loaded;
};

#endif
