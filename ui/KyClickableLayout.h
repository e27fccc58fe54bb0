#ifndef KY_CLICKABLE_LAYOUT_H
#define KY_CLICKABLE_LAYOUT_H

#include "core/KyArray.h"
#include "core/KyCallback1Param.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "ui/KyLayout.h"

// What the button layout and the check box layout hear of the pointers
// alike. The layout listens to the input manager's press, release and move
// signals with its world depth as priority, so the front-most one hears an
// event first; a release is seen first by a pre-pass of the highest
// priority (onReleaseReset) that runs for every layout before any handles
// it. The pointers pressed on the layout are listed in touches. An optional
// hit-zone child replaces the layout's own rectangle in hit tests. What a
// press, a release and a move do is the derived layout's.
class KyClickableLayout : public KyLayout {
public:
    ~KyClickableLayout() override;

    // Replaces the hit zone (a child with a blue outline).
    void setHitZone(KyLayout* layout);

    bool isMouseIn(const KyVector2s32& point) override;
    // Also gives the press, release and move listeners the world depth as
    // priority.
    void updateWorldMatrix() override;

    // The window point (y downwards from the top row) of an input
    // position, which is counted upwards from the bottom of the window.
    static KyVector2s32 pointerWindowPoint(unsigned int pointer);
    // Takes pointer off a list of pressed pointers, the last one filling its
    // place; false when it was not there.
    static bool removeTouch(KyArray<unsigned int>& touches, unsigned int pointer);

    // Hit zone: a child, not owned.
    KyLayout* hitZone;

    // When true, handled presses and releases are not consumed, so they
    // also reach what lies beneath.
    bool clickPassThrough;
    // The release being dispatched ended a press recorded on this layout.
    bool pressedInside;
    // Pointers pressed on the layout.
    KyArray<unsigned int> touches;

    KyCallback1Param<unsigned int, KyClickableLayout> releaseCallback;
    KyCallback1Param<unsigned int, KyClickableLayout> releaseResetCallback;
    KyCallback1Param<unsigned int, KyClickableLayout> pressCallback;
    KyCallback1Param<unsigned int, KyClickableLayout> moveCallback;

protected:
    // Grey outline; the four listeners join the input manager's signals.
    KyClickableLayout();

    // The listeners; each answers whether the event is consumed.
    virtual bool onPress(unsigned int pointer) = 0;
    virtual bool onReleaseReset(unsigned int pointer) = 0;
    virtual bool onRelease(unsigned int pointer) = 0;
    // Nothing by default.
    virtual bool onMove(unsigned int pointer);

    // Whether pointer's position lies over the layout.
    bool isPointerIn(unsigned int pointer);
    // Whether any pointer still pressed on the layout lies over it.
    bool isAnyTouchIn();
};

#endif
