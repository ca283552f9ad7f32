// Text for games: a fixed 8x8 bitmap font laid out as filled rectangles.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "interpreter/graphics_ops/graphics_state.h"

namespace wexlin::graphics {

// The rows of a character's glyph, top first, the most significant bit the
// leftmost column. Characters outside printable ASCII share a filled box.
const std::array<std::uint8_t, 8>& glyph_of(char32_t c);

// Appends the rectangles that draw `text` (UTF-8) with its first glyph's
// top-left corner at (x, y), each glyph 8 * scale pixels wide and high, a
// line feed starting a new line 8 * scale pixels lower at x. The rectangles
// are cut to the bounds, and the work stays in proportion to the text's
// length however far off or large it is drawn. Nothing for a scale below 1.
void lay_out_text(std::string_view text, std::int64_t x, std::int64_t y, std::int64_t scale,
                  const ClipBounds& bounds, std::vector<PixelRect>& out);

} // namespace wexlin::graphics
