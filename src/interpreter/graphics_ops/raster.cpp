#include "interpreter/graphics_ops/raster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace wexlin::graphics {

namespace {

// Products of two 32-bit differences need more than 64 bits.
__extension__ typedef __int128 Wide;

std::int64_t floor_div(Wide numerator, Wide denominator) {
    Wide quotient = numerator / denominator;
    if (numerator % denominator != 0 && ((numerator < 0) != (denominator < 0))) --quotient;
    return static_cast<std::int64_t>(quotient);
}

std::int64_t ceil_div(Wide numerator, Wide denominator) {
    Wide quotient = numerator / denominator;
    if (numerator % denominator != 0 && ((numerator < 0) == (denominator < 0))) ++quotient;
    return static_cast<std::int64_t>(quotient);
}

// The target's bounds, kept one pixel inside the coordinate clamp: a point the
// clamp would move lands outside them, so within these bounds a clamped
// coordinate always equals the computed one and the clamp never has to be
// applied to what the routines emit.
ClipBounds effective_bounds(const RasterTarget& target) {
    ClipBounds bounds = target.bounds();
    bounds.left = std::max<std::int64_t>(bounds.left, coordinate_min + 1);
    bounds.top = std::max<std::int64_t>(bounds.top, coordinate_min + 1);
    bounds.right = std::min<std::int64_t>(bounds.right, coordinate_max - 1);
    bounds.bottom = std::min<std::int64_t>(bounds.bottom, coordinate_max - 1);
    return bounds;
}

void emit_point(RasterTarget& target, const ClipBounds& bounds, std::int64_t x, std::int64_t y) {
    if (bounds.contains(x, y)) target.plot(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
}

// Pixels x1..x2 (x1 <= x2) of row y, cut to the bounds.
void emit_run(RasterTarget& target, const ClipBounds& bounds, std::int64_t x1, std::int64_t x2,
              std::int64_t y) {
    if (y < bounds.top || y > bounds.bottom) return;
    x1 = std::max(x1, bounds.left);
    x2 = std::min(x2, bounds.right);
    if (x1 > x2) return;
    target.horizontal_run(static_cast<std::int32_t>(x1), static_cast<std::int32_t>(x2),
                          static_cast<std::int32_t>(y));
}

// A circle whose loop is longer than this (in radius) compared with the
// target's size is drawn row by row instead of step by step.
std::int64_t literal_radius_limit(const ClipBounds& bounds) {
    std::int64_t size = (bounds.right - bounds.left + 1) + (bounds.bottom - bounds.top + 1);
    return std::max<std::int64_t>(4096, 2 * size);
}

bool circle_misses(const ClipBounds& bounds, std::int64_t cx, std::int64_t cy, std::int64_t radius) {
    return bounds.is_empty() || cx + radius < bounds.left || cx - radius > bounds.right ||
           cy + radius < bounds.top || cy - radius > bounds.bottom;
}

// The midpoint loop of the circle routines, answerable for any step without
// walking to it.
//
// The loop keeps err = (y+1)^2 + (x-1)^2 - (r-1)^2 - 1 and, after moving y on,
// moves x back by one when g(x, y) = 2 * (err - x) + 1 is positive. While x
// stays at least four above y a single move always suffices, so the x of step
// y is then the largest x >= 2 with g(x, y) <= 0, which a square root finds.
// The last few steps, where x meets y, are walked literally from there.
class MidpointCircle {
  public:
    explicit MidpointCircle(std::int64_t radius) : m_radius(radius) {
        Wide r1 = radius - 1;
        m_k = r1 * r1 + 1;
        // Largest step whose x is still four or more above its y.
        std::int64_t low = 0;
        std::int64_t high = radius;
        m_safe_y = -1;
        while (low <= high) {
            std::int64_t mid = low + (high - low) / 2;
            if (closed_x(mid) - mid >= 4) {
                m_safe_y = mid;
                low = mid + 1;
            } else {
                high = mid - 1;
            }
        }
        std::int64_t x = radius;
        std::int64_t y = 0;
        std::int64_t err = 0;
        if (m_safe_y >= 0) {
            y = m_safe_y;
            x = closed_x(y);
            err = static_cast<std::int64_t>(error_at(x, y));
            advance(x, y, err);
        }
        m_tail_start = y;
        while (x >= y) {
            m_tail_x.push_back(x);
            advance(x, y, err);
        }
        m_last_y = m_tail_start + static_cast<std::int64_t>(m_tail_x.size()) - 1;
    }

    std::int64_t last_y() const { return m_last_y; }

    // The x of step y, for 0 <= y <= last_y().
    std::int64_t x_at(std::int64_t y) const {
        if (y < m_tail_start) return closed_x(y);
        return m_tail_x[static_cast<std::size_t>(y - m_tail_start)];
    }

    // The steps whose x equals d, as [first, last]; first > last when none.
    std::pair<std::int64_t, std::int64_t> steps_with_x(std::int64_t d) const {
        if (d > m_radius || d < x_at(m_last_y)) return {1, 0};
        // x never grows along the loop: search the first step with x <= d and
        // the last with x >= d.
        std::int64_t low = 0;
        std::int64_t high = m_last_y;
        while (low < high) {
            std::int64_t mid = low + (high - low) / 2;
            if (x_at(mid) <= d)
                high = mid;
            else
                low = mid + 1;
        }
        std::int64_t first = low;
        low = 0;
        high = m_last_y;
        while (low < high) {
            std::int64_t mid = low + (high - low + 1) / 2;
            if (x_at(mid) >= d)
                low = mid;
            else
                high = mid - 1;
        }
        return {first, low};
    }

  private:
    static void advance(std::int64_t& x, std::int64_t& y, std::int64_t& err) {
        y += 1;
        err += 1 + 2 * y;
        if (2 * (err - x) + 1 > 0) {
            x -= 1;
            err += 1 - 2 * x;
        }
    }

    Wide error_at(std::int64_t x, std::int64_t y) const {
        Wide y1 = Wide(y) + 1;
        Wide x1 = Wide(x) - 1;
        return y1 * y1 + x1 * x1 - m_k;
    }

    Wide decision(std::int64_t x, std::int64_t y) const { return 2 * (error_at(x, y) - x) + 1; }

    // Largest x >= 2 with decision(x, y) <= 0, or 1 when there is none.
    std::int64_t closed_x(std::int64_t y) const {
        if (decision(2, y) > 0) return 1;
        // decision <= 0  <=>  2x^2 - 6x + 3 <= q
        Wide y1 = Wide(y) + 1;
        Wide q = 2 * m_k - 2 * y1 * y1;
        long double estimate = (6.0L + std::sqrt(static_cast<long double>(12 + 8 * q))) / 4.0L;
        std::int64_t x = static_cast<std::int64_t>(std::clamp<long double>(estimate, 2.0L, m_radius + 2.0L));
        while (x > 2 && decision(x, y) > 0)
            --x;
        while (decision(x + 1, y) <= 0)
            ++x;
        return x;
    }

    std::int64_t m_radius;
    Wide m_k{0};
    std::int64_t m_safe_y{-1};
    std::int64_t m_tail_start{0};
    std::int64_t m_last_y{0};
    std::vector<std::int64_t> m_tail_x;
};

struct IntPoint {
    std::int64_t x;
    std::int64_t y;
};

// Ends the shape when a public routine returns, whichever way it does.
class ShapeEnd {
  public:
    explicit ShapeEnd(RasterTarget& target) : m_target(target) {}
    ShapeEnd(const ShapeEnd&) = delete;
    ShapeEnd& operator=(const ShapeEnd&) = delete;
    ~ShapeEnd() { m_target.end_shape(); }

  private:
    RasterTarget& m_target;
};

// The filled circle of the midpoint loop, each row once. Every run the loop
// draws is centred on cx, so the union of a row's runs is its widest run:
// the same pixels as the loop's four runs per step. Neighbouring rows of the
// same width go out as one block, which is fewer shapes for the renderer.
void fill_circle_widest_runs(RasterTarget& target, std::int64_t cx, std::int64_t cy, std::int64_t radius) {
    ClipBounds bounds = effective_bounds(target);
    thread_local std::vector<std::int64_t> widest;
    // Index: row - (cy - radius).
    widest.assign(static_cast<std::size_t>(2 * radius + 1), -1);
    auto widen = [&](std::int64_t offset, std::int64_t half_width) {
        std::int64_t& slot = widest[static_cast<std::size_t>(radius + offset)];
        slot = std::max(slot, half_width);
    };
    std::int64_t x = radius;
    std::int64_t y = 0;
    std::int64_t err = 0;
    while (x >= y) {
        widen(y, x);
        widen(x, y);
        widen(-y, x);
        widen(-x, y);
        y += 1;
        err += 1 + 2 * y;
        if (2 * (err - x) + 1 > 0) {
            x -= 1;
            err += 1 - 2 * x;
        }
    }
    std::size_t i = 0;
    while (i < widest.size()) {
        std::size_t end = i;
        while (end + 1 < widest.size() && widest[end + 1] == widest[i])
            ++end;
        std::int64_t half_width = widest[i];
        std::int64_t top = std::max(cy - radius + static_cast<std::int64_t>(i), bounds.top);
        std::int64_t bottom = std::min(cy - radius + static_cast<std::int64_t>(end), bounds.bottom);
        std::int64_t left = std::max(cx - half_width, bounds.left);
        std::int64_t right = std::min(cx + half_width, bounds.right);
        if (half_width >= 0 && top <= bottom && left <= right)
            target.block(static_cast<std::int32_t>(left), static_cast<std::int32_t>(right),
                         static_cast<std::int32_t>(top), static_cast<std::int32_t>(bottom));
        i = end + 1;
    }
}

// Pixel k of the renderer's line along its major axis, k from 0 to major:
// the minor axis has moved round(k * minor / major) times, halves rounded up,
// which is what the renderer's decision variable (starting at
// 2 * minor - major, moving the minor axis whenever it is not negative) works
// out to.
std::int64_t renderer_minor_steps(std::int64_t k, std::int64_t major, std::int64_t minor) {
    if (major == 0) return 0;
    return floor_div(2 * Wide(k) * minor + major, 2 * Wide(major));
}

// Widens [low, high] by the pixels of the edge a-b (a.y < b.y) in row y, so
// that the line routine's pixels of that edge lie inside the run. Where the
// edge is flatter than 45 degrees those are the columns where the edge runs
// within half a pixel of the row's centre line; where it is steeper, the
// column nearest to the edge at the row's centre. Ties are taken outward.
void widen_by_edge(std::int64_t& low, std::int64_t& high, IntPoint a, IntPoint b, std::int64_t y) {
    if (a.y == b.y) {
        low = std::min({low, a.x, b.x});
        high = std::max({high, a.x, b.x});
        return;
    }
    // Positions along the edge in half pixels from a: x(t) = a.x + dx * t / denominator.
    Wide dx = Wide(b.x) - a.x;
    Wide denominator = 2 * (Wide(b.y) - a.y);
    Wide band_start = std::max<Wide>(2 * Wide(y) - 1, 2 * Wide(a.y)) - 2 * Wide(a.y);
    Wide band_end = std::min<Wide>(2 * Wide(y) + 1, 2 * Wide(b.y)) - 2 * Wide(a.y);
    Wide n1 = dx * band_start;
    Wide n2 = dx * band_end;
    Wide centre = dx * (2 * Wide(y) - 2 * Wide(a.y));
    std::int64_t band_low = a.x + ceil_div(std::min(n1, n2), denominator);
    std::int64_t band_high = a.x + floor_div(std::max(n1, n2), denominator);
    std::int64_t centre_low = a.x + ceil_div(2 * centre - denominator, 2 * denominator);
    std::int64_t centre_high = a.x + floor_div(2 * centre + denominator, 2 * denominator);
    low = std::min({low, band_low, centre_low});
    high = std::max({high, band_high, centre_high});
}

} // namespace

std::int32_t clamp_coordinate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, coordinate_min, coordinate_max));
}

std::int32_t saturate_to_int32(double value) {
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

namespace detail {

void draw_line_literal(RasterTarget& target, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                       std::int32_t y1) {
    ClipBounds bounds = effective_bounds(target);
    std::int64_t dx = std::llabs(std::int64_t(x1) - x0);
    std::int64_t dy = std::llabs(std::int64_t(y1) - y0);
    std::int64_t sx = x0 < x1 ? 1 : -1;
    std::int64_t sy = y0 < y1 ? 1 : -1;
    std::int64_t err = dx - dy;
    std::int64_t x = x0;
    std::int64_t y = y0;
    for (;;) {
        emit_point(target, bounds, x, y);
        if (x == x1 && y == y1) return;
        std::int64_t e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
}

void draw_renderer_line_literal(RasterTarget& target, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                                std::int64_t y1) {
    ClipBounds bounds = effective_bounds(target);
    std::int64_t dx = std::llabs(x1 - x0);
    std::int64_t dy = std::llabs(y1 - y0);
    bool x_major = dx >= dy;
    std::int64_t count = (x_major ? dx : dy) + 1;
    std::int64_t d = x_major ? 2 * dy - dx : 2 * dx - dy;
    std::int64_t d_straight = x_major ? 2 * dy : 2 * dx;
    std::int64_t d_diagonal = x_major ? 2 * (dy - dx) : 2 * (dx - dy);
    std::int64_t x_straight = x_major ? 1 : 0;
    std::int64_t y_straight = x_major ? 0 : 1;
    if (x0 > x1) x_straight = -x_straight;
    if (y0 > y1) y_straight = -y_straight;
    std::int64_t x_diagonal = x0 > x1 ? -1 : 1;
    std::int64_t y_diagonal = y0 > y1 ? -1 : 1;
    std::int64_t x = x0;
    std::int64_t y = y0;
    for (std::int64_t i = 0; i < count; ++i) {
        emit_point(target, bounds, x, y);
        if (d < 0) {
            d += d_straight;
            x += x_straight;
            y += y_straight;
        } else {
            d += d_diagonal;
            x += x_diagonal;
            y += y_diagonal;
        }
    }
}

void draw_circle_literal(RasterTarget& target, std::int64_t cx, std::int64_t cy, std::int64_t radius) {
    if (radius <= 0) return;
    ClipBounds bounds = effective_bounds(target);
    std::int64_t x = radius;
    std::int64_t y = 0;
    std::int64_t err = 0;
    while (x >= y) {
        emit_point(target, bounds, cx + x, cy + y);
        emit_point(target, bounds, cx - x, cy + y);
        emit_point(target, bounds, cx + x, cy - y);
        emit_point(target, bounds, cx - x, cy - y);
        emit_point(target, bounds, cx + y, cy + x);
        emit_point(target, bounds, cx - y, cy + x);
        emit_point(target, bounds, cx + y, cy - x);
        emit_point(target, bounds, cx - y, cy - x);
        y += 1;
        err += 1 + 2 * y;
        if (2 * (err - x) + 1 > 0) {
            x -= 1;
            err += 1 - 2 * x;
        }
    }
}

void fill_circle_literal(RasterTarget& target, std::int64_t cx, std::int64_t cy, std::int64_t radius) {
    if (radius <= 0) return;
    ClipBounds bounds = effective_bounds(target);
    std::int64_t x = radius;
    std::int64_t y = 0;
    std::int64_t err = 0;
    while (x >= y) {
        emit_run(target, bounds, cx - x, cx + x, cy + y);
        emit_run(target, bounds, cx - y, cx + y, cy + x);
        emit_run(target, bounds, cx - x, cx + x, cy - y);
        emit_run(target, bounds, cx - y, cx + y, cy - x);
        y += 1;
        err += 1 + 2 * y;
        if (2 * (err - x) + 1 > 0) {
            x -= 1;
            err += 1 - 2 * x;
        }
    }
}

// Row r = cy +- d holds the points of the steps with y == d (at x offsets
// +-x) and of the steps with x == d (at x offsets +-y).
void draw_circle_by_rows(RasterTarget& target, std::int64_t cx, std::int64_t cy, std::int64_t radius) {
    ClipBounds bounds = effective_bounds(target);
    if (radius <= 0 || circle_misses(bounds, cx, cy, radius)) return;
    MidpointCircle circle(radius);
    std::int64_t first_row = std::max(bounds.top, cy - radius);
    std::int64_t last_row = std::min(bounds.bottom, cy + radius);
    for (std::int64_t row = first_row; row <= last_row; ++row) {
        std::int64_t d = std::llabs(row - cy);
        if (d <= circle.last_y()) {
            std::int64_t x = circle.x_at(d);
            emit_point(target, bounds, cx - x, row);
            emit_point(target, bounds, cx + x, row);
        }
        auto [first, last] = circle.steps_with_x(d);
        if (first > last) continue;
        // Right side: columns cx + first .. cx + last; left: cx - last .. cx - first.
        for (std::int64_t x = std::max(cx + first, bounds.left); x <= std::min(cx + last, bounds.right); ++x)
            emit_point(target, bounds, x, row);
        for (std::int64_t x = std::max(cx - last, bounds.left); x <= std::min(cx - first, bounds.right); ++x)
            emit_point(target, bounds, x, row);
    }
}

// The runs of one row all share the centre, so the row is the widest of them.
void fill_circle_by_rows(RasterTarget& target, std::int64_t cx, std::int64_t cy, std::int64_t radius) {
    ClipBounds bounds = effective_bounds(target);
    if (radius <= 0 || circle_misses(bounds, cx, cy, radius)) return;
    MidpointCircle circle(radius);
    std::int64_t first_row = std::max(bounds.top, cy - radius);
    std::int64_t last_row = std::min(bounds.bottom, cy + radius);
    for (std::int64_t row = first_row; row <= last_row; ++row) {
        std::int64_t d = std::llabs(row - cy);
        std::int64_t half_width = -1;
        if (d <= circle.last_y()) half_width = circle.x_at(d);
        auto [first, last] = circle.steps_with_x(d);
        if (first <= last) half_width = std::max(half_width, last);
        if (half_width >= 0) emit_run(target, bounds, cx - half_width, cx + half_width, row);
    }
}

} // namespace detail

namespace {

void line_pixels(RasterTarget& target, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    ClipBounds bounds = effective_bounds(target);
    if (bounds.is_empty()) return;
    std::int64_t dx = std::llabs(std::int64_t(x1) - x0);
    std::int64_t dy = std::llabs(std::int64_t(y1) - y0);
    std::int64_t sx = x0 < x1 ? 1 : -1;
    std::int64_t sy = y0 < y1 ? 1 : -1;
    // Along the major axis every step moves by one; the steps whose major
    // coordinate lies within the bounds are the only ones that can be drawn.
    bool x_major = dx >= dy;
    std::int64_t steps = std::max(dx, dy);
    std::int64_t major_start = x_major ? x0 : y0;
    std::int64_t major_sign = x_major ? sx : sy;
    std::int64_t low = x_major ? bounds.left : bounds.top;
    std::int64_t high = x_major ? bounds.right : bounds.bottom;
    std::int64_t first = major_sign > 0 ? low - major_start : major_start - high;
    std::int64_t last = major_sign > 0 ? high - major_start : major_start - low;
    first = std::max<std::int64_t>(first, 0);
    last = std::min(last, steps);
    if (first > last) return;

    // After k steps the minor axis has moved ceil((2k minor - major) / (2 major))
    // times (never fewer than zero): the loop moves it whenever the error term
    // says the line has passed the half-way mark.
    std::int64_t major_delta = x_major ? dx : dy;
    std::int64_t minor_delta = x_major ? dy : dx;
    std::int64_t minor_steps = 0;
    if (first > 0) {
        Wide numerator = 2 * Wide(first) * minor_delta - major_delta;
        if (numerator > 0) minor_steps = ceil_div(numerator, 2 * Wide(major_delta));
    }
    std::int64_t x_steps = x_major ? first : minor_steps;
    std::int64_t y_steps = x_major ? minor_steps : first;
    std::int64_t err = static_cast<std::int64_t>(Wide(dx) - dy - Wide(x_steps) * dy + Wide(y_steps) * dx);
    std::int64_t x = x0 + sx * x_steps;
    std::int64_t y = y0 + sy * y_steps;
    for (std::int64_t k = first;; ++k) {
        emit_point(target, bounds, x, y);
        if (k == last) return;
        std::int64_t e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
}

} // namespace

void draw_line(RasterTarget& target, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    ShapeEnd end(target);
    line_pixels(target, x0, y0, x1, y1);
}

void draw_renderer_line(RasterTarget& target, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                        std::int64_t y1) {
    ShapeEnd end(target);
    ClipBounds bounds = effective_bounds(target);
    if (bounds.is_empty()) return;
    std::int64_t dx = std::llabs(x1 - x0);
    std::int64_t dy = std::llabs(y1 - y0);
    std::int64_t sx = x0 > x1 ? -1 : 1;
    std::int64_t sy = y0 > y1 ? -1 : 1;
    bool x_major = dx >= dy;
    std::int64_t major = x_major ? dx : dy;
    std::int64_t minor = x_major ? dy : dx;
    std::int64_t major_start = x_major ? x0 : y0;
    std::int64_t major_sign = x_major ? sx : sy;
    std::int64_t low = x_major ? bounds.left : bounds.top;
    std::int64_t high = x_major ? bounds.right : bounds.bottom;
    std::int64_t first = std::max<std::int64_t>(major_sign > 0 ? low - major_start : major_start - high, 0);
    std::int64_t last = std::min(major_sign > 0 ? high - major_start : major_start - low, major);
    for (std::int64_t k = first; k <= last; ++k) {
        std::int64_t m = renderer_minor_steps(k, major, minor);
        if (x_major)
            emit_point(target, bounds, x0 + sx * k, y0 + sy * m);
        else
            emit_point(target, bounds, x0 + sx * m, y0 + sy * k);
    }
}

bool clip_rect(const ClipBounds& bounds, std::int64_t& x, std::int64_t& y, std::int64_t& w, std::int64_t& h,
               bool outline) {
    std::int64_t margin = outline ? 1 : 0;
    std::int64_t left = std::max(x, bounds.left - margin);
    std::int64_t top = std::max(y, bounds.top - margin);
    std::int64_t right = std::min(x + w - 1, bounds.right + margin);
    std::int64_t bottom = std::min(y + h - 1, bounds.bottom + margin);
    if (w <= 0 || h <= 0 || right < left || bottom < top) return false;
    x = left;
    y = top;
    w = right - left + 1;
    h = bottom - top + 1;
    return true;
}

void draw_circle(RasterTarget& target, std::int32_t cx, std::int32_t cy, std::int32_t radius) {
    ShapeEnd end(target);
    ClipBounds bounds = effective_bounds(target);
    if (radius <= 0 || circle_misses(bounds, cx, cy, radius)) return;
    if (radius <= literal_radius_limit(bounds))
        detail::draw_circle_literal(target, cx, cy, radius);
    else
        detail::draw_circle_by_rows(target, cx, cy, radius);
}

void fill_circle(RasterTarget& target, std::int32_t cx, std::int32_t cy, std::int32_t radius) {
    ShapeEnd end(target);
    ClipBounds bounds = effective_bounds(target);
    if (radius <= 0 || circle_misses(bounds, cx, cy, radius)) return;
    if (radius <= literal_radius_limit(bounds))
        fill_circle_widest_runs(target, cx, cy, radius);
    else
        detail::fill_circle_by_rows(target, cx, cy, radius);
}

void draw_triangle(RasterTarget& target, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                   std::int32_t x3, std::int32_t y3) {
    ShapeEnd end(target);
    line_pixels(target, x1, y1, x2, y2);
    line_pixels(target, x2, y2, x3, y3);
    line_pixels(target, x3, y3, x1, y1);
}

void fill_triangle(RasterTarget& target, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                   std::int32_t x3, std::int32_t y3) {
    ShapeEnd end(target);
    std::array<IntPoint, 3> v{IntPoint{x1, y1}, IntPoint{x2, y2}, IntPoint{x3, y3}};
    std::stable_sort(v.begin(), v.end(), [](const IntPoint& a, const IntPoint& b) { return a.y < b.y; });
    const IntPoint& top = v[0];
    const IntPoint& middle = v[1];
    const IntPoint& bottom = v[2];
    if (top.y == bottom.y) return;
    ClipBounds bounds = effective_bounds(target);
    if (bounds.is_empty()) return;
    std::int64_t first_row = std::max(top.y, bounds.top);
    std::int64_t last_row = std::min(bottom.y, bounds.bottom);
    for (std::int64_t y = first_row; y <= last_row; ++y) {
        std::int64_t low = std::numeric_limits<std::int64_t>::max();
        std::int64_t high = std::numeric_limits<std::int64_t>::min();
        widen_by_edge(low, high, top, bottom, y);
        if (y <= middle.y) widen_by_edge(low, high, top, middle, y);
        if (y >= middle.y) widen_by_edge(low, high, middle, bottom, y);
        emit_run(target, bounds, low, high, y);
    }
}

void fill_polygon(RasterTarget& target, const std::vector<PointF>& points) {
    ShapeEnd end(target);
    std::size_t count = points.size();
    if (count < 3) return;
    ClipBounds bounds = effective_bounds(target);
    if (bounds.is_empty()) return;
    // A NaN coordinate has no place in the order of rows or crossings; such a
    // point bounds no rows, and a crossing computed from it is dropped.
    double y_min = std::numeric_limits<double>::infinity();
    double y_max = -std::numeric_limits<double>::infinity();
    for (const PointF& point : points) {
        if (std::isnan(point.y)) continue;
        y_min = std::min(y_min, point.y);
        y_max = std::max(y_max, point.y);
    }
    if (y_min > y_max) return;
    std::int64_t first_row = std::max<std::int64_t>(saturate_to_int32(std::floor(y_min)), bounds.top);
    std::int64_t last_row = std::min<std::int64_t>(saturate_to_int32(std::ceil(y_max)), bounds.bottom);
    std::vector<double> crossings;
    crossings.reserve(count);
    for (std::int64_t y = first_row; y <= last_row; ++y) {
        double h = static_cast<double>(y) + 0.5;
        crossings.clear();
        for (std::size_t i = 0; i < count; ++i) {
            const PointF& a = points[i];
            const PointF& b = points[(i + 1) % count];
            if ((a.y <= h && h < b.y) || (b.y <= h && h < a.y)) {
                double x = a.x + (b.x - a.x) * ((h - a.y) / (b.y - a.y));
                if (!std::isnan(x)) crossings.push_back(x);
            }
        }
        if (crossings.size() < 2) continue;
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            std::int64_t start = saturate_to_int32(std::ceil(crossings[i]));
            std::int64_t end = saturate_to_int32(std::floor(crossings[i + 1]));
            if (end >= start) emit_run(target, bounds, start, end, y);
        }
    }
}

void draw_polygon(RasterTarget& target, const std::vector<PointF>& points) {
    ShapeEnd end(target);
    std::size_t count = points.size();
    if (count < 2) return;
    for (std::size_t i = 0; i < count; ++i) {
        const PointF& a = points[i];
        const PointF& b = points[(i + 1) % count];
        line_pixels(target, saturate_to_int32(a.x), saturate_to_int32(a.y), saturate_to_int32(b.x),
                    saturate_to_int32(b.y));
    }
}

} // namespace wexlin::graphics
