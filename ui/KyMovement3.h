#ifndef KY_MOVEMENT3_H
#define KY_MOVEMENT3_H

#include "core/KyStream.h"
#include "core/KyTypes.h"
#include "ui/KyCurve.h"
#include "ui/KyKeyframeMovement.h"

class Ky3DObject;
class TiXmlElement;

// A keyframe movement that changes one widget relatively, so that several
// movements (or a movement and the widget's own placement) can act on it
// together. Each non-empty channel's value is its curve's value times its
// end value; the change since the value last applied is added to the
// widget's current property. Started with playOn, a movement therefore moves
// the widget by exactly f(duration) x end from wherever it stands.
class KyMovement3 : public KyKeyframeMovement {
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
    // Forgets the values last applied, makes target the moved widget, clears
    // the finished flag and plays.
    virtual void playOn(Ky3DObject* target);

    // loadXml reads the children of a "movement3" element; a channel has an
    // "EndValue".

    // As KyKeyframeMovement::load; the values last applied are forgotten.
    void load(KyStream& stream, Ky3DObject* target, f64 duration);

    Channel channels[KyMovementShared::ChannelCount];

protected:
    KyCurve& curve(u32 channel) override { return channels[channel].curve; }
    void readChannel(const TiXmlElement* node, u32 channel) override;
    // Adds the non-empty channels' changes since the last update to the
    // target.
    void apply() override;

private:
    void clearLastValues();
};

#endif
