#ifndef GAME_OPTIONS_FILE_H
#define GAME_OPTIONS_FILE_H

#include "core/KyString.h"
#include "core/KyTypes.h"

// The player's settings as "options.xml" keeps them: an XML document with no
// root element, its elements at the top level in this order when written:
//
//   <?xml version="1.0" ?>
//   <GameVersion major="1" minor="0" />
//   <WindowResolution x="960" y="640" />
//   <FullScreen value="0" />
//   <MusicOn value="1" />
//   <PermanentHelp value="1" />
//   <InverseLook value="0" />
//   <compassLook value="0" />
//   <Language value="en" />
//
// The file is read into Settings and checked before the application takes
// anything from it; a value that fails the check is logged and left out, so
// the caller keeps its default for it.
class OptionsFile {
public:
    // The window sizes accepted from the file, both ends included.
    static const s32 MinWidth = 320;
    static const s32 MinHeight = 200;
    static const s32 MaxSide = 16384;
    // Longest language code accepted: the code becomes part of file paths.
    static const u32 MaxLanguageLength = 8;

    enum Flag { MusicOn = 0, PermanentHelp = 1, InverseLook = 2, CompassLook = 3, FlagCount = 4 };

    // What a file gave; each has... says whether the value was there.
    struct Settings {
        bool hasResolution = false;   // the element "WindowResolution"
        bool hasWidth = false;
        bool hasHeight = false;
        s32 width = 0;
        s32 height = 0;
        bool hasFullScreen = false;
        s32 fullScreen = 0;           // as read: above 0 means full screen
        bool hasFlag[FlagCount] = {false, false, false, false};
        u8 flag[FlagCount] = {0, 0, 0, 0};
        bool hasLanguage = false;
        KyString language;
    };

    // What the application writes.
    struct Values {
        s32 width = 0;
        s32 height = 0;
        bool fullScreen = false;
        u8 flag[FlagCount] = {1, 1, 0, 0};
        KyString language;
    };

    // The element names of the four flags, in Flag order.
    static const char* flagElement(Flag flag);

    // Reads the file at the disk path. False, printing "Failed to load file
    // \"%s\"\n", when it does not load as XML; settings are then untouched.
    // Only top-level elements count; a flag named twice takes the later one,
    // and a flag element without a value reads as 0.
    static bool read(const KyString& diskPath, Settings& settings);

    // Drops the values that cannot be used, with a log line naming the file
    // for each: a window size outside MinWidth x MinHeight .. MaxSide x
    // MaxSide (either side given), a language that is not a short
    // alphabetic code.
    static void validate(Settings& settings, const KyString& fileName);

    static bool isWindowSize(s32 width, s32 height);
    // Two to MaxLanguageLength ASCII letters.
    static bool isLanguageCode(const KyString& code);

    // The document's text, in the order above; the numbers in "%d". A
    // document that reports an error logs "ActionManager::Save: error %s\n".
    static KyString text(const Values& values);

private:
    OptionsFile() = delete;
};

#endif
