// The end of a frame: present, measure, cap the frame rate, collect input.
#pragma once

#include <cstdint>
#include <string_view>

#include "interpreter/graphics_ops/graphics_state.h"

namespace wexlin::graphics {

// The fixed name of a key code: letters and digits as themselves, a few named
// keys, and "unknown" for every other non-zero code.
std::string_view key_name(std::int32_t key_code);

// The key name under which a mouse button joins the key sets ("mouse_left",
// "mouse_middle", "mouse_right"); empty for the other buttons, which take no
// part in them.
std::string_view button_name(InputEvent::Button button);

// Presents the frame (with a window), sets delta_time to the frame's length,
// sleeps out the rest of the frame under a cap, starts the next frame, and
// polls the window system's events into the key sets and window_open.
void end_frame(GraphicsState& state);

// Applies one polled event to the key sets and window_open.
void apply_event(GraphicsState& state, const InputEvent& event);

} // namespace wexlin::graphics
