#ifndef KY_DATAGEN_SHAPE_H
#define KY_DATAGEN_SHAPE_H

#include <utility>
#include <vector>

// A filled outline given by its signed distance: negative inside, positive
// outside, in pixels. The canvas turns the distance at each pixel centre
// into coverage, which gives smooth edges to every shape alike, and strokes
// a shape by the distance to its outline.
class Shape {
public:
    struct Box {
        double left, top, right, bottom;
    };
    virtual ~Shape() {}
    virtual double distance(double x, double y) const = 0;
    virtual Box bounds() const = 0;
};

// Rectangle with corners rounded by radius (0: square corners).
class RoundRectShape : public Shape {
public:
    RoundRectShape(double x, double y, double width, double height, double radius);
    double distance(double x, double y) const override;
    Box bounds() const override;

private:
    double m_cx, m_cy, m_hw, m_hh, m_radius;
};

class EllipseShape : public Shape {
public:
    EllipseShape(double cx, double cy, double rx, double ry);
    double distance(double x, double y) const override;
    Box bounds() const override;

private:
    double m_cx, m_cy, m_rx, m_ry;
};

// A closed polygon (non-zero winding: a star drawn in one stroke is filled).
class PolygonShape : public Shape {
public:
    explicit PolygonShape(const std::vector<std::pair<double, double>>& points);
    double distance(double x, double y) const override;
    Box bounds() const override;

private:
    std::vector<std::pair<double, double>> m_points;
};

// A segment of the given width with round ends.
class SegmentShape : public Shape {
public:
    SegmentShape(double x0, double y0, double x1, double y1, double width);
    double distance(double x, double y) const override;
    Box bounds() const override;

private:
    double m_x0, m_y0, m_x1, m_y1, m_halfWidth;
};

#endif
