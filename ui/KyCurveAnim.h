#ifndef KY_CURVE_ANIM_H
#define KY_CURVE_ANIM_H

#include "core/KyTypes.h"
#include "ui/KyAnimation.h"
#include "ui/KyCurve.h"

// A curve animation that calls a float setter of its owner with the curve's
// value itself, once a frame while it runs (fades, turning speeds, marker
// opacities). On the update that reaches the duration the value for the
// duration is applied, then the animation stops (on-stop) and fires
// on-finished.
template <class Owner, class Value = f32>
class KyCurveAnim : public KyAnimation {
public:
    typedef void (Owner::*Setter)(Value);

    KyCurveAnim() : duration(0.0f), elapsed(0.0f), owner(nullptr), setter(nullptr) {}

    // Gives the animation its curve, duration (milliseconds), owner and
    // setter; it is then started with play.
    void load(const KyCurve& newCurve, f32 newDuration, Owner* newOwner, Setter newSetter)
    {
        curve = newCurve;
        duration = newDuration;
        owner = newOwner;
        setter = newSetter;
    }

    void update(f64 t) override
    {
        elapsed = f32(t - startTime);
        // An empty curve has no value to give: nothing is applied, but the
        // animation still ends at its duration.
        if (!curve.isEmpty() && owner && setter)
            (owner->*setter)(Value(curve.valueAt(elapsed, duration)));
        if (duration <= elapsed)
            finish();
    }

    KyCurve curve;
    f32 duration;
    f32 elapsed;
    Owner* owner;
    Setter setter;
};

#endif
