#include <gtest/gtest.h>

#include <cstdlib>

// Mesa's drivers are loaded at run time and keep dynamic thread-local storage
// whose records the leak checker misreads at exit (it then crashes instead of
// checking). Not following __tls_get_addr keeps the leak check working.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}

int main(int argc, char** argv)
{
    // Every test program runs headless, however it is started: offscreen video
    // with a real OpenGL context, the null sound device, message boxes to the log.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("KY_HEADLESS", "1", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
