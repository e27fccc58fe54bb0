#include "game/StartUp.h"

#include "core/KyCore.h"
#include "core/KyDirectory.h"
#include "core/KyFile.h"
#include "core/KyFileWriter.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/screens/LoadingMenu.h"
#include "media/KySoundManager.h"
#include "net/KyAds.h"
#include "os/KyOsHeap.h"
#include "os/KyOsLog.h"
#include "os/KyOsMessageBox.h"
#include "os/KyOsPaths.h"
#include "platform/KyAppHooks.h"
#include "platform/KyInputMgr.h"
#include "platform/KyOpenGLContext.h"
#include "platform/KyRenderer.h"
#include "ui/KyMainWindow.h"
#include "ui/KyVideoLayout.h"

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

const char* const SoftwareDriverMessage =
    "The driver of you graphic card is not installed. Please check with your hardware device vendor to "
    "install/reinstall it";

namespace {

const char* const kSoftwareVendor = "Microsoft Corporation";
const char* const kSoftwareRenderer = "GDI Generic";
// The fresh memory the main thread writes from the context to the first
// frame of the main menu (pictures, texture storage in software drivers,
// the interface scripts) is some 24 MiB; the heap warmer writes this much
// of it while the window and its context are made.
const std::size_t kStartUpHeapBytes = std::size_t(32) << 20;

// Standard output and standard error go to the log for the whole run; at
// the end they are flushed and pointed away from it, so the log file is
// closed while the streams stay usable for whatever still writes at exit.
// The standard error the program started with is kept first, as the
// console that the lines a player must see (a save that could not be
// written) still reach when the log's disk is full. The user-data folder
// may not exist yet (a fresh account): it is made as the log is opened. A
// log that cannot be opened leaves both streams where they were, rather
// than closed, so no file opened later takes their place.
void openLog()
{
    KyOsLog::keepConsole(STDERR_FILENO);
    const KyPath path = KyFile::resolvePath("Backup/logs.txt", KyString());
    std::FILE* log = KyFile::openDiskMakingFolders(path, KyFile::ModeAppend);
    if (!log)
        return;
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(fileno(log), STDOUT_FILENO);
    dup2(fileno(log), STDERR_FILENO);
    std::fclose(log);
}

void closeLog()
{
    // The files still being written are finished while the log takes what
    // failed among them.
    KyFileWriter::instance().waitForAll();
    std::fflush(stdout);
    std::fflush(stderr);
    std::freopen("/dev/null", "a", stdout);
    std::freopen("/dev/null", "a", stderr);
}

// Whether name is one of the files the game keeps in the user-data folder:
// the save, the options, the advert cache and the save slots the slot menu
// names ("0.xml" to "10.xml").
bool isGameFile(const KyString& name)
{
    return name == GameWarp::SaveFile || name == Application::OptionsFileName ||
           name == KyPath(KyAds::kCacheFile).fileName() || LoadingMenu::isSlotFileName(name);
}

// The game's files in the user-data folder are written through a temporary
// file beside them; a run killed while it wrote leaves that temporary file
// behind. They go at the next start, before anything is written again. The
// folder is the player's too: only regular files that carry the temporary
// mark of one of the game's own files are removed, nothing else is touched.
void removeStaleTemporaries()
{
    const KyPath folder = KyCore::userDataPath(KyString());
    KyDirectory listing;
    if (folder.isEmpty() || !listing.findFirst(folder))
        return;
    std::vector<KyString> stale;
    while (listing.findNext()) {
        KyString base;
        const u32 attributes = listing.entryAttributes();
        if ((attributes & (KyDirectory::AttributeFolder | KyDirectory::AttributeLink)) == 0 &&
            KyFile::isTemporaryName(listing.entryName(), base) && isGameFile(base))
            stale.push_back(listing.entryName());
    }
    listing.close();
    for (const KyString& name : stale) {
        const KyPath path(folder + KyString("/") + name);
        // A regular file only: not a FIFO or a device given such a name.
        if (KyFile::isReadable(path) && KyFile::deleteDiskFile(path))
            logPrint("[WinMain] stale temporary file removed: %s\n", name.c_str());
    }
}

// The core keeps the program's path and works beside it. The path of the
// running file stands in for argv[0], which may be a bare name found
// through PATH.
void setProgramPath(int argc, char** argv)
{
    const std::string executable = KyOsPaths::executablePath();
    std::vector<char*> arguments(argv, argv + (argc > 0 ? argc : 0));
    arguments.push_back(nullptr);
    if (!executable.empty())
        arguments[0] = const_cast<char*>(executable.c_str());
    if (arguments[0])
        KySingleton<KyCore>::instance()->setProgramPath(arguments.data());
}

} // namespace

bool isSoftwareDriver(const KyString& vendor, const KyString& renderer)
{
    return vendor == kSoftwareVendor && renderer == kSoftwareRenderer;
}

bool refuseSoftwareDriver(const KyString& vendor, const KyString& renderer)
{
    if (!isSoftwareDriver(vendor, renderer))
        return false;
    KySingleton<KyMainWindow>::instance()->destroy();
    KyOsMessageBox::show(SoftwareDriverMessage, "KyEngine", KyOsMessageBox::Warning, nullptr);
    return true;
}

Application* getApplication()
{
    return KySingleton<Application>::instance();
}

Application* createApplication()
{
    Application* application = getApplication();
    if (application)
        application->Create();
    return application;
}

bool updateApplication()
{
    Application* application = getApplication();
    return application && application->Update();
}

void destroyApplication()
{
    KySingleton<Application>::destroy();
}

// The ways out before the main loop close the sound device as the end of
// the run does: the device opens on a thread of its own as the application
// is made, and a process that ends with it still open (or still opening)
// races the sound library's own teardown at exit.
int endEarly(MainLoopObserver* observer, int code)
{
    KySingleton<KySoundManager>::destroy();
    if (observer)
        observer->end(code);
    return code;
}

void renderFrameAndSwap()
{
    KyOpenGLContext::makeCurrent();
    if (Application* application = getApplication())
        application->Update();
    KyOpenGLContext::swapAndRelease();
}

bool mainLoopTurn(MainLoopObserver* observer)
{
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    KyMainWindow::setCurrent(window);
    if (observer)
        observer->beforeTurn();
    window->pumpMessage();
    if (window->quit())
        return false;
    KyOpenGLContext::makeCurrent();
    KySingleton<Application>::instance()->Update();
    if (observer)
        observer->beforeSwap();
    KyOpenGLContext::swapAndRelease();
    return true;
}

int WinMain(int argc, char** argv, MainLoopObserver* observer)
{
    if (observer)
        observer->begin();
    // The heap keeps large blocks and its free memory, so that the pages the
    // heap warmer writes below are the ones the start-up then uses. Measured
    // on an idle 8-core machine with the software OpenGL driver, from a fresh
    // process to the first main-menu frame: 198-211 ms with it, 262-288 ms
    // without (the warmed pages then go back to the system when freed). Its
    // cost is memory the heap keeps: within 1 MiB over a session of a hundred
    // scene changes there (189 MiB at most either way).
    KyOsHeapWarmer::keepLargeBlocks();
    setProgramPath(argc, argv);
    // Made first, so that the blocks it warms are the next ones the main
    // thread's heap gives out once the context is made.
    KyOsHeapWarmer heapWarmer(kStartUpHeapBytes);
    getApplication();
    openLog();
    removeStaleTemporaries();

    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    if (!window->create())
        return endEarly(observer, 1);
    window->setVisible(true);
    if (!KyOpenGLContext::Initialize(window->handle())) {
        window->destroy();
        return endEarly(observer, 1);
    }
    heapWarmer.finish();
    KyRenderer* renderer = KySingleton<KyRenderer>::instance();
    renderer->init();
    KyInputMgr* input = KyInputMgr::instance();
    input->setDevice(window);
    input->reset();

    KyString vendor = renderer->vendor();
    KyString rendererName = renderer->renderer();
    if (observer)
        observer->driverStrings(vendor, rendererName);
    if (refuseSoftwareDriver(vendor, rendererName))
        return endEarly(observer, 1);

    KyAppHooks::setRenderFrameAndSwap(&renderFrameAndSwap);
    createApplication();

    while (mainLoopTurn(observer)) {
    }

    KyAppHooks::setRenderFrameAndSwap(nullptr);
    // The application's members free textures and buffers: the context is
    // made current for them.
    KyOpenGLContext::makeCurrent();
    destroyApplication();
    // What the application queued while it went is deleted now: no frame
    // will come to do it.
    KyVideoLayout::deletePending();
    // The sound device closes once what played on it is gone, while the log
    // still takes what its closing says.
    KySingleton<KySoundManager>::destroy();
    KyOpenGLContext::destroy();
    window->destroy();
    closeLog();
    if (observer)
        observer->end(0);
    return 0;
}
