#ifndef KY_BUTTON_H
#define KY_BUTTON_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject.h"

class KyScreen;

// An invisible clickable rectangle. It listens to the input manager wrapper
// and turns pointer presses, releases and moves inside its rectangle into
// press, release and click signals. In drag mode the button follows the
// pointer while pressed and jumps back to where the drag began when it is
// released over itself.
//
// Position and size are in input coordinates: pixels, origin at the bottom-
// left corner of the window, y upwards. A pointer hits the button when its
// point, taken back through the inverse of the world matrix, lies in
// [0, size.x) x [0, size.y).
//
// Press and release listeners are registered with the button's world depth
// as priority, so buttons in front are asked first; a bookkeeping listener of
// the largest priority sees every release before anyone else.
//
// Construction registers only the move listener; the owner enables the
// button (setEnable) to make it take clicks.
class KyButton : public virtual Ky3DObject {
public:
    typedef KyArray<KyICallback0Param*> Signal;

    // screen, when given, is kept in the tag.
    explicit KyButton(KyScreen* screen = nullptr);
    ~KyButton() override;
    KyButton(const KyButton&) = delete;
    KyButton& operator=(const KyButton&) = delete;

    // Registers with the input manager (true) or leaves it (false). Leaving
    // it releases a pressed button (onReleased) and forgets the touches.
    void setEnable(bool enable);
    bool isEnabled() const { return m_enabled; }

    // Fires onPressed or onReleased when the value changes.
    void setPressed(bool pressed);
    bool isPressed() const { return m_pressed; }

    // Stores p as the drag start, moves the button (signal on a change),
    // follows the new depth with the listeners' priority and recounts the
    // touches that the button now lies under.
    void setPosition(const KyVector3f32& position) override;

    // Forgets the touches; a pressed button is released (onReleased).
    void clearTouches();

    // Whether the pointer's current point lies inside the button.
    bool hitTest(u32 pointer);

    Signal& onClicked() { return m_onClicked; }
    Signal& onPressed() { return m_onPressed; }
    Signal& onReleased() { return m_onReleased; }
    // Fired after the click of a draggable button, before it jumps back.
    Signal& onDragEnded() { return m_onDragEnded; }

    // Pointer indices that went down on the button and are not released.
    const KyArray<int>& touches() const { return m_touches; }
    bool releaseSeen() const { return m_releaseSeen; }
    const KyVector3f32& dragStart() const { return m_dragStart; }
    f32 dragAnchorX() const { return m_dragAnchorX; }
    f32 dragAnchorY() const { return m_dragAnchorY; }

    // The button follows the pointer while pressed.
    bool draggable;
    // Off: a hit neither presses nor clicks, but a press on the button is
    // still reported as handled (the hit-enabled flag of the widgets built
    // on the button).
    bool active;
    // On: the press and release listeners report events as not handled, so
    // they also reach what lies beneath.
    bool passThrough;
    // On: every press is recorded while enabled, hit or not.
    bool trackTouches;

private:
    // Input listeners; the argument is the button (pointer) index.
    bool handlePress(unsigned int index);
    bool handleRelease(unsigned int index);
    bool trackRelease(unsigned int index);
    bool handleMove(unsigned int index);

    // Depth of the button's origin in the world.
    f32 worldDepth();
    void registerPressAndRelease();
    void unregisterPressAndRelease();
    // Touches whose pointers lie over the button; 0 unless enabled and
    // active.
    u32 touchesInside();
    // pressed := touchesInside() > 0.
    void recountPressed();
    bool hasTouch(int index) const { return m_touches.contains(index); }

    bool m_pressed;
    Signal m_onClicked;
    Signal m_onPressed;
    Signal m_onReleased;
    bool m_enabled;
    f32 m_dragAnchorX;
    f32 m_dragAnchorY;
    KyVector3f32 m_dragStart;
    Signal m_onDragEnded;
    KyArray<int> m_touches;
    bool m_releaseSeen;
};

#endif
