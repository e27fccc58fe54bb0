#include "ui/KyCheckboxLayout.h"

#include "core/KySingleton.h"
#include "media/KySoundManager.h"

KyCheckboxLayout::KyCheckboxLayout()
    : activeLayout(nullptr)
    , unactiveLayout(nullptr)
    , activeDisabledLayout(nullptr)
    , unactiveDisabledLayout(nullptr)
    , state(Unactive)
{
}

KyCheckboxLayout::~KyCheckboxLayout() {}

void KyCheckboxLayout::setActiveLayout(KyLayout* layout)
{
    replaceChild(activeLayout, layout, KyColor(0, 0, 0, 0));
    setState(state);
}

void KyCheckboxLayout::setUnactiveLayout(KyLayout* layout)
{
    replaceChild(unactiveLayout, layout, KyColor(0, 0, 0, 0));
    KyVector3f32 requested = userSize();
    if (sizeType() == Pixel && requested.x == 1.0f && requested.y == 1.0f && unactiveLayout)
        setSize(unactiveLayout->scale());
    setState(state);
}

void KyCheckboxLayout::setActiveDisabledLayout(KyLayout* layout)
{
    replaceChild(activeDisabledLayout, layout, KyColor(0, 0, 0, 0));
    setState(state);
}

void KyCheckboxLayout::setUnactiveDisabledLayout(KyLayout* layout)
{
    replaceChild(unactiveDisabledLayout, layout, KyColor(0, 0, 0, 0));
    setState(state);
}

void KyCheckboxLayout::showLooks(KyLayout* shown, KyLayout* other, KyLayout* hidden1, KyLayout* hidden2)
{
    if (shown) {
        shown->setVisible(true);
        if (other)
            other->setVisible(false);
    }
    if (hidden1)
        hidden1->setVisible(false);
    if (hidden2)
        hidden2->setVisible(false);
}

void KyCheckboxLayout::setState(State newState)
{
    if (newState != state) {
        state = newState;
        onStateChanged.call(newState);
    }
    switch (state) {
    case Active:
        showLooks(activeLayout, unactiveLayout, activeDisabledLayout, unactiveDisabledLayout);
        break;
    case ActiveDisabled:
        showLooks(activeDisabledLayout, unactiveDisabledLayout, activeLayout, unactiveLayout);
        break;
    case UnactiveDisabled:
        showLooks(unactiveDisabledLayout, activeDisabledLayout, activeLayout, unactiveLayout);
        break;
    default:
        showLooks(unactiveLayout, activeLayout, activeDisabledLayout, unactiveDisabledLayout);
        break;
    }
}

bool KyCheckboxLayout::onPress(unsigned int pointer)
{
    if (!worldVisible() || !isEnabled() || !isPointerIn(pointer))
        return false;
    touches.pushBack(pointer);
    return !clickPassThrough;
}

bool KyCheckboxLayout::onReleaseReset(unsigned int pointer)
{
    // The pointer always leaves the list; only a box that is shown and
    // enabled completes a click with it.
    const bool wasPressed = removeTouch(touches, pointer);
    pressedInside = wasPressed && worldVisible() && isEnabled();
    return false;
}

bool KyCheckboxLayout::onRelease(unsigned int pointer)
{
    if (!worldVisible() || !isEnabled() || !isPointerIn(pointer))
        return false;
    if (pressedInside && !isAnyTouchIn()) {
        const State next = state == Active ? Unactive : Active;
        setState(next);
        const KyString& sound = next == Active ? activationSound : unactivationSound;
        if (!sound.isEmpty())
            KySingleton<KySoundManager>::instance()->PlaySFX(sound);
        // The listeners hear of a click a second time, after the sound.
        onStateChanged.call(next);
    }
    return !clickPassThrough;
}
