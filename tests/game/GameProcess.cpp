#include "tests/game/GameProcess.h"

#include <png.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

const char* const kApplicationFolder = "Orvalen The Wandrel Part 3";

std::string readWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

GameProcess::GameProcess()
    : m_home("kygame")
{
}

std::string GameProcess::userDataFolder() const
{
    return m_home.path() + "/Documents/" + kApplicationFolder;
}

std::string GameProcess::userFile(const std::string& name) const
{
    return readWhole(userDataFolder() + "/" + name);
}

bool GameProcess::userFileExists(const std::string& name) const
{
    return m_home.exists(std::string("Documents/") + kApplicationFolder + "/" + name);
}

void GameProcess::writeUserFile(const std::string& name, const std::string& bytes) const
{
    m_home.writeFile(std::string("Documents/") + kApplicationFolder + "/" + name, bytes);
}

bool GameProcess::logHasNo(const std::string& text) const
{
    return log().find(text) == std::string::npos;
}

void GameProcess::setEnvironment(const std::string& name, const std::string& value)
{
    for (auto& variable : m_environment) {
        if (variable.first == name) {
            variable.second = value;
            return;
        }
    }
    m_environment.emplace_back(name, value);
}

void GameProcess::preload(const std::string& module)
{
    std::string modules = module;
    std::string asan = ":verify_asan_link_order=0";
    for (const auto& variable : m_environment) {
        if (variable.first == "LD_PRELOAD")
            modules = variable.second + ":" + module;
        if (variable.first == "ASAN_OPTIONS")
            asan = variable.second;
    }
    if (asan == ":verify_asan_link_order=0") {
        const char* given = std::getenv("ASAN_OPTIONS");
        asan = std::string(given ? given : "") + asan;
    }
    setEnvironment("LD_PRELOAD", modules);
    setEnvironment("ASAN_OPTIONS", asan);
}

void GameProcess::traceFiles(const std::string& stall, u32 stallSeconds)
{
    if (!m_traced)
        preload(KY_FILE_TRACE_MODULE);
    m_traced = true;
    setEnvironment("KY_FILE_TRACE", m_home.file("filetrace.txt"));
    setEnvironment("KY_STALL_OPEN", stall);
    setEnvironment("KY_STALL_SECONDS", std::to_string(stallSeconds));
}

std::vector<GameProcess::FileOperation> GameProcess::fileTrace() const
{
    std::vector<FileOperation> operations;
    std::istringstream lines(readWhole(m_home.file("filetrace.txt")));
    std::string line;
    while (std::getline(lines, line)) {
        FileOperation operation;
        std::istringstream fields(line);
        std::string thread;
        fields >> thread >> operation.thread >> operation.operation;
        if (operation.operation == "close")
            fields >> operation.offset;
        operation.mainThread = thread == "main";
        std::getline(fields >> std::ws, operation.path);
        const size_t arrow = operation.path.find(" -> ");
        if (operation.operation == "rename" && arrow != std::string::npos) {
            operation.target = operation.path.substr(arrow + 4);
            operation.path.resize(arrow);
        }
        if (!operation.operation.empty())
            operations.push_back(operation);
    }
    return operations;
}

GameProcess::Run GameProcess::run(const std::string& script, u32 timeLimitSeconds)
{
    Run result;
    const std::string scriptPath = m_home.file("tour.txt");
    const std::string consolePath = m_home.file("console.txt");
    m_home.writeFile("tour.txt", script);
    // The trace holds the run's own operations only.
    if (m_traced)
        m_home.writeFile("filetrace.txt", "");
    const std::string shots = shotsFolder();

    // Everything the child needs is made before the fork: between fork and
    // exec it only opens, duplicates and executes.
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool given = false;
        for (const auto& variable : m_environment)
            given = given || variable.first == name;
        if (!given && name != "HOME" && name != "XDG_DOCUMENTS_DIR" && name != "XDG_CONFIG_HOME" &&
            name != "SDL_VIDEODRIVER" && name != "ALSOFT_DRIVERS" && name != "KY_HEADLESS")
            environment.push_back(entry);
    }
    for (const auto& variable : m_environment)
        environment.push_back(variable.first + "=" + variable.second);
    environment.push_back("HOME=" + m_home.path());
    environment.push_back("SDL_VIDEODRIVER=offscreen");
    environment.push_back("ALSOFT_DRIVERS=null");
    environment.push_back("KY_HEADLESS=1");
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(&entry[0]);
    envp.push_back(nullptr);
    std::string program = KY_GAME_EXECUTABLE;
    std::string tourOption = "--tour";
    std::string shotsOption = "--shots";
    std::string scriptArgument = scriptPath;
    std::string shotsArgument = shots;
    char* argv[] = {&program[0], &tourOption[0], &scriptArgument[0], &shotsOption[0], &shotsArgument[0], nullptr};

    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child < 0)
        return result;
    if (child == 0) {
        const int console = open(consolePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (console >= 0) {
            dup2(console, STDOUT_FILENO);
            dup2(console, STDERR_FILENO);
            close(console);
        }
        execve(program.c_str(), argv, envp.data());
        _exit(127);
    }

    int status = 0;
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    rusage usage {};
    for (;;) {
        const pid_t done = wait4(child, &status, WNOHANG, &usage);
        if (done == child)
            break;
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (done < 0 || u32(now.tv_sec - start.tv_sec) > timeLimitSeconds) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            result.console = readWhole(consolePath);
            return result;
        }
        usleep(20000);
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.console = readWhole(consolePath);
    result.peakKiB = usage.ru_maxrss;
    return result;
}

GameProcess::Picture GameProcess::shot(const std::string& name) const
{
    Picture picture;
    readPng(shotsFolder() + "/" + name + ".png", picture);
    return picture;
}

bool GameProcess::readPng(const std::string& path, Picture& picture)
{
    picture = Picture();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_info(png, info);
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        const u32 width = png_get_image_width(png, info);
        const u32 height = png_get_image_height(png, info);
        if (width == 0 || height == 0 || width > 16384 || height > 16384 || png_get_rowbytes(png, info) != width * 4) {
            ok = false;
        } else {
            picture.rgba.resize(size_t(width) * height * 4);
            std::vector<png_bytep> rows(height);
            for (u32 y = 0; y < height; ++y)
                rows[y] = &picture.rgba[size_t(y) * width * 4];
            png_read_image(png, rows.data());
            picture.width = width;
            picture.height = height;
        }
    } else {
        ok = false;
    }
    png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
    std::fclose(file);
    if (!ok)
        picture = Picture();
    return ok;
}

KyColor GameProcess::Picture::at(f32 x, f32 y) const
{
    const s32 px = s32(x * f32(width) / 480.0f);
    const s32 py = s32(y * f32(height) / 320.0f);
    if (px < 0 || py < 0 || u32(px) >= width || u32(py) >= height)
        return KyColor(0, 0, 0, 0);
    const size_t i = (size_t(py) * width + u32(px)) * 4;
    return KyColor(rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]);
}

bool GameProcess::Picture::near(f32 x, f32 y, const KyColor& colour, int tolerance) const
{
    const KyColor c = at(x, y);
    return std::abs(int(c.r) - int(colour.r)) <= tolerance && std::abs(int(c.g) - int(colour.g)) <= tolerance &&
           std::abs(int(c.b) - int(colour.b)) <= tolerance;
}
