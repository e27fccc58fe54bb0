#include "ui/KyCurve.h"

#include "core/KyString.h"

#include <tinyxml.h>

#include <cstdlib>
#include <cstring>

namespace {

// Values are read in blocks of this many, so a damaged count never makes a
// large array the stream cannot fill.
const u32 kReadBlock = 1024;

// Restores a stream's text mode when the read is done.
class BinaryModeScope {
public:
    explicit BinaryModeScope(KyStream& stream) : m_stream(stream), m_mode(stream.textMode())
    {
        stream.setTextMode(0);
    }
    ~BinaryModeScope() { m_stream.setTextMode(m_mode); }

private:
    KyStream& m_stream;
    u32 m_mode;
};

} // namespace

f64 KyCurve::valueAt(f64 t, f64 duration) const
{
    const u32 n = values.count();
    if (n == 0)
        return 0.0;
    const u32 last = n - 1;
    if (t >= duration)
        return values[last];
    f64 p = t * f64(last) / duration;
    // Also catches NaN (a zero duration with one value, a NaN time).
    if (!(p > 0.0))
        p = 0.0;
    if (p >= f64(last))
        return values[last];
    const u32 i = u32(p);
    return (p - f64(i)) * values[i + 1] + (f64(i + 1) - p) * values[i];
}

void KyCurve::parse(const TiXmlElement* element)
{
    if (!element)
        return;
    for (const TiXmlNode* child = element->FirstChild(); child; child = child->NextSibling()) {
        const TiXmlText* text = child->ToText();
        if (text) {
            parse(text->Value());
            return;
        }
    }
}

void KyCurve::parse(const char* text)
{
    if (!text)
        return;
    const char* p = text;
    while (*p == ',' || *p == ' ')
        ++p;
    while (*p) {
        values.pushBack(std::atof(p));
        const char* comma = std::strchr(p, ',');
        if (!comma)
            break;
        p = comma + 1;
        while (*p == ',' || *p == ' ')
            ++p;
    }
}

u32 KyCurve::serialize(KyStream& stream)
{
    BinaryModeScope binary(stream);
    u32 n = values.count();
    u32 written = stream.write(&n, sizeof(n));
    for (u32 i = 0; i < n; ++i)
        written += stream.write(&values[i], sizeof(f64));
    return written;
}

u32 KyCurve::write(KyStream& stream, std::initializer_list<f64> values)
{
    KyCurve curve;
    for (f64 value : values)
        curve.values.pushBack(value);
    return curve.serialize(stream);
}

void KyCurve::deserialize(KyStream& stream)
{
    values.clear();
    BinaryModeScope binary(stream);
    u32 n = 0;
    if (stream.read(&n, sizeof(n)) != sizeof(n))
        return;
    u32 done = 0;
    while (done < n) {
        const u32 block = n - done < kReadBlock ? n - done : kReadBlock;
        values.resize(done + block);
        u32 got = 0;
        while (got < block && stream.read(&values[done + got], sizeof(f64)) == sizeof(f64))
            ++got;
        done += got;
        if (got < block) {
            values.resize(done);
            return;
        }
    }
}

void KyCurve::setValues(const KyArray<f32>& list)
{
    KyString memory;
    memory.setTextMode(0);
    u32 n = list.count();
    memory.write(&n, sizeof(n));
    for (u32 i = 0; i < n; ++i) {
        f64 value = list[i];
        memory.write(&value, sizeof(value));
    }
    memory.seek(0);
    deserialize(memory);
}
