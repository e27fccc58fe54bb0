#ifndef KY_LUA_SCRIPT_H
#define KY_LUA_SCRIPT_H

#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVariant.h"

class KyLuaContext;

// One Lua file held in memory and run in a context: a scene script or an
// interface description. Running the chunk (execute) defines the file's
// functions and values; Execute then calls one of those functions by name
// with up to two engine values.
//
// A precompiled chunk made by luac beside the source, with the extension
// "bin" in place of the file's own, is preferred to the source.
class KyLuaScript {
public:
    KyLuaScript();
    virtual ~KyLuaScript();

    // The context to run in; not owned.
    void setContext(KyLuaContext* context) { this->context = context; }

    // Unloads, then reads the whole of the "bin" variant of path when it
    // exists and opens, else of path itself (a missing file is logged by
    // the file layer). False when neither could be read: the script is then
    // empty, and running it runs an empty chunk.
    bool load(const KyString& path);
    // Runs the loaded text as one chunk, protected. A compile or run error
    // is logged ("Lua: %s") and its message popped; whatever the chunk
    // returns is dropped too, so the stack is left as it was. The executed
    // flag is set in every case. False on an error, or without a context or
    // state.
    bool execute();
    // Calls the global function name with no, one or two arguments (see
    // KyLuaPushVariant). When there is no such function, logs
    // "[KyLuaScript::Execute] La fonction : \"%s\" n'existe pas.\n"; an
    // argument of no type calls nothing. The call is not protected: an error
    // in the function reaches KyLuaPanic, which ends the process. The stack
    // is left as it was.
    void Execute(const KyString& name);
    void Execute(const KyString& name, const KyVariant& argument);
    void Execute(const KyString& name, const KyVariant& first, const KyVariant& second);
    // Frees the text, empties the path and clears the executed flag.
    void unload();

    // The file actually read (empty when nothing is loaded).
    const KyPath& loadedPath() const { return path; }
    const char* data() const { return text; }
    u32 dataSize() const { return size; }
    bool isExecuted() const { return executed; }

    // Whether load would find a file to read: the "bin" variant of path or
    // path itself is a regular file. Never logs.
    static bool canLoad(const KyString& path);
    // The precompiled variant of path: the extension of its file name
    // replaced by "bin" (added when the file name has none); a dot in a
    // folder name is left alone.
    static KyPath precompiledPath(const KyString& path);

private:
    KyLuaScript(const KyLuaScript&) = delete;
    KyLuaScript& operator=(const KyLuaScript&) = delete;

    void call(const KyString& name, const KyVariant* arguments, u32 count);
    bool read(const KyString& file);

    KyPath path;
    char* text;
    u32 size;
    KyLuaContext* context;
    bool executed;
};

#endif
