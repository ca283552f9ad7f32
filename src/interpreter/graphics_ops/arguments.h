// Argument reading shared by the sdl2 functions and the graphics builtins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "interpreter/graphics_ops/raster.h"
#include "interpreter/value.h"

namespace wexlin::graphics {

// Reads the first `count` arguments of the module function `name` as numbers
// into `out`. The count is checked first ("NAME requires N arguments"), then
// the arguments left to right ("NAME: argument I must be a number"); the
// answer is the Error to give back, or nullopt when all were read.
std::optional<Value> read_numbers(std::string_view name, const std::vector<Value>& args, std::size_t count,
                                  std::int64_t* out);

// Like read_numbers without messages, for the builtins that answer Null:
// false when there are fewer than `count` arguments or one is not a number.
bool read_numbers_quietly(const std::vector<Value>& args, std::size_t count, std::int64_t* out);

// The [x, y] pairs of a points list; elements that are not an array starting
// with two numbers are skipped.
std::vector<PointF> read_points(const Value& list);

} // namespace wexlin::graphics
