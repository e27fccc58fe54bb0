#include "game/screens/Conclusion.h"

#include "core/KySingleton.h"
#include "game/Application.h"

const SlideShow::Setup Conclusion::Slides = {"Videos/EndSlides/%d.png", 11, 4545.4546f, 10.0f, 9.0f};
const char* const Conclusion::MusicFile = "Zelt_End.ogg";

Conclusion::Conclusion()
    : SlideShow(Slides)
{
}

Conclusion::~Conclusion() {}

void Conclusion::start()
{
    Application* application = KySingleton<Application>::instance();
    application->music.Stop();
    music.Repeat(false);
    music.load(musicPath(MusicFile));
    music.Play();
    begin();
}

void Conclusion::stop()
{
    if (!isRunning())
        return;
    SlideShow::stop();
    music.Stop();
}

void Conclusion::end()
{
    Application* application = KySingleton<Application>::instance();
    stopShow();
    music.Stop();
    if (application->musicOn)
        application->music.Play();
    application->gameWarp.Save("save.xml");
    application->gameWarp.unload();
    application->mainMenu.enter();
}
