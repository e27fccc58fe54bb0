#include "script/KyLuaGUI.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "platform/KyI3DObject2.h"
#include "script/KyLuaAnimationBindings.h"
#include "script/KyLuaLayoutBindings.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyCheckboxLayout.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KyLayout.h"
#include "ui/KyListLayout.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"
#include "ui/KyVideoLayout.h"

#include <algorithm>
#include <vector>

namespace {

const char* const kRegistryKey = "__KyLuaGUIThis";

// Every interface alive, so that a pointer read from a state's registry is
// used only when it really is one. Never freed: interfaces may outlive the
// static objects at exit.
std::vector<KyLuaGUI*>& liveInterfaces()
{
    static std::vector<KyLuaGUI*>* list = new std::vector<KyLuaGUI*>();
    return *list;
}

struct Builder {
    const char* name;
    lua_CFunction function;
};

const Builder kBuilders[] = {
    {"KyLayout", layoutBindings},
    {"KyListLayout", listLayoutBindings},
    {"KySpriteLayout", spriteLayoutBindings},
    {"KyButtonLayout", buttonLayoutBindings},
    {"KyCheckboxLayout", checkboxLayoutBindings},
    {"KyLayoutPositionLinearAnimation", layoutPositionLinearAnimationBindings},
    {"KyLayoutAnchorLinearAnimation", layoutAnchorLinearAnimationBindings},
    {"KyTextLayout", textLayoutBindings},
    {"KyVideoLayout", videoLayoutBindings},
    {"KyColorLinearAnimation", colorLinearAnimationBindings},
    {"KyRotationLinearAnimation", rotationLinearAnimationBindings},
};

struct EnumValue {
    const char* name;
    s32 value;
};

const EnumValue kEnums[] = {
    {"Pixel", KyLayout::Pixel},         {"Percent", KyLayout::Percent}, {"None", KyLayout::None},
    {"LetterBox", KyLayout::LetterBox}, {"PanScan", KyLayout::PanScan},
};

// Empties a map, handing back what it held in insertion order. The map is
// emptied first: stopping an animation fires listeners, which may reach the
// interface again.
template <class T>
std::vector<T*> takeAll(KyMap<KyString, T*>& map)
{
    std::vector<T*> objects;
    objects.reserve(map.count());
    for (auto it = map.begin(); it != map.end(); ++it)
        objects.push_back(it->value);
    map.clear();
    return objects;
}

// Hides each layout and queues it for deletion at the end of the frame.
template <class T>
void releaseLayouts(KyMap<KyString, T*>& map)
{
    for (T* layout : takeAll(map)) {
        static_cast<KyI3DObject2*>(layout)->setVisible(false);
        KyDeferredDeletion::deleteLater(layout);
    }
}

// Stops each animation (its stop listeners fire when it was running) and
// queues it for deletion.
template <class T>
void releaseAnimations(KyMap<KyString, T*>& map)
{
    for (T* animation : takeAll(map)) {
        animation->stop();
        KyDeferredDeletion::deleteLater(animation);
    }
}

template <class T>
T* lookUp(const KyMap<KyString, T*>& map, const KyString& name)
{
    return map.get(name, nullptr);
}

} // namespace

KyLuaGUI::KyLuaGUI() : loaded(false)
{
    liveInterfaces().push_back(this);
}

KyLuaGUI::~KyLuaGUI()
{
    unload();
    std::vector<KyLuaGUI*>& list = liveInterfaces();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

KyPath KyLuaGUI::resolve(const KyPath& path)
{
    if (KyFile::exists(path))
        return path;
    // The folder part keeps its separator, so a path without a folder looks
    // in "fr/" and "en/" beside the working folder, not at the root.
    const KyString language = KySingleton<KyCore>::instance()->language();
    const KyPath localised(path.directory() + language + KyString("/") + path.fileName());
    if (KyFile::exists(localised))
        return localised;
    return KyPath(path.directory() + KyString("en/") + path.fileName());
}

bool KyLuaGUI::prepareState()
{
    if (!context.create())
        return false;
    for (const EnumValue& e : kEnums)
        context.setGlobal(e.name, e.value);
    for (const Builder& b : kBuilders)
        context.registerFunction(b.name, b.function);
    luaSetRegistryUserdata(kRegistryKey, this);
    return true;
}

bool KyLuaGUI::load(const KyPath& path)
{
    unload();
    const KyPath file = resolve(path);
    if (!prepareState()) {
        logPrint("[KyLuaGUI::load] %s: no Lua state, the interface is not loaded.\n", file.c_str());
        return false;
    }
    script.setContext(&context);
    // A missing file is logged by the file layer and an error in the chunk
    // by the script ("Lua: %s"). What the file built before an error stays
    // filed and its globals stay readable; the result reports the failure.
    const bool read = script.load(file);
    const bool ran = script.execute();
    loaded = read;
    return read && ran;
}

void KyLuaGUI::unload()
{
    releaseObjects();
    if (context.isOpen()) {
        context.destroy();
        // The file's "Unload" function may itself have built something.
        releaseObjects();
    }
    loaded = false;
}

void KyLuaGUI::releaseObjects()
{
    releaseLayouts(layouts);
    releaseLayouts(listLayouts);
    releaseLayouts(spriteLayouts);
    releaseLayouts(buttonLayouts);
    releaseLayouts(checkboxLayouts);
    releaseAnimations(positionAnimations);
    releaseAnimations(anchorAnimations);
    releaseLayouts(textLayouts);
    releaseLayouts(videoLayouts);
    releaseAnimations(colorAnimations);
    releaseAnimations(rotationAnimations);
    layoutHandles.clear();
}

KyLayout* KyLuaGUI::layout(const KyString& name)
{
    if (KyLayout* found = lookUp(layouts, name))
        return found;
    if (KyLayout* found = lookUp(buttonLayouts, name))
        return found;
    if (KyLayout* found = lookUp(spriteLayouts, name))
        return found;
    if (KyLayout* found = lookUp(textLayouts, name))
        return found;
    if (KyLayout* found = lookUp(checkboxLayouts, name))
        return found;
    if (KyLayout* found = lookUp(listLayouts, name))
        return found;
    return lookUp(videoLayouts, name);
}

KyButtonLayout* KyLuaGUI::buttonLayout(const KyString& name)
{
    return lookUp(buttonLayouts, name);
}

KySpriteLayout* KyLuaGUI::spriteLayout(const KyString& name)
{
    return lookUp(spriteLayouts, name);
}

KyTextLayout* KyLuaGUI::textLayout(const KyString& name)
{
    return lookUp(textLayouts, name);
}

KyCheckboxLayout* KyLuaGUI::checkboxLayout(const KyString& name)
{
    return lookUp(checkboxLayouts, name);
}

KyListLayout* KyLuaGUI::listLayout(const KyString& name)
{
    return lookUp(listLayouts, name);
}

KyVideoLayout* KyLuaGUI::videoLayout(const KyString& name)
{
    return lookUp(videoLayouts, name);
}

KyLuaGUI::VectorAnimation* KyLuaGUI::layoutPositionLinearAnimation(const KyString& name)
{
    return lookUp(positionAnimations, name);
}

KyLuaGUI::VectorAnimation* KyLuaGUI::layoutAnchorLinearAnimation(const KyString& name)
{
    return lookUp(anchorAnimations, name);
}

KyLuaGUI::ColorAnimation* KyLuaGUI::colorLinearAnimation(const KyString& name)
{
    return lookUp(colorAnimations, name);
}

KyLuaGUI::RotationAnimation* KyLuaGUI::rotationLinearAnimation(const KyString& name)
{
    return lookUp(rotationAnimations, name);
}

KyVariant KyLuaGUI::value(const KyString& name)
{
    return context.global(name);
}

void KyLuaGUI::luaSetRegistryUserdata(const KyString& name, void* pointer)
{
    lua_State* L = context.state();
    if (!L)
        return;
    lua_pushstring(L, name.c_str());
    lua_pushlightuserdata(L, pointer);
    lua_settable(L, LUA_REGISTRYINDEX);
}

void* KyLuaGUI::luaTopUserdata()
{
    lua_State* L = context.state();
    return L ? lua_touserdata(L, -1) : nullptr;
}

u32 KyLuaGUI::objectCount() const
{
    return layouts.count() + listLayouts.count() + spriteLayouts.count() + buttonLayouts.count() +
           checkboxLayouts.count() + positionAnimations.count() + anchorAnimations.count() + textLayouts.count() +
           videoLayouts.count() + colorAnimations.count() + rotationAnimations.count();
}

KyLuaGUI* KyLuaGUI::fromState(lua_State* L)
{
    lua_pushstring(L, kRegistryKey);
    lua_gettable(L, LUA_REGISTRYINDEX);
    const void* pointer = lua_touserdata(L, -1);
    lua_pop(L, 1);
    // The registry is shared by the state's coroutines, so a builder called
    // from one finds its interface too. A script can rewrite the registry
    // (through the debug library), so the pointer is trusted only when it
    // names a live interface.
    for (KyLuaGUI* gui : liveInterfaces()) {
        if (gui == pointer && gui->context.isOpen())
            return gui;
    }
    return nullptr;
}

KyLayout* KyLuaGUI::issuedLayout(const void* handle) const
{
    if (layoutHandles.find(handle) == layoutHandles.end())
        return nullptr;
    return static_cast<KyLayout*>(const_cast<void*>(handle));
}
