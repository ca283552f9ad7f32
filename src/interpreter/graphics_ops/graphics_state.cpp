#include "interpreter/graphics_ops/graphics_state.h"

namespace wexlin {

GraphicsState::~GraphicsState() {
    // The renderer and window go first, then the subsystems that carried them.
    canvas.reset();
    event_pump.reset();
    sdl_context.reset();
}

} // namespace wexlin
