#include "core/KyColor.h"

#include <cmath>

u8 KyColor::truncToByte(f64 v)
{
    // Beyond 2^63 a conversion to an integer is undefined; such doubles are
    // whole multiples of 256 anyway, so their low byte is 0.
    if (!(std::fabs(v) < 9223372036854775808.0))
        return 0;
    return static_cast<u8>(static_cast<u64>(static_cast<s64>(v)));
}

u16 KyColor::toRGB565() const
{
    return static_cast<u16>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
}

u16 KyColor::toRGB555() const
{
    return static_cast<u16>(((r & 0xF8) << 7) | ((g & 0xF8) << 2) | (b >> 3));
}

KyColor KyColor::operator*(f32 f) const
{
    return KyColor(truncToByte(r * f), truncToByte(g * f), truncToByte(b * f), truncToByte(a * f));
}

namespace {

u8 modulate(u8 c, u8 o)
{
    return KyColor::truncToByte(((c / 255.0) * (o / 255.0)) * 255.0);
}

} // namespace

KyColor KyColor::operator*(const KyColor& o) const
{
    return KyColor(modulate(r, o.r), modulate(g, o.g), modulate(b, o.b), modulate(a, o.a));
}

KyColor KyColor::operator+(const KyColor& o) const
{
    return KyColor(static_cast<u8>(r + o.r), static_cast<u8>(g + o.g),
                   static_cast<u8>(b + o.b), static_cast<u8>(a + o.a));
}
