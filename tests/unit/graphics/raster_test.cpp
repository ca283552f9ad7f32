#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <random>
#include <set>

#include "interpreter/graphics_ops/graphics_state.h"
#include "interpreter/graphics_ops/narrow_fill.h"
#include "recording_target.h"

namespace wexlin::graphics {
namespace {

using testing::point;
using testing::RecordingTarget;
using testing::run;

constexpr std::int32_t int32_min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t int32_max = std::numeric_limits<std::int32_t>::max();

ClipBounds window(std::int64_t width, std::int64_t height) {
    return ClipBounds{0, 0, width - 1, height - 1};
}

TEST(Conversions, ClampCoordinate) {
    EXPECT_EQ(clamp_coordinate(0), 0);
    EXPECT_EQ(clamp_coordinate(-1073741824), -1073741824);
    EXPECT_EQ(clamp_coordinate(-1073741825), -1073741824);
    EXPECT_EQ(clamp_coordinate(1073741823), 1073741823);
    EXPECT_EQ(clamp_coordinate(int32_max), 1073741823);
    EXPECT_EQ(clamp_coordinate(std::numeric_limits<std::int64_t>::min()), -1073741824);
}

TEST(Conversions, SaturateToInt32) {
    EXPECT_EQ(saturate_to_int32(2.9), 2);
    EXPECT_EQ(saturate_to_int32(-2.9), -2);
    EXPECT_EQ(saturate_to_int32(1e300), int32_max);
    EXPECT_EQ(saturate_to_int32(-1e300), int32_min);
    EXPECT_EQ(saturate_to_int32(std::numeric_limits<double>::infinity()), int32_max);
    EXPECT_EQ(saturate_to_int32(std::nan("")), 0);
    EXPECT_EQ(saturate_to_int32(2147483646.9), 2147483646);
}

// --- Lines ---

TEST(Line, BothEndsAndAllOctants) {
    RecordingTarget target;
    draw_line(target, 0, 0, 3, 1);
    EXPECT_EQ(target.emitted, (std::vector{point(0, 0), point(1, 0), point(2, 1), point(3, 1)}));
    target.emitted.clear();
    draw_line(target, 3, 1, 0, 0);
    EXPECT_EQ(target.emitted, (std::vector{point(3, 1), point(2, 1), point(1, 0), point(0, 0)}));
    target.emitted.clear();
    draw_line(target, 0, 0, -1, -3);
    EXPECT_EQ(target.emitted, (std::vector{point(0, 0), point(0, -1), point(-1, -2), point(-1, -3)}));
    target.emitted.clear();
    draw_line(target, 5, 5, 5, 5);
    EXPECT_EQ(target.emitted, std::vector{point(5, 5)});
}

// Jumping to the first visible step must give exactly the points the full
// walk gives inside the bounds, in the same order.
TEST(Line, ClippedWalkMatchesFullWalk) {
    std::mt19937 random(12345);
    const ClipBounds bounds = window(80, 60);
    for (int spread : {100, 3000, 1 << 20}) {
        std::uniform_int_distribution<std::int32_t> coordinate(-spread, spread);
        int count = spread > 5000 ? 40 : 3000;
        for (int i = 0; i < count; ++i) {
            std::int32_t x0 = coordinate(random), y0 = coordinate(random);
            std::int32_t x1 = coordinate(random), y1 = coordinate(random);
            if (i % 7 == 0) y1 = y0 + (x1 - x0);
            if (i % 11 == 0) x1 = x0;
            if (i % 13 == 0) y1 = y0;
            RecordingTarget full(bounds), jumped(bounds);
            detail::draw_line_literal(full, x0, y0, x1, y1);
            draw_line(jumped, x0, y0, x1, y1);
            ASSERT_EQ(full.emitted, jumped.emitted) << x0 << "," << y0 << " -> " << x1 << "," << y1;
        }
    }
}

// The renderer's own line, cut to the bounds, must light the pixels its full
// walk lights there, in the same order.
TEST(Line, RendererLineCutToTheBoundsMatchesItsFullWalk) {
    std::mt19937 random(4242);
    const ClipBounds bounds = window(80, 60);
    for (int spread : {100, 3000}) {
        std::uniform_int_distribution<std::int32_t> coordinate(-spread, spread);
        for (int i = 0; i < 3000; ++i) {
            std::int32_t x0 = coordinate(random), y0 = coordinate(random);
            std::int32_t x1 = coordinate(random), y1 = coordinate(random);
            if (i % 7 == 0) y1 = y0 - (x1 - x0);
            if (i % 11 == 0) x1 = x0;
            if (i % 13 == 0) y1 = y0;
            if (i % 17 == 0) x1 = x0 + 2 * (y1 - y0);
            RecordingTarget full(bounds), cut(bounds);
            detail::draw_renderer_line_literal(full, x0, y0, x1, y1);
            draw_renderer_line(cut, x0, y0, x1, y1);
            ASSERT_EQ(full.emitted, cut.emitted) << x0 << "," << y0 << " -> " << x1 << "," << y1;
        }
    }
    // Ties go the renderer's way: a step of (2, 1) takes the diagonal first,
    // where the line routine of the outlines goes straight first.
    RecordingTarget renderer, outline;
    draw_renderer_line(renderer, 0, 0, 2, 1);
    draw_line(outline, 0, 0, 2, 1);
    EXPECT_EQ(renderer.emitted, (std::vector{point(0, 0), point(1, 1), point(2, 1)}));
    EXPECT_EQ(outline.emitted, (std::vector{point(0, 0), point(1, 0), point(2, 1)}));
    // End points two thousand million pixels apart: only the window's part.
    RecordingTarget far(window(640, 480));
    draw_renderer_line(far, -1000000000, -999999999, 1000000000, 1000000001);
    EXPECT_EQ(far.emitted.size(), 479u);
    EXPECT_EQ(far.emitted.front(), point(0, 1));
    EXPECT_EQ(far.emitted.back(), point(478, 479));
}

TEST(Rect, NarrowColumnsCoverTheSamePixels) {
    for (std::int32_t w = 1; w <= 600; ++w) {
        std::vector<PixelRect> columns;
        append_narrow_columns(PixelRect{-7, 3, w, 2}, columns);
        bool split = w > narrow_column_width && w < narrow_fill_limit;
        ASSERT_EQ(columns.size() > 1, split) << w;
        // Side by side from the left edge, each as high as the rectangle,
        // together exactly as wide, and none wide enough to be streamed.
        std::int32_t x = -7;
        for (const PixelRect& column : columns) {
            EXPECT_EQ(column.x, x) << w;
            EXPECT_EQ(column.y, 3) << w;
            EXPECT_EQ(column.h, 2) << w;
            EXPECT_GE(column.w, 1) << w;
            if (split) {
                EXPECT_LE(column.w, narrow_column_width) << w;
            }
            x += column.w;
        }
        EXPECT_EQ(x, -7 + w) << w;
    }
}

TEST(Rect, CutToTheBounds) {
    const ClipBounds bounds = window(640, 480);
    struct Case {
        std::int64_t x, y, w, h;
        bool outline;
        bool visible;
        std::int64_t cx, cy, cw, ch;
    };
    const Case cases[] = {
        {10, 10, 5, 5, false, true, 10, 10, 5, 5},
        {-1073741824, -5, 2147483647, 20, false, true, 0, 0, 640, 15},
        {-1073741824, -5, 2147483647, 20, true, true, -1, -1, 642, 16},
        {640, 0, 10, 10, false, false, 0, 0, 0, 0},
        {640, 0, 10, 10, true, true, 640, 0, 1, 10},
        {641, 0, 10, 10, true, false, 0, 0, 0, 0},
        {-100, -100, 99, 99, true, false, 0, 0, 0, 0},
        {-100, -100, 100, 100, true, true, -1, -1, 1, 1},
    };
    for (const Case& c : cases) {
        std::int64_t x = c.x, y = c.y, w = c.w, h = c.h;
        ASSERT_EQ(clip_rect(bounds, x, y, w, h, c.outline), c.visible) << c.x << "," << c.y;
        if (c.visible) {
            EXPECT_EQ((std::vector{x, y, w, h}), (std::vector{c.cx, c.cy, c.cw, c.ch})) << c.x;
        }
    }
}

TEST(Line, CoordinatesAtTheLimitsStayWithinTheWindow) {
    RecordingTarget target(window(80, 60));
    draw_line(target, int32_min, 7, int32_max, 7);
    EXPECT_EQ(target.emitted.size(), 80u);
    EXPECT_EQ(target.emitted.front(), point(0, 7));
    EXPECT_EQ(target.emitted.back(), point(79, 7));

    target.emitted.clear();
    draw_line(target, int32_min, int32_min, int32_max, int32_max);
    ASSERT_EQ(target.emitted.size(), 60u);
    for (std::int32_t k = 0; k < 60; ++k)
        EXPECT_EQ(target.emitted[std::size_t(k)], point(k, k));

    target.emitted.clear();
    draw_line(target, int32_max, int32_min, int32_max, int32_max);
    EXPECT_TRUE(target.emitted.empty());
}

// --- Circles ---

TEST(Circle, RadiusOnePlotsTheFourNeighboursTwice) {
    RecordingTarget target;
    draw_circle(target, 10, 20, 1);
    EXPECT_EQ(target.emitted, (std::vector{point(11, 20), point(9, 20), point(11, 20), point(9, 20),
                                           point(10, 21), point(10, 21), point(10, 19), point(10, 19)}));
}

TEST(Circle, NonPositiveRadiusDrawsNothing) {
    RecordingTarget target;
    for (std::int32_t radius : {0, -3, int32_min}) {
        draw_circle(target, 50, 50, radius);
        fill_circle(target, 50, 50, radius);
    }
    EXPECT_TRUE(target.emitted.empty());
}

TEST(Circle, OutlineShape) {
    RecordingTarget target;
    draw_circle(target, 5, 5, 5);
    EXPECT_EQ(target.picture(0, 0, 10, 10), "....###....\n"
                                            "...#...#...\n"
                                            "..#.....#..\n"
                                            ".#.......#.\n"
                                            "#.........#\n"
                                            "#.........#\n"
                                            "#.........#\n"
                                            ".#.......#.\n"
                                            "..#.....#..\n"
                                            "...#...#...\n"
                                            "....###....\n");
}

TEST(Circle, FillOfRadiusOne) {
    RecordingTarget target;
    fill_circle(target, 50, 50, 1);
    EXPECT_EQ(target.emitted, (std::vector{run(50, 50, 49), run(49, 51, 50), run(50, 50, 51)}));
    EXPECT_EQ(target.shapes, 1);
}

// The fill draws each row once, as its widest run, and lights exactly the
// pixels of the loop's four runs per step.
TEST(Circle, FillDrawsEachRowOnceWithTheLoopsPixels) {
    for (std::int64_t r = 1; r <= 200; ++r) {
        for (auto [cx, cy] :
             std::vector<std::pair<std::int32_t, std::int32_t>>{{20, 15}, {-3, 40}, {50, -10}}) {
            RecordingTarget loop(window(60, 45)), fill(window(60, 45));
            detail::fill_circle_literal(loop, cx, cy, r);
            fill_circle(fill, cx, cy, static_cast<std::int32_t>(r));
            ASSERT_EQ(loop.pixels(), fill.pixels()) << "r=" << r << " centre " << cx << "," << cy;
            std::set<std::int32_t> rows;
            for (const auto& e : fill.emitted)
                ASSERT_TRUE(rows.insert(e.y).second) << "row " << e.y << " twice, r=" << r;
        }
    }
}

TEST(Circle, FillCoversTheOutline) {
    RecordingTarget outline, filled;
    draw_circle(outline, 5, 5, 5);
    fill_circle(filled, 5, 5, 5);
    EXPECT_EQ(filled.picture(0, 0, 10, 10), "....###....\n"
                                            "...#####...\n"
                                            "..#######..\n"
                                            ".#########.\n"
                                            "###########\n"
                                            "###########\n"
                                            "###########\n"
                                            ".#########.\n"
                                            "..#######..\n"
                                            "...#####...\n"
                                            "....###....\n");
    for (auto pixel : outline.pixels())
        EXPECT_TRUE(filled.pixels().contains(pixel));
}

// The row-by-row strategy must light exactly the pixels the midpoint loop
// lights inside the bounds, for radii all along the range.
TEST(Circle, RowsMatchTheLoop) {
    std::vector<std::int64_t> radii;
    for (std::int64_t r = 1; r <= 300; ++r)
        radii.push_back(r);
    for (std::int64_t r : {1000, 4097, 12345, 65536, 99991, 1000003, 3000017})
        radii.push_back(r);
    for (std::int64_t r : radii) {
        // Windows through the centre, across the rim at several angles, and
        // off to the side.
        std::int64_t rim = r * 7071 / 10000;
        std::vector<std::pair<std::int64_t, std::int64_t>> centres{
            {20, 15}, {20 - r, 15}, {20 + rim, 15 + rim}, {20, 15 - r}, {-r / 3, 30 + r}, {40, 15 + r / 2}};
        for (auto [cx, cy] : centres) {
            for (bool fill : {false, true}) {
                RecordingTarget loop(window(40, 30)), rows(window(40, 30));
                if (fill) {
                    detail::fill_circle_literal(loop, cx, cy, r);
                    detail::fill_circle_by_rows(rows, cx, cy, r);
                } else {
                    detail::draw_circle_literal(loop, cx, cy, r);
                    detail::draw_circle_by_rows(rows, cx, cy, r);
                }
                ASSERT_EQ(loop.pixels(), rows.pixels())
                    << "r=" << r << " centre " << cx << "," << cy << (fill ? " fill" : " outline");
            }
        }
    }
}

TEST(Circle, LargestRadiusTouchesOnlyTheRowsInsideTheWindow) {
    // The top of a circle of radius near 2^31 crosses row 290: near its top
    // the loop keeps x at the radius for tens of thousands of steps, so that
    // whole row is lit and nothing else in the window.
    constexpr std::int32_t radius = int32_max - 1000;
    RecordingTarget target(window(800, 600));
    draw_circle(target, 400, 290 + radius, radius);
    EXPECT_EQ(target.pixels().size(), 800u);
    for (auto [x, y] : target.pixels())
        EXPECT_EQ(y, 290);

    RecordingTarget filled(window(800, 600));
    fill_circle(filled, 400, 290 + radius, radius);
    EXPECT_EQ(filled.pixels().size(), 800u * 310u);

    RecordingTarget around(window(800, 600));
    fill_circle(around, 400, 300, int32_max);
    EXPECT_EQ(around.pixels().size(), 800u * 600u);
    draw_circle(around, 400, 300, int32_max);
    EXPECT_EQ(around.emitted.size(), 600u);
}

// --- Triangles ---

TEST(Triangle, DegenerateOutlineIsOnePointThreeTimes) {
    RecordingTarget target;
    draw_triangle(target, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(target.emitted, (std::vector{point(0, 0), point(0, 0), point(0, 0)}));
}

TEST(Triangle, FillOnOneRowDrawsNothing) {
    RecordingTarget target;
    fill_triangle(target, 0, 5, 10, 5, 20, 5);
    EXPECT_TRUE(target.emitted.empty());
}

TEST(Triangle, FlatTopAndFlatBottomAreFilled) {
    RecordingTarget target;
    fill_triangle(target, 0, 0, 8, 0, 4, 4);
    EXPECT_EQ(target.picture(0, 0, 8, 4), "#########\n"
                                          ".#######.\n"
                                          "..#####..\n"
                                          "...###...\n"
                                          "....#....\n");
    target.emitted.clear();
    fill_triangle(target, 4, 0, 0, 4, 8, 4);
    EXPECT_EQ(target.picture(0, 0, 8, 4), "....#....\n"
                                          "...###...\n"
                                          "..#####..\n"
                                          ".#######.\n"
                                          "#########\n");
}

// One run per row from the top vertex to the bottom one, reaching exactly to
// the outline's outermost pixel of that row or one beyond, so the outline lies
// on or next to the fill.
TEST(Triangle, FillHugsItsOutline) {
    std::mt19937 random(777);
    std::uniform_int_distribution<std::int32_t> coordinate(-30, 30);
    for (int i = 0; i < 3000; ++i) {
        std::int32_t c[6];
        for (auto& v : c)
            v = coordinate(random);
        if (i % 5 == 0) c[3] = c[1];
        RecordingTarget outline, filled;
        draw_triangle(outline, c[0], c[1], c[2], c[3], c[4], c[5]);
        fill_triangle(filled, c[0], c[1], c[2], c[3], c[4], c[5]);
        std::int32_t top = std::min({c[1], c[3], c[5]});
        std::int32_t bottom = std::max({c[1], c[3], c[5]});
        if (top == bottom) {
            EXPECT_TRUE(filled.emitted.empty());
            continue;
        }
        std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> outline_rows;
        for (auto [x, y] : outline.pixels()) {
            auto [it, fresh] = outline_rows.try_emplace(y, x, x);
            it->second.first = std::min(it->second.first, x);
            it->second.second = std::max(it->second.second, x);
        }
        ASSERT_EQ(filled.emitted.size(), std::size_t(bottom - top + 1));
        for (const auto& e : filled.emitted) {
            ASSERT_TRUE(e.is_run);
            auto [low, high] = outline_rows.at(e.y);
            EXPECT_TRUE(e.x1 == low || e.x1 == low - 1) << i << " row " << e.y;
            EXPECT_TRUE(e.x2 == high || e.x2 == high + 1) << i << " row " << e.y;
        }
    }
}

TEST(Triangle, HugeTriangleIsClippedToTheWindow) {
    RecordingTarget target(window(800, 600));
    fill_triangle(target, int32_min, int32_min, int32_max, 0, 0, int32_max);
    ASSERT_EQ(target.emitted.size(), 600u);
    for (std::int32_t y = 0; y < 600; ++y)
        EXPECT_EQ(target.emitted[std::size_t(y)], run(0, 799, y));
    target.emitted.clear();
    draw_triangle(target, int32_min, int32_min, int32_max, int32_max, int32_max, int32_min);
    EXPECT_FALSE(target.emitted.empty());
    EXPECT_LE(target.emitted.size(), 800u);
}

// --- Polygons ---

TEST(Polygon, SquareRowsAreElevenPixelsWide) {
    RecordingTarget target;
    fill_polygon(target, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    std::vector<testing::Emitted> expected;
    for (std::int32_t y = 0; y < 10; ++y)
        expected.push_back(run(0, 10, y));
    EXPECT_EQ(target.emitted, expected);
}

TEST(Polygon, StarLeavesItsCentreEmpty) {
    // Five tips of a star, listed in star order (every second tip).
    std::vector<PointF> tips;
    for (int i = 0; i < 5; ++i) {
        double angle = -M_PI / 2 + i * 4 * M_PI / 5;
        tips.push_back({50 + 40 * std::cos(angle), 50 + 40 * std::sin(angle)});
    }
    RecordingTarget target;
    fill_polygon(target, tips);
    auto pixels = target.pixels();
    EXPECT_FALSE(pixels.contains({50, 50}));
    EXPECT_FALSE(pixels.contains({50, 45}));
    EXPECT_TRUE(pixels.contains({50, 15}));  // inside the top tip
    EXPECT_TRUE(pixels.contains({20, 40}));  // inside the left tip
    EXPECT_FALSE(pixels.contains({50, 85})); // between the two lower tips
}

TEST(Polygon, OutlineOfTwoPointsDrawsTheSegmentTwice) {
    RecordingTarget target;
    draw_polygon(target, {{0, 0}, {2, 0}});
    EXPECT_EQ(target.emitted,
              (std::vector{point(0, 0), point(1, 0), point(2, 0), point(2, 0), point(1, 0), point(0, 0)}));
}

TEST(Polygon, OutlineTruncatesTowardZero) {
    RecordingTarget target;
    draw_polygon(target, {{0.9, -0.9}, {2.7, 0.2}, {0.1, 0.5}});
    EXPECT_EQ(target.emitted, (std::vector{point(0, 0), point(1, 0), point(2, 0), point(2, 0), point(1, 0),
                                           point(0, 0), point(0, 0)}));
}

TEST(Polygon, FarAndNonFiniteCoordinatesFinish) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    RecordingTarget target(window(100, 80));
    fill_polygon(target, {{-1e300, -1e300}, {1e300, -1e300}, {1e300, 1e300}, {-1e300, 1e300}});
    EXPECT_EQ(target.pixels().size(), 100u * 80u);
    target.emitted.clear();
    fill_polygon(target, {{0, 0}, {inf, 10}, {nan, 20}, {-inf, nan}, {5, inf}});
    draw_polygon(target, {{0, 0}, {inf, 10}, {nan, 20}, {-inf, nan}, {5, -inf}});
    for (const auto& e : target.emitted) {
        EXPECT_TRUE(target.bounds().contains(e.x1, e.y));
        EXPECT_TRUE(target.bounds().contains(e.x2, e.y));
    }
}

TEST(Clipping, NothingLeavesTheBounds) {
    std::mt19937 random(99);
    std::uniform_int_distribution<std::int32_t> coordinate(-200, 200);
    const ClipBounds bounds{-20, -10, 30, 25};
    RecordingTarget target(bounds);
    for (int i = 0; i < 300; ++i) {
        std::int32_t c[6];
        for (auto& v : c)
            v = coordinate(random);
        draw_circle(target, c[0], c[1], c[2]);
        fill_circle(target, c[0], c[1], c[2]);
        draw_triangle(target, c[0], c[1], c[2], c[3], c[4], c[5]);
        fill_triangle(target, c[0], c[1], c[2], c[3], c[4], c[5]);
        fill_polygon(
            target,
            {{double(c[0]), double(c[1])}, {double(c[2]), double(c[3])}, {double(c[4]), double(c[5])}});
    }
    ASSERT_FALSE(target.emitted.empty());
    for (const auto& e : target.emitted) {
        EXPECT_LE(e.x1, e.x2);
        EXPECT_TRUE(bounds.contains(e.x1, e.y) && bounds.contains(e.x2, e.y));
    }
}

} // namespace
} // namespace wexlin::graphics
