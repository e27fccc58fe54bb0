#ifndef GAME_GAME_TOUR_H
#define GAME_GAME_TOUR_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "game/StartUp.h"

#include <string>
#include <utility>
#include <vector>

// A scripted run of the real game: "orvalen --tour SCRIPT --shots FOLDER".
// The clock is the fake clock, moved on one sixtieth of a second at the
// start of every turn of the main loop (one turn = one frame), and the sound
// is mixed by that clock too (KySoundManager::setFollowsClock), so a run
// gives the same frames every time. A turn in which the frame waits on
// background work (KyFrameWait: an advert page due before a worker has read
// its pictures) is not a frame of the script: its clock and its steps hold
// until the work is done, whatever the machine. The script feeds the window's event queue
// as a player would, and saves screenshots as PNG. The main loop takes one
// event a turn; pointer moves that wait together in the queue reach the
// window as one move to the last of them, as the system reports a hand's
// moves.
//
// The script: one command a line; blank lines and lines starting with '#'
// are skipped, and " #" starts a comment. Positions are in the interface's
// 480 x 320 units (x to the right, y down from the top-left corner), scaled
// to the window's size, so a script works at any window size. The pointer
// starts where the window last saw it.
//
//   move X Y            the pointer moves there                   (1 frame)
//   path N X Y [X Y..]  the pointer travels from where it is along
//                       straight lines through the points to the
//                       last, speeding up and slowing down as a
//                       hand does: a move every 4 units of the way,
//                       those of each frame sent together, so fast
//                       frames hold several moves and slow ones
//                       none; the last point is reached in the
//                       last frame                                (N frames)
//   press [right]       the left (or right) button goes down      (1 frame)
//   release [right]     and up                                    (1 frame)
//   click X Y           move, press, release                      (3 frames)
//   key NAME            a key down and up, SDL's key name         (2 frames)
//   wait N              N frames without input                    (N frames)
//   shot NAME           NAME.png of the frame drawn in this turn  (no frame)
//   close               the window is closed                      (1 frame)
//   driver "V" "R"      the start-up's driver check reads vendor V and
//                       renderer R instead of the driver's (before any frame)
//
// When the script has run out the window is closed, so every tour ends as a
// player's run ends: the options are saved and the exit code is 0. At the
// end the folder and the screenshots written are printed on the standard
// output the program started with (the game's own output goes to its log).
class GameTour : public MainLoopObserver {
public:
    // One frame of the fake clock, in microseconds.
    static const u64 FrameMicroseconds = 16667;

    struct Step {
        enum Kind { Move, Path, Press, Release, Key, Wait, Shot, Close };
        Kind kind = Wait;
        f32 x = 0.0f;
        f32 y = 0.0f;
        bool right = false;
        bool down = false;
        u32 frames = 0;
        std::string text;
        u32 line = 0;
        // A path's points, x and y by turns.
        std::vector<f32> points;
    };

    // The way between two moves of a path, in interface units.
    static constexpr f32 PathStep = 4.0f;
    // The positions a path from (x, y) sends in each of its frames.
    static std::vector<std::vector<std::pair<f32, f32>>> pathMoves(const Step& path, f32 x, f32 y);

    GameTour();
    ~GameTour() override;

    // Takes "--tour SCRIPT" and "--shots FOLDER" from the command line (the
    // other arguments are left to the game); used counts the arguments
    // taken. False, with a message on standard error, when the script cannot
    // be read or parsed or an option lacks its value.
    bool parseArguments(int argc, char** argv, int& used);
    // Reads the script text; false with error "line N: ..." on a fault.
    bool parse(const std::string& script, std::string& error);
    // The folder screenshots go to (made when missing), as an absolute path.
    bool setShotsFolder(const std::string& folder, std::string& error);

    void begin() override;
    void driverStrings(KyString& vendor, KyString& renderer) override;
    void beforeTurn() override;
    void beforeSwap() override;
    void end(int exitCode) override;

    // Whether the window closes once the script has run out (the default);
    // a test that runs the game in its own process keeps it open.
    void setCloseAtEnd(bool close) { m_closeAtEnd = close; }
    // Every step has run and its frames have passed.
    bool finished() const { return m_next >= m_steps.size() && m_pending == 0; }

    const std::vector<Step>& steps() const { return m_steps; }
    const std::vector<std::string>& shotsWritten() const { return m_shotsWritten; }
    const std::string& shotsFolder() const { return m_shotsFolder; }
    u64 frame() const { return m_frame; }
    // The longest turn of the splash screens and adverts, before the main
    // menu's (turns that saved a screenshot left out), in milliseconds of
    // the real clock; the end of the tour prints it.
    f64 longestFirstFrame() const { return m_longestFirstFrame; }

    // Writes RGBA rows (the first row at the top) as a PNG file.
    static bool writePng(const std::string& path, u32 width, u32 height, const std::vector<u8>& rgba);

private:
    GameTour(const GameTour&) = delete;
    GameTour& operator=(const GameTour&) = delete;

    // Runs the steps due this turn; the first that takes frames ends it.
    void runSteps();
    void pushPointer(const Step& step);
    // A pointer move to a position in interface units.
    void pushMove(f32 x, f32 y);
    // The tour's pointer is the window's until the script moves it.
    void findPointer();
    void saveShot(const std::string& name);
    // A position in interface units as window pixels.
    void toWindow(f32 x, f32 y, s32& px, s32& py) const;
    // Times the turn that ended, when it was one of the first screens'.
    void timeFirstScreens();

    std::vector<Step> m_steps;
    size_t m_next;
    // Frames the current step still holds (a wait, the parts of a click).
    u32 m_pending;
    u32 m_clickPart;
    u64 m_frame;
    bool m_closed;
    bool m_closeAtEnd;
    u32 m_buttons;
    // The pointer in window pixels and in interface units.
    s32 m_pointerX;
    s32 m_pointerY;
    f32 m_unitsX;
    f32 m_unitsY;
    bool m_pointerKnown;
    // The moves of the path under way, frame by frame.
    std::vector<std::vector<std::pair<f32, f32>>> m_pathMoves;
    bool m_hasDriver;
    KyString m_vendor;
    KyString m_renderer;
    std::string m_shotsFolder;
    std::vector<std::string> m_shotsDue;
    std::vector<std::string> m_shotsWritten;
    // The standard output the program started with.
    int m_console;
    // The last turn's start (real clock, microseconds; 0 before the first),
    // whether it saved a screenshot, and whether the main menu was shown.
    u64 m_turnStart;
    bool m_shotSaved;
    bool m_menuShown;
    f64 m_longestFirstFrame;
};

#endif
