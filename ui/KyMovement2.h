#ifndef KY_MOVEMENT2_H
#define KY_MOVEMENT2_H

#include "core/KyStream.h"
#include "core/KyTypes.h"
#include "ui/KyAnimation.h"
#include "ui/KyCurve.h"

class Ky3DObject;
class TiXmlElement;

// What the two keyframe movements share: their channels, the channel names
// of their XML form and the clock of their update.
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

// The XML element name of a channel ("PositionX" ... "Opacity").
const char* channelElementName(u32 channel);

// The number in the text of the first child element of parent with that
// name (atof, so an empty text is 0). False when there is no such element.
bool readNumber(const TiXmlElement* parent, const char* name, f64& value);

// Steps the clock of a running movement to time t: elapsed from the start
// time (never negative); at or past the duration elapsed becomes the
// duration and finished is set, so the final values are applied in this
// update and the movement stops at the next.
void advance(f64 t, f64 startTime, f64 duration, f64& elapsed, bool& finished);

} // namespace KyMovementShared

// A keyframe movement that sets absolute values on one widget: up to six
// channels (position x, y, z, rotation about z in degrees, a uniform x/y
// scale, opacity), each blended from its start to its end value by its curve
// over one duration. A channel whose curve is empty is not applied.
//
// The update that reaches the duration applies the final values and sets
// the finished flag; the next update stops the movement (on-stop) and fires
// on-finished. Playing a stopped movement again clears the flag, so a
// replayed movement runs again in full.
class KyMovement2 : public KyAnimation {
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
    void update(f64 t) override;
    // Makes target the moved widget, then plays.
    virtual void playOn(Ky3DObject* target);

    // Reads the children of a "movement2" element: "Duration", then each
    // channel present with its "StartValue", "EndValue" and "Interpolation"
    // (a curve is appended to, so a movement is read once).
    void loadXml(const TiXmlElement* element);
    // Stops, then reads the six curves one after the other in the curve
    // stream form; target and duration are the given ones.
    void load(KyStream& stream, Ky3DObject* target, f64 duration);

    Channel channels[KyMovementShared::ChannelCount];
    f64 duration;
    f64 elapsed;
    Ky3DObject* target;
    bool finished;

private:
    // Sets the non-empty channels' values for the elapsed time on the target.
    void apply();
};

#endif
