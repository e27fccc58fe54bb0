#ifndef GAME_CONCLUSION_H
#define GAME_CONCLUSION_H

#include "game/screens/SlideShow.h"
#include "media/KyMusic.h"

// The ending: eleven pictures ("Videos/EndSlides/0.png" to "10.png") of
// 4545.4546 ms each in front of everything, with music of its own. At the
// end the game is saved and left, and the main menu opens.
class Conclusion : public SlideShow {
public:
    static const Setup Slides;
    static const char* const MusicFile;

    Conclusion();
    ~Conclusion() override;

    void start();
    // Its music stops with it.
    void stop() override;

    KyMusic music;

protected:
    void end() override;
};

#endif
