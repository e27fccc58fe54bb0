#ifndef KY_LIST_LAYOUT_H
#define KY_LIST_LAYOUT_H

#include "core/KyVector3f32.h"
#include "ui/KyLayout.h"

// A layout that lines its children up one after the other along a direction
// and shares the free space out as equal gaps between them. The gap is kept
// between a minimum and a maximum, given per axis as fractions of the list's
// own pixel size; when the gap is bounded the list shrinks or grows to fit
// its content for this update, while the size its owner asked for stays for
// the next one.
//
// Children are placed by their centres, from the list's minimum corner; the
// gap is added on every axis, also on those the direction does not advance
// along. Layout children get positions as fractions of the list, any other
// scene-graph node a position in pixels.
class KyListLayout : public KyLayout {
public:
    KyListLayout();
    ~KyListLayout() override;

    void updateLayout() override;

    // Weight of each axis in the advance from one child to the next.
    KyVector3f32 direction;
    // Smallest and largest gap, per axis, as fractions of the list's size.
    KyVector3f32 minimumMargin;
    KyVector3f32 maximumMargin;

private:
    // Computes the gap and the list's size from its children, then places
    // them.
    void placeChildren();
};

#endif
