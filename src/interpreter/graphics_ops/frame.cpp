#include "interpreter/graphics_ops/frame.h"

#include <SDL_keycode.h>
#include <cmath>
#include <thread>

namespace wexlin::graphics {

namespace {

double seconds_of(GraphicsState::Clock::duration elapsed) {
    auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
    return static_cast<double>(nanoseconds / 1'000'000'000) +
           static_cast<double>(nanoseconds % 1'000'000'000) / 1e9;
}

} // namespace

std::string_view key_name(std::int32_t key_code) {
    static constexpr std::string_view letters[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i",
                                                   "j", "k", "l", "m", "n", "o", "p", "q", "r",
                                                   "s", "t", "u", "v", "w", "x", "y", "z"};
    static constexpr std::string_view digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    if (key_code >= SDLK_a && key_code <= SDLK_z) return letters[key_code - SDLK_a];
    if (key_code >= SDLK_0 && key_code <= SDLK_9) return digits[key_code - SDLK_0];
    switch (key_code) {
    case SDLK_SPACE: return "space";
    case SDLK_RETURN: return "return";
    case SDLK_ESCAPE: return "escape";
    case SDLK_BACKSPACE: return "backspace";
    case SDLK_TAB: return "tab";
    case SDLK_UP: return "up";
    case SDLK_DOWN: return "down";
    case SDLK_LEFT: return "left";
    case SDLK_RIGHT: return "right";
    case SDLK_LSHIFT: return "lshift";
    case SDLK_RSHIFT: return "rshift";
    case SDLK_LCTRL: return "lctrl";
    case SDLK_RCTRL: return "rctrl";
    case SDLK_LALT: return "lalt";
    case SDLK_RALT: return "ralt";
    default: return "unknown";
    }
}

std::string_view button_name(InputEvent::Button button) {
    switch (button) {
    case InputEvent::Button::Left: return "mouse_left";
    case InputEvent::Button::Middle: return "mouse_middle";
    case InputEvent::Button::Right: return "mouse_right";
    case InputEvent::Button::None: break;
    }
    return {};
}

void apply_event(GraphicsState& state, const InputEvent& event) {
    switch (event.kind) {
    case InputEvent::Kind::Quit: state.window_open = false; break;
    case InputEvent::Kind::KeyDown:
        if (event.key_code == 0 || event.repeat) break;
        state.pressed_keys.emplace(key_name(event.key_code));
        state.held_keys.emplace(key_name(event.key_code));
        break;
    case InputEvent::Kind::KeyUp:
        if (event.key_code == 0) break;
        state.released_keys.emplace(key_name(event.key_code));
        state.held_keys.erase(std::string(key_name(event.key_code)));
        break;
    case InputEvent::Kind::MouseMotion:
        state.mouse_x = event.x;
        state.mouse_y = event.y;
        break;
    case InputEvent::Kind::MouseDown:
    case InputEvent::Kind::MouseUp: {
        state.mouse_x = event.x;
        state.mouse_y = event.y;
        std::string_view name = button_name(event.button);
        if (name.empty()) break;
        if (event.kind == InputEvent::Kind::MouseDown) {
            state.pressed_keys.emplace(name);
            state.held_keys.emplace(name);
        } else {
            state.released_keys.emplace(name);
            state.held_keys.erase(std::string(name));
        }
        break;
    }
    case InputEvent::Kind::Other: break;
    }
}

void end_frame(GraphicsState& state) {
    if (state.canvas) state.canvas->present();
    auto now = GraphicsState::Clock::now();
    auto elapsed = now - state.last_frame;
    state.delta_time = seconds_of(elapsed);
    // A cap whose low 32 bits are 0 has no frame length; it means no wait.
    if (state.max_fps && *state.max_fps != 0) {
        auto target = std::chrono::nanoseconds(std::llround(1.0 / static_cast<double>(*state.max_fps) * 1e9));
        if (elapsed < target) {
            std::this_thread::sleep_for(target - elapsed);
            now = GraphicsState::Clock::now();
            state.delta_time = seconds_of(now - state.last_frame);
        }
    }
    state.last_frame = now;
    state.released_keys.clear();
    state.pressed_keys.clear();
    if (!state.event_pump) return;
    InputEvent event;
    while (state.event_pump->poll(event))
        apply_event(state, event);
}

} // namespace wexlin::graphics
