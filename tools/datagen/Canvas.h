#ifndef KY_DATAGEN_CANVAS_H
#define KY_DATAGEN_CANVAS_H

#include "tools/datagen/Paint.h"
#include "tools/datagen/Shape.h"

#include <cstdint>
#include <vector>

// A picture being drawn: premultiplied RGBA floats, top row first. Drawing
// goes through a region (the whole picture, or one frame of a strip) whose
// corner is the origin of the coordinates and whose edges clip; paints are
// evaluated in those same coordinates. Everything composes "source over".
class Canvas {
public:
    struct Region {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    // Sizes above these are refused by the picture maker.
    static const int maxSide = 8192;
    static const long maxArea = 4096L * 4096L;

    Canvas(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    Region whole() const;

    // The premultiplied red, green, blue and alpha of a pixel.
    const float* pixel(int x, int y) const { return &m_pixels[(size_t(y) * m_width + x) * 4]; }

    // Fills the shape, then strokes its outline with the given width
    // (centred on the outline, or wholly inside it when strokeInside).
    // Either paint may be null.
    void drawShape(const Region& region, const Shape& shape, const Paint* fill, const Paint* stroke, double strokeWidth,
                   bool strokeInside, double opacity);
    // Paints through an 8-bit coverage mask whose top-left corner lies at
    // (left, top) of the region.
    void drawMask(const Region& region, int left, int top, int width, int height, const std::uint8_t* coverage,
                  const Paint& paint, double opacity);
    // Draws the part `from` of another canvas into the rectangle (x, y, w, h)
    // of the region, scaled with bilinear filtering.
    void drawCanvas(const Region& region, const Canvas& source, const Region& from, double x, double y, double w, double h,
                    double opacity);

    // Straight RGBA bytes, top row first.
    std::vector<std::uint8_t> rgba8() const;
    // True when every pixel is opaque.
    bool opaque() const;

private:
    void blend(int x, int y, const Colour& colour, double coverage);
    // The pixel rectangle of region covering the local box, clipped.
    bool span(const Region& region, double left, double top, double right, double bottom, int& x0, int& y0, int& x1,
              int& y1) const;

    int m_width;
    int m_height;
    std::vector<float> m_pixels;
};

#endif
