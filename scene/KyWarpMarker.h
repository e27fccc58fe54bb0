#ifndef KY_WARP_MARKER_H
#define KY_WARP_MARKER_H

#include "core/KyArray.h"
#include "core/KyICallback1Param.h"
#include "core/KyObject.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "ui/KySpriteButton.h"

// A marker of a panorama: a small sprite button shown over an object, an
// animation or an exit, which reports its name when clicked. The panorama
// owns every marker and, apart from it, the marker's sprite record with its
// button; scene objects, animations and exits refer to markers by their
// index in the panorama's marker array.
class KyWarpMarker : public KyObject {
public:
    typedef KyArray<KyICallback1Param<KyString>*> ClickSignal;

    // The on-screen part of a marker.
    struct Sprite {
        Sprite();
        Sprite(const Sprite&) = delete;
        Sprite& operator=(const Sprite&) = delete;

        // Placed, and so may show.
        bool active;
        // A copy of the panorama's markers-visible flag.
        bool shown;
        // The marker's point in panorama space (the cube spans -500 to 500).
        KyVector3f32 position;
        KySpriteButton button;
        // The z given to the button when it is placed on screen.
        f32 depth;
    };

    // No sprite record, empty name.
    KyWarpMarker();
    // Leaves the record's button and frees the click signal's listeners;
    // the sprite record is the panorama's to delete, after the marker.
    ~KyWarpMarker() override;
    KyWarpMarker(const KyWarpMarker&) = delete;
    KyWarpMarker& operator=(const KyWarpMarker&) = delete;

    // Moves the marker's listener from the old record's button click to
    // the new one's (either may be null).
    void setSprite(Sprite* sprite);
    Sprite* sprite() const { return m_sprite; }

    // The button's click listener: fires the click signal with a copy of
    // the name. Never consumes the click.
    bool onClick();

    const KyString& name() const { return m_name; }
    void setName(const KyString& name) { m_name = name; }
    ClickSignal& onClicked() { return m_onClick; }

protected:
    Sprite* m_sprite;
    KyString m_name;
    ClickSignal m_onClick;
};

#endif
