// The game's start-up as a player meets it, in a fresh process: the
// program's own start (WinMain: working folder, application and options,
// log, window and context, renderer, input, driver check, create step), up
// to the first frame of the main menu finished and shown. The splash
// screens and adverts are passed at the first turn, before any frame is
// drawn, as the benchmark measures the way to the menu and not the splash
// screens' own seconds. Built beside the game executable, so its working
// folder is the game's data folder as the game's is. Started by the
// start-up benchmark, it reports as bench/startup/StartupReport.h says.
//
// With "--adverts" the splash screens and adverts are shown through, and it
// reports instead, in milliseconds as text, the longest turn of the main
// loop in which the advert rotator made a texture or showed a page.
//
// With "--list FILE" it writes instead the pictures its first menu frame
// shows, one a line in the order of the layout tree: the picture file's
// absolute path, then the centre x and y and the width and height of its
// quad in window pixels (from the window's centre, y downwards). The menu floor of the benchmark
// (ky_bare_window --menu FILE) reads, decodes and draws the same.

#include "bench/startup/StartupReport.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/StartUp.h"
#include "net/KyAds.h"
#include "os/KyOsDir.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyImg.h"
#include "ui/KyMainWindow.h"
#include "ui/KySpriteLayout.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {

void listPictures(KyI3DObject2* node, const std::string& folder, std::FILE* out)
{
    if (!node->visible())
        return;
    if (KySpriteLayout* sprite = dynamic_cast<KySpriteLayout*>(node)) {
        Ky3DTexture* texture = sprite->texture();
        KyString name = texture ? texture->path() : KyString();
        const char* suffix = ".3dtex";
        const u32 n = name.length();
        const u32 s = u32(std::strlen(suffix));
        if (sprite->worldVisible() && n > s && std::strcmp(name.c_str() + n - s, suffix) == 0) {
            KyPath found;
            KyImg::fileFor(name.substr(0, n - s), found);
            const KyPath file = KyFile::resolvePath(found);
            KyMatrix4x4 m = sprite->worldTransformationMatrix();
            const f32* e = m[0];
            std::fprintf(out, "%s%s %g %g %g %g\n", file.c_str()[0] == '/' ? "" : folder.c_str(), file.c_str(),
                         double(e[12]), double(e[13]), double(e[0]), double(e[5]));
        }
    }
    for (u32 i = 0; i < node->childCount(); ++i)
        listPictures(node->child(i), folder, out);
}

// The longest turn of the main loop in which the advert rotator made a
// texture of a page to come or showed a page, on the way to the main menu.
class AdvertFrames : public MainLoopObserver {
public:
    void beforeTurn() override
    {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const double ms = double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
        Application* app = KySingleton<Application>::instance();
        const KyAds& ads = app->splashScreens.ads;
        // A page came on screen, or a texture more of the page to come.
        const std::string page = ads.currentPage().c_str();
        const bool work = (!page.empty() && page != m_page) || ads.preparedCount() > m_made;
        if (m_turns++ > 0 && work && ms - m_last > m_worst)
            m_worst = ms - m_last;
        m_page = page;
        m_made = ads.preparedCount();
        m_last = ms;
        if (!app->mainMenu.gui.isLoaded())
            return;
        const char* fd = std::getenv("KY_STARTUP_REPORT_FD");
        if (fd)
            dprintf(std::atoi(fd), "%f\n", m_worst);
        _exit(0);
    }

private:
    int m_turns = 0;
    double m_last = 0.0;
    double m_worst = 0.0;
    std::string m_page;
    u32 m_made = 0;
};

class FirstMenuFrame : public MainLoopObserver {
public:
    explicit FirstMenuFrame(const char* list) : m_list(list) {}

    void beforeTurn() override
    {
        if (m_framesShown > 0) {
            if (m_list)
                writeList();
            startupreport::shown();
        }
        KySingleton<Application>::instance()->splashScreens.skip();
    }
    void beforeSwap() override
    {
        glFinish();
        ++m_framesShown;
    }

private:
    void writeList()
    {
        std::FILE* out = std::fopen(m_list, "w");
        if (!out)
            _exit(4);
        listPictures(KySingleton<KyMainWindow>::instance(), KyOsDir::currentDir() + "/", out);
        std::fclose(out);
    }

    const char* m_list;
    int m_framesShown = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--adverts") == 0) {
        AdvertFrames observer;
        return WinMain(1, argv, &observer);
    }
    const char* list = argc > 2 && std::strcmp(argv[1], "--list") == 0 ? argv[2] : nullptr;
    FirstMenuFrame observer(list);
    return WinMain(1, argv, &observer);
}
