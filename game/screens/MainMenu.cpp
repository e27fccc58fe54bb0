#include "game/screens/MainMenu.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/screens/LoadingMenu.h"
#include "net/KyAds.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyMainWindow.h"
#include "ui/KyTextLayout.h"

const char* const MainMenu::MusicPath = "Sounds/Musiques/M_interface.ogg";
const char* const MainMenu::InterfacePath = "GUI/MainMenu.lua";
const char* const MainMenu::ConfirmPath = "GUI/ConfirmNewGame.lua";
const char* const MainMenu::VersionText = "v 1.3";
const char* const MainMenu::VersionStyle =
    "<section style=\"left\" /><color r=\"255\" g=\"255\" b=\"255\"/><font file=\"Common/Fonts/Arial_r_16.tef\" />";

namespace {

struct MenuButton {
    const char* name;
    bool (MainMenu::*listener)();
};

// The buttons and their listeners, in the order they are wired.
const MenuButton kButtons[] = {
    {"plusPartButton", &MainMenu::onPlusPart},
    {"newGameButton", &MainMenu::onNewGame},
    {"continueGameButton", &MainMenu::startGame},
    {"loadGameButton", &MainMenu::onLoad},
    {"optionsButton", &MainMenu::onOptions},
    {"quitButton", &MainMenu::onQuit},
    {"facebookButton", &MainMenu::onFacebook},
};

// Disabled while the boards close, so nothing can be clicked meanwhile.
const char* const kGameButtons[] = {"newGameButton", "continueGameButton", "loadGameButton", "optionsButton",
                                    "quitButton"};

KyString slotFile(u32 slot)
{
    return KyString("Backup/") + LoadingMenu::slotFileName(slot);
}

} // namespace

MainMenu::MainMenu()
    : startRequested(0)
{
    appendListener(confirm.confirmed, this, &MainMenu::deleteSavesAndStart);
}

MainMenu::~MainMenu() {}

void MainMenu::playMenuMusic()
{
    Application* application = KySingleton<Application>::instance();
    KyMusic& music = application->music;
    if (music.IsPlaying() && music.requestedPath() == MusicPath)
        return;
    music.load(MusicPath);
    if (application->musicOn)
        music.Play();
    music.Volume(1.0f);
}

void MainMenu::enter()
{
    Application* application = KySingleton<Application>::instance();
    playMenuMusic();

    gui.load(InterfacePath);
    if (KyLayout* menu = gui.layout("menu"))
        application->orientationLayout.addChildBefore(menu, &application->rotationAnim);
    else
        logPrint("MainMenu::enter: GUI/MainMenu.lua has no layout menu\n");

    for (const MenuButton& entry : kButtons) {
        KyButtonLayout* button = gui.buttonLayout(entry.name);
        if (!button) {
            logPrint("MainMenu::enter: no button %s, skipped\n", entry.name);
            continue;
        }
        appendListener(button->onValidated, this, entry.listener);
    }

    if (KyButtonLayout* continueButton = gui.buttonLayout("continueGameButton"))
        continueButton->setState(KyFile::exists("Backup/save.xml") ? KyButtonLayout::StateUp
                                                                    : KyButtonLayout::StateDisabled);

    confirm.load(ConfirmPath);
    confirm.setVisible(false);

    if (KyTextLayout* version = gui.textLayout("versionNumber"))
        version->setText(KyString(VersionStyle) + KyString(VersionText));

    appendListener(application->rotationAnim.landscapeSignal, this, &MainMenu::onTransitionFinished);
}

void MainMenu::leave()
{
    Application* application = KySingleton<Application>::instance();
    if (KyLayout* menu = gui.layout("menu"))
        application->orientationLayout.removeChild(menu);
    gui.unload();
    confirm.unload();
    removeListener(application->rotationAnim.landscapeSignal, this, &MainMenu::onTransitionFinished);
}

bool MainMenu::anySaveExists()
{
    if (KyFile::exists("Backup/save.xml"))
        return true;
    for (u32 slot = 0; slot < LoadingMenu::SlotCount; ++slot) {
        if (KyFile::exists(slotFile(slot)))
            return true;
    }
    return false;
}

bool MainMenu::onPlusPart()
{
    // The page about the game's other parts; nothing opens it here.
    const KyString address = KyString("http://") + KyAds::advertHost() + KyString("/Orvalen3/PC/Part3/");
    (void)address;
    return false;
}

bool MainMenu::onNewGame()
{
    // Every save goes with a new game, so any of them asks first.
    if (anySaveExists())
        confirm.setVisible(true);
    else
        deleteSavesAndStart();
    return false;
}

bool MainMenu::deleteSavesAndStart()
{
    // "save.xml", then every slot.
    KyFile::DeleteFile("Backup/save.xml");
    for (u32 slot = 0; slot < LoadingMenu::SlotCount; ++slot)
        KyFile::DeleteFile(slotFile(slot));
    startGame();
    return false;
}

bool MainMenu::startGame()
{
    startRequested = 1;
    for (const char* name : kGameButtons) {
        if (KyButtonLayout* button = gui.buttonLayout(name))
            button->setState(KyButtonLayout::StateDisabled);
    }
    KySingleton<Application>::instance()->rotationAnim.landscapeClose();
    return false;
}

bool MainMenu::onLoad()
{
    leave();
    KySingleton<Application>::instance()->loadingMenu.enter();
    return false;
}

bool MainMenu::onOptions()
{
    leave();
    KySingleton<Application>::instance()->optionsMenu.enter();
    return false;
}

bool MainMenu::onQuit()
{
    KySingleton<KyMainWindow>::instance()->setQuit(true);
    return false;
}

bool MainMenu::onFacebook()
{
    // The sharing keys of the current language; no sharing service is used.
    Application* application = KySingleton<Application>::instance();
    const KyString* key = application->texts.value("FacebookAPIKey");
    const KyString* secret = application->texts.value("FacebookSecretKey");
    (void)key;
    (void)secret;
    return false;
}

bool MainMenu::onTransitionFinished()
{
    Application* application = KySingleton<Application>::instance();
    leave();
    if (startRequested) {
        application->gameWarp.enter();
        application->gameWarp.Load("save.xml");
    } else {
        application->howTo.enter();
    }
    return false;
}
