// Filled rectangles cut into narrow columns for SDL's software renderer.
//
// That renderer fills a row of 64 bytes or more with stores that bypass the
// cache and ends each rectangle with a fence. For the small shapes of a game
// that is many times slower than plain stores: a 20x20 rectangle costs about
// as much as a 40x40 one cut into columns, and a filled circle's widest rows
// pay the same price. Rows of at most 15 pixels (60 bytes at four bytes a
// pixel) are filled with plain stores, so a rectangle is handed over as side
// by side columns no wider than that. Only very wide rectangles, whose long
// rows stream well, are left whole. The columns cover exactly the pixels of
// the rectangle, so what is drawn does not change.
#pragma once

#include <cstdint>
#include <vector>

namespace wexlin::graphics {

inline constexpr std::int32_t narrow_column_width = 15;
// From this width on a rectangle is filled whole.
inline constexpr std::int32_t narrow_fill_limit = 512;

// Appends `rect` to `out`, cut into columns of nearly equal width, none wider
// than narrow_column_width, when it is wider than that and narrower than
// narrow_fill_limit; otherwise unchanged. `Rect` has int fields x, y, w, h.
template <typename Rect>
void append_narrow_columns(const Rect& rect, std::vector<Rect>& out) {
    if (rect.w <= narrow_column_width || rect.w >= narrow_fill_limit) {
        out.push_back(rect);
        return;
    }
    std::int32_t columns = (rect.w + narrow_column_width - 1) / narrow_column_width;
    std::int32_t base = rect.w / columns;
    std::int32_t wider = rect.w % columns;
    std::int32_t x = rect.x;
    for (std::int32_t i = 0; i < columns; ++i) {
        Rect column = rect;
        column.x = x;
        column.w = base + (i < wider ? 1 : 0);
        out.push_back(column);
        x += column.w;
    }
}

} // namespace wexlin::graphics
