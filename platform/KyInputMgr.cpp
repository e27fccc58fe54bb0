#include "platform/KyInputMgr.h"

#include "core/KyMatrix4x4.h"
#include "core/KyQuaternion.h"
#include "core/KySingleton.h"
#include "platform/KyScreen.h"

#include <cmath>
#include <cstring>

namespace {

// Rotation about z by `degrees`, as the quaternion (0, 0, sin h, cos h).
KyMatrix4x4 rotationZ(f32 degrees)
{
    f32 h = degrees * 3.14159265358979f / 180.0f * 0.5f;
    KyQuaternion q(0.0f, 0.0f, std::sin(h), std::cos(h));
    return q.toMatrix();
}

} // namespace

KyInputMgr* KyInputMgr::instance()
{
    return KySingleton<KyInputMgr>::instance();
}

KyInputMgr::KyInputMgr()
    : m_device(nullptr)
    , m_frozen(false)
    , m_sampleHead(0)
    , m_angle(0.0f)
    , m_offset(0, 0)
    , m_scale(1.0f, 1.0f, 1.0f)
    , m_moveHead(0)
{
    std::memset(m_keyStates, 0, sizeof(m_keyStates));
    std::memset(m_moves, 0, sizeof(m_moves));
    reset();
}

KyInputMgr::~KyInputMgr() {}

void KyInputMgr::reset()
{
    m_frozen = false;
    m_pointers.resize(pointerCount());
    for (u32 i = 0; i < m_pointers.count(); ++i) {
        m_pointers[i].pressed = 0;
        m_pointers[i].ignoreUntilRelease = 0;
    }
    m_angle = 0.0f;
    m_offset = KyVector2s32(0, 0);
    m_scale = KyVector3f32(1.0f, 1.0f, 1.0f);
    std::memset(m_samples, 0, sizeof(m_samples));
    m_sampleHead = 0;
    m_updateTimer.stop();
    m_updateTimer.start();
    m_moveHead = 0;
    m_moveTimer.stop();
    m_moveTimer.start();
}

void KyInputMgr::update()
{
    u64 milliseconds = static_cast<u64>(m_updateTimer.timeSinceLastCall() / 1000.0);
    if (milliseconds >= FrameSkipMilliseconds)
        return;
    if (!m_device)
        return;
    u32 count = m_device->pointerCount();
    for (u32 i = 0; i < count; ++i)
        setRawMousePosition(m_device->mousePosition(i), i);

    // Only the left button raises events; the right one is recorded by the
    // window and left alone here.
    if (isLeftButtonJustPressed())
        instance()->setButtonState(true, 0);
    else if (isLeftButtonJustReleased())
        instance()->setButtonState(false, 0);
}

bool KyInputMgr::isLeftButtonJustPressed()
{
    return m_device && !(m_device->previousButtonState(0) & LeftButtonBit) &&
           (m_device->buttonState(0) & LeftButtonBit);
}

bool KyInputMgr::isLeftButtonJustReleased()
{
    return m_device && (m_device->previousButtonState(0) & LeftButtonBit) &&
           !(m_device->buttonState(0) & LeftButtonBit);
}

void KyInputMgr::pushMouseSample(s16 x, s16 y, s16 z)
{
    m_sampleHead = (m_sampleHead + 1) % SampleCount;
    m_samples[m_sampleHead].x = x;
    m_samples[m_sampleHead].y = y;
    m_samples[m_sampleHead].z = z;
}

KyInputMgr::MouseData* KyInputMgr::record(u32 pointer)
{
    return pointer < m_pointers.count() ? &m_pointers[pointer] : nullptr;
}

const KyInputMgr::MouseData* KyInputMgr::pointerData(u32 pointer) const
{
    return pointer < m_pointers.count() ? &m_pointers[pointer] : nullptr;
}

bool KyInputMgr::isButtonPressed(u32 button)
{
    MouseData* r = record(button);
    return r && r->pressed;
}

void KyInputMgr::setButtonStateLocked(bool pressed, u32 button)
{
    if (m_frozen)
        return;
    setButtonState(pressed, 0);
    if (MouseData* r = record(button))
        r->ignoreUntilRelease = 1;
}

KyInputMgr::Signal& KyInputMgr::onLeftButtonUp() { return m_onLeftButtonUp; }
KyInputMgr::Signal& KyInputMgr::onLeftButtonDown() { return m_onLeftButtonDown; }
KyInputMgr::Signal& KyInputMgr::onInputEvent() { return m_onInputEvent; }
KyInputMgr::IndexSignal& KyInputMgr::onButtonUp() { return m_onButtonUp; }
KyInputMgr::IndexSignal& KyInputMgr::onButtonDown() { return m_onButtonDown; }
KyInputMgr::Signal& KyInputMgr::onMouseMove() { return m_onMouseMove; }
KyInputMgr::IndexSignal& KyInputMgr::onPointerMove() { return m_onPointerMove; }
KyInputMgr::IndexSignal& KyInputMgr::onPointerEvent() { return m_onPointerEvent; }

KyVector2s32 KyInputMgr::mousePosition(u32 pointer)
{
    MouseData* r = record(pointer);
    return r ? r->position : KyVector2s32();
}

KyVector2s32 KyInputMgr::rawMousePosition(u32 pointer)
{
    MouseData* r = record(pointer);
    return r ? r->rawPosition : KyVector2s32();
}

KyVector2s32 KyInputMgr::mousePreviousPosition(u32 pointer)
{
    MouseData* r = record(pointer);
    return r ? r->previousPosition : KyVector2s32();
}

void KyInputMgr::mousePosition16(u16* x, u16* y, u32 pointer)
{
    KyVector2s32 p = mousePosition(pointer);
    if (x)
        *x = static_cast<u16>(p.x);
    if (y)
        *y = static_cast<u16>(p.y);
}

void KyInputMgr::mousePosition16(u16& x, u16& y, u32 pointer)
{
    mousePosition16(&x, &y, pointer);
}

void KyInputMgr::mouseDelta16(u16* x, u16* y, u16* z)
{
    KyVector3f32 v;
    mouseDelta(v, 1);
    if (x)
        *x = static_cast<u16>(static_cast<s32>(v.x));
    if (y)
        *y = static_cast<u16>(static_cast<s32>(v.y));
    if (z)
        *z = static_cast<u16>(static_cast<s32>(v.z));
}

void KyInputMgr::mouseDelta(KyVector3f32& out, u32 n)
{
    out = KyVector3f32(0.0f, 0.0f, 0.0f);
    if (n > SampleCount)
        n = SampleCount;
    // An average over no sample is no motion, not a division by zero.
    if (n == 0)
        return;
    u32 index = m_sampleHead;
    for (u32 i = 0; i < n; ++i) {
        out.x += m_samples[index].x;
        out.y += m_samples[index].y;
        out.z += m_samples[index].z;
        index = (index + SampleCount - 1) % SampleCount;
    }
    out = out / static_cast<f32>(n);
}

void KyInputMgr::setFrozen(bool frozen)
{
    m_frozen = frozen;
}

void KyInputMgr::setButtonState(bool pressed, u32 button)
{
    if (m_frozen)
        return;
    MouseData* r = record(button);
    if (!r)
        return;
    if ((r->pressed != 0) == pressed) {
        r->ignoreUntilRelease = 0;
        return;
    }
    if (!pressed)
        r->justReleased = 1;
    if (r->ignoreUntilRelease)
        return;
    r->pressed = pressed ? 1 : 0;
    if (pressed) {
        if (!m_onButtonDown.call(button) && button == 0)
            m_onLeftButtonDown.call();
    } else {
        if (!m_onButtonUp.call(button) && button == 0)
            m_onLeftButtonUp.call();
    }
}

void KyInputMgr::setKeyState(KyKey key, u8 state)
{
    if (m_frozen || key >= KeyCount || m_keyStates[key] == state)
        return;
    m_keyStates[key] = state;
    if (state == 0)
        m_onKeyReleased.call(key);
}

KyMatrix4x4 KyInputMgr::transform(bool translate) const
{
    KyMatrix4x4 m;
    if (translate)
        m.translate(KyVector3f32(static_cast<f32>(m_offset.x), static_cast<f32>(m_offset.y), 0.0f));
    m = m * rotationZ(m_angle);
    m.scale(m_scale);
    return m;
}

void KyInputMgr::setRawMousePosition(const KyVector2s32& point, u32 pointer)
{
    if (m_frozen)
        return;
    MouseData* r = record(pointer);
    if (!r)
        return;
    // Window y grows downwards from the top; input y grows upwards from the
    // bottom of the screen.
    s32 height = static_cast<s32>(KySingleton<KyScreen>::instance()->height());
    KyVector3f32 v = transform(true).transformPoint(
        KyVector3f32(static_cast<f32>(point.x), static_cast<f32>(height - point.y), 0.0f));
    r->rawPosition = point;
    setMousePosition(KyVector2s32(static_cast<s32>(v.x), static_cast<s32>(v.y)), pointer);
}

void KyInputMgr::setMousePosition16(u16 x, u16 y, u32 /*pointer*/)
{
    setMousePosition(KyVector2s32(x, y), 0);
}

void KyInputMgr::setMousePosition(const KyVector2s32& point, u32 pointer)
{
    MouseData* r = record(pointer);
    if (m_frozen || !r || r->position == point)
        return;
    KyVector2s32 old = r->position;
    if (pointer == 0) {
        Move& move = m_moves[m_moveHead];
        move.seconds = static_cast<f32>(m_moveTimer.timeSinceLastCall() / 1000000.0);
        move.dx = point.x - old.x;
        move.dy = point.y - old.y;
        m_moveHead = (m_moveHead + 1) % MoveCount;
    }
    r->previousPosition = r->justReleased ? point : old;
    r->position = point;
    m_onPointerMove.call(pointer);
    if (pointer == 0)
        m_onMouseMove.call();
    // A listener may have reset the records: look the record up again.
    if (MouseData* after = record(pointer))
        after->justReleased = 0;
}

void KyInputMgr::setAngle(f32 degrees) { m_angle = degrees; }
void KyInputMgr::setOffset(const KyVector2s32& offset) { m_offset = offset; }
void KyInputMgr::setScale(const KyVector3f32& scale) { m_scale = scale; }
KyVector3f32 KyInputMgr::scale() { return m_scale; }

u32 KyInputMgr::pointerCount()
{
    // Without a device there is still the mouse.
    return m_device ? m_device->pointerCount() : 1;
}

KyVector2s32 KyInputMgr::mouseSpeed(u32 /*pointer*/)
{
    f64 seconds = m_moveTimer.peekTimeSinceLastCall() / 1000000.0;
    f64 sumX = 0.0, sumY = 0.0;
    u32 index = m_moveHead;
    // The window is tested before a move is added: a pointer that has stood
    // still for the whole window has no speed, however fast it came.
    for (u32 i = 0; i < MoveCount && seconds < SpeedWindowSeconds; ++i) {
        index = (index + MoveCount - 1) % MoveCount;
        seconds += m_moves[index].seconds;
        sumX += m_moves[index].dx;
        sumY += m_moves[index].dy;
    }
    if (seconds > 0.0)
        return KyVector2s32(static_cast<s32>(sumX / seconds), static_cast<s32>(sumY / seconds));
    return KyVector2s32(0, 0);
}
