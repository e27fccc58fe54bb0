#include "game/GameTour.h"

#include "core/KyFrameWait.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "media/KySoundManager.h"
#include "os/KyOsClock.h"
#include "os/KyOsDir.h"
#include "os/KyOsEvents.h"
#include "os/KyOsMessage.h"
#include "ui/KyMainWindow.h"

#include <GL/gl.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

// Splits a line into words; "double quotes" keep blanks and " #" starts a
// comment.
bool splitWords(const std::string& line, std::vector<std::string>& words, std::string& error)
{
    words.clear();
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        std::string word;
        if (c == '"') {
            const size_t close = line.find('"', i + 1);
            if (close == std::string::npos) {
                error = "unterminated quote";
                return false;
            }
            word = line.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                word += line[i++];
        }
        words.push_back(word);
    }
    return true;
}

bool readNumber(const std::string& word, f32& value)
{
    char* end = nullptr;
    errno = 0;
    const double read = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || errno != 0 || !(read > -1e6 && read < 1e6))
        return false;
    value = f32(read);
    return true;
}

bool readCount(const std::string& word, u32& value)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long read = std::strtoul(word.c_str(), &end, 10);
    if (word.empty() || word[0] == '-' || *end != '\0' || errno != 0 || read > 1000000ul)
        return false;
    value = u32(read);
    return true;
}

// A screenshot name is a plain file name: letters, digits, '-', '_', '.'.
bool isShotName(const std::string& name)
{
    if (name.empty() || name.size() > 64 || name[0] == '.')
        return false;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.';
        if (!plain)
            return false;
    }
    return true;
}

KyOsWindow* window()
{
    return KySingleton<KyMainWindow>::instance()->handle();
}

} // namespace

GameTour::GameTour()
    : m_next(0)
    , m_pending(0)
    , m_clickPart(0)
    , m_frame(0)
    , m_closed(false)
    , m_closeAtEnd(true)
    , m_buttons(0)
    , m_pointerX(0)
    , m_pointerY(0)
    , m_unitsX(0.0f)
    , m_unitsY(0.0f)
    , m_pointerKnown(false)
    , m_hasDriver(false)
    , m_console(-1)
    , m_turnStart(0)
    , m_shotSaved(false)
    , m_menuShown(false)
    , m_longestFirstFrame(0.0)
{
}

GameTour::~GameTour()
{
    if (m_console >= 0)
        ::close(m_console);
}

bool GameTour::parseArguments(int argc, char** argv, int& used)
{
    used = 0;
    std::string script;
    std::string shots = "tour-shots";
    bool haveScript = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option != "--tour" && option != "--shots")
            continue;
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s needs a value\n", option.c_str());
            return false;
        }
        used += 2;
        if (option == "--tour") {
            script = argv[++i];
            haveScript = true;
        } else {
            shots = argv[++i];
        }
    }
    if (!haveScript) {
        if (used > 0) {
            std::fprintf(stderr, "--shots needs --tour\n");
            return false;
        }
        return true;
    }
    std::ifstream in(script, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot be read\n", script.c_str());
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!parse(text.str(), error) || !setShotsFolder(shots, error)) {
        std::fprintf(stderr, "%s: %s\n", script.c_str(), error.c_str());
        return false;
    }
    return true;
}

bool GameTour::parse(const std::string& script, std::string& error)
{
    m_steps.clear();
    std::istringstream lines(script);
    std::string line;
    u32 number = 0;
    std::vector<std::string> words;
    while (std::getline(lines, line)) {
        ++number;
        std::string fault;
        if (!splitWords(line, words, fault)) {
            error = "line " + std::to_string(number) + ": " + fault;
            return false;
        }
        if (words.empty())
            continue;
        const std::string& command = words[0];
        Step step;
        step.line = number;
        bool ok = true;
        if (command == "move" || command == "click") {
            step.kind = Step::Move;
            step.frames = command == "click" ? 3 : 1;
            ok = words.size() == 3 && readNumber(words[1], step.x) && readNumber(words[2], step.y);
        } else if (command == "path") {
            step.kind = Step::Path;
            ok = words.size() >= 4 && words.size() % 2 == 0 && readCount(words[1], step.frames) && step.frames > 0;
            for (size_t i = 2; ok && i < words.size(); ++i) {
                f32 value = 0.0f;
                ok = readNumber(words[i], value);
                step.points.push_back(value);
            }
        } else if (command == "press" || command == "release") {
            step.kind = command == "press" ? Step::Press : Step::Release;
            step.frames = 1;
            ok = words.size() == 1 || (words.size() == 2 && (words[1] == "right" || words[1] == "left"));
            step.right = words.size() == 2 && words[1] == "right";
        } else if (command == "key") {
            step.kind = Step::Key;
            step.frames = 2;
            ok = words.size() == 2;
            if (ok)
                step.text = words[1];
        } else if (command == "wait") {
            step.kind = Step::Wait;
            ok = words.size() == 2 && readCount(words[1], step.frames);
        } else if (command == "shot") {
            step.kind = Step::Shot;
            ok = words.size() == 2 && isShotName(words[1]);
            if (ok)
                step.text = words[1];
        } else if (command == "close") {
            step.kind = Step::Close;
            step.frames = 1;
            ok = words.size() == 1;
        } else if (command == "driver") {
            ok = words.size() == 3;
            if (ok) {
                m_hasDriver = true;
                m_vendor = words[1].c_str();
                m_renderer = words[2].c_str();
            }
            continue;
        } else {
            error = "line " + std::to_string(number) + ": unknown command " + command;
            return false;
        }
        if (!ok) {
            error = "line " + std::to_string(number) + ": bad arguments to " + command;
            return false;
        }
        m_steps.push_back(step);
    }
    return true;
}

bool GameTour::setShotsFolder(const std::string& folder, std::string& error)
{
    std::string absolute = folder;
    if (absolute.empty() || absolute[0] != '/') {
        const std::string current = KyOsDir::currentDir();
        absolute = current + "/" + folder;
    }
    if (!KyOsDir::makePath(absolute.c_str())) {
        error = "the folder " + absolute + " cannot be made";
        return false;
    }
    m_shotsFolder = absolute;
    return true;
}

void GameTour::begin()
{
    // The game's own output goes to its log; the tour reports here.
    std::fflush(stdout);
    m_console = ::dup(STDOUT_FILENO);
    KyOsClock::installFake(1000000);
    // Sounds last by the same clock, so a voice or a film's sound track
    // ends on the same frame in every run.
    KySoundManager::setFollowsClock(true);
}

void GameTour::driverStrings(KyString& vendor, KyString& renderer)
{
    if (!m_hasDriver)
        return;
    vendor = m_vendor;
    renderer = m_renderer;
}

void GameTour::toWindow(f32 x, f32 y, s32& px, s32& py) const
{
    const KyVector3f32 size = KySingleton<KyMainWindow>::instance()->userSize();
    px = s32(x * size.x / 480.0f);
    py = s32(y * size.y / 320.0f);
}

void GameTour::findPointer()
{
    if (m_pointerKnown)
        return;
    KyMainWindow* main = KySingleton<KyMainWindow>::instance();
    const KyVector2s32 p = main->mousePosition(0);
    const KyVector3f32 size = main->userSize();
    m_pointerX = p.x;
    m_pointerY = p.y;
    m_unitsX = size.x > 0.0f ? f32(p.x) * 480.0f / size.x : 0.0f;
    m_unitsY = size.y > 0.0f ? f32(p.y) * 320.0f / size.y : 0.0f;
    m_pointerKnown = true;
}

void GameTour::pushMove(f32 x, f32 y)
{
    KyOsWindow* target = window();
    if (!target)
        return;
    m_unitsX = x;
    m_unitsY = y;
    m_pointerKnown = true;
    toWindow(x, y, m_pointerX, m_pointerY);
    KyOsEvents::pushMouseMove(*target, m_pointerX, m_pointerY, m_buttons);
}

std::vector<std::vector<std::pair<f32, f32>>> GameTour::pathMoves(const Step& path, f32 x, f32 y)
{
    std::vector<std::vector<std::pair<f32, f32>>> frames(path.frames);
    // The corners, from where the pointer is, and the length to each.
    std::vector<std::pair<f32, f32>> corners(1, {x, y});
    for (size_t i = 0; i + 1 < path.points.size(); i += 2)
        corners.push_back({path.points[i], path.points[i + 1]});
    std::vector<f64> reached(1, 0.0);
    for (size_t i = 1; i < corners.size(); ++i) {
        const f64 dx = corners[i].first - corners[i - 1].first;
        const f64 dy = corners[i].second - corners[i - 1].second;
        reached.push_back(reached.back() + std::sqrt(dx * dx + dy * dy));
    }
    const f64 length = reached.back();
    if (length <= 0.0)
        return frames;
    // The point at a length along the way.
    auto at = [&](f64 s) {
        size_t i = 1;
        while (i + 1 < corners.size() && reached[i] < s)
            ++i;
        const f64 part = reached[i] - reached[i - 1];
        const f64 t = part > 0.0 ? (s - reached[i - 1]) / part : 1.0;
        return std::pair<f32, f32>(f32(corners[i - 1].first + (corners[i].first - corners[i - 1].first) * t),
                                   f32(corners[i - 1].second + (corners[i].second - corners[i - 1].second) * t));
    };
    // Along the way at 3t^2 - 2t^3 of its length by the time t: slow, fast,
    // slow. Each frame sends the moves of the way it covers.
    const u32 steps = u32(std::ceil(length / PathStep));
    u32 sent = 0;
    for (u32 f = 1; f <= path.frames; ++f) {
        const f64 t = f64(f) / f64(path.frames);
        const f64 covered = f == path.frames ? length : length * t * t * (3.0 - 2.0 * t);
        while (sent < steps && (sent + 1 == steps ? length : (sent + 1) * PathStep) <= covered) {
            ++sent;
            frames[f - 1].push_back(sent == steps ? corners.back() : at(sent * PathStep));
        }
    }
    return frames;
}

void GameTour::pushPointer(const Step& step)
{
    KyOsWindow* target = window();
    if (!target)
        return;
    findPointer();
    const KyOsMessage::Button button = step.right ? KyOsMessage::RightButton : KyOsMessage::LeftButton;
    switch (step.kind) {
    case Step::Move:
        pushMove(step.x, step.y);
        break;
    case Step::Press:
        m_buttons |= KyOsMessage::buttonBit(button);
        KyOsEvents::pushMouseButton(*target, button, true, m_pointerX, m_pointerY);
        break;
    case Step::Release:
        m_buttons &= ~KyOsMessage::buttonBit(button);
        KyOsEvents::pushMouseButton(*target, button, false, m_pointerX, m_pointerY);
        break;
    default:
        break;
    }
}

void GameTour::timeFirstScreens()
{
    const u64 now = KyOsClock::realMicroseconds();
    if (!KySingleton<Application>::exists())
        return;
    // The turn that ended, when it began and ended before the main menu.
    const bool menu = KySingleton<Application>::instance()->mainMenu.gui.isLoaded();
    if (m_turnStart > 0 && !m_menuShown && !menu && !m_shotSaved)
        m_longestFirstFrame = std::max(m_longestFirstFrame, f64(now - m_turnStart) / 1000.0);
    m_menuShown = m_menuShown || menu;
    m_turnStart = now;
    m_shotSaved = false;
}

void GameTour::beforeTurn()
{
    timeFirstScreens();
    // While the frame waits on background work (an advert page due before
    // its pictures are read) the frames go on, but the script and its clock
    // hold: the page shows in the same frame of the script however long a
    // worker takes.
    if (KyFrameWait::isAnyWaiting()) {
        // The worker may need this very processor.
        ::usleep(1000);
        return;
    }
    KyOsClock::advanceFake(FrameMicroseconds);
    ++m_frame;
    runSteps();
}

void GameTour::runSteps()
{
    if (m_pending > 0) {
        --m_pending;
        const Step& current = m_steps[m_next - 1];
        if (current.kind == Step::Path) {
            for (const std::pair<f32, f32>& p : m_pathMoves[current.frames - 1 - m_pending])
                pushMove(p.first, p.second);
        } else if (current.kind == Step::Move && current.frames == 3) {
            // The rest of a click: the press, then the release.
            Step part = current;
            part.kind = m_pending == 1 ? Step::Press : Step::Release;
            pushPointer(part);
        } else if (current.kind == Step::Key && window()) {
            KyOsEvents::pushKey(*window(), current.text.c_str(), false);
        }
        return;
    }
    if (m_next >= m_steps.size()) {
        // The script has run out: the window closes, a turn after the last
        // step so that step's frame is still drawn.
        if (!m_closed && m_closeAtEnd) {
            KyOsEvents::pushQuit();
            m_closed = true;
        }
        return;
    }
    while (m_next < m_steps.size()) {
        const Step& step = m_steps[m_next++];
        switch (step.kind) {
        case Step::Shot:
            m_shotsDue.push_back(step.text);
            continue;
        case Step::Move:
        case Step::Press:
        case Step::Release:
            pushPointer(step);
            m_pending = step.frames - 1;
            return;
        case Step::Path:
            findPointer();
            m_pathMoves = pathMoves(step, m_unitsX, m_unitsY);
            for (const std::pair<f32, f32>& p : m_pathMoves[0])
                pushMove(p.first, p.second);
            m_pending = step.frames - 1;
            return;
        case Step::Key:
            if (window())
                KyOsEvents::pushKey(*window(), step.text.c_str(), true);
            m_pending = 1;
            return;
        case Step::Wait:
            if (step.frames == 0)
                continue;
            m_pending = step.frames - 1;
            return;
        case Step::Close:
            KyOsEvents::pushQuit();
            m_closed = true;
            return;
        }
    }
}

void GameTour::beforeSwap()
{
    for (const std::string& name : m_shotsDue)
        saveShot(name);
    m_shotSaved = m_shotSaved || !m_shotsDue.empty();
    m_shotsDue.clear();
}

void GameTour::saveShot(const std::string& name)
{
    const KyVector3f32 size = KySingleton<KyMainWindow>::instance()->userSize();
    const u32 width = u32(s32(size.x));
    const u32 height = u32(s32(size.y));
    if (width == 0 || height == 0)
        return;
    std::vector<u8> bottomUp(size_t(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, GLsizei(width), GLsizei(height), GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<u8> rows(bottomUp.size());
    const size_t stride = size_t(width) * 4;
    for (u32 y = 0; y < height; ++y)
        std::memcpy(&rows[size_t(y) * stride], &bottomUp[size_t(height - 1 - y) * stride], stride);
    // The frame is shown as opaque whatever alpha the blending left.
    for (size_t i = 3; i < rows.size(); i += 4)
        rows[i] = 255;
    const std::string path = m_shotsFolder + "/" + name + ".png";
    if (writePng(path, width, height, rows))
        m_shotsWritten.push_back(path);
}

void GameTour::end(int exitCode)
{
    if (m_console < 0)
        return;
    std::string report;
    if (m_shotsWritten.empty()) {
        report = "No screenshot was taken.\n";
    } else {
        report = "Screenshots in " + m_shotsFolder + ":\n";
        for (const std::string& path : m_shotsWritten)
            report += "  " + path.substr(path.find_last_of('/') + 1) + "\n";
    }
    if (m_longestFirstFrame > 0.0) {
        char line[96];
        std::snprintf(line, sizeof line, "The longest frame before the main menu took %.1f ms.\n",
                      m_longestFirstFrame);
        report += line;
    }
    if (exitCode != 0)
        report += "The game ended with exit code " + std::to_string(exitCode) + ".\n";
    ssize_t written = ::write(m_console, report.data(), report.size());
    (void)written;
}

bool GameTour::writePng(const std::string& path, u32 width, u32 height, const std::vector<u8>& rgba)
{
    if (rgba.size() < size_t(width) * height * 4)
        return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (u32 y = 0; y < height; ++y)
            png_write_row(png, const_cast<png_bytep>(&rgba[size_t(y) * width * 4]));
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        std::remove(path.c_str());
    return ok;
}
