// Looking around a panorama: a drag with the left button turns the view, and
// once the button is let go the view glides on with the speed of the last
// movement. updateView is the game's step of every frame.

#include "core/KyMatrix4x4.h"
#include "core/KyQuaternion.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "platform/KyInputMgrWrapper.h"
#include "scene/KyWarp.h"

#include <cmath>

namespace {

// One interface unit of pointer movement turns the view by half a degree.
const f32 kDegreesPerUnit = 0.5f;
// A press that moves this far (interface units) is a drag, not a click.
const f32 kDragDistance = 20.0f;

// The screen's portrait/landscape turn, which pointer movements follow.
KyMatrix4x4 screenTurn()
{
    return KySingleton<Application>::instance()->orientationLayout.rotation().toMatrix();
}

f32 distance(const KyVector2s32& a, const KyVector2s32& b)
{
    const f32 dx = f32(a.x) - f32(b.x);
    const f32 dy = f32(a.y) - f32(b.y);
    return std::sqrt(dx * dx + dy * dy);
}

} // namespace

void GameWarp::setDragging(bool on)
{
    if (on == (dragging != 0))
        return;
    dragging = on ? 1 : 0;
    KyInputMgrWrapper* input = KyInputMgrWrapper::instance();
    if (on) {
        pressPosition = input->mousePosition(0);
        lastPosition = pressPosition;
        dragMoved = 0;
        yawSpeedAnimation.stop();
        pitchSpeedAnimation.stop();
        dragTimer.stop();
        dragTimer.start();
        return;
    }
    // The inertia is measured from here on.
    dragTimer.timeSinceLastCall();
    // A press let go without the pointer moving in between is a click: the
    // pointer's speed is that of the move before the press, not the view's.
    const bool moved = dragMoved || input->mousePosition(0) != lastPosition;
    const KyVector2s32 speed = moved ? input->mouseSpeed(0) : KyVector2s32(0, 0);
    KyVector3f32 v(f32(speed.x), f32(speed.y), 0.0f);
    if (KySingleton<Application>::instance()->inverseLook)
        v = KyVector3f32(-v.x, -v.y, 0.0f);
    v = screenTurn().transformPoint(v);
    setYawSpeed(v.x * 0.5f);
    setPitchSpeed(v.y * 0.5f);
    startSpeedDecay();
}

void GameWarp::updateView()
{
    if (!gameRunning)
        return;
    Application* application = KySingleton<Application>::instance();
    KyInputMgrWrapper* input = KyInputMgrWrapper::instance();
    const bool buttonDown = input->isButtonPressed(0);
    if (!buttonDown)
        setDragging(false);
    const KyVector2s32 pointer = input->mousePosition(0);
    // A press that a button in front took (a marker's) starts no drag, yet
    // moving it far enough must still cancel it: it is measured from where
    // it began, not from the last drag.
    if (buttonDown && !pointerWasDown && !dragging) {
        pressPosition = pointer;
        lastPosition = pointer;
    }
    pointerWasDown = buttonDown ? 1 : 0;
    // The arrow buttons turn the view by the drag timer's clock, also
    // before the first drag.
    if (dragTimer.isPaused())
        dragTimer.start();

    if (dragging) {
        if (pointer != lastPosition)
            dragMoved = 1;
        const KyVector3f32 d = screenTurn().transformPoint(
            KyVector3f32(f32(pointer.x - lastPosition.x), f32(pointer.y - lastPosition.y), 0.0f));
        if (application->inverseLook) {
            setYaw(yaw + d.x * kDegreesPerUnit);
            setPitch(pitch - d.y * kDegreesPerUnit);
        } else {
            setYaw(yaw - d.x * kDegreesPerUnit);
            setPitch(pitch + d.y * kDegreesPerUnit);
        }
        lastPosition = pointer;
    } else {
        if (arrowState != 0)
            speedFromMouse();
        const f32 seconds = f32(dragTimer.timeSinceLastCall() / 1000000.0);
        setYaw(yaw - yawSpeed * seconds);
        setPitch(pitch + pitchSpeed * seconds);
    }

    if (distance(pointer, pressPosition) >= kDragDistance) {
        if (animationWarp)
            animationWarp->resetMarkersState();
        if (currentWarp)
            currentWarp->resetMarkersState();
    }

    const f32 a = yaw * f32(M_PI) / 180.0f;
    const f32 b = pitch * f32(M_PI) / 180.0f;
    const KyQuaternion yawTurn(0.0f, std::sin(a / 2.0f), 0.0f, std::cos(a / 2.0f));
    const KyQuaternion pitchTurn(std::sin(b / 2.0f), 0.0f, 0.0f, std::cos(b / 2.0f));
    KyQuaternion view = pitchTurn * yawTurn;
    view.normalize();
    if (animationWarp)
        animationWarp->setRotation(view);
    if (currentWarp)
        currentWarp->setRotation(view);

    if (animationWarp)
        animationWarp->update();
    if (currentWarp)
        currentWarp->update();
}
