#ifndef KY_DATAGEN_PAINT_H
#define KY_DATAGEN_PAINT_H

#include <memory>
#include <string>
#include <vector>

class Command;

// A colour with straight (not premultiplied) components from 0 to 1.
struct Colour {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    double a = 0.0;
};

// What fills a shape or a text, by position in the picture:
//
//   #rgb #rgba #rrggbb #rrggbbaa, or black, white, transparent (none)
//   linear(X0, Y0, X1, Y1, STOP, STOP, ...)   along the line from (X0, Y0)
//   radial(CX, CY, R, STOP, STOP, ...)        outwards from the centre
//   noise(COLOUR0, COLOUR1, SCALE [, OCTAVES [, SEED]])   smooth value noise
//   checker(COLOUR0, COLOUR1, SIZE)           squares of SIZE pixels
//   stripes(COLOUR0, COLOUR1, WIDTH [, ANGLE])
//
// A gradient STOP is a colour, optionally followed by @position (0 to 1);
// stops without a position are spread evenly. Colours are mixed
// premultiplied, so a fade to transparent keeps its hue.
class Paint {
public:
    virtual ~Paint() {}
    virtual Colour at(double x, double y) const = 0;

    // Parses a paint; the command locates errors.
    static std::unique_ptr<Paint> parse(const Command& command, const std::string& text);
    // Parses a plain colour; throws std::runtime_error naming the text.
    static Colour colour(const std::string& text);
};

// One colour everywhere.
class SolidPaint : public Paint {
public:
    explicit SolidPaint(const Colour& colour) : m_colour(colour) {}
    Colour at(double, double) const override { return m_colour; }

private:
    Colour m_colour;
};

// Colour stops along a value from 0 to 1; the linear and radial paints
// differ only in how a position becomes that value.
class GradientPaint : public Paint {
public:
    struct Stop {
        double position;
        Colour colour;
    };
    GradientPaint(bool radial, double x0, double y0, double x1, double y1, const std::vector<Stop>& stops);
    Colour at(double x, double y) const override;

private:
    bool m_radial;
    double m_x0, m_y0, m_x1, m_y1;
    std::vector<Stop> m_stops;
};

// Fractal value noise between two colours.
class NoisePaint : public Paint {
public:
    NoisePaint(const Colour& low, const Colour& high, double scale, int octaves, unsigned seed);
    Colour at(double x, double y) const override;

private:
    double sample(double x, double y, unsigned octave) const;

    Colour m_low;
    Colour m_high;
    double m_scale;
    int m_octaves;
    unsigned m_seed;
};

// Checker squares, or stripes when `stripes` (turned by angle degrees).
class PatternPaint : public Paint {
public:
    PatternPaint(const Colour& first, const Colour& second, double size, bool stripes, double angle);
    Colour at(double x, double y) const override;

private:
    Colour m_first;
    Colour m_second;
    double m_size;
    bool m_stripes;
    double m_cos;
    double m_sin;
};

// a and b mixed premultiplied by t (0 gives a).
Colour mixColours(const Colour& a, const Colour& b, double t);

#endif
