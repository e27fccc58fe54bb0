#ifndef KY_TEST_LUA_GUI_FIXTURE_H
#define KY_TEST_LUA_GUI_FIXTURE_H

#include "core/KyColor.h"
#include "core/KyTypes.h"
#include "script/KyLuaGUI.h"

#include "tests/support/UserDataSandbox.h"

#include <string>

// Lua interface files and their pictures, written into a throw-away working
// folder, and an interface to load them with. Whatever the test leaves
// loaded is unloaded and deleted at the end.
class LuaGUIFiles {
public:
    LuaGUIFiles();
    ~LuaGUIFiles();

    // Writes a file relative to the working folder.
    void write(const std::string& path, const std::string& text);
    // A PNG picture of one colour.
    void writePicture(const std::string& path, u32 width, u32 height, const KyColor& colour);
    // The pictures the test screen shows: GUI/red.png (16 x 16),
    // GUI/green.png and GUI/blue.png (16 x 8), GUI/grey.png (8 x 8).
    void writeTestPictures();
    // The test screen: every builder and every key (28 layouts and 5
    // animations, a function "Unload" that appends "x" to unloaded.txt).
    static const char* everyKey();

    // Writes text as path and loads it into gui; returns what load returned
    // and gives the log of the load.
    bool load(const std::string& path, const std::string& text, std::string* log = nullptr);
    // The content of a file of the working folder ("" when absent).
    std::string read(const std::string& path);

    UserDataSandbox sandbox;
    KyLuaGUI gui;
};

#endif
