#ifndef GAME_INTRODUCTION_H
#define GAME_INTRODUCTION_H

#include "core/KyString.h"
#include "game/screens/SlideShow.h"

// The introduction: twelve pictures ("Videos/IntroSlides/0.png" to
// "11.png") of four seconds each over the running scene, with its music in
// the application's music. The scene takes no clicks until the last picture
// comes on; at the end the music that played before comes back.
class Introduction : public SlideShow {
public:
    static const Setup Slides;
    static const char* const MusicFile;

    Introduction();
    ~Introduction() override;

    void start();
    // The application's music loops again, as it does after a whole show.
    void stop() override;

    // The file the application's music held when the show began.
    KyString savedMusicPath;

protected:
    void end() override;
    void slideShown(u32 index) override;
};

#endif
