#ifndef KY_KEYFRAME_MOVEMENT_H
#define KY_KEYFRAME_MOVEMENT_H

#include "core/KyStream.h"
#include "core/KyTypes.h"
#include "ui/KyAnimation.h"
#include "ui/KyCurve.h"

class Ky3DObject;
class TiXmlElement;

// The channels of the keyframe movements.
namespace KyMovementShared {

// The six properties a keyframe movement drives, each along its own curve,
// in this order in the stream form of both movements.
enum ChannelIndex : u32 {
    PositionX = 0,
    PositionY,
    PositionZ,
    RotationZ,
    ScaleXY,
    Opacity,
    ChannelCount
};

} // namespace KyMovementShared

// What the two keyframe movements (KyMovement2, absolute; KyMovement3,
// relative) share: one widget driven along up to six channels (position x,
// y, z, rotation about z in degrees, a uniform x/y scale, opacity), each by
// its own curve over one duration; a channel whose curve is empty is not
// applied. The channels' values and how they reach the widget are the
// derived movement's.
//
// The update that reaches the duration applies the final values and sets
// the finished flag; the next update stops the movement (on-stop) and fires
// on-finished.
class KyKeyframeMovement : public KyAnimation {
public:
    ~KyKeyframeMovement() override;

    // Steps the clock to t (the time elapsed from the start, never negative
    // and at most the duration) and applies the channels; once finished,
    // stops instead.
    void update(f64 t) override;

    // Reads the children of a movement element: "Duration", then each
    // channel present ("PositionX" ... "Opacity") with its values and its
    // "Interpolation" (a curve is appended to, so a movement is read once).
    void loadXml(const TiXmlElement* element);
    // Stops, then reads the six curves one after the other in the curve
    // stream form; target and duration are the given ones.
    void load(KyStream& stream, Ky3DObject* target, f64 duration);

    f64 duration;
    f64 elapsed;
    Ky3DObject* target;
    bool finished;

protected:
    // Duration 0, no target.
    KyKeyframeMovement();

    // The curve of a channel.
    virtual KyCurve& curve(u32 channel) = 0;
    // Reads the values of a channel's element.
    virtual void readChannel(const TiXmlElement* node, u32 channel) = 0;
    // Sets the non-empty channels for the elapsed time on the target (there
    // is one).
    virtual void apply() = 0;

    // The number in the text of the first child element of parent with that
    // name (atof, so an empty text is 0). False when there is no such
    // element.
    static bool readNumber(const TiXmlElement* parent, const char* name, f64& value);
};

#endif
