#include "ui/KyButtonLayout.h"

#include "core/KySingleton.h"
#include "media/KySoundManager.h"
#include "platform/KyInputMgr.h"
#include "ui/KyMainWindow.h"

#include <cfloat>
#include <cmath>

bool KyButtonLayout::hoverClaimed = false;

KyButtonLayout::KyButtonLayout()
    : upLayout(nullptr)
    , downLayout(nullptr)
    , disabledLayout(nullptr)
    , hitZone(nullptr)
    , state(StateUp)
    , clickPassThrough(false)
    , pressedInside(false)
    , moveCallback(this, &KyButtonLayout::onMove)
    , releaseResetCallback(this, &KyButtonLayout::onReleaseReset, FLT_MAX)
    , pressCallback(this, &KyButtonLayout::onPress)
    , releaseCallback(this, &KyButtonLayout::onRelease)
    , hoverResetCallback(this, &KyButtonLayout::onHoverReset, FLT_MAX)
{
    setQuadColor(KyColor(128, 128, 128, 255));
    KyInputMgr* input = KyInputMgr::instance();
    input->onButtonUp().insertByPriority(&releaseCallback);
    input->onButtonUp().insertByPriority(&releaseResetCallback);
    input->onButtonDown().insertByPriority(&pressCallback);
    input->onPointerMove().insertByPriority(&moveCallback);
    input->onPointerMove().insertByPriority(&hoverResetCallback);
}

KyButtonLayout::~KyButtonLayout()
{
    // The manager may already be gone at shutdown; then nothing holds the
    // listeners.
    if (KySingleton<KyInputMgr>::exists()) {
        KyInputMgr* input = KyInputMgr::instance();
        input->onButtonUp().removeCallback(&releaseCallback);
        input->onButtonUp().removeCallback(&releaseResetCallback);
        input->onButtonDown().removeCallback(&pressCallback);
        input->onPointerMove().removeCallback(&moveCallback);
        input->onPointerMove().removeCallback(&hoverResetCallback);
    }
}

KyVector2s32 KyButtonLayout::pointerWindowPoint(unsigned int pointer)
{
    KyVector2s32 position = KyInputMgr::instance()->mousePosition(pointer);
    const s32 height = s32(std::trunc(KySingleton<KyMainWindow>::instance()->size().y));
    return KyVector2s32(position.x, height - position.y);
}

bool KyButtonLayout::removeTouch(KyArray<unsigned int>& touches, unsigned int pointer)
{
    u32 index;
    if (!touches.find(pointer, &index))
        return false;
    const u32 last = touches.count() - 1;
    touches[index] = touches[last];
    touches.removeAt(last);
    return true;
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

void KyButtonLayout::setHitZone(KyLayout* layout)
{
    replaceChild(hitZone, layout, KyColor(0, 0, 255, 255));
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

bool KyButtonLayout::isMouseIn(const KyVector2s32& point)
{
    if (hitZone)
        return hitZone->isMouseIn(point);
    return KyLayout::isMouseIn(point);
}

void KyButtonLayout::updateWorldMatrix()
{
    KyLayout::updateWorldMatrix();
    const f32 z = m_worldMatrix.transformPoint(KyVector3f32(0.0f, 0.0f, 0.0f)).z;
    releaseCallback.setPriority(z);
    pressCallback.setPriority(z);
    moveCallback.setPriority(z);
}

void KyButtonLayout::setPosition(const KyVector3f32& position)
{
    KyLayout::setPosition(position);
    if (state != StateDisabled)
        setState(isAnyTouchIn() ? StateDown : StateUp);
}

bool KyButtonLayout::isPointerIn(unsigned int pointer)
{
    return isMouseIn(pointerWindowPoint(pointer));
}

bool KyButtonLayout::isAnyTouchIn()
{
    for (u32 i = 0; i < touches.count(); ++i) {
        if (isPointerIn(touches[i]))
            return true;
    }
    return false;
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
