#include "tests/game/GameSession.h"

#include "core/KyFileWriter.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "media/KySoundManager.h"
#include "os/KyOsClock.h"
#include "os/KyOsDir.h"
#include "platform/KyAppHooks.h"
#include "platform/KyInputMgr.h"
#include "platform/KyInputMgrWrapper.h"
#include "platform/KyOpenGLContext.h"
#include "platform/KyRenderer.h"
#include "platform/KyVectorHistory.h"
#include "ui/KyMainWindow.h"
#include "ui/KyVideoLayout.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

// Moves the clock a frame a turn (the tour does it while one plays) and
// keeps the pixels of each frame before the swap.
class GameSession::Observer : public MainLoopObserver {
public:
    explicit Observer(GameSession& session) : m_session(session) {}

    void beforeTurn() override
    {
        if (tour)
            tour->beforeTurn();
        else
            KyOsClock::advanceFake(GameTour::FrameMicroseconds);
    }

    void beforeSwap() override
    {
        GameSession& s = m_session;
        s.m_frame.assign(size_t(s.m_width) * s.m_height * 4, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, s.m_width, s.m_height, GL_RGBA, GL_UNSIGNED_BYTE, s.m_frame.data());
    }

    GameTour* tour = nullptr;

private:
    GameSession& m_session;
};

GameSession::GameSession()
    : GameSession(Setup())
{
}

GameSession::GameSession(const Setup& setup)
    : m_sandbox("Orvalen The Wandrel Part 3")
{
    start(setup);
}

GameSession::~GameSession()
{
    stop();
}

std::string GameSession::optionsText(s32 width, s32 height, bool fullScreen, int musicOn, const char* language)
{
    std::ostringstream text;
    text << "<?xml version=\"1.0\" ?>\n<GameVersion major=\"1\" minor=\"0\" />\n"
         << "<WindowResolution x=\"" << width << "\" y=\"" << height << "\" />\n"
         << "<FullScreen value=\"" << (fullScreen ? 1 : 0) << "\" />\n"
         << "<MusicOn value=\"" << musicOn << "\" />\n<PermanentHelp value=\"1\" />\n"
         << "<InverseLook value=\"0\" />\n<compassLook value=\"0\" />\n"
         << "<Language value=\"" << language << "\" />\n";
    return text.str();
}

void GameSession::writeUserFile(const std::string& name, const std::string& bytes) const
{
    const std::string path = userDataFolder() + "/" + name;
    // A name may lie in a folder of its own ("Ads/index.xml").
    KyOsDir::makePath(path.substr(0, path.rfind('/')).c_str());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string GameSession::userDataFolder() const
{
    KyFileWriter::instance().waitForAll();
    return m_sandbox.userDataFolder();
}

std::string GameSession::readUserFile(const std::string& name) const
{
    std::ifstream in(userDataFolder() + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool GameSession::userFileExists(const std::string& name) const
{
    std::ifstream in(userDataFolder() + "/" + name, std::ios::binary);
    return bool(in);
}

namespace {

// The fake clock of each session starts after the last one's end: the
// engine's timers outlive a session, and time must never run back for them.
u64 g_nextClockStart = 1000000;

} // namespace

void GameSession::start(const Setup& setup)
{
    KyOsClock::installFake(g_nextClockStart);
    // Sounds last by the same clock, as in a tour: a short click stays
    // listed for its frames however slowly a busy machine runs them.
    KySoundManager::setFollowsClock(true);
    m_dataDir.reset(new ScopedWorkingDir(setup.dataFolder.empty() ? std::string(KY_GAME_DATA_DIR) : setup.dataFolder));
    if (!m_dataDir->changedTo()) {
        ADD_FAILURE() << "no data folder";
        return;
    }
    if (setup.writeOptions)
        writeUserFile("options.xml", setup.options.empty() ? optionsText(setup.width, setup.height) : setup.options);
    for (const auto& file : setup.userFiles)
        writeUserFile(file.first, file.second);

    Application* application = KySingleton<Application>::instance();
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    if (!setup.create) {
        m_ok = application != nullptr;
        return;
    }
    // Full screen in a test covers the off-screen desktop: keep a window.
    window->setFullScreen(false);
    if (!window->create() || !KyOpenGLContext::Initialize(window->handle())) {
        ADD_FAILURE() << "no window";
        return;
    }
    m_windowMade = true;
    window->setVisible(true);
    KySingleton<KyRenderer>::instance()->init();
    KyInputMgr* input = KyInputMgr::instance();
    input->setDevice(window);
    input->reset();
    KyMainWindow::messagePump().clear();
    KyAppHooks::setRenderFrameAndSwap(&renderFrameAndSwap);
    createApplication();
    if (setup.skipSplash)
        application->splashScreens.skip();
    const KyVector3f32 size = window->userSize();
    m_width = s32(size.x);
    m_height = s32(size.y);
    m_observer.reset(new Observer(*this));
    m_ok = true;
}

void GameSession::stop()
{
    KyAppHooks::setRenderFrameAndSwap(nullptr);
    if (m_windowMade)
        KyOpenGLContext::makeCurrent();
    destroyApplication();
    KyVideoLayout::deletePending();
    if (m_windowMade) {
        KyOpenGLContext::destroy();
        KySingleton<KyMainWindow>::instance()->destroy();
    }
    KyMainWindow::messagePump().clear();
    KySingleton<KyMainWindow>::destroy();
    KySingleton<KyInputMgrWrapper>::destroy();
    KySingleton<KyInputMgr>::destroy();
    KySingleton<KyVectorHistory>::destroy();
    g_nextClockStart = KyOsClock::microseconds() + 1000000;
    KyOsClock::install(nullptr);
}

Application* GameSession::app()
{
    return KySingleton<Application>::instance();
}

void GameSession::frames(u32 count)
{
    if (!m_ok || !m_observer)
        return;
    for (u32 i = 0; i < count; ++i) {
        mainLoopTurn(m_observer.get());
        // Each turn releases the context; the test's own calls between
        // frames (a screen that loads pictures) need it as the game's code
        // has it.
        KyOpenGLContext::makeCurrent();
        if (afterFrame)
            afterFrame();
    }
}

bool GameSession::run(const std::string& script)
{
    GameTour tour;
    std::string error;
    if (!tour.parse(script, error)) {
        ADD_FAILURE() << error;
        return false;
    }
    tour.setCloseAtEnd(false);
    if (!m_ok || !m_observer)
        return false;
    m_observer->tour = &tour;
    // The last step's frames, then one more so its effects are drawn.
    for (u32 guard = 0; guard < 100000 && !tour.finished(); ++guard) {
        mainLoopTurn(m_observer.get());
        KyOpenGLContext::makeCurrent();
        if (afterFrame)
            afterFrame();
    }
    mainLoopTurn(m_observer.get());
    KyOpenGLContext::makeCurrent();
    if (afterFrame)
        afterFrame();
    m_observer->tour = nullptr;
    return true;
}

KyColor GameSession::windowPixel(s32 x, s32 y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_frame.empty())
        return KyColor(0, 0, 0, 0);
    const size_t at = (size_t(m_height - 1 - y) * m_width + x) * 4;
    return KyColor(m_frame[at], m_frame[at + 1], m_frame[at + 2], m_frame[at + 3]);
}

KyColor GameSession::pixel(f32 x, f32 y) const
{
    return windowPixel(s32(x * f32(m_width) / 480.0f), s32(y * f32(m_height) / 320.0f));
}

bool closeColour(const KyColor& a, const KyColor& b, int tolerance)
{
    return std::abs(int(a.r) - int(b.r)) <= tolerance && std::abs(int(a.g) - int(b.g)) <= tolerance &&
           std::abs(int(a.b) - int(b.b)) <= tolerance;
}

bool inScene(Application* app)
{
    GameWarp& g = app->gameWarp;
    return g.gameRunning && g.currentWarp && !g.isChanging() && !app->rotationAnim.isRunning();
}

bool inMainMenu(Application* app)
{
    return app->mainMenu.gui.isLoaded() && !app->rotationAnim.isRunning();
}

bool waitForBoards(GameSession& game)
{
    Application* app = game.app();
    return framesUntil(game, [app] { return !app->rotationAnim.isRunning(); }, 600);
}

size_t occurrences(const std::string& log, const std::string& text)
{
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        ++count;
    return count;
}

std::vector<std::string> logFaults(const std::string& log, bool hostReachable, int& wandrelLines)
{
    static const char* const marks[] = {"Lua: ",  "n'existe pas", "introuvable", "ailed",        "rror",
                                        "cannot", "can't",        "missing",     "not found",    "Unable",
                                        "refus",  "wrong format", "Invalid",     "Unknown host", "Impossible"};
    static const std::string wandrel = "Impossible de trouver l'animation WAND dans le Warp.";
    std::vector<std::string> faults;
    wandrelLines = 0;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, 3, "GL_") == 0)
            continue;
        // Messages without a line end share a line with the next one: the
        // expected message is taken out and the rest still looked at.
        for (size_t at = line.find(wandrel); at != std::string::npos; at = line.find(wandrel)) {
            line.erase(at, wandrel.size());
            ++wandrelLines;
        }
        bool marked = false;
        for (const char* mark : marks)
            marked = marked || line.find(mark) != std::string::npos;
        if (!marked)
            continue;
        if (line.compare(0, 39, "[KyFile::DeleteFile] Deletation of file") == 0) {
            const std::string file = line.substr(line.rfind('/') + 1);
            bool cleared = file == "save.xml failed.";
            for (int slot = 0; slot <= 10; ++slot)
                cleared = cleared || file == std::to_string(slot) + ".xml failed.";
            if (cleared)
                continue;
        }
        if (!hostReachable &&
            (line.compare(0, 23, "[KySocketBase::connect]") == 0 || line.compare(0, 15, "[KyHTTPRequest]") == 0))
            continue;
        faults.push_back(line);
    }
    return faults;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::string sampleFile(const std::string& relative)
{
    std::ifstream in(std::string(KY_GAME_DATA_DIR) + "/" + relative, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}
