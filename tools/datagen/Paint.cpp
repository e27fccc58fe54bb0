#include "tools/datagen/Paint.h"

#include "tools/datagen/Command.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

namespace {

const double pi = 3.14159265358979323846;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A well-mixed 32-bit hash of a lattice point.
unsigned hashPoint(int x, int y, unsigned seed)
{
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

double smooth(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

std::vector<std::string> arguments(const Command& command, const std::string& text, const std::string& function)
{
    const size_t open = function.size();
    if (text.size() < open + 2 || text[open] != '(' || text.back() != ')')
        throw command.error(command.name() + ": '" + text + "' is not a paint");
    return Command::splitList(text.substr(open + 1, text.size() - open - 2));
}

Colour colourAt(const Command& command, const std::string& text)
{
    try {
        return Paint::colour(text);
    } catch (const std::runtime_error& e) {
        throw command.error(command.name() + ": " + e.what());
    }
}

std::vector<GradientPaint::Stop> stops(const Command& command, const std::vector<std::string>& args, size_t first)
{
    std::vector<GradientPaint::Stop> result;
    if (args.size() < first + 2)
        throw command.error(command.name() + ": a gradient needs at least two colours");
    const size_t count = args.size() - first;
    for (size_t i = first; i < args.size(); ++i) {
        GradientPaint::Stop stop;
        const std::string& arg = args[i];
        const size_t at = arg.find('@');
        stop.colour = colourAt(command, arg.substr(0, at));
        stop.position = at == std::string::npos ? double(i - first) / double(count - 1) : command.evaluate(arg.substr(at + 1));
        if (!result.empty() && stop.position < result.back().position)
            throw command.error(command.name() + ": gradient stops must come in order of position");
        result.push_back(stop);
    }
    return result;
}

} // namespace

Colour mixColours(const Colour& a, const Colour& b, double t)
{
    Colour c;
    c.a = a.a + (b.a - a.a) * t;
    if (c.a <= 0.0)
        return c;
    c.r = (a.r * a.a + (b.r * b.a - a.r * a.a) * t) / c.a;
    c.g = (a.g * a.a + (b.g * b.a - a.g * a.a) * t) / c.a;
    c.b = (a.b * a.a + (b.b * b.a - a.b * a.a) * t) / c.a;
    return c;
}

Colour Paint::colour(const std::string& text)
{
    Colour c;
    if (text == "transparent" || text == "none")
        return c;
    if (text == "black") {
        c.a = 1.0;
        return c;
    }
    if (text == "white") {
        c.r = c.g = c.b = c.a = 1.0;
        return c;
    }
    if (text.empty() || text[0] != '#')
        throw std::runtime_error("'" + text + "' is not a colour (#rrggbb, #rrggbbaa, #rgb, #rgba, black, white, transparent)");
    std::vector<int> digits;
    for (size_t i = 1; i < text.size(); ++i) {
        const int d = hexDigit(text[i]);
        if (d < 0)
            throw std::runtime_error("'" + text + "' is not a colour: '" + text.substr(i, 1) + "' is no hexadecimal digit");
        digits.push_back(d);
    }
    double v[4] = {0.0, 0.0, 0.0, 1.0};
    if (digits.size() == 3 || digits.size() == 4) {
        for (size_t i = 0; i < digits.size(); ++i)
            v[i] = digits[i] * 17 / 255.0;
    } else if (digits.size() == 6 || digits.size() == 8) {
        for (size_t i = 0; i < digits.size() / 2; ++i)
            v[i] = (digits[2 * i] * 16 + digits[2 * i + 1]) / 255.0;
    } else {
        throw std::runtime_error("'" + text + "' is not a colour: 3, 4, 6 or 8 hexadecimal digits are needed");
    }
    c.r = v[0];
    c.g = v[1];
    c.b = v[2];
    c.a = v[3];
    return c;
}

std::unique_ptr<Paint> Paint::parse(const Command& command, const std::string& text)
{
    const size_t open = text.find('(');
    const std::string function = open == std::string::npos ? std::string() : text.substr(0, open);
    if (function.empty())
        return std::unique_ptr<Paint>(new SolidPaint(colourAt(command, text)));

    const std::vector<std::string> args = arguments(command, text, function);
    if (function == "linear" || function == "radial") {
        const bool radial = function == "radial";
        const size_t first = radial ? 3 : 4;
        if (args.size() < first)
            throw command.error(command.name() + ": " + function + " needs " + (radial ? "CX, CY, R" : "X0, Y0, X1, Y1")
                                + " and then its colours");
        const double a = command.evaluate(args[0]);
        const double b = command.evaluate(args[1]);
        const double c = command.evaluate(args[2]);
        const double d = radial ? 0.0 : command.evaluate(args[3]);
        if (radial && c <= 0.0)
            throw command.error(command.name() + ": the radius of a radial gradient must be above 0");
        return std::unique_ptr<Paint>(new GradientPaint(radial, a, b, c, d, stops(command, args, first)));
    }
    if (function == "noise") {
        if (args.size() < 3 || args.size() > 5)
            throw command.error(command.name() + ": noise takes COLOUR0, COLOUR1, SCALE [, OCTAVES [, SEED]]");
        const double scale = command.evaluate(args[2]);
        const double octaves = args.size() > 3 ? command.evaluate(args[3]) : 3.0;
        const double seed = args.size() > 4 ? command.evaluate(args[4]) : 1.0;
        if (scale <= 0.0 || octaves < 1.0 || octaves > 8.0)
            throw command.error(command.name() + ": noise needs a scale above 0 and 1 to 8 octaves");
        return std::unique_ptr<Paint>(new NoisePaint(colourAt(command, args[0]), colourAt(command, args[1]), scale,
                                                     int(octaves), static_cast<unsigned>(std::fabs(seed))));
    }
    if (function == "checker" || function == "stripes") {
        const bool stripes = function == "stripes";
        if (args.size() < 3 || args.size() > (stripes ? 4u : 3u))
            throw command.error(command.name() + ": " + function + " takes COLOUR0, COLOUR1, SIZE" + (stripes ? " [, ANGLE]" : ""));
        const double size = command.evaluate(args[2]);
        if (size <= 0.0)
            throw command.error(command.name() + ": the size of " + function + " must be above 0");
        const double angle = args.size() > 3 ? command.evaluate(args[3]) : 0.0;
        return std::unique_ptr<Paint>(
            new PatternPaint(colourAt(command, args[0]), colourAt(command, args[1]), size, stripes, angle));
    }
    throw command.error(command.name() + ": unknown paint '" + function + "' (linear, radial, noise, checker, stripes)");
}

GradientPaint::GradientPaint(bool radial, double x0, double y0, double x1, double y1, const std::vector<Stop>& stops)
    : m_radial(radial), m_x0(x0), m_y0(y0), m_x1(x1), m_y1(y1), m_stops(stops)
{
}

Colour GradientPaint::at(double x, double y) const
{
    double t;
    if (m_radial) {
        t = std::hypot(x - m_x0, y - m_y0) / m_x1;
    } else {
        const double dx = m_x1 - m_x0;
        const double dy = m_y1 - m_y0;
        const double length = dx * dx + dy * dy;
        t = length > 0.0 ? ((x - m_x0) * dx + (y - m_y0) * dy) / length : 0.0;
    }
    if (t <= m_stops.front().position)
        return m_stops.front().colour;
    for (size_t i = 1; i < m_stops.size(); ++i) {
        if (t <= m_stops[i].position) {
            const double span = m_stops[i].position - m_stops[i - 1].position;
            return mixColours(m_stops[i - 1].colour, m_stops[i].colour, span > 0.0 ? (t - m_stops[i - 1].position) / span : 1.0);
        }
    }
    return m_stops.back().colour;
}

NoisePaint::NoisePaint(const Colour& low, const Colour& high, double scale, int octaves, unsigned seed)
    : m_low(low), m_high(high), m_scale(scale), m_octaves(octaves), m_seed(seed)
{
}

double NoisePaint::sample(double x, double y, unsigned octave) const
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const unsigned seed = m_seed * 31u + octave;
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    const double scale = 1.0 / 4294967295.0;
    const double v00 = hashPoint(ix, iy, seed) * scale;
    const double v10 = hashPoint(ix + 1, iy, seed) * scale;
    const double v01 = hashPoint(ix, iy + 1, seed) * scale;
    const double v11 = hashPoint(ix + 1, iy + 1, seed) * scale;
    const double top = v00 + (v10 - v00) * tx;
    const double bottom = v01 + (v11 - v01) * tx;
    return top + (bottom - top) * ty;
}

Colour NoisePaint::at(double x, double y) const
{
    double value = 0.0;
    double weight = 1.0;
    double total = 0.0;
    double frequency = 1.0 / m_scale;
    for (int o = 0; o < m_octaves; ++o) {
        value += sample(x * frequency, y * frequency, unsigned(o)) * weight;
        total += weight;
        weight *= 0.5;
        frequency *= 2.0;
    }
    return mixColours(m_low, m_high, value / total);
}

PatternPaint::PatternPaint(const Colour& first, const Colour& second, double size, bool stripes, double angle)
    : m_first(first), m_second(second), m_size(size), m_stripes(stripes), m_cos(std::cos(angle * pi / 180.0)),
      m_sin(std::sin(angle * pi / 180.0))
{
}

Colour PatternPaint::at(double x, double y) const
{
    if (m_stripes) {
        const double along = x * m_cos + y * m_sin;
        return (static_cast<long>(std::floor(along / m_size)) & 1) ? m_second : m_first;
    }
    const long cx = static_cast<long>(std::floor(x / m_size));
    const long cy = static_cast<long>(std::floor(y / m_size));
    return ((cx + cy) & 1) ? m_second : m_first;
}
