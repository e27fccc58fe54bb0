#ifndef KY_CURVE_ANIM2_H
#define KY_CURVE_ANIM2_H

#include "core/KyArray.h"
#include "core/KyColor.h"
#include "core/KyQuaternion.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "ui/KyAnimation.h"
#include "ui/KyCurve.h"

// How each kind of value starts and blends, by the curve's value f.

// Positions and anchors: no constructed value of their own (zero here).
inline KyVector3f32 kyCurveAnimInitial(const KyVector3f32*)
{
    return KyVector3f32(0.0f, 0.0f, 0.0f);
}

inline KyColor kyCurveAnimInitial(const KyColor*)
{
    return KyColor(0, 0, 0, 255);
}

inline KyQuaternion kyCurveAnimInitial(const KyQuaternion*)
{
    return KyQuaternion(0.0f, 0.0f, 0.0f, 1.0f);
}

// start x (1 - f) + end x f, per component.
inline KyVector3f32 kyCurveAnimBlend(const KyVector3f32& start, const KyVector3f32& end, f32 f)
{
    return start * (1.0f - f) + end * f;
}

// The colour-times-float rule (each channel truncated) and the byte sum, so
// white to white gives 127 + 127 = 254 halfway.
inline KyColor kyCurveAnimBlend(const KyColor& start, const KyColor& end, f32 f)
{
    return start * (1.0f - f) + end * f;
}

// Spherical interpolation between normalised copies; the stored values are
// left as they are.
inline KyQuaternion kyCurveAnimBlend(const KyQuaternion& start, const KyQuaternion& end, f32 f)
{
    KyQuaternion from = start;
    KyQuaternion to = end;
    from.normalize();
    to.normalize();
    return KyQuaternion::slerp(from, to, f);
}

// A curve animation that blends between a start and an end value by the
// curve's value and hands the result to a setter of its target: a layout's
// position or anchor (KyCurveAnim2<KyLayout, KyVector3f32>), an object's
// colour (KyCurveAnim2<Ky3DObject2, KyColor>, start and end made black and
// opaque) or its rotation (KyCurveAnim2<Ky3DObject2, KyQuaternion>, made the
// identity). The creator sets the duration, the values, the curve and the
// setter; the code that plays it gives the target. On the update that
// reaches the duration the end value is applied, then the animation stops
// (on-stop) and fires on-finished.
template <class Target, class Value>
class KyCurveAnim2 : public KyAnimation {
public:
    typedef void (Target::*Setter)(const Value&);

    KyCurveAnim2()
        : duration(0.0f)
        , startValue(kyCurveAnimInitial(static_cast<const Value*>(nullptr)))
        , endValue(kyCurveAnimInitial(static_cast<const Value*>(nullptr)))
        , target(nullptr)
        , setter(nullptr)
        , elapsed(0.0f)
    {
    }

    // The curve becomes the given floats, stored as doubles.
    void setCurve(const KyArray<f32>& list) { curve.setValues(list); }

    void setTarget(Target* newTarget) { target = newTarget; }
    void setSetter(Setter newSetter) { setter = newSetter; }

    // Gives the target and plays.
    void playOn(Target* newTarget)
    {
        target = newTarget;
        play();
    }

    void update(f64 t) override
    {
        elapsed = f32(t - startTime);
        // An empty curve has no value to give: nothing is applied, but the
        // animation still ends at its duration.
        if (!curve.isEmpty() && target && setter) {
            const f32 f = f32(curve.valueAt(elapsed, duration));
            (target->*setter)(kyCurveAnimBlend(startValue, endValue, f));
        }
        if (duration <= elapsed)
            finish();
    }

    f32 duration;
    Value startValue;
    Value endValue;
    KyCurve curve;
    Target* target;
    Setter setter;
    f32 elapsed;
};

#endif
