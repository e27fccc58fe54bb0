#ifndef KY_CURVE_H
#define KY_CURVE_H

#include "core/KyArray.h"
#include "core/KyObject.h"
#include "core/KySerialize.h"
#include "core/KyStream.h"
#include "core/KyTypes.h"

#include <initializer_list>

class TiXmlElement;

// A list of values spread evenly over an animation's duration and sampled
// linearly: value i belongs to the time i x duration / (n - 1). It gives
// every animation of the engine its shape in time.
//
// Stream form (always binary, little-endian): u32 count, then count IEEE 754
// doubles. Text form: decimal numbers separated by commas, such as
// "0,0.25, 0.75,1".
class KyCurve : public KyObject, public KySerialize {
public:
    KyCurve() {}
    KyCurve(const KyCurve& other) : KyObject(), KySerialize(), values(other.values) {}
    KyCurve& operator=(const KyCurve& other)
    {
        values = other.values;
        return *this;
    }

    u32 count() const { return values.count(); }
    bool isEmpty() const { return values.isEmpty(); }

    // The value at time t of a curve spread over duration (both in
    // milliseconds): the last value from the duration on, the first before
    // time 0, linear in between. An empty curve gives 0.
    f64 valueAt(f64 t, f64 duration) const;

    // Appends the numbers of the element's text (the values already held
    // stay). A number not followed by a comma ends the list.
    void parse(const TiXmlElement* element);
    // The same for a text.
    void parse(const char* text);

    // Writes the stream form (binary whatever the stream's mode); returns
    // the bytes written.
    u32 serialize(KyStream& stream) override;
    // The same for a curve of these values: how the channels of a movement
    // are written for it to load.
    static u32 write(KyStream& stream, std::initializer_list<f64> values);
    // Replaces the values with those of the stream form. Values are read
    // while the stream has them: a count larger than what the stream holds
    // gives only the values really there. The stream's text mode is kept.
    void deserialize(KyStream& stream) override;

    // The curve becomes the given floats as doubles, through the stream form
    // in a temporary memory stream.
    void setValues(const KyArray<f32>& list);

    KyArray<f64> values;
};

#endif
