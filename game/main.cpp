#include "game/GameTour.h"
#include "game/StartUp.h"

#if defined(__SANITIZE_ADDRESS__)
// Sanitized builds: Mesa's drivers are loaded at run time and keep dynamic
// thread-local storage whose records the leak checker misreads at exit (it
// then crashes instead of checking). Not following __tls_get_addr keeps the
// leak check working.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}
#endif

// The game. With "--tour SCRIPT [--shots FOLDER]" it plays the input script
// (pointer, keys and waits counted in frames, on a clock that moves one
// sixtieth of a second a frame) and saves the screenshots it asks for; see
// game/GameTour.h.
int main(int argc, char** argv)
{
    GameTour tour;
    int tourArguments = 0;
    if (!tour.parseArguments(argc, argv, tourArguments))
        return 2;
    if (tourArguments == 0)
        return WinMain(argc, argv);
    return WinMain(argc, argv, &tour);
}
