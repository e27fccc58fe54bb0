#include "script/KyLuaBuilder.h"

#include "platform/KyI3DObject2.h"
#include "script/KyLuaConverters.h"

#include <cinttypes>
#include <cstdint>
#include <cstring>

namespace {

bool is(const char* key, const char* name)
{
    return std::strcmp(key, name) == 0;
}

// The handle on top, when it is a layout the interface issued.
KyLayout* topLayout(lua_State* L, KyLuaGUI& gui)
{
    if (lua_type(L, -1) != LUA_TLIGHTUSERDATA)
        return nullptr;
    return gui.issuedLayout(lua_touserdata(L, -1));
}

} // namespace

KyLayout* KyLuaBuilder::layoutValue(lua_State* L, KyLuaGUI& gui, const char* builder, const char* key)
{
    KyLayout* layout = topLayout(L, gui);
    if (!layout)
        logPrint("%s:: %s: the value of \"%s\" is not a layout of this interface, skipped\n", builder,
                 gui.loadedPath().c_str(), key);
    return layout;
}

KyLayout* KyLuaBuilder::childValue(lua_State* L, KyLuaGUI& gui, const char* builder, lua_Number index)
{
    KyLayout* layout = topLayout(L, gui);
    if (!layout)
        logPrint("%s:: %s: the entry [%.14g] is not a layout of this interface, skipped\n", builder,
                 gui.loadedPath().c_str(), double(index));
    return layout;
}

void KyLuaBuilder::adoptChild(KyLayout* layout, lua_State* L, KyLuaGUI& gui, const char* builder, lua_Number index)
{
    if (KyLayout* child = childValue(L, gui, builder, index))
        static_cast<KyI3DObject2*>(layout)->addChild(child);
}

bool KyLuaBuilder::applyLayoutKey(KyLayout* layout, lua_State* L, const char* key)
{
    if (is(key, "name"))
        layout->setName(KyLuaToKyString(L));
    else if (is(key, "sizeType"))
        layout->setSizeType(KyLayout::CoordinatesType(KyLuaToS32(L)));
    else if (is(key, "size"))
        layout->setSize(KyLuaToKyVector3f32(L, layout->userSize()));
    else if (is(key, "ratio"))
        layout->setRatio(KyLuaToF32(L));
    else if (is(key, "ratioMode"))
        layout->setRatioMode(KyLayout::RatioMode(KyLuaToS32(L)));
    else if (is(key, "safeAreaRatio"))
        layout->setSafeAreaRatio(KyLuaToF32(L));
    else if (is(key, "anchor"))
        layout->setAnchor(KyLuaToKyVector3f32(L, layout->anchor()));
    else if (is(key, "positionType"))
        layout->setPositionType(KyLayout::CoordinatesType(KyLuaToS32(L)));
    else if (is(key, "position"))
        layout->setPosition(KyLuaToKyVector3f32(L, layout->userPosition()));
    else if (is(key, "visible"))
        static_cast<KyI3DObject2*>(layout)->setVisible(KyLuaToBool(L));
    else
        return false;
    return true;
}

KyString KyLuaBuilder::addressName(const void* object)
{
    KyString name;
    name.format("%" PRIuPTR, reinterpret_cast<uintptr_t>(object));
    return name;
}
