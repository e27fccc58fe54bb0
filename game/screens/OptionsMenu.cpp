#include "game/screens/OptionsMenu.h"

#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/screens/MainMenu.h"
#include "ui/KyButtonLayout.h"

namespace {

struct Box {
    const char* name;
    u8 Application::*option;
    bool (OptionsMenu::*listener)(KyCheckboxLayout::State);
};

const Box kBoxes[] = {
    {"musicOn", &Application::musicOn, &OptionsMenu::onMusicOn},
    {"permanentHelp", &Application::permanentHelp, &OptionsMenu::onPermanentHelp},
    {"inverseLook", &Application::inverseLook, &OptionsMenu::onInverseLook},
    {"compassLook", &Application::compassLook, &OptionsMenu::onCompassLook},
};

} // namespace

OptionsMenu::OptionsMenu() {}

OptionsMenu::~OptionsMenu() {}

bool OptionsMenu::isOn(KyCheckboxLayout::State state)
{
    return state == KyCheckboxLayout::Active || state == KyCheckboxLayout::ActiveDisabled;
}

void OptionsMenu::enter()
{
    Application* application = KySingleton<Application>::instance();
    KyMusic& music = application->music;
    if (application->musicOn && (!music.IsPlaying() || music.requestedPath() != MainMenu::MusicPath)) {
        music.load(MainMenu::MusicPath);
        music.Play();
        music.Volume(1.0f);
    }

    gui.load("GUI/OptionsMenu.lua");
    if (KyLayout* menu = gui.layout("menu2"))
        application->orientationLayout.addChildBefore(menu, &application->rotationAnim);
    if (KyButtonLayout* quit = gui.buttonLayout("quitButton"))
        appendListener(quit->onValidated, this, &OptionsMenu::onQuit);
    if (KyButtonLayout* credits = gui.buttonLayout("creditsButton"))
        appendListener(credits->onValidated, this, &OptionsMenu::onCredits);

    for (const Box& box : kBoxes) {
        KyCheckboxLayout* checkbox = gui.checkboxLayout(box.name);
        if (!checkbox)
            continue;
        // The state shown first calls no listener: it is set before they
        // are added.
        if (application->*box.option)
            checkbox->setState(KyCheckboxLayout::Active);
        insertListener(checkbox->onStateChanged, this, box.listener);
    }
    if (KyCheckboxLayout* compass = gui.checkboxLayout("compassLook"))
        compass->setVisible(false);
}

void OptionsMenu::leave()
{
    if (KyLayout* menu = gui.layout("menu2"))
        KySingleton<Application>::instance()->orientationLayout.removeChild(menu);
    gui.unload();
}

bool OptionsMenu::onQuit()
{
    leave();
    KySingleton<Application>::instance()->mainMenu.enter();
    return false;
}

bool OptionsMenu::onCredits()
{
    leave();
    KySingleton<Application>::instance()->credits.enter();
    return false;
}

bool OptionsMenu::onMusicOn(KyCheckboxLayout::State state)
{
    Application* application = KySingleton<Application>::instance();
    application->musicOn = isOn(state) ? 1 : 0;
    if (application->musicOn) {
        application->music.Play();
        application->music.Volume(1.0f);
    } else {
        application->music.Stop();
    }
    return false;
}

bool OptionsMenu::onPermanentHelp(KyCheckboxLayout::State state)
{
    KySingleton<Application>::instance()->permanentHelp = isOn(state) ? 1 : 0;
    return false;
}

bool OptionsMenu::onInverseLook(KyCheckboxLayout::State state)
{
    KySingleton<Application>::instance()->inverseLook = isOn(state) ? 1 : 0;
    return false;
}

bool OptionsMenu::onCompassLook(KyCheckboxLayout::State state)
{
    KySingleton<Application>::instance()->compassLook = isOn(state) ? 1 : 0;
    return false;
}
