#include "game/screens/Notify.h"

#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"

const char* const Notify::InterfacePath = "GUI/Notify.lua";

namespace {

const char* const kPanel = "notify";
const char* const kFadeIn = "fadeIn";
const char* const kVisible = "visible";
const char* const kFadeOut = "fadeOut";

} // namespace

Notify::Notify() {}

Notify::~Notify() {}

void Notify::load()
{
    Application* application = KySingleton<Application>::instance();
    unload();
    gui.load(InterfacePath);
    if (KyLayout* panel = gui.layout(kPanel)) {
        application->orientationLayout.addChildBefore(panel, &application->rotationAnim);
        panel->setVisible(false);
    } else {
        logPrint("Notify::load: %s has no %s\n", InterfacePath, kPanel);
    }
    struct Chain {
        const char* animation;
        bool (Notify::*next)();
    };
    const Chain chains[] = {{kFadeIn, &Notify::onFadeInFinished},
                            {kVisible, &Notify::onVisibleFinished},
                            {kFadeOut, &Notify::onFadeOutFinished}};
    for (const Chain& chain : chains) {
        if (KyLuaGUI::ColorAnimation* animation = gui.colorLinearAnimation(chain.animation))
            appendListener(animation->onFinished, this, chain.next);
        else
            logPrint("Notify::load: %s has no %s, that step is passed at once\n", InterfacePath, chain.animation);
    }
}

void Notify::unload()
{
    queue.clear();
    if (!gui.isLoaded())
        return;
    if (KyLayout* panel = gui.layout(kPanel)) {
        if (KyI3DObject2* parent = panel->parent())
            parent->removeChild(panel);
    }
    // The fades stop without firing their ends.
    gui.unload();
}

void Notify::push(const KyString& text, const KyString& image)
{
    NotifyData data;
    data.text = text;
    data.image = image;
    queue.pushBack(data);
    showNext();
}

bool Notify::isRunning()
{
    for (const char* name : {kFadeIn, kFadeOut, kVisible}) {
        KyLuaGUI::ColorAnimation* animation = gui.colorLinearAnimation(name);
        if (animation && animation->isRunning())
            return true;
    }
    return false;
}

void Notify::showNext()
{
    if (isRunning() || queue.isEmpty() || !gui.isLoaded())
        return;
    const NotifyData data = queue[0];
    if (KyTextLayout* text = gui.textLayout("text"))
        text->setText(data.text);
    if (KySpriteLayout* image = gui.spriteLayout("image"))
        image->load(data.image);
    if (KyLayout* panel = gui.layout(kPanel))
        panel->setVisible(true);
    queue.removeAt(0);
    if (!playOnSprite(kFadeIn))
        onFadeInFinished();
}

bool Notify::playOnSprite(const char* name)
{
    KyLuaGUI::ColorAnimation* animation = gui.colorLinearAnimation(name);
    KyLayout* sprite = gui.layout("sprite");
    if (!animation || !sprite)
        return false;
    animation->setTarget(sprite);
    animation->play();
    return true;
}

bool Notify::onFadeInFinished()
{
    if (!playOnSprite(kVisible))
        onVisibleFinished();
    return false;
}

bool Notify::onVisibleFinished()
{
    if (!playOnSprite(kFadeOut))
        onFadeOutFinished();
    return false;
}

bool Notify::onFadeOutFinished()
{
    if (KyLayout* panel = gui.layout(kPanel))
        panel->setVisible(false);
    showNext();
    return false;
}
