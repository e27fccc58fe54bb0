#include "game/screens/Credits.h"

#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/screens/MainMenu.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyTextLayout.h"

Credits::Credits()
    : lastStepTime(0.0)
{
    appendListener(timer.alarmCallbacks, this, &Credits::update);
}

Credits::~Credits() {}

void Credits::enter()
{
    Application* application = KySingleton<Application>::instance();
    if (application->musicOn) {
        application->music.load(MainMenu::MusicPath);
        application->music.Play();
        application->music.Volume(1.0f);
    }
    timer.start();
    gui.load("GUI/Credits.lua");
    if (KyLayout* menu = gui.layout("menu"))
        application->orientationLayout.addChildBefore(menu, &application->rotationAnim);
    if (KyButtonLayout* quit = gui.buttonLayout("quitButton2"))
        appendListener(quit->onValidated, this, &Credits::onQuit);
    update();
}

bool Credits::update()
{
    KyTextLayout* text = gui.textLayout("text");
    KyLayout* menu = gui.layout("menu");
    if (!text || !menu)
        return false;
    const u64 now = timer.getTimeFromStart();
    const f64 height = menu->size().y;
    if (!(height > 0.0)) {
        // A menu of no height has no scale to scroll in: the text waits, and
        // the clock goes on so that it does not jump once the menu has one.
        lastStepTime = f64(now);
        timer.setAlarm(now + 1);
        return false;
    }
    const KyVector3f32 position = text->userPosition();
    const f64 y = f64(position.y) - (PixelsPerSecond / height) * (f64(now) - lastStepTime) / 1000000.0;
    lastStepTime = f64(now);
    timer.setAlarm(now + 1);
    text->setPosition(KyVector3f32(position.x, f32(y), position.z));
    if (f64(text->size().y) / height + y < EndFraction) {
        leave();
        KySingleton<Application>::instance()->optionsMenu.enter();
    }
    return false;
}

bool Credits::onQuit()
{
    leave();
    KySingleton<Application>::instance()->optionsMenu.enter();
    return false;
}

void Credits::leave()
{
    if (KyLayout* menu = gui.layout("menu"))
        KySingleton<Application>::instance()->orientationLayout.removeChild(menu);
    timer.pause();
    gui.unload();
}
