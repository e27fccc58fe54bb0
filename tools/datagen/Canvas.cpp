#include "tools/datagen/Canvas.h"

#include <algorithm>
#include <cmath>

namespace {

double clamp01(double v)
{
    return v < 0.0 ? 0.0 : v > 1.0 ? 1.0 : v;
}

std::uint8_t toByte(double v)
{
    return static_cast<std::uint8_t>(std::floor(clamp01(v) * 255.0 + 0.5));
}

} // namespace

Canvas::Canvas(int width, int height)
    : m_width(width), m_height(height), m_pixels(size_t(width) * size_t(height) * 4, 0.0f)
{
}

Canvas::Region Canvas::whole() const
{
    Region r;
    r.width = m_width;
    r.height = m_height;
    return r;
}

void Canvas::blend(int x, int y, const Colour& colour, double coverage)
{
    const double a = clamp01(colour.a * coverage);
    if (a <= 0.0)
        return;
    float* p = &m_pixels[(size_t(y) * m_width + x) * 4];
    const double keep = 1.0 - a;
    p[0] = float(colour.r * a + p[0] * keep);
    p[1] = float(colour.g * a + p[1] * keep);
    p[2] = float(colour.b * a + p[2] * keep);
    p[3] = float(a + p[3] * keep);
}

bool Canvas::span(const Region& region, double left, double top, double right, double bottom, int& x0, int& y0, int& x1,
                  int& y1) const
{
    const int clipLeft = std::max(region.x, 0);
    const int clipTop = std::max(region.y, 0);
    const int clipRight = std::min(region.x + region.width, m_width);
    const int clipBottom = std::min(region.y + region.height, m_height);
    // Far-off coordinates are clipped before they reach an int.
    const double limit = 1e6;
    x0 = std::max(clipLeft, int(std::floor(std::max(-limit, left))) + region.x);
    y0 = std::max(clipTop, int(std::floor(std::max(-limit, top))) + region.y);
    x1 = std::min(clipRight, int(std::ceil(std::min(limit, right))) + region.x);
    y1 = std::min(clipBottom, int(std::ceil(std::min(limit, bottom))) + region.y);
    return x0 < x1 && y0 < y1;
}

void Canvas::drawShape(const Region& region, const Shape& shape, const Paint* fill, const Paint* stroke, double strokeWidth,
                       bool strokeInside, double opacity)
{
    if (stroke && strokeWidth <= 0.0)
        stroke = nullptr;
    const Shape::Box box = shape.bounds();
    const double margin = (stroke && !strokeInside ? strokeWidth / 2.0 : 0.0) + 1.0;
    int x0, y0, x1, y1;
    if (!span(region, box.left - margin, box.top - margin, box.right + margin, box.bottom + margin, x0, y0, x1, y1))
        return;
    const double half = strokeWidth / 2.0;
    for (int y = y0; y < y1; ++y) {
        const double ly = y - region.y + 0.5;
        for (int x = x0; x < x1; ++x) {
            const double lx = x - region.x + 0.5;
            const double d = shape.distance(lx, ly);
            if (fill) {
                const double coverage = clamp01(0.5 - d);
                if (coverage > 0.0)
                    blend(x, y, fill->at(lx, ly), coverage * opacity);
            }
            if (stroke) {
                const double along = strokeInside ? d + half : d;
                const double coverage = clamp01(0.5 - (std::fabs(along) - half));
                if (coverage > 0.0)
                    blend(x, y, stroke->at(lx, ly), coverage * opacity);
            }
        }
    }
}

void Canvas::drawMask(const Region& region, int left, int top, int width, int height, const std::uint8_t* coverage,
                      const Paint& paint, double opacity)
{
    int x0, y0, x1, y1;
    if (!span(region, left, top, double(left) + width, double(top) + height, x0, y0, x1, y1))
        return;
    for (int y = y0; y < y1; ++y) {
        const int row = y - region.y - top;
        for (int x = x0; x < x1; ++x) {
            const int column = x - region.x - left;
            const std::uint8_t c = coverage[size_t(row) * width + column];
            if (c)
                blend(x, y, paint.at(x - region.x + 0.5, y - region.y + 0.5), c / 255.0 * opacity);
        }
    }
}

void Canvas::drawCanvas(const Region& region, const Canvas& source, const Region& from, double x, double y, double w,
                        double h, double opacity)
{
    if (w <= 0.0 || h <= 0.0 || from.width <= 0 || from.height <= 0)
        return;
    int x0, y0, x1, y1;
    if (!span(region, x, y, x + w, y + h, x0, y0, x1, y1))
        return;
    const double sx = from.width / w;
    const double sy = from.height / h;
    for (int py = y0; py < y1; ++py) {
        const double ly = py - region.y + 0.5;
        if (ly < y || ly >= y + h)
            continue;
        const double fy = std::max(0.0, std::min(from.height - 1.0, (ly - y) * sy - 0.5));
        const int ty = int(std::floor(fy));
        const int ty1 = std::min(ty + 1, from.height - 1);
        const double wy = fy - ty;
        for (int px = x0; px < x1; ++px) {
            const double lx = px - region.x + 0.5;
            if (lx < x || lx >= x + w)
                continue;
            const double fx = std::max(0.0, std::min(from.width - 1.0, (lx - x) * sx - 0.5));
            const int tx = int(std::floor(fx));
            const int tx1 = std::min(tx + 1, from.width - 1);
            const double wx = fx - tx;
            const float* a = source.pixel(from.x + tx, from.y + ty);
            const float* b = source.pixel(from.x + tx1, from.y + ty);
            const float* c = source.pixel(from.x + tx, from.y + ty1);
            const float* d = source.pixel(from.x + tx1, from.y + ty1);
            double v[4];
            for (int k = 0; k < 4; ++k) {
                const double top = a[k] + (b[k] - a[k]) * wx;
                const double bottom = c[k] + (d[k] - c[k]) * wx;
                v[k] = top + (bottom - top) * wy;
            }
            if (v[3] <= 0.0)
                continue;
            Colour colour;
            colour.r = v[0] / v[3];
            colour.g = v[1] / v[3];
            colour.b = v[2] / v[3];
            colour.a = v[3];
            blend(px, py, colour, opacity);
        }
    }
}

std::vector<std::uint8_t> Canvas::rgba8() const
{
    std::vector<std::uint8_t> out(size_t(m_width) * m_height * 4);
    for (size_t i = 0; i < out.size(); i += 4) {
        const double a = m_pixels[i + 3];
        out[i + 3] = toByte(a);
        if (out[i + 3] == 0)
            continue;
        for (int k = 0; k < 3; ++k)
            out[i + k] = toByte(m_pixels[i + k] / a);
    }
    return out;
}

bool Canvas::opaque() const
{
    for (size_t i = 3; i < m_pixels.size(); i += 4)
        if (toByte(m_pixels[i]) != 255)
            return false;
    return true;
}
