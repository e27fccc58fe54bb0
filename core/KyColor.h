#ifndef KY_COLOR_H
#define KY_COLOR_H

#include "core/KyTypes.h"

// 8-bit RGBA colour. Arithmetic works per channel, alpha included, and wraps
// modulo 256 rather than clamping: tints are built with that behaviour.
class KyColor {
public:
    u8 r;
    u8 g;
    u8 b;
    u8 a;

    KyColor() : r(0), g(0), b(0), a(255) {}
    KyColor(u8 pr, u8 pg, u8 pb, u8 pa) : r(pr), g(pg), b(pb), a(pa) {}

    u16 toRGB565() const;
    u16 toRGB555() const;

    // Each channel times f, truncated toward zero, low 8 bits kept.
    KyColor operator*(f32 f) const;
    // Modulation: each channel scaled by the other's channel over 255.
    KyColor operator*(const KyColor& o) const;
    // Byte sum per channel, modulo 256.
    KyColor operator+(const KyColor& o) const;

    bool operator==(const KyColor& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const KyColor& o) const { return !(*this == o); }

    // The engine's float-to-byte rule: truncate toward zero and keep the low
    // byte of the integer. Values too large for any integer type (and NaN)
    // give 0, as every such integer is a multiple of 256.
    static u8 truncToByte(f64 v);
};

#endif
