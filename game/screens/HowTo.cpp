#include "game/screens/HowTo.h"

#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "platform/KyInputMgrWrapper.h"

const KyString HowTo::pictures[HowTo::PictureCount] = {
    "/lookAround_0.png",     "/lookAround_1.png",      "/iButton_0.png",         "/iButton_1.png",
    "/pickedUpObject_0.png", "/pickedUpObject_1.png",  "/pickedUpObject_2.png",  "/equipItem_0.png",
    "/pickedUpObject2_0.png", "/pickedUpObject2_1.png", "/pickedUpObject2_2.png", ""};

HowTo::HowTo()
    : pictureIndex(0)
{
}

HowTo::~HowTo() {}

void HowTo::enter()
{
    Application* application = KySingleton<Application>::instance();
    pictureIndex = 0;
    background.Load("2D/bd/Colored/Bg.png");
    quitButton.load("2D/Menus/Options/Quit.png", "2D/Menus/Options/Quit_over.png", "");
    quitButton.setPosition(KyVector3f32(440.0f, 280.0f, 2.0f));
    pictureButton.setPosition(KyVector3f32(0.0f, 0.0f, 1.0f));
    pictureButton.load(nextImagePath(), "", "");
    appendListener(quitButton.onClicked(), this, &HowTo::onClose);
    appendListener(pictureButton.onClicked(), this, &HowTo::onNext);
    appendListener(application->rotationAnim.portraitSignal, this, &HowTo::onPortraitClosed);
}

KyString HowTo::nextImagePath()
{
    const u32 index = pictureIndex < PictureCount ? pictureIndex : PictureCount - 1;
    ++pictureIndex;
    return KyString("2D/bd/Colored/") + KySingleton<KyCore>::instance()->language() + pictures[index];
}

bool HowTo::onNext()
{
    if (pictureIndex < PictureCount && !pictures[pictureIndex].isEmpty())
        pictureButton.load(nextImagePath(), "", "");
    else
        onClose();
    return false;
}

bool HowTo::onClose()
{
    Application* application = KySingleton<Application>::instance();
    removeListener(quitButton.onClicked(), this, &HowTo::onClose);
    removeListener(pictureButton.onClicked(), this, &HowTo::onNext);
    KyInputMgrWrapper* input = KyInputMgrWrapper::instance();
    input->setAngle(90.0f);
    input->setOffset(320, 0);
    application->rotationAnim.portraitClose();
    return false;
}

bool HowTo::onPortraitClosed()
{
    Application* application = KySingleton<Application>::instance();
    background.unload();
    quitButton.unload();
    pictureButton.unload();
    leave();
    // The boards turned the input for a portrait screen; the menu comes
    // back in the window's own orientation.
    application->onWindowResized();
    application->mainMenu.enter();
    return false;
}

void HowTo::leave()
{
    background.unload();
    quitButton.unload();
    pictureButton.unload();
    removeListener(KySingleton<Application>::instance()->rotationAnim.portraitSignal, this, &HowTo::onPortraitClosed);
}
