#ifndef KY_TESTS_GAME_SESSION_H
#define KY_TESTS_GAME_SESSION_H

#include "core/KyColor.h"
#include "core/KyTypes.h"
#include "game/GameTour.h"
#include "game/StartUp.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class Application;

// The game's library run in the test's own process, as the start-up runs it
// (the log stays on standard output, captured here), for tests that look
// inside the application:
//
//   GameSession game;                    // 960 x 640 window, sample data
//   ASSERT_TRUE(game.ok());
//   game.run("click 240 248\nwait 5");   // a tour script (game/GameTour.h)
//   EXPECT_EQ(game.app()->optionsMenu.gui.isLoaded(), true);
//   KyColor c = game.pixel(240, 160);    // the last frame, interface units
//
// HOME is a temporary folder (the user-data folder is inside it), the
// working folder is the data folder, and the clock is the fake clock, moved
// one sixtieth of a second a frame. Every frame is one turn of the real main
// loop (mainLoopTurn): one window message, Application::Update, the swap.
class GameSession {
public:
    struct Setup {
        s32 width = 960;
        s32 height = 640;
        // Written as "options.xml" before the application exists; empty
        // writes a windowed file of the size above.
        std::string options;
        bool writeOptions = true;
        // The data folder the game reads; empty: the sample data beside the
        // game executable.
        std::string dataFolder;
        // Files written into the user-data folder first (name, bytes).
        std::vector<std::pair<std::string, std::string>> userFiles;
        // When false the application is only constructed (no window, no
        // create step).
        bool create = true;
        // The splash screens and adverts are passed at once (as their skip
        // does), so the session starts in the main menu; false lets them
        // run on the fake clock.
        bool skipSplash = true;
    };

    GameSession();
    explicit GameSession(const Setup& setup);
    ~GameSession();
    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;

    bool ok() const { return m_ok; }
    Application* app();

    // Runs frames (turns of the main loop). The GL context is current again
    // afterwards, as it is for the game's own code inside a frame.
    void frames(u32 count);
    // Plays a tour script to its end, one turn a frame; false when it does
    // not parse (the error is added to the test's failures).
    bool run(const std::string& script);

    // Called after every frame that frames() and run() make, for tests
    // that follow the game frame by frame.
    std::function<void()> afterFrame;

    // A pixel of the last frame at a place in interface units (480 x 320,
    // y down), or in window pixels.
    KyColor pixel(f32 x, f32 y) const;
    KyColor windowPixel(s32 x, s32 y) const;

    // What was logged so far.
    std::string log() const { return m_log.text(); }
    // The user-data folder, with the writes the game left to the
    // background made: the files there are as the game last wrote them.
    std::string userDataFolder() const;
    std::string readUserFile(const std::string& name) const;
    bool userFileExists(const std::string& name) const;
    void writeUserFile(const std::string& name, const std::string& bytes) const;

    // A windowed options file of the given size, the other values given.
    static std::string optionsText(s32 width, s32 height, bool fullScreen = false, int musicOn = 1,
                                   const char* language = "en");

private:
    class Observer;
    void start(const Setup& setup);
    void stop();

    StdoutCapture m_log;
    UserDataSandbox m_sandbox;
    std::unique_ptr<ScopedWorkingDir> m_dataDir;
    std::unique_ptr<Observer> m_observer;
    std::vector<u8> m_frame;
    s32 m_width = 0;
    s32 m_height = 0;
    bool m_ok = false;
    bool m_windowMade = false;
};

// Whether two colours differ by at most tolerance in each of r, g, b.
bool closeColour(const KyColor& a, const KyColor& b, int tolerance = 12);

// Runs frames until done() holds; false when it still does not after limit
// frames.
template <class Done>
bool framesUntil(GameSession& game, Done done, int limit = 2000)
{
    for (int frame = 0; frame < limit; ++frame) {
        if (done())
            return true;
        game.frames(1);
    }
    return done();
}

// A game's scene is up and settled: no change of scene, no boards turning.
bool inScene(Application* app);
// The main menu is up and the boards are at rest.
bool inMainMenu(Application* app);
// Frames until the boards are back to rest; false after ten seconds.
bool waitForBoards(GameSession& game);

// How many times text occurs in log.
size_t occurrences(const std::string& log, const std::string& text);
// The log lines that tell of a fault. A line is one when it holds any of
// these marks: "Lua: " (a script error), "n'existe pas" (a file of the game's
// data that is not there, or an event a scene script lacks), "introuvable"
// (a missing picture), "ailed" (a file that did not load), "rror" (an XML,
// sound, picture or OpenAL failure), "cannot", "can't", "missing", "not
// found", "Unable", "refus" (a refused frame or file name), "wrong format",
// "Invalid", "Unknown host", "Impossible". Not counted:
//   - the start-up's list of OpenGL extensions (a line of "GL_" names);
//   - "[KyFile::DeleteFile] Deletation of file : ... failed." for
//     "save.xml" and "0.xml" to "10.xml": a new game clears the save and
//     every slot, whether they are there or not;
//   - "Impossible de trouver l'animation WAND dans le Warp.", once a run
//     that imports the star map: its animation functions act on both
//     panoramas (data/WALKTHROUGH.md, "For the code"); counted in
//     wandrelLines;
//   - when the advert host cannot be reached: the lines of the advert
//     update's connection ("[KySocketBase::connect] ..." and
//     "[KyHTTPRequest] ...").
std::vector<std::string> logFaults(const std::string& log, bool hostReachable, int& wandrelLines);
// The lines, each with its line end.
std::string joined(const std::vector<std::string>& lines);
// The bytes of a file of the sample data.
std::string sampleFile(const std::string& relative);

// Counts the calls of the signals it listens to.
struct SignalCounter {
    bool onSignal()
    {
        ++count;
        return false;
    }
    int count = 0;
};

#endif
