// A raster target that records what the routines emit, for exact checks.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "interpreter/graphics_ops/raster.h"

namespace wexlin::graphics::testing {

struct Emitted {
    bool is_run{false};
    std::int32_t x1{0};
    std::int32_t x2{0};
    std::int32_t y{0};
    bool operator==(const Emitted&) const = default;
};

class RecordingTarget : public RasterTarget {
  public:
    // Default bounds: everything the clamp lets through.
    RecordingTarget() : m_bounds{coordinate_min, coordinate_min, coordinate_max, coordinate_max} {}
    explicit RecordingTarget(ClipBounds bounds) : m_bounds(bounds) {}

    void plot(std::int32_t x, std::int32_t y) override { emitted.push_back({false, x, x, y}); }
    void horizontal_run(std::int32_t x1, std::int32_t x2, std::int32_t y) override {
        emitted.push_back({true, x1, x2, y});
    }
    ClipBounds bounds() const override { return m_bounds; }
    void end_shape() override { ++shapes; }

    // Every pixel touched, as (x, y).
    std::set<std::pair<std::int64_t, std::int64_t>> pixels() const {
        std::set<std::pair<std::int64_t, std::int64_t>> result;
        for (const Emitted& e : emitted) {
            for (std::int64_t x = e.x1; x <= e.x2; ++x)
                result.emplace(x, e.y);
        }
        return result;
    }

    // Rows top..bottom, columns left..right as '#' and '.'.
    std::string picture(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) const {
        auto set = pixels();
        std::string text;
        for (std::int64_t y = top; y <= bottom; ++y) {
            for (std::int64_t x = left; x <= right; ++x)
                text += set.contains({x, y}) ? '#' : '.';
            text += '\n';
        }
        return text;
    }

    std::vector<Emitted> emitted;
    int shapes{0};

  private:
    ClipBounds m_bounds;
};

inline Emitted point(std::int32_t x, std::int32_t y) {
    return {false, x, x, y};
}
inline Emitted run(std::int32_t x1, std::int32_t x2, std::int32_t y) {
    return {true, x1, x2, y};
}

} // namespace wexlin::graphics::testing
