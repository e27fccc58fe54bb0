#include "platform/KyInputMgrWrapper.h"

#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "platform/KyScreen.h"
#include "platform/KyVectorHistory.h"

#include <cmath>

namespace {

KyInputMgr* global()
{
    return KyInputMgr::instance();
}

// Turned half a turn on a device that reports it, unless fixed in landscape.
bool isFlipped()
{
    return KyVectorHistory::instance()->isFlipped() && !KySingleton<KyCore>::instance()->ready;
}

KyVector2s32 truncated(const KyVector3f32& v)
{
    return KyVector2s32(static_cast<s32>(v.x), static_cast<s32>(v.y));
}

} // namespace

KyInputMgrWrapper* KyInputMgrWrapper::instance()
{
    return KySingleton<KyInputMgrWrapper>::instance();
}

bool KyInputMgrWrapper::isButtonPressed(u32 button) { return global()->isButtonPressed(button); }
KyInputMgr::IndexSignal& KyInputMgrWrapper::onButtonUp() { return global()->onButtonUp(); }
KyInputMgr::IndexSignal& KyInputMgrWrapper::onButtonDown() { return global()->onButtonDown(); }
KyVector2s32 KyInputMgrWrapper::rawMousePosition(u32 pointer) { return global()->rawMousePosition(pointer); }
KyInputMgr::Signal& KyInputMgrWrapper::onMouseMove() { return global()->onMouseMove(); }
KyInputMgr::IndexSignal& KyInputMgrWrapper::onPointerMove() { return global()->onPointerMove(); }

KyVector2s32 KyInputMgrWrapper::map(const KyVector2s32& point) const
{
    KyMatrix4x4 m = transform(true);
    if (isFlipped()) {
        const KyVector3f32& screen = KySingleton<KyScreen>::instance()->size();
        f32 w = screen.x, h = screen.y;
        m.translate(KyVector3f32(std::floor(w / 2 + 0.5f), std::floor(h / 2 + 0.5f), 0.0f));
        KyQuaternion halfTurn(0.0f, 0.0f, 1.0f, 0.0f);
        m = m * halfTurn.toMatrix();
        m.translate(KyVector3f32(std::floor(-w / 2 + 0.5f), std::floor(-h / 2 + 0.5f), 0.0f));
    }
    return truncated(m.transformPoint(KyVector3f32(point)));
}

KyVector2s32 KyInputMgrWrapper::mousePosition(u32 pointer)
{
    return map(global()->mousePosition(pointer));
}

KyVector2s32 KyInputMgrWrapper::mousePreviousPosition(u32 pointer)
{
    return map(global()->mousePreviousPosition(pointer));
}

KyVector2s32 KyInputMgrWrapper::mouseSpeed(u32 pointer)
{
    // A velocity turns and scales with the transform but does not move.
    return truncated(transform(false).transformPoint(KyVector3f32(global()->mouseSpeed(pointer))));
}
