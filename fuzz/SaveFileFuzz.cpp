// Fuzzes the reading of a save file: a file that is read must hold a
// panorama and angles within a turn; what the game writes from it must read
// back, and from then on reading and writing again must give the same bytes
// (the first writing may settle the white space of text that damaged
// sections carry between their elements); its globals must load into a
// script state and be written from it again.

#include "core/KyString.h"
#include "game/SaveFile.h"
#include "script/KyLuaContext.h"

#include <tinyxml.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// What the game writes after reading text; aborts when it cannot read it.
KyString rewrite(const KyString& text)
{
    SaveData save;
    KyString error;
    if (!SaveFile::parse(text.c_str(), save, error))
        std::abort();
    return SaveFile::text(save);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    SaveData save;
    KyString error;
    if (!SaveFile::parse(text.c_str(), save, error)) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    if (save.warpName.isEmpty())
        std::abort();
    if (!(save.yaw >= -360.0f && save.yaw <= 360.0f) || !(save.pitch >= -360.0f && save.pitch <= 360.0f))
        std::abort();

    const KyString settled = rewrite(SaveFile::text(save));
    if (rewrite(settled) != settled)
        std::abort();

    KyLuaContext context;
    context.loadGlobals(save.globals.get());
    TiXmlElement globals("Globals");
    context.saveGlobals(&globals);
    if (lua_gettop(context.state()) != 0)
        std::abort();
    return 0;
}
