#include "game/GameTour.h"
#include "game/StartUp.h"

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
