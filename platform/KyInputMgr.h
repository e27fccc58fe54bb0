#ifndef KY_INPUT_MGR_H
#define KY_INPUT_MGR_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyICallback1Param.h"
#include "core/KyMatrix4x4.h"
#include "core/KyObject.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "core/KyVector3f32.h"

// A key code: an index into the manager's key table (0 .. KeyCount - 1).
typedef u32 KyKey;

// What the input manager polls once a frame: the pointer state that the main
// window's procedure records. Positions are client pixels with the origin at
// the top-left corner and y growing downwards; button words use the bits of
// KyOsMessage (2 left, 4 right), current and as they were before the last
// button message.
class KyInputDevice {
public:
    virtual ~KyInputDevice() {}

    virtual u32 pointerCount() = 0;
    virtual KyVector2s32 mousePosition(u32 pointer) = 0;
    virtual KyVector2s32 previousMousePosition(u32 pointer) = 0;
    virtual u32 buttonState(u32 pointer) = 0;
    virtual u32 previousButtonState(u32 pointer) = 0;
};

// Turns the pointer state of the window into events, once a frame. Keeps one
// record per pointer (the mouse is pointer 0), maps window points through an
// input transform into input coordinates (origin at the bottom-left corner
// of the window, y up, with the default transform) and fires prioritised
// listeners: per-button press and release, left-button press and release
// for what no per-button listener handled, pointer moves and key releases.
//
// The global manager is KySingleton<KyInputMgr>, also reached through
// KyInputMgr::instance(). Indices out of range (pointers beyond the records,
// keys beyond the table) are ignored: getters give zeros, setters do nothing.
class KyInputMgr : public KyObject {
public:
    typedef KyArray<KyICallback0Param*> Signal;
    typedef KyArray<KyICallback1Param<unsigned int>*> IndexSignal;
    typedef KyArray<KyICallback1Param<KyKey&>*> KeySignal;

    static constexpr u32 KeyCount = 16;
    static constexpr u32 SampleCount = 100;
    static constexpr u32 MoveCount = 20;
    // mouseSpeed measures the moves of this last stretch of time.
    static constexpr f64 SpeedWindowSeconds = 0.05;
    // An update that comes this long or longer after the previous one is
    // skipped: after a stall the device state is stale.
    static constexpr u32 FrameSkipMilliseconds = 300;
    static constexpr u32 LeftButtonBit = 0x2;

    struct MouseData {
        u8 pressed;
        u8 ignoreUntilRelease;
        u8 justReleased;
        KyVector2s32 position;
        KyVector2s32 rawPosition; // the device point before the transform
        KyVector2s32 previousPosition;
    };

    // The global manager, created on first use.
    static KyInputMgr* instance();

    KyInputMgr();
    ~KyInputMgr() override;
    KyInputMgr(const KyInputMgr&) = delete;
    KyInputMgr& operator=(const KyInputMgr&) = delete;

    void setDevice(KyInputDevice* device) { m_device = device; }
    KyInputDevice* device() const { return m_device; }

    // Start-up state: not frozen, one cleared record per device pointer,
    // default transform, empty rings, both timers restarted.
    void reset();
    // Once a frame: polls the device (see the class comment).
    void update();

    // Left button pressed, or released, since the device's previous button
    // message (pointer 0); nothing is stored.
    bool isLeftButtonJustPressed();
    bool isLeftButtonJustReleased();

    // Makes (x, y, z) the newest sample of the ring that mouseDelta averages.
    // Nothing in the engine feeds it; a motion source may.
    void pushMouseSample(s16 x, s16 y, s16 z);

    virtual bool isButtonPressed(u32 button);
    virtual void setButtonStateLocked(bool pressed, u32 button);
    virtual Signal& onLeftButtonUp();
    virtual Signal& onLeftButtonDown();
    virtual Signal& onInputEvent();
    virtual IndexSignal& onButtonUp();
    virtual IndexSignal& onButtonDown();
    virtual KyVector2s32 mousePosition(u32 pointer);
    virtual KyVector2s32 rawMousePosition(u32 pointer);
    virtual KyVector2s32 mousePreviousPosition(u32 pointer);
    // Low 16 bits of the position.
    virtual void mousePosition16(u16* x, u16* y, u32 pointer);
    virtual void mousePosition16(u16& x, u16& y, u32 pointer);
    // mouseDelta over one sample, truncated to 16-bit integers.
    virtual void mouseDelta16(u16* x, u16* y, u16* z);
    // Mean of the last n samples (n capped at SampleCount; 0 gives zero).
    virtual void mouseDelta(KyVector3f32& out, u32 n);
    virtual Signal& onMouseMove();
    virtual IndexSignal& onPointerMove();
    virtual void setFrozen(bool frozen);
    virtual void setButtonState(bool pressed, u32 button);
    virtual void setKeyState(KyKey key, u8 state);
    virtual void setRawMousePosition(const KyVector2s32& point, u32 pointer);
    // Always addresses pointer 0.
    virtual void setMousePosition16(u16 x, u16 y, u32 pointer);
    virtual void setMousePosition(const KyVector2s32& point, u32 pointer);
    virtual void setAngle(f32 degrees);
    virtual void setOffset(const KyVector2s32& offset);
    virtual void setScale(const KyVector3f32& scale);
    virtual KyVector3f32 scale();
    virtual IndexSignal& onPointerEvent();
    virtual u32 pointerCount();
    // Velocity of pointer 0 over its moves of the last 0.05 s (counted back
    // from now), in units per second; (0, 0) once it has stood still that
    // long.
    virtual KyVector2s32 mouseSpeed(u32 pointer = 0);

    void setOffset(s32 x, s32 y) { setOffset(KyVector2s32(x, y)); }
    void setScale(f32 x, f32 y, f32 z) { setScale(KyVector3f32(x, y, z)); }
    bool isFrozen() const { return m_frozen; }
    u8 keyState(KyKey key) const { return key < KeyCount ? m_keyStates[key] : 0; }
    KeySignal& onKeyReleased() { return m_onKeyReleased; }
    f32 angle() const { return m_angle; }
    KyVector2s32 offset() const { return m_offset; }
    // The record of a pointer; null beyond the records.
    const MouseData* pointerData(u32 pointer) const;

protected:
    // T(offset) . R(angle about z) . S(scale), which maps a point given in
    // input coordinates (translate: whether the offset takes part).
    KyMatrix4x4 transform(bool translate) const;
    MouseData* record(u32 pointer);

private:
    struct Sample {
        s16 x, y, z;
    };
    struct Move {
        f32 seconds;
        s32 dx, dy;
    };

    KyInputDevice* m_device;
    bool m_frozen;
    KeySignal m_onKeyReleased;
    u8 m_keyStates[KeyCount];
    Signal m_onLeftButtonUp;
    Signal m_onInputEvent;
    Signal m_onLeftButtonDown;
    IndexSignal m_onButtonUp;
    IndexSignal m_onButtonDown;
    KyArray<MouseData> m_pointers;
    Sample m_samples[SampleCount];
    u32 m_sampleHead;
    Signal m_onMouseMove;
    IndexSignal m_onPointerMove;
    f32 m_angle;
    KyVector2s32 m_offset;
    KyVector3f32 m_scale;
    IndexSignal m_onPointerEvent;
    KyTimer m_updateTimer;
    Move m_moves[MoveCount];
    u32 m_moveHead;
    KyTimer m_moveTimer;
};

#endif
