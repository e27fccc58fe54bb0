#include "tests/game/SceneFixture.h"

#include "game/Application.h"
#include "game/screens/InventoryObject.h"
#include "platform/KyOpenGLContext.h"

#include <lua.hpp>

#include <gtest/gtest.h>

SceneFixture::SceneFixture(const std::function<void(DataOverlay&)>& prepare, const GameSession::Setup& base)
{
    prepare(data);
    GameSession::Setup setup = base;
    setup.dataFolder = data.path();
    game.reset(new GameSession(setup));
    if (!game->ok())
        return;
    KyOpenGLContext::makeCurrent();
    app()->gameWarp.enter();
    app()->gameWarp.Load("save.xml");
    KyOpenGLContext::makeCurrent();
}

std::string SceneFixture::newLog()
{
    const std::string all = game->log();
    const std::string fresh = all.substr(seen);
    seen = all.size();
    return fresh;
}

void SceneFixture::lua(const std::string& chunk)
{
    lua_State* L = app()->gameWarp.luaContext.state();
    ASSERT_NE(L, nullptr);
    ASSERT_EQ(luaL_dostring(L, chunk.c_str()), 0) << lua_tostring(L, -1);
}

std::string carried(Inventory& inventory)
{
    std::string text;
    for (InventoryObject* object : inventory.objects())
        text += std::string(object->name.c_str()) + " ";
    return text;
}
