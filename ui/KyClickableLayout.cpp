#include "ui/KyClickableLayout.h"

#include "core/KySingleton.h"
#include "platform/KyInputMgr.h"
#include "ui/KyMainWindow.h"

#include <cfloat>
#include <cmath>

KyClickableLayout::KyClickableLayout()
    : hitZone(nullptr)
    , clickPassThrough(false)
    , pressedInside(false)
    , releaseCallback(this, &KyClickableLayout::onRelease)
    , releaseResetCallback(this, &KyClickableLayout::onReleaseReset, FLT_MAX)
    , pressCallback(this, &KyClickableLayout::onPress)
    , moveCallback(this, &KyClickableLayout::onMove)
{
    setQuadColor(KyColor(128, 128, 128, 255));
    KyInputMgr* input = KyInputMgr::instance();
    input->onButtonUp().insertByPriority(&releaseCallback);
    input->onButtonUp().insertByPriority(&releaseResetCallback);
    input->onButtonDown().insertByPriority(&pressCallback);
    input->onPointerMove().insertByPriority(&moveCallback);
}

KyClickableLayout::~KyClickableLayout()
{
    // The manager may already be gone at shutdown; then nothing holds the
    // listeners.
    if (KySingleton<KyInputMgr>::exists()) {
        KyInputMgr* input = KyInputMgr::instance();
        input->onButtonUp().removeCallback(&releaseCallback);
        input->onButtonUp().removeCallback(&releaseResetCallback);
        input->onButtonDown().removeCallback(&pressCallback);
        input->onPointerMove().removeCallback(&moveCallback);
    }
}

KyVector2s32 KyClickableLayout::pointerWindowPoint(unsigned int pointer)
{
    KyVector2s32 position = KyInputMgr::instance()->mousePosition(pointer);
    const s32 height = s32(std::trunc(KySingleton<KyMainWindow>::instance()->size().y));
    return KyVector2s32(position.x, height - position.y);
}

bool KyClickableLayout::removeTouch(KyArray<unsigned int>& touches, unsigned int pointer)
{
    u32 index;
    if (!touches.find(pointer, &index))
        return false;
    const u32 last = touches.count() - 1;
    touches[index] = touches[last];
    touches.removeAt(last);
    return true;
}

void KyClickableLayout::setHitZone(KyLayout* layout)
{
    replaceChild(hitZone, layout, KyColor(0, 0, 255, 255));
}

bool KyClickableLayout::isMouseIn(const KyVector2s32& point)
{
    if (hitZone)
        return hitZone->isMouseIn(point);
    return KyLayout::isMouseIn(point);
}

void KyClickableLayout::updateWorldMatrix()
{
    KyLayout::updateWorldMatrix();
    const f32 z = m_worldMatrix.transformPoint(KyVector3f32(0.0f, 0.0f, 0.0f)).z;
    releaseCallback.setPriority(z);
    pressCallback.setPriority(z);
    moveCallback.setPriority(z);
}

bool KyClickableLayout::onMove(unsigned int)
{
    return false;
}

bool KyClickableLayout::isPointerIn(unsigned int pointer)
{
    return isMouseIn(pointerWindowPoint(pointer));
}

bool KyClickableLayout::isAnyTouchIn()
{
    for (u32 i = 0; i < touches.count(); ++i) {
        if (isPointerIn(touches[i]))
            return true;
    }
    return false;
}
