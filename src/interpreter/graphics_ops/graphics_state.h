// The graphics state every interpreter carries: one window, its renderer, the
// event pump, key sets, draw colour and frame timing.
#pragma once

namespace wexlin {

struct GraphicsState {
    GraphicsState() = default;
    GraphicsState(const GraphicsState&) = delete;
    GraphicsState& operator=(const GraphicsState&) = delete;
    ~GraphicsState() = default;
};

} // namespace wexlin
