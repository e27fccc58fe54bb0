#ifndef KY_BUTTON_MARGINS_H
#define KY_BUTTON_MARGINS_H

#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "ui/KySprite.h"

class TiXmlElement;

// The margins that inset the clickable button of a picture widget (sprite
// buttons, check box) within its pictures. Owner has the members button,
// leftMargin, rightMargin, bottomMargin and topMargin.
namespace KyButtonMargins {

// Reads the float attribute "value" of the children "leftMargin",
// "rightMargin", "bottomMargin" and "topMargin"; an absent one is kept.
void read(TiXmlElement* element, f32& left, f32& right, f32& bottom, f32& top);

// Left and right margins = horizontal, bottom and top = vertical.
template <class Owner>
void set(Owner& o, f32 horizontal, f32 vertical)
{
    o.leftMargin = horizontal;
    o.rightMargin = horizontal;
    o.bottomMargin = vertical;
    o.topMargin = vertical;
}

// A size less the margins, with the given depth.
template <class Owner>
KyVector3f32 inside(const Owner& o, const KyVector3f32& outer, f32 depth = 0.0f)
{
    return KyVector3f32(outer.x - o.leftMargin - o.rightMargin, outer.y - o.bottomMargin - o.topMargin, depth);
}

// The button's size plus the margins.
template <class Owner>
KyVector3f32 buttonWithMargins(Owner& o)
{
    const KyVector3f32 b = o.button.size();
    return KyVector3f32(b.x + o.leftMargin + o.rightMargin, b.y + o.bottomMargin + o.topMargin, 0.0f);
}

// Where the button stands from the widget's corner: (left, bottom).
template <class Owner>
KyVector3f32 corner(const Owner& o)
{
    return KyVector3f32(o.leftMargin, o.bottomMargin, 0.0f);
}

// Button size = picture size less the margins, depth kept.
template <class Owner>
void sizeButtonFrom(Owner& o, KySprite& sprite)
{
    o.button.setSize(inside(o, sprite.size(), o.button.size().z));
}

} // namespace KyButtonMargins

#endif
