#ifndef KY_TESTS_SCENE_FIXTURE_H
#define KY_TESTS_SCENE_FIXTURE_H

#include "tests/game/DataOverlay.h"
#include "tests/game/GameSession.h"

#include <functional>
#include <memory>
#include <string>

class Application;
class Inventory;

// A game entered straight into a save (by default none: the first scene of
// a new game) on the sample data with the test's own files on top, the
// OpenGL context current for the test's own calls:
//
//   SceneFixture scene([](DataOverlay& data) { data.write("3D/Isis/Warp_0002.lua", script); });
//   scene.lua("AddToBag(\"Key\")");
//   EXPECT_NE(scene.newLog().find("..."), std::string::npos);
struct SceneFixture {
    explicit SceneFixture(const std::function<void(DataOverlay&)>& prepare,
                          const GameSession::Setup& base = GameSession::Setup());

    bool ok() const { return game && game->ok(); }
    Application* app() { return game->app(); }
    // The log written since the previous call.
    std::string newLog();
    // Runs a chunk in the scene's Lua state, as a scene script would; the
    // chunk must run without error.
    void lua(const std::string& chunk);

    DataOverlay data;
    std::unique_ptr<GameSession> game;
    size_t seen = 0;
};

// The names of the objects carried, in walking order, each followed by a
// space.
std::string carried(Inventory& inventory);

#endif
