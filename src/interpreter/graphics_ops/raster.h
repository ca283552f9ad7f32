// Raster routines for the shapes SDL does not draw itself: circles, triangles
// and polygons become single points and horizontal runs.
//
// The routines draw against a small target interface so that tests can record
// the exact pixels they emit. Every routine clips to the target's bounds and
// only walks the part of a shape that can reach them, so a shape with
// coordinates near the 32-bit limits costs time in proportion to the target,
// not to the shape; the pixels inside the bounds are the ones the unclipped
// routine would have drawn there.
#pragma once

#include <cstdint>
#include <vector>

namespace wexlin::graphics {

// Every coordinate handed to SDL lies in [-2^30, 2^30 - 1], so that SDL's own
// sums of position and size cannot overflow a 32-bit integer.
inline constexpr std::int32_t coordinate_min = -1073741824;
inline constexpr std::int32_t coordinate_max = 1073741823;

std::int32_t clamp_coordinate(std::int64_t value);

// Inclusive pixel bounds of a drawing target; empty when right < left or
// bottom < top.
struct ClipBounds {
    std::int64_t left{0};
    std::int64_t top{0};
    std::int64_t right{-1};
    std::int64_t bottom{-1};

    bool contains(std::int64_t x, std::int64_t y) const {
        return x >= left && x <= right && y >= top && y <= bottom;
    }
    bool is_empty() const { return right < left || bottom < top; }
};

class RasterTarget {
  public:
    virtual ~RasterTarget() = default;
    // One pixel; always inside bounds().
    virtual void plot(std::int32_t x, std::int32_t y) = 0;
    // Pixels x1 to x2 (x1 <= x2) of row y; always inside bounds().
    virtual void horizontal_run(std::int32_t x1, std::int32_t x2, std::int32_t y) = 0;
    virtual ClipBounds bounds() const = 0;
    // Pixels x1 to x2 of rows y1 to y2 (x1 <= x2, y1 <= y2); always inside
    // bounds(). The same as one run per row, which is what it draws unless
    // the target has something faster.
    virtual void block(std::int32_t x1, std::int32_t x2, std::int32_t y1, std::int32_t y2) {
        for (std::int32_t y = y1; y <= y2; ++y)
            horizontal_run(x1, x2, y);
    }
    // Called once at the end of every routine below: what was plotted since
    // the last call is one shape.
    virtual void end_shape() {}
};

struct PointF {
    double x{0};
    double y{0};
};

// Saturating conversion of a double to a 32-bit integer, NaN giving 0.
std::int32_t saturate_to_int32(double value);

// Bresenham line covering all octants; both end points are plotted.
void draw_line(RasterTarget& target, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);

// Midpoint circle outline; nothing for radius <= 0.
void draw_circle(RasterTarget& target, std::int32_t cx, std::int32_t cy, std::int32_t radius);

// Filled midpoint circle as horizontal runs; nothing for radius <= 0.
void fill_circle(RasterTarget& target, std::int32_t cx, std::int32_t cy, std::int32_t radius);

// The three edges P1-P2, P2-P3, P3-P1 through the line routine.
void draw_triangle(RasterTarget& target, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                   std::int32_t x3, std::int32_t y3);

// Filled triangle as one run per row from the top vertex's row to the bottom
// vertex's row; nothing when all three vertices share a row.
void fill_triangle(RasterTarget& target, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                   std::int32_t x3, std::int32_t y3);

// Even-odd scanline fill sampled at pixel-row centres; needs three points.
void fill_polygon(RasterTarget& target, const std::vector<PointF>& points);

// Closed outline through the line routine, each point truncated toward zero.
void draw_polygon(RasterTarget& target, const std::vector<PointF>& points);

// The straight line the renderer itself draws between two integer end points
// (its own Bresenham variant, which differs from the line routine above in
// which pixel it takes at a tie), cut to the bounds: only the pixels inside
// them are plotted, found without walking the rest, so a line between far-off
// end points costs no more than one across the target.
void draw_renderer_line(RasterTarget& target, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                        std::int64_t y1);

// A rectangle cut to the bounds, with wide arithmetic; false when nothing of
// it lies inside. For an outline the bounds are taken one pixel wider on each
// side: the cut edges then lie just outside the target, and the visible part
// of the outline stays the same.
bool clip_rect(const ClipBounds& bounds, std::int64_t& x, std::int64_t& y, std::int64_t& w, std::int64_t& h,
               bool outline);

namespace detail {
// The two strategies of the circle routines, exposed so tests can check that
// they agree: `literal` walks every step of the midpoint loop, `by_rows`
// computes each visible row from the loop's closed form.
void draw_circle_literal(RasterTarget& target, std::int64_t cx, std::int64_t cy, std::int64_t radius);
void draw_circle_by_rows(RasterTarget& target, std::int64_t cx, std::int64_t cy, std::int64_t radius);
void fill_circle_literal(RasterTarget& target, std::int64_t cx, std::int64_t cy, std::int64_t radius);
void fill_circle_by_rows(RasterTarget& target, std::int64_t cx, std::int64_t cy, std::int64_t radius);
// The line routine without the jump to the first visible step.
void draw_line_literal(RasterTarget& target, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                       std::int32_t y1);
// The renderer's line walked pixel by pixel.
void draw_renderer_line_literal(RasterTarget& target, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                                std::int64_t y1);
} // namespace detail

} // namespace wexlin::graphics
