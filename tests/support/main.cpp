#include "core/KySingleton.h"
#include "media/KySoundManager.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Closes the audio device once every test has run, as the game does at its
// end: a device left open, or still opening on its thread, races the sound
// library's teardown at exit.
class CloseSoundDevice : public ::testing::Environment {
public:
    void TearDown() override { KySingleton<KySoundManager>::destroy(); }
};

} // namespace

// Mesa's drivers are loaded at run time and keep dynamic thread-local storage
// whose records the leak checker misreads at exit (it then crashes instead of
// checking). Not following __tls_get_addr keeps the leak check working.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}

#ifdef __SANITIZE_THREAD__
// The sound library is not built for ThreadSanitizer: it orders its mixer
// thread against the thread that closes the device with atomics the sanitizer
// cannot see, so the copies it makes on both threads read as a race at random.
// Only what the library itself does is left unwatched: the calls it makes
// into the sanitizer's interceptors (copies, frees, locks). A race that takes
// an access of the engine's own code is still reported and still fails the
// run, however the program is started.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libopenal.so.1\n";
}
#endif

int main(int argc, char** argv)
{
    // Every test program runs headless, however it is started: offscreen video
    // with a real OpenGL context, the null sound device, message boxes to the log.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("KY_HEADLESS", "1", 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new CloseSoundDevice);
    return RUN_ALL_TESTS();
}
