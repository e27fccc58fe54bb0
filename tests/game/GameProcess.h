#ifndef KY_TESTS_GAME_PROCESS_H
#define KY_TESTS_GAME_PROCESS_H

#include "core/KyColor.h"
#include "core/KyTypes.h"
#include "tests/support/TempDir.h"

#include <string>
#include <utility>
#include <vector>

// End-to-end runs of the real game executable, as a player runs it, for
// tests that check what the game shows and writes:
//
//   GameProcess game;                          // HOME: a fresh temporary folder
//   GameProcess::Run run = game.run(script);   // a tour (game/GameTour.h)
//   EXPECT_EQ(run.exitCode, 0);
//   EXPECT_TRUE(game.logHasNo("Lua: "));
//   GameProcess::Picture menu = game.shot("menu");
//   EXPECT_TRUE(menu.near(240, 140, KyColor(150, 100, 60, 255)));
//   EXPECT_NE(game.userFile("options.xml").find("<MusicOn value=\"0\" />"), std::string::npos);
//
// Each run starts the executable beside the sample data with
// SDL_VIDEODRIVER=offscreen, ALSOFT_DRIVERS=null and KY_HEADLESS=1 (no
// display, no sound card, no message box waiting for a click), HOME in the
// temporary folder (so the user-data folder is
// HOME/Documents/Orvalen The Wandrel Part 3), and "--tour SCRIPT --shots
// FOLDER": the tour's clock moves one sixtieth of a second a frame, so every
// run of a script gives the same frames. Runs of one GameProcess share the
// HOME: a second run sees what the first wrote. A run that takes longer than
// the time limit is killed and reported with exit code -1.
class GameProcess {
public:
    struct Run {
        int exitCode = -1;
        // What the game wrote on its standard output and error before its log
        // took them over, and what the tour printed at the end.
        std::string console;
        // The run's peak resident memory.
        long peakKiB = 0;
    };

    // A screenshot, read back from its PNG file.
    struct Picture {
        u32 width = 0;
        u32 height = 0;
        std::vector<u8> rgba;   // rows from the top
        bool valid() const { return width > 0 && height > 0; }
        // The pixel at a place in interface units (480 x 320, y down).
        KyColor at(f32 x, f32 y) const;
        // Whether that pixel is within tolerance of the colour in r, g and b.
        bool near(f32 x, f32 y, const KyColor& colour, int tolerance = 24) const;
    };

    GameProcess();

    // The time limit only ends a run that hangs: it is far beyond what the
    // run takes on a machine whose every core is busy.
    Run run(const std::string& script, u32 timeLimitSeconds = 900);

    // An environment variable the next runs get (in place of the test's
    // own), such as KY_ADVERT_HOST.
    void setEnvironment(const std::string& name, const std::string& value);

    std::string userDataFolder() const;
    std::string userFile(const std::string& name) const;
    bool userFileExists(const std::string& name) const;
    void writeUserFile(const std::string& name, const std::string& bytes) const;
    // The game's log, "logs.txt" in the user-data folder.
    std::string log() const { return userFile("logs.txt"); }
    // True when the log holds no line containing text.
    bool logHasNo(const std::string& text) const;

    // Preloads a module (LD_PRELOAD) into the next runs, beside those given
    // before; the sanitized game then accepts a library ahead of its own.
    void preload(const std::string& module);

    // One file operation of the last run, as the trace module saw it.
    struct FileOperation {
        bool mainThread = false;
        long thread = 0;
        // "open-r", "open-w", "fopen-r", "fopen-w", "mkstemp", "rename",
        // "unlink", "remove", "mkdir", "rmdir", "fsync", "fdatasync",
        // "syncfs", "opendir", "stat", "close", "stall-begin", "stall-end".
        std::string operation;
        // A close's: how far into its file the reads and writes went.
        u64 offset = 0;
        // Absolute; a rename's is its source, target its destination.
        std::string path;
        std::string target;
    };
    // The next runs record their file operations (the module of
    // tests/support/preload/FileTrace.cpp); stall, when not empty, holds
    // every open by a thread other than the main one of a path holding it
    // for stallSeconds first.
    void traceFiles(const std::string& stall = std::string(), u32 stallSeconds = 20);
    // The file operations of the last run, in order.
    std::vector<FileOperation> fileTrace() const;

    // The screenshot NAME.png of the last runs.
    Picture shot(const std::string& name) const;
    std::string shotsFolder() const { return m_home.path() + "/shots"; }

    static bool readPng(const std::string& path, Picture& picture);

private:
    TempDir m_home;
    bool m_traced = false;
    std::vector<std::pair<std::string, std::string>> m_environment;
};

#endif
