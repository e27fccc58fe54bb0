#include "ui/KyButton.h"

#include "core/KyCallback1Param.h"
#include "core/KyMatrix4x4.h"
#include "platform/KyInputMgrWrapper.h"

#include <cfloat>
#include <cstdint>

namespace {

typedef KyCallback1Param<unsigned int, KyButton> Listener;

// The bookkeeping of releases runs before every other release listener.
const f32 kFirstPriority = FLT_MAX;

KyInputMgr* input()
{
    return KyInputMgrWrapper::instance();
}

} // namespace

KyButton::KyButton(KyScreen* screen)
    : draggable(false),
      active(true),
      passThrough(false),
      trackTouches(false),
      m_pressed(false),
      m_enabled(false),
      m_dragAnchorX(0.5f),
      m_dragAnchorY(0.5f),
      m_dragStart(0.0f, 0.0f, 0.0f),
      m_releaseSeen(false)
{
    if (screen)
        setTag(reinterpret_cast<std::intptr_t>(screen));
    if (KyInputMgr* manager = input())
        manager->onPointerMove().insertByPriority(kyNewCallback(this, &KyButton::handleMove, 0.0f));
}

KyButton::~KyButton()
{
    setEnable(false);
    // The move listener would otherwise outlive the button in the input
    // manager and be called on a dead object at the next move.
    if (KyInputMgr* manager = input()) {
        Listener move(this, &KyButton::handleMove);
        manager->onPointerMove().removeCallback(&move);
    }
}

f32 KyButton::worldDepth()
{
    return worldTransformationMatrix().transformPoint(KyVector3f32(0.0f, 0.0f, 0.0f)).z;
}

void KyButton::registerPressAndRelease()
{
    KyInputMgr* manager = input();
    if (!manager)
        return;
    const f32 z = worldDepth();
    manager->onButtonDown().insertByPriority(kyNewCallback(this, &KyButton::handlePress, z));
    manager->onButtonUp().insertByPriority(kyNewCallback(this, &KyButton::handleRelease, z));
}

void KyButton::unregisterPressAndRelease()
{
    KyInputMgr* manager = input();
    if (!manager)
        return;
    Listener press(this, &KyButton::handlePress);
    Listener release(this, &KyButton::handleRelease);
    manager->onButtonDown().removeCallback(&press);
    manager->onButtonUp().removeCallback(&release);
}

void KyButton::setEnable(bool enable)
{
    if (enable == m_enabled)
        return;
    KyInputMgr* manager = input();
    if (enable) {
        m_enabled = true;
        registerPressAndRelease();
        if (manager)
            manager->onButtonUp().insertByPriority(kyNewCallback(this, &KyButton::trackRelease, kFirstPriority));
        return;
    }
    setPressed(false);
    m_enabled = false;
    unregisterPressAndRelease();
    if (manager) {
        Listener bookkeeping(this, &KyButton::trackRelease);
        manager->onButtonUp().removeCallback(&bookkeeping);
    }
    m_touches.clear();
}

void KyButton::setPressed(bool pressed)
{
    if (pressed == m_pressed)
        return;
    m_pressed = pressed;
    if (pressed)
        m_onPressed.call();
    else
        m_onReleased.call();
}

void KyButton::clearTouches()
{
    m_touches.clear();
    setPressed(false);
}

bool KyButton::hitTest(u32 pointer)
{
    KyInputMgr* manager = input();
    if (!manager)
        return false;
    const KyVector2s32 p = manager->mousePosition(pointer);
    const KyVector3f32 q =
        worldTransformationMatrix().inverse().transformPoint(KyVector3f32(f32(p.x), f32(p.y), 0.0f));
    const KyVector3f32 s = size();
    return q.x >= 0.0f && q.x < s.x && q.y >= 0.0f && q.y < s.y;
}

u32 KyButton::touchesInside()
{
    if (!m_enabled || !active)
        return 0;
    u32 inside = 0;
    for (u32 i = 0; i < m_touches.count(); ++i) {
        if (m_touches[i] >= 0 && hitTest(u32(m_touches[i])))
            ++inside;
    }
    return inside;
}

void KyButton::recountPressed()
{
    setPressed(touchesInside() > 0);
}

bool KyButton::handlePress(unsigned int index)
{
    if (!m_enabled)
        return false;
    // A pointer index is recorded once: a press whose release never came
    // (the button was enabled while it was down) must not leave a second
    // entry that keeps the button pressed after the next release.
    const int touch = int(index);
    if (trackTouches && !hasTouch(touch))
        m_touches.pushBack(touch);
    if (!hitTest(index))
        return false;
    if (active) {
        if (draggable) {
            m_dragStart = position();
            const KyVector2s32 p = input()->mousePosition(index);
            const KyVector3f32 pos = position();
            const KyVector3f32 s = size();
            m_dragAnchorX = (f32(p.x) - pos.x) / s.x;
            m_dragAnchorY = (f32(p.y) - pos.y) / s.y;
        }
        if (!trackTouches && !hasTouch(touch))
            m_touches.pushBack(touch);
        if (!m_pressed)
            setPressed(true);
    }
    return !passThrough;
}

bool KyButton::trackRelease(unsigned int index)
{
    u32 at;
    if (!m_touches.find(int(index), &at)) {
        m_releaseSeen = false;
        return false;
    }
    const u32 last = m_touches.count() - 1;
    m_touches[at] = m_touches[last];
    m_touches.removeAt(last);
    recountPressed();
    m_releaseSeen = true;
    return false;
}

bool KyButton::handleRelease(unsigned int index)
{
    if (!m_enabled || !active || !hitTest(index))
        return false;
    if (m_releaseSeen && touchesInside() == 0) {
        m_onClicked.call();
        if (draggable) {
            m_onDragEnded.call();
            setPosition(m_dragStart);
        }
    }
    return !passThrough;
}

bool KyButton::handleMove(unsigned int index)
{
    if (!m_pressed || !draggable || !hasTouch(int(index)))
        return false;
    KyInputMgr* manager = input();
    const KyVector2s32 p = manager->mousePosition(index);
    const KyVector3f32 s = size();
    KyVector3f32 moved(f32(p.x) - m_dragAnchorX * s.x, f32(p.y) - m_dragAnchorY * s.y, m_position.z);
    if (moved != m_position) {
        m_position = moved;
        m_onPositionChanged.call();
    }
    return false;
}

void KyButton::setPosition(const KyVector3f32& p)
{
    m_dragStart = p;
    Ky3DObject::setPosition(p);
    if (m_enabled) {
        unregisterPressAndRelease();
        registerPressAndRelease();
    }
    recountPressed();
}
