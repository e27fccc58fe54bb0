// The view's angles and turning speeds: their limits, the slowing-down after
// the player lets go, the arrow buttons and the scripts' "LookAt" and
// "SetFOV".

#include "core/KySingleton.h"
#include "core/KyVector3f32.h"
#include "game/GameWarp.h"
#include "platform/KyInputMgr.h"
#include "scene/KyWarp.h"
#include "ui/KyMainWindow.h"

#include <cmath>

namespace {

const f32 kPitchMax = 45.0f;
const f32 kPitchMin = -55.0f;
const f32 kSpeedLimit = 10000.0f;
// The slowing-down: shares of the speed at its start, spread over 400 ms.
const f64 kDecayCurve[] = {1.0, 0.65, 0.32, 0.15, 0.07, 0.03, 0.0};
const f32 kDecayMilliseconds = 400.0f;

f32 limitSpeed(f32 value)
{
    if (value > kSpeedLimit)
        return kSpeedLimit;
    if (value < -kSpeedLimit)
        return -kSpeedLimit;
    return value;
}

void startDecay(KyCurveAnim<GameWarp, f32>& animation, f32 speed, GameWarp* owner, void (GameWarp::*setter)(f32))
{
    KyCurve curve;
    for (f64 share : kDecayCurve)
        curve.values.pushBack(share * f64(speed));
    animation.load(curve, kDecayMilliseconds, owner, setter);
    animation.play();
}

} // namespace

void GameWarp::setYaw(f32 value)
{
    // A NaN or an infinity (from a script or a save) would stay in the
    // view for good: refused.
    if (!std::isfinite(value))
        return;
    const f64 v = value;
    f64 wrapped = v - 360.0 * std::trunc(v / 360.0);
    if (wrapped < -360.0 || wrapped > 360.0)
        wrapped = 0.0;
    yaw = f32(wrapped);
}

void GameWarp::setPitch(f32 value)
{
    if (!std::isfinite(value))
        return;
    pitch = value;
    if (pitch > kPitchMax)
        pitch = kPitchMax;
    if (pitch < kPitchMin)
        pitch = kPitchMin;
}

void GameWarp::setYawSpeed(f32 value)
{
    if (std::isfinite(value))
        yawSpeed = limitSpeed(value);
}

void GameWarp::setPitchSpeed(f32 value)
{
    if (std::isfinite(value))
        pitchSpeed = limitSpeed(value);
}

void GameWarp::startSpeedDecay()
{
    yawSpeedAnimation.stop();
    pitchSpeedAnimation.stop();
    startDecay(yawSpeedAnimation, yawSpeed, this, &GameWarp::setYawSpeed);
    startDecay(pitchSpeedAnimation, pitchSpeed, this, &GameWarp::setPitchSpeed);
}

void GameWarp::stopTurning()
{
    yawSpeedAnimation.stop();
    pitchSpeedAnimation.stop();
    yawSpeed = 0.0f;
    pitchSpeed = 0.0f;
    dragging = 0;
}

void GameWarp::speedFromMouse()
{
    yawSpeedAnimation.stop();
    pitchSpeedAnimation.stop();
    const KyVector2s32 mouse = KyInputMgr::instance()->mousePosition(0);
    const KyVector3f32 size = KySingleton<KyMainWindow>::instance()->size();
    KyVector3f32 direction(f32(mouse.x) - 0.5f * size.x, f32(mouse.y) - 0.5f * size.y, -0.5f * size.z);
    // The pointer exactly at the centre of a flat window points nowhere:
    // the view stands still.
    if (!(direction.length() > 0.0f)) {
        yawSpeed = 0.0f;
        pitchSpeed = 0.0f;
        return;
    }
    direction.normalize();
    yawSpeed = 100.0f * direction.x;
    pitchSpeed = 50.0f * direction.y;
}

bool GameWarp::onArrowButtonDown()
{
    ++arrowState;
    return false;
}

bool GameWarp::onArrowButtonUp()
{
    --arrowState;
    if (arrowState < 1) {
        arrowState = 0;
        startSpeedDecay();
    }
    return false;
}

void GameWarp::lookAt(s32 x, s32 y)
{
    // In 64 bits: the negation of the smallest s32 has no s32.
    setYaw(f32(-s64(x)));
    s64 up = y;
    if (up >= 90)
        up -= 360;
    setPitch(f32(-up));
}

void GameWarp::setFov(f32 degrees)
{
    if (!std::isfinite(degrees))
        return;
    if (animationWarp)
        animationWarp->setFov(degrees);
    if (currentWarp)
        currentWarp->setFov(degrees);
}
