#ifndef KY_MOVEMENT2_H
#define KY_MOVEMENT2_H

#include "core/KyTypes.h"
#include "ui/KyCurve.h"
#include "ui/KyKeyframeMovement.h"

class Ky3DObject;
class TiXmlElement;

// A keyframe movement that sets absolute values on one widget: each
// non-empty channel is blended from its start to its end value by its curve.
//
// Playing a stopped movement again clears the finished flag, so a replayed
// movement runs again in full.
class KyMovement2 : public KyKeyframeMovement {
public:
    struct Channel {
        f64 startValue;
        f64 endValue;
        KyCurve curve;
    };

    // Every channel from 0.0 to 1.0 with an empty curve; duration 0; no
    // target.
    KyMovement2();
    ~KyMovement2() override;

    void play() override;
    // Makes target the moved widget, then plays.
    virtual void playOn(Ky3DObject* target);

    // loadXml reads the children of a "movement2" element; a channel has a
    // "StartValue" and an "EndValue".

    Channel channels[KyMovementShared::ChannelCount];

protected:
    KyCurve& curve(u32 channel) override { return channels[channel].curve; }
    void readChannel(const TiXmlElement* node, u32 channel) override;
    void apply() override;
};

#endif
