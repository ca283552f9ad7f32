#include "interpreter/graphics_ops/arguments.h"

#include <string>

namespace wexlin::graphics {

std::optional<Value> read_numbers(std::string_view name, const std::vector<Value>& args, std::size_t count,
                                  std::int64_t* out) {
    if (args.size() < count) {
        std::string message(name);
        message += " requires " + std::to_string(count) + (count == 1 ? " argument" : " arguments");
        return Value::error(std::move(message));
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!numeric_argument(args[i], out[i])) {
            std::string message(name);
            message += ": argument " + std::to_string(i + 1) + " must be a number";
            return Value::error(std::move(message));
        }
    }
    return std::nullopt;
}

bool read_numbers_quietly(const std::vector<Value>& args, std::size_t count, std::int64_t* out) {
    if (args.size() < count) return false;
    for (std::size_t i = 0; i < count; ++i) {
        if (!numeric_argument(args[i], out[i])) return false;
    }
    return true;
}

namespace {

bool point_coordinate(const Value& value, double& out) {
    if (value.is_number()) {
        out = static_cast<double>(value.as_number());
        return true;
    }
    if (value.is_float()) {
        out = value.as_float();
        return true;
    }
    return false;
}

} // namespace

std::vector<PointF> read_points(const Value& list) {
    std::vector<PointF> points;
    for (const Value& element : list.as_array()) {
        if (!element.is_array()) continue;
        const ValueArray& pair = element.as_array();
        PointF point;
        if (pair.size() < 2 || !point_coordinate(pair[0], point.x) || !point_coordinate(pair[1], point.y))
            continue;
        points.push_back(point);
    }
    return points;
}

} // namespace wexlin::graphics
