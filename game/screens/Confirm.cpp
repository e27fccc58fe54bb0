#include "game/screens/Confirm.h"

#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "ui/KyButtonLayout.h"

Confirm::Confirm() {}

Confirm::~Confirm() {}

void Confirm::load(const KyString& path)
{
    Application* application = KySingleton<Application>::instance();
    gui.load(path);
    if (KyButtonLayout* dialog = gui.buttonLayout("confirm"))
        application->orientationLayout.addChildBefore(dialog, &application->rotationAnim);
    else
        logPrint("Confirm::load: %s has no button layout confirm\n", path.c_str());
    if (KyButtonLayout* yes = gui.buttonLayout("yes"))
        appendListener(yes->onValidated, this, &Confirm::onYes);
    if (KyButtonLayout* no = gui.buttonLayout("no"))
        appendListener(no->onValidated, this, &Confirm::onNo);
}

void Confirm::setVisible(bool visible)
{
    if (KyButtonLayout* dialog = gui.buttonLayout("confirm"))
        dialog->setVisible(visible);
}

bool Confirm::isVisible()
{
    KyButtonLayout* dialog = gui.buttonLayout("confirm");
    return dialog && dialog->worldVisible();
}

bool Confirm::onYes()
{
    setVisible(false);
    confirmed.call();
    return false;
}

bool Confirm::onNo()
{
    setVisible(false);
    cancelled.call();
    return false;
}

void Confirm::unload()
{
    if (KyButtonLayout* dialog = gui.buttonLayout("confirm"))
        KySingleton<Application>::instance()->orientationLayout.removeChild(dialog);
    gui.unload();
}
