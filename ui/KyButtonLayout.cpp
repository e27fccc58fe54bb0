#include "ui/KyButtonLayout.h"

#include "core/KySingleton.h"
#include "media/KySoundManager.h"
#include "platform/KyInputMgr.h"

#include <cfloat>

bool KyButtonLayout::hoverClaimed = false;

KyButtonLayout::KyButtonLayout()
    : upLayout(nullptr)
    , downLayout(nullptr)
    , disabledLayout(nullptr)
    , state(StateUp)
    , hoverResetCallback(this, &KyButtonLayout::onHoverReset, FLT_MAX)
{
    KyInputMgr::instance()->onPointerMove().insertByPriority(&hoverResetCallback);
}

KyButtonLayout::~KyButtonLayout()
{
    // The manager may already be gone at shutdown; then nothing holds the
    // listener.
    if (KySingleton<KyInputMgr>::exists())
        KyInputMgr::instance()->onPointerMove().removeCallback(&hoverResetCallback);
}

void KyButtonLayout::setUpLayout(KyLayout* layout)
{
    replaceChild(upLayout, layout, KyColor(0, 0, 0, 0));
    KyVector3f32 requested = userSize();
    if (sizeType() == Pixel && requested.x == 1.0f && requested.y == 1.0f && upLayout)
        setSize(upLayout->scale());
    setState(state);
}

void KyButtonLayout::setDownLayout(KyLayout* layout)
{
    replaceChild(downLayout, layout, KyColor(0, 0, 0, 0));
    KyVector3f32 requested = userSize();
    if (sizeType() == Pixel && requested.x == 1.0f && requested.y == 1.0f && downLayout && !upLayout)
        setSize(downLayout->scale());
    setState(state);
}

void KyButtonLayout::setDisabledLayout(KyLayout* layout)
{
    replaceChild(disabledLayout, layout, KyColor(0, 0, 0, 0));
    setState(state);
}

void KyButtonLayout::setState(u32 newState)
{
    if (newState != state) {
        state = newState;
        if (state == StateUp)
            onStateUp.call();
        else if (state == StateDown)
            onStateDown.call();
        else if (state == StateHover)
            onStateHover.call();
    }

    // A signal listener may have changed the state again: show the stored
    // one.
    KyLayout* shown;
    if (state == StateDown)
        shown = downLayout ? downLayout : upLayout;
    else if (state == StateUp || state == StateHover)
        shown = upLayout;
    else
        shown = disabledLayout ? disabledLayout : (downLayout ? downLayout : upLayout);

    KyLayout* looks[3] = {upLayout, downLayout, disabledLayout};
    for (KyLayout* look : looks) {
        if (look)
            look->setVisible(look == shown);
    }
}

void KyButtonLayout::setEnable(bool enable)
{
    state = enable ? StateUp : StateDisabled;
    setState(state);
}

void KyButtonLayout::reset()
{
    touches.clear();
    setState(state == StateDisabled ? StateDisabled : StateUp);
}

void KyButtonLayout::setPosition(const KyVector3f32& position)
{
    KyLayout::setPosition(position);
    if (state != StateDisabled)
        setState(isAnyTouchIn() ? StateDown : StateUp);
}

bool KyButtonLayout::onPress(unsigned int pointer)
{
    if (!worldVisible() || !isPointerIn(pointer))
        return false;
    // A disabled button swallows the press without any change.
    if (state == StateDisabled)
        return !clickPassThrough;
    touches.pushBack(pointer);
    setState(StateDown);
    return !clickPassThrough;
}

bool KyButtonLayout::onReleaseReset(unsigned int pointer)
{
    // The pointer leaves the list whatever the button's state: a button
    // hidden or disabled while pressed must not stay pressed once shown or
    // enabled again.
    pressedInside = false;
    if (!removeTouch(touches, pointer))
        return false;
    if (state == StateDisabled)
        return false;
    setState(isAnyTouchIn() ? StateDown : StateUp);
    pressedInside = worldVisible();
    return false;
}

bool KyButtonLayout::onRelease(unsigned int pointer)
{
    if (!worldVisible() || !isPointerIn(pointer) || state == StateDisabled)
        return false;
    if (pressedInside && !isAnyTouchIn()) {
        if (!validationSound.isEmpty())
            KySingleton<KySoundManager>::instance()->PlaySFX(validationSound);
        onValidated.call();
    }
    return !clickPassThrough;
}

bool KyButtonLayout::onMove(unsigned int pointer)
{
    if (!worldVisible())
        return false;
    u32 s = state;
    // A disabled button keeps its state whatever pointers it still lists.
    if (s != StateDisabled && touches.contains(pointer))
        s = isAnyTouchIn() ? StateDown : StateUp;
    const bool inside = isPointerIn(pointer);
    if (s == StateUp) {
        if (inside && !hoverClaimed)
            s = StateHover;
    } else if (s == StateHover) {
        if (!inside || hoverClaimed)
            s = StateUp;
    }
    setState(s);
    if (inside)
        hoverClaimed = true;
    return false;
}

bool KyButtonLayout::onHoverReset(unsigned int)
{
    hoverClaimed = false;
    return false;
}
