#ifndef KY_MOVEMENT3_H
#define KY_MOVEMENT3_H

#include "core/KyStream.h"
#include "core/KyTypes.h"
#include "ui/KyAnimation.h"
#include "ui/KyCurve.h"
#include "ui/KyMovement2.h"

class Ky3DObject;
class TiXmlElement;

// A keyframe movement that changes one widget relatively, so that several
// movements (or a movement and the widget's own placement) can act on it
// together. Each non-empty channel's value is its curve's value times its
// end value; the change since the value last applied is added to the
// widget's current property. Started with playOn, a movement therefore moves
// the widget by exactly f(duration) x end from wherever it stands.
//
// As for KyMovement2, the update that reaches the duration applies the
// final values and sets the finished flag; the next update stops the
// movement (on-stop) and fires on-finished.
class KyMovement3 : public KyAnimation {
public:
    struct Channel {
        f32 lastValue;
        f32 endValue;
        KyCurve curve;
    };

    // Every channel at 0 with end value 1.0 and an empty curve; duration 0;
    // no target.
    KyMovement3();
    // Frees the six curves, then the animation leaves the running list
    // (firing on-stop when it ran).
    ~KyMovement3() override;

    // Clears the finished flag, then plays.
    void play() override;
    void update(f64 t) override;
    // Forgets the values last applied, makes target the moved widget, clears
    // the finished flag and plays.
    virtual void playOn(Ky3DObject* target);

    // Reads the children of a "movement3" element: "Duration", then each
    // channel present with its "EndValue" and "Interpolation" (a curve is
    // appended to, so a movement is read once).
    void loadXml(const TiXmlElement* element);
    // Stops, then reads the six curves one after the other in the curve
    // stream form; target and duration are the given ones; the values last
    // applied are forgotten.
    void load(KyStream& stream, Ky3DObject* target, f64 duration);

    Channel channels[KyMovementShared::ChannelCount];
    f64 duration;
    f64 elapsed;
    Ky3DObject* target;
    bool finished;

private:
    void clearLastValues();
    // Adds the non-empty channels' changes since the last update to the
    // target.
    void apply();
};

#endif
