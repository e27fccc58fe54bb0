#ifndef GAME_SAVE_FILE_H
#define GAME_SAVE_FILE_H

#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

#include <memory>

class TiXmlElement;

// A saved game as plain values, read and checked before anything of the
// running game changes, and what the game writes.
struct SaveData {
    SaveData();
    ~SaveData();
    SaveData(const SaveData&) = delete;
    SaveData& operator=(const SaveData&) = delete;

    // The format version read ("GameVersion"; 1.0 when it is missing).
    s32 major;
    s32 minor;
    // The panorama to start in ("WarpName").
    KyString warpName;
    // The view's horizontal and vertical angle in degrees ("Orientation");
    // a value beyond -360..360, or not a number, reads as 0.
    bool hasOrientation;
    f32 yaw;
    f32 pitch;
    // The music of the application ("Music"); empty for none.
    bool hasMusic;
    KyString musicPath;
    // "MayaHealthValue" and "TuyaHealthValue": the number their "value"
    // starts with, 100 when it starts with none; absent values leave the
    // game's own.
    bool hasMayaHealth;
    s32 mayaHealth;
    bool hasTuyaHealth;
    s32 tuyaHealth;
    // The inventory's and the dialog's own sections, as read or as their
    // owners wrote them; null when absent.
    std::unique_ptr<TiXmlElement> inventory;
    std::unique_ptr<TiXmlElement> dialog;
    // The scene scripts' plain globals: "Boolean", "Number" and "String"
    // elements in file order, held by a container element.
    std::unique_ptr<TiXmlElement> globals;
};

// The save file: XML without a root element, every section at the top level
// in a fixed order. The game writes version 1.1.
//
//   <?xml version="1.0" ?>
//   <GameVersion major="1" minor="1" />
//   <Inventory>...</Inventory>
//   <Dialog>...</Dialog>
//   <WarpName name="3D/Isis/Warp_0002.wp" />
//   <Orientation x="90.000000" y="-10.000000" />
//   <Music path="Sounds/Musiques/M_interface.ogg" />
//   <MayaHealthValue value="100" />
//   <TuyaHealthValue value="70" />
//   <Boolean name="KEYS" value="1" />
//   <Number name="visits" value="2.000000" />
//   <String name="door" value="open" />
//
// A file the game reads back and writes again gives the same bytes.
//
// What a save may hold is bounded, so that reading and writing one take
// time and memory in proportion to a game's real state: a file larger than
// kMaxFileBytes is refused unread; an "Inventory" or "Dialog" section
// printed larger than kMaxSectionBytes is left out, and so are the globals
// beyond the first kMaxGlobals, beyond kMaxGlobalsBytes of names and values
// in all, or longer than kMaxGlobalBytes on their own; each with a log line
// naming the file. Writing leaves out the same, so a file the game wrote
// always reads back whole.
class SaveFile {
public:
    static constexpr u32 kMaxFileBytes = 16u * 1024u * 1024u;
    static constexpr u32 kMaxSectionBytes = 1024u * 1024u;
    static constexpr u32 kMaxGlobals = 10000;
    static constexpr u32 kMaxGlobalBytes = 64u * 1024u;
    static constexpr u32 kMaxGlobalsBytes = 4u * 1024u * 1024u;
    // Longest panorama path, in bytes.
    static constexpr u32 kMaxScenePathLength = 1024;

    // Parses and checks text. False, with the reason in error, when it is
    // not well-formed XML, names no panorama or names one that is not a
    // path of the game's data (see isScenePath).
    static bool parse(const char* text, SaveData& data, KyString& error);
    // The same for a file (a game path: "Backup/save.xml").
    static bool read(const KyString& path, SaveData& data, KyString& error);
    // Reads a file as read does, then checks that the game can start from
    // it: its panorama is a scene, one that loads (KyWarp::canLoad) and has
    // its scene script (sceneScriptPath). The judgement of the game's load
    // and of the slot menu alike.
    static bool readPlayable(const KyString& path, SaveData& data, KyString& error);
    // The scene script of the panorama at warpPath, which a change of scene
    // runs: the path with its extension made "lua".
    static KyPath sceneScriptPath(const KyString& warpPath);
    // The file's text.
    static KyString text(const SaveData& data);
    // Writes the text to a temporary file beside path and renames it over
    // path, so the file is always whole. False when it cannot be written.
    static bool write(const KyString& path, const SaveData& data);
    // The same write made in the background (KyFile::writeAtomicallyLater):
    // the text is made now, the disk takes it without the caller waiting,
    // and failureLine is logged if it fails.
    static void writeLater(const KyString& path, const SaveData& data, const KyString& failureLine);
    // The line that tells that the file of that name (a save, a slot or the
    // options) could not be written and that the previous one is kept.
    static KyString failureLine(const KyString& fileName);
    // Whether name can be a save file's name: a plain file name in the
    // user-data folder, without folders.
    static bool isPlainName(const KyString& name);
    // Whether path can name a panorama of the game's data: relative to the
    // game's folder (not absolute, no drive, not in the user-data folder),
    // without ".." parts or control characters, at most
    // kMaxScenePathLength bytes.
    static bool isScenePath(const KyString& path);

private:
    SaveFile() = delete;
};

#endif
