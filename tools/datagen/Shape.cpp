#include "tools/datagen/Shape.h"

#include <algorithm>
#include <cmath>
#include <limits>

RoundRectShape::RoundRectShape(double x, double y, double width, double height, double radius)
    : m_cx(x + width / 2.0), m_cy(y + height / 2.0), m_hw(width / 2.0), m_hh(height / 2.0),
      m_radius(std::max(0.0, std::min(radius, std::min(width, height) / 2.0)))
{
}

double RoundRectShape::distance(double x, double y) const
{
    const double qx = std::fabs(x - m_cx) - (m_hw - m_radius);
    const double qy = std::fabs(y - m_cy) - (m_hh - m_radius);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - m_radius;
}

Shape::Box RoundRectShape::bounds() const
{
    return Box{m_cx - m_hw, m_cy - m_hh, m_cx + m_hw, m_cy + m_hh};
}

EllipseShape::EllipseShape(double cx, double cy, double rx, double ry)
    : m_cx(cx), m_cy(cy), m_rx(std::max(rx, 1e-6)), m_ry(std::max(ry, 1e-6))
{
}

double EllipseShape::distance(double x, double y) const
{
    const double px = x - m_cx;
    const double py = y - m_cy;
    if (m_rx == m_ry)
        return std::hypot(px, py) - m_rx;
    // First-order distance: the implicit function over its gradient, good
    // to a fraction of a pixel near the outline, which is all edges need.
    const double k0 = std::hypot(px / m_rx, py / m_ry);
    const double k1 = std::hypot(px / (m_rx * m_rx), py / (m_ry * m_ry));
    if (k1 == 0.0)
        return -std::min(m_rx, m_ry);
    return k0 * (k0 - 1.0) / k1;
}

Shape::Box EllipseShape::bounds() const
{
    return Box{m_cx - m_rx, m_cy - m_ry, m_cx + m_rx, m_cy + m_ry};
}

PolygonShape::PolygonShape(const std::vector<std::pair<double, double>>& points) : m_points(points)
{
}

double PolygonShape::distance(double x, double y) const
{
    double nearest = std::numeric_limits<double>::max();
    int winding = 0;
    const size_t n = m_points.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const double ax = m_points[j].first, ay = m_points[j].second;
        const double bx = m_points[i].first, by = m_points[i].second;
        const double ex = bx - ax, ey = by - ay;
        const double wx = x - ax, wy = y - ay;
        const double length = ex * ex + ey * ey;
        const double t = length > 0.0 ? std::max(0.0, std::min(1.0, (wx * ex + wy * ey) / length)) : 0.0;
        nearest = std::min(nearest, std::hypot(wx - ex * t, wy - ey * t));
        const double cross = ex * wy - ey * wx;
        if (ay <= y) {
            if (by > y && cross > 0.0)
                ++winding;
        } else if (by <= y && cross < 0.0) {
            --winding;
        }
    }
    return winding != 0 ? -nearest : nearest;
}

Shape::Box PolygonShape::bounds() const
{
    Box box{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
            -std::numeric_limits<double>::max()};
    for (const std::pair<double, double>& p : m_points) {
        box.left = std::min(box.left, p.first);
        box.top = std::min(box.top, p.second);
        box.right = std::max(box.right, p.first);
        box.bottom = std::max(box.bottom, p.second);
    }
    return box;
}

SegmentShape::SegmentShape(double x0, double y0, double x1, double y1, double width)
    : m_x0(x0), m_y0(y0), m_x1(x1), m_y1(y1), m_halfWidth(width / 2.0)
{
}

double SegmentShape::distance(double x, double y) const
{
    const double ex = m_x1 - m_x0, ey = m_y1 - m_y0;
    const double wx = x - m_x0, wy = y - m_y0;
    const double length = ex * ex + ey * ey;
    const double t = length > 0.0 ? std::max(0.0, std::min(1.0, (wx * ex + wy * ey) / length)) : 0.0;
    return std::hypot(wx - ex * t, wy - ey * t) - m_halfWidth;
}

Shape::Box SegmentShape::bounds() const
{
    return Box{std::min(m_x0, m_x1) - m_halfWidth, std::min(m_y0, m_y1) - m_halfWidth, std::max(m_x0, m_x1) + m_halfWidth,
               std::max(m_y0, m_y1) + m_halfWidth};
}
