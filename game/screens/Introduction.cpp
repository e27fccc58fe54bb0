#include "game/screens/Introduction.h"

#include "core/KySingleton.h"
#include "game/Application.h"
#include "scene/KyWarp.h"

const SlideShow::Setup Introduction::Slides = {"Videos/IntroSlides/%d.png", 12, 4000.0f, 0.0f, -1.0f};
const char* const Introduction::MusicFile = "Zelt_Intro.ogg";

Introduction::Introduction()
    : SlideShow(Slides)
{
}

Introduction::~Introduction() {}

void Introduction::start()
{
    Application* application = KySingleton<Application>::instance();
    if (KyWarp* warp = application->gameWarp.currentWarp)
        warp->setActive(false, false);
    // Started again while it runs: the music to give back is still the one
    // from before the first start.
    if (!isRunning())
        savedMusicPath = application->music.requestedPath();
    application->music.Stop();
    application->music.Repeat(false);
    application->music.load(musicPath(MusicFile));
    application->music.Play();
    begin();
}

void Introduction::stop()
{
    if (!isRunning())
        return;
    SlideShow::stop();
    KySingleton<Application>::instance()->music.Repeat(true);
}

void Introduction::slideShown(u32 index)
{
    // The scene answers clicks again as soon as the last picture shows.
    if (index + 1 != setup.pictureCount)
        return;
    if (KyWarp* warp = KySingleton<Application>::instance()->gameWarp.currentWarp)
        warp->setActive(true, false);
}

void Introduction::end()
{
    Application* application = KySingleton<Application>::instance();
    stopShow();
    application->music.Stop();
    application->music.Repeat(true);
    application->music.load(savedMusicPath);
    if (application->musicOn && !savedMusicPath.isEmpty())
        application->music.Play();
}
