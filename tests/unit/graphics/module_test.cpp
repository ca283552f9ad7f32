#include <SDL_keycode.h>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

#include "fake_window.h"
#include "interpreter/graphics_ops/font.h"
#include "interpreter/graphics_ops/frame.h"
#include "interpreter/graphics_ops/graphics_builtins.h"
#include "interpreter/graphics_ops/window.h"
#include "interpreter/module_entry.h"

namespace wexlin::graphics {
namespace {

using testing::FakeWindow;

Value num(std::int64_t n) {
    return Value::number(n);
}
Value flt(double f) {
    return Value::floating(f);
}
Value str(const char* s) {
    return Value::string(s);
}
Value arr(std::vector<Value> items) {
    return Value::array(std::move(items));
}
Value pt(std::int64_t x, std::int64_t y) {
    return arr({num(x), num(y)});
}

Value call(GraphicsState& state, const std::string& name, std::vector<Value> args) {
    std::optional<Value> result = sdl2_call("sdl2." + name, args, state);
    if (!result) ADD_FAILURE() << name << " is not a function";
    return result.value_or(Value::null());
}

struct Refusal {
    const char* name;
    std::vector<Value> args;
    const char* message;
};

// Every argument message, checked with and without a window; a refused call
// hands nothing to the window and changes no state.
TEST(Sdl2Module, ArgumentMessages) {
    const std::vector<Refusal> cases{
        {"create_window", {str("t"), num(1)}, "create_window requires title, width, height"},
        {"create_window", {num(1), num(2), num(3)}, "create_window: title must be a string"},
        {"create_window", {str("t"), num(0), num(100)}, "create_window: width and height must be positive"},
        {"create_window", {str("t"), str("a"), num(100)}, "create_window: width and height must be positive"},
        {"create_window", {str("t"), num(100), flt(0.5)}, "create_window: width and height must be positive"},
        {"set_window_title", {str("x")}, "set_window_title requires window handle and title"},
        {"set_window_title", {num(1), num(2)}, "set_window_title: title must be a string"},
        {"set_window_mode", {}, "set_window_mode requires a mode string"},
        {"set_window_mode",
         {str("full")},
         "Invalid window mode. Use 'windowed', 'fullscreen', or 'windowed_fullscreen'"},
        {"set_draw_color", {num(255), num(0)}, "set_draw_color requires 3 arguments"},
        {"set_draw_color", {num(1), str("2"), num(3)}, "set_draw_color: argument 2 must be a number"},
        {"set_max_fps", {}, "set_max_fps requires 1 argument"},
        {"set_max_fps", {str("60")}, "set_max_fps: argument 1 must be a number"},
        {"set_max_fps", {num(0)}, "FPS must be greater than 0"},
        {"set_max_fps", {num(-5)}, "FPS must be greater than 0"},
        {"set_max_fps", {flt(0.9)}, "FPS must be greater than 0"},
        {"draw_point", {num(1)}, "draw_point requires 2 arguments"},
        {"draw_point", {num(1), Value::null()}, "draw_point: argument 2 must be a number"},
        {"draw_line", {str("a")}, "draw_line requires 4 arguments"},
        {"draw_line", {num(0), num(0), str("a"), num(1)}, "draw_line: argument 3 must be a number"},
        {"draw_rect", {num(0), num(0), num(1)}, "draw_rect requires 4 arguments"},
        {"draw_rect", {arr({}), str("x"), num(1), num(1)}, "draw_rect: argument 1 must be a number"},
        {"fill_rect", {num(0), num(0), num(1)}, "fill_rect requires 4 arguments"},
        {"fill_rect",
         {num(0), num(0), num(1), Value::boolean(true)},
         "fill_rect: argument 4 must be a number"},
        {"draw_circle", {num(0), num(0)}, "draw_circle requires 3 arguments"},
        {"draw_circle", {num(0), num(0), str("5")}, "draw_circle: argument 3 must be a number"},
        {"fill_circle", {num(0), num(0)}, "fill_circle requires 3 arguments"},
        {"fill_circle", {num(0), str("0"), num(5)}, "fill_circle: argument 2 must be a number"},
        {"draw_triangle", {num(0), num(0), num(0), num(0), num(0)}, "draw_triangle requires 6 arguments"},
        {"draw_triangle",
         {num(0), num(0), num(0), num(0), num(0), str("0")},
         "draw_triangle: argument 6 must be a number"},
        {"fill_triangle", {num(0), num(0), num(0), num(0), num(0)}, "fill_triangle requires 6 arguments"},
        {"fill_triangle",
         {num(0), num(0), num(0), num(0), str("0"), num(0)},
         "fill_triangle: argument 5 must be a number"},
        {"fill_polygon", {}, "fill_polygon requires an array of [x,y] points"},
        {"fill_polygon", {num(5)}, "fill_polygon: argument must be an array of [x,y] pairs"},
        {"fill_polygon", {arr({pt(0, 0), str("a"), pt(5, 5)})}, "fill_polygon requires at least 3 points"},
        {"fill_polygon", {arr({pt(0, 0), pt(10, 0)})}, "fill_polygon requires at least 3 points"},
        {"draw_polygon", {}, "draw_polygon requires an array of [x,y] points"},
        {"draw_polygon", {num(5)}, "draw_polygon: argument must be an array of [x,y] pairs"},
        {"draw_polygon",
         {arr({pt(0, 0), arr({num(1)}), arr({num(1), str("2")})})},
         "draw_polygon requires at least 2 points"},
        {"get_input_pressed", {}, "get_input_pressed requires a key name"},
        {"get_input_released", {}, "get_input_released requires a key name"},
        {"get_input_held", {}, "get_input_held requires a key name"},
        {"draw_text", {str("a"), num(1)}, "draw_text requires text, x, y"},
        {"draw_text", {str("a"), str("1"), num(1)}, "draw_text: argument 2 must be a number"},
        {"draw_text", {str("a"), num(1), Value::null()}, "draw_text: argument 3 must be a number"},
        {"draw_text", {str("a"), num(1), num(1), str("2")}, "draw_text: argument 4 must be a number"},
        {"draw_text", {str("a"), num(1), num(1), num(0)}, "draw_text: scale must be at least 1"},
        {"draw_text", {str("a"), num(1), num(1), flt(0.9)}, "draw_text: scale must be at least 1"},
    };
    for (bool with_window : {false, true}) {
        FakeWindow window;
        GraphicsState plain;
        GraphicsState& state = with_window ? window.state : plain;
        for (const Refusal& refusal : cases) {
            Value result = call(state, refusal.name, refusal.args);
            ASSERT_TRUE(result.is_error()) << refusal.name << ": " << result.display_text();
            EXPECT_EQ(result.error_message(), refusal.message);
        }
        EXPECT_TRUE(window.log.empty());
        EXPECT_EQ(state.window_mode, "windowed");
        EXPECT_FALSE(state.max_fps.has_value());
        EXPECT_EQ(state.draw_color, (Rgba{255, 255, 255, 255}));
    }
}

TEST(Sdl2Module, NamesAreExactAndComplete) {
    GraphicsState state;
    std::vector<Value> none;
    EXPECT_FALSE(sdl2_call("sdl2.nothing", none, state).has_value());
    EXPECT_FALSE(sdl2_call("sdl2.Init", none, state).has_value());
    EXPECT_FALSE(sdl2_call("init", none, state).has_value());
    const char* names[] = {"init",           "destroy_window", "get_window_mode",  "clear_screen",
                           "render_present", "delta_time",     "get_window_width", "get_window_height",
                           "is_window_open", "get_mouse_x",    "get_mouse_y"};
    for (const char* name : names)
        EXPECT_TRUE(sdl2_call(std::string("sdl2.") + name, none, state).has_value()) << name;
}

TEST(Sdl2Module, WithoutAWindow) {
    GraphicsState state;
    EXPECT_TRUE(call(state, "init", {}).as_bool());
    EXPECT_FALSE(call(state, "is_window_open", {}).as_bool());
    EXPECT_TRUE(call(state, "get_window_width", {}).is_null());
    EXPECT_TRUE(call(state, "get_window_height", {}).is_null());
    EXPECT_TRUE(call(state, "draw_line", {num(0), num(0), num(5), num(5)}).is_null());
    EXPECT_TRUE(call(state, "fill_polygon", {arr({pt(0, 0), pt(9, 0), pt(0, 9)})}).is_null());
    EXPECT_TRUE(call(state, "clear_screen", {}).is_null());
    EXPECT_TRUE(call(state, "set_window_title", {num(1), str("x")}).is_null());
    // Only recorded, also the colour.
    EXPECT_TRUE(call(state, "set_window_mode", {str("FULLSCREEN")}).is_null());
    EXPECT_EQ(call(state, "get_window_mode", {}).as_string(), "fullscreen");
    EXPECT_TRUE(call(state, "set_draw_color", {num(1), num(2), num(3)}).is_null());
    EXPECT_EQ(state.draw_color, (Rgba{1, 2, 3, 255}));
    EXPECT_TRUE(call(state, "render_present", {}).is_null());
    EXPECT_TRUE(state.pressed_keys.empty() && state.released_keys.empty() && state.held_keys.empty());
    EXPECT_GE(call(state, "delta_time", {}).as_float(), 0.0);
}

TEST(Sdl2Module, WindowFunctions) {
    FakeWindow window;
    GraphicsState& state = window.state;
    EXPECT_EQ(call(state, "get_window_width", {}).as_number(), 640);
    EXPECT_EQ(call(state, "get_window_height", {}).as_number(), 480);
    EXPECT_TRUE(call(state, "set_window_mode", {str("Windowed_FullScreen")}).is_null());
    EXPECT_TRUE(call(state, "set_window_mode", {str("fullscreen")}).is_null());
    EXPECT_TRUE(call(state, "set_window_mode", {str("windowed")}).is_null());
    EXPECT_EQ(window.log, (std::vector<std::string>{"fullscreen 2", "fullscreen 1", "fullscreen 0"}));
    // A window already created stays: a second creation changes nothing.
    EXPECT_EQ(call(state, "create_window", {str("again"), num(10), num(10)}).as_number(), 1);
    EXPECT_EQ(window.canvas, state.canvas.get());
    EXPECT_TRUE(call(state, "destroy_window", {num(1)}).is_null());
    EXPECT_FALSE(call(state, "is_window_open", {}).as_bool());
    EXPECT_EQ(call(state, "get_window_width", {}).as_number(), 640);
}

TEST(Sdl2Module, WhatDrawingHandsToTheWindow) {
    FakeWindow window;
    GraphicsState& state = window.state;
    call(state, "draw_point", {num(5000000000), num(0)});
    call(state, "draw_point", {num(3000000000), flt(-1e30)});
    call(state, "draw_rect", {num(10), num(10), num(0), num(0)});
    call(state, "fill_rect", {num(10), num(10), num(-5), num(5)});
    call(state, "fill_rect", {num(0), num(0), num(4294967296 + 7), num(1073741822)});
    call(state, "draw_circle", {num(50), num(50), num(0)});
    call(state, "draw_circle", {num(50), num(50), num(-3)});
    // Everything is cut to the 640x480 window: points outside it are not
    // handed over, nor rectangles that reach far beyond it.
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "rect 10 10 1 1",
                              "fill_rect 10 10 630 5",
                              "fill_rect 0 0 7 480",
                          }));
    window.log.clear();
    // Inside the window SDL draws the line; a line leaving it arrives as the
    // points of SDL's line that lie inside, here its first rows.
    call(state, "draw_point", {num(639), num(479)});
    call(state, "draw_line", {num(0), num(0), num(639), num(479)});
    call(state, "draw_line", {flt(1.9), flt(-1.9), num(-5), num(1073741824)});
    ASSERT_EQ(window.log.size(), 3u);
    EXPECT_EQ(window.log[0], "point 639 479");
    EXPECT_EQ(window.log[1], "line 0 0 639 479");
    EXPECT_EQ(window.log[2].substr(0, 24), "points 1,0 1,1 1,2 1,3 1");
    EXPECT_EQ(std::count(window.log[2].begin(), window.log[2].end(), ','), 480);
    window.log.clear();
    // The outline keeps its visible edges: cut one pixel outside the window.
    call(state, "draw_rect", {num(-100), num(5), num(200), num(2000)});
    call(state, "draw_rect", {num(-100), num(-100), num(50), num(50)});
    call(state, "fill_rect", {num(640), num(0), num(10), num(10)});
    EXPECT_EQ(window.log, (std::vector<std::string>{"rect -1 5 101 476"}));
    window.log.clear();
    // One batch per shape.
    call(state, "fill_circle", {num(50), num(50), num(1)});
    EXPECT_EQ(window.log, (std::vector<std::string>{"fill_rects 50,49,1,1 49,50,3,1 50,51,1,1"}));
    window.log.clear();
    // Rows of equal width go as one rectangle: radius 10 has 21 rows of 15
    // widths, the middle five rows all 21 pixels wide.
    call(state, "fill_circle", {num(50), num(50), num(10)});
    ASSERT_EQ(window.log.size(), 1u);
    EXPECT_EQ(std::count(window.log[0].begin(), window.log[0].end(), ' '), 15);
    EXPECT_NE(window.log[0].find(" 40,48,21,5 "), std::string::npos);
    window.log.clear();
    call(state, "draw_triangle", {num(0), num(0), num(0), num(0), num(0), num(0)});
    EXPECT_EQ(window.log, (std::vector<std::string>{"points 0,0 0,0 0,0"}));
    window.log.clear();
    call(state, "fill_triangle", {num(0), num(5), num(10), num(5), num(20), num(5)});
    EXPECT_TRUE(window.log.empty());
}

TEST(Sdl2Module, SameDrawingForEqualArguments) {
    auto drawn = [](const std::string& name, std::vector<Value> args) {
        FakeWindow window;
        EXPECT_TRUE(call(window.state, name, std::move(args)).is_null());
        EXPECT_FALSE(window.log.empty());
        return window.log;
    };
    EXPECT_EQ(drawn("draw_circle", {flt(10.9), flt(10.2), flt(5.99)}),
              drawn("draw_circle", {num(10), num(10), num(5)}));
    EXPECT_EQ(drawn("fill_polygon", {arr({arr({num(0), num(0), num(99)}), pt(10, 0), pt(5, 8)})}),
              drawn("fill_polygon", {arr({pt(0, 0), pt(10, 0), pt(5, 8)})}));
    EXPECT_EQ(drawn("draw_polygon", {arr({pt(0, 0), str("skip"), arr({flt(10.7), num(0)})})}),
              drawn("draw_polygon", {arr({pt(0, 0), pt(10, 0)})}));
    EXPECT_EQ(drawn("fill_rect", {num(3), num(4), num(5), flt(6.9)}),
              (std::vector<std::string>{"fill_rect 3 4 5 6"}));
}

TEST(Sdl2Module, DrawColour) {
    FakeWindow window;
    GraphicsState& state = window.state;
    call(state, "set_draw_color", {num(511), num(-1), flt(2.9)});
    call(state, "set_draw_color", {num(255), num(255), num(2)});
    call(state, "set_draw_color", {num(256), num(-1), num(300)});
    EXPECT_EQ(window.log, (std::vector<std::string>{"color 255 255 2 255", "color 0 255 44 255"}));
    window.log.clear();
    // Clearing leaves black in force; asking for black again sends nothing.
    call(state, "clear_screen", {});
    call(state, "set_draw_color", {num(0), num(0), num(0)});
    EXPECT_EQ(window.log, (std::vector<std::string>{"color 0 0 0 255", "clear"}));
    EXPECT_EQ(state.draw_color, (Rgba{0, 0, 0, 255}));
}

TEST(Sdl2Module, RendererFailuresBecomeErrors) {
    FakeWindow window;
    GraphicsState& state = window.state;
    window.canvas->refuse_color = true;
    Value refused = call(state, "set_draw_color", {num(1), num(2), num(3)});
    ASSERT_TRUE(refused.is_error());
    EXPECT_EQ(refused.error_message(), "renderer lost");
    EXPECT_EQ(state.draw_color, (Rgba{255, 255, 255, 255}));
    window.canvas->refuse_color = false;
    window.canvas->refuse_clear = true;
    Value not_cleared = call(state, "clear_screen", {});
    ASSERT_TRUE(not_cleared.is_error());
    EXPECT_EQ(not_cleared.error_message(), "Could not clear: renderer lost");
    std::vector<Value> none;
    EXPECT_TRUE(builtin_clear(none, state).is_null());
}

// --- Window creation ---

TEST(WindowCreation, OnceAndInLineWithTheRecordedColour) {
    std::vector<std::string> log;
    std::deque<InputEvent> events;
    int attempts = 0;
    WindowOpener failing = [&](std::string_view, std::int32_t, std::int32_t) -> std::optional<OpenedWindow> {
        ++attempts;
        return std::nullopt;
    };
    WindowOpener opening = [&](std::string_view title, std::int32_t w, std::int32_t h) {
        ++attempts;
        log.push_back(std::string(title) + " " + std::to_string(w) + "x" + std::to_string(h));
        OpenedWindow opened;
        opened.library = std::make_unique<LibraryStart>();
        opened.event_pump = std::make_unique<testing::FakePump>(events);
        opened.canvas = std::make_unique<testing::FakeCanvas>(log);
        return std::optional<OpenedWindow>(std::move(opened));
    };
    GraphicsState state;
    state.delta_time = 5.0;
    std::vector<Value> color{num(9), num(8), num(7)};
    sdl2_call("sdl2.set_draw_color", color, state);

    open_window(state, "first", 10, 10, failing);
    EXPECT_FALSE(state.canvas || state.sdl_context || state.event_pump || state.window_open);
    open_window(state, "second", 320, 200, opening);
    EXPECT_TRUE(state.canvas && state.sdl_context && state.event_pump && state.window_open);
    EXPECT_EQ(state.delta_time, 0.0);
    open_window(state, "third", 10, 10, opening);
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(log, (std::vector<std::string>{"second 320x200", "color 9 8 7 255"}));
    // The renderer already holds the colour, so asking for white works.
    sdl2_call("sdl2.set_draw_color", color, state);
    std::vector<Value> white{num(255), num(255), num(255)};
    sdl2_call("sdl2.set_draw_color", white, state);
    EXPECT_EQ(log.back(), "color 255 255 255 255");
}

// --- Frame end and input ---

InputEvent key_down(std::int32_t code, bool repeat = false) {
    return {InputEvent::Kind::KeyDown, code, repeat};
}
InputEvent key_up(std::int32_t code) {
    return {InputEvent::Kind::KeyUp, code, false};
}

std::string keys(GraphicsState& state, const char* key) {
    std::string flags;
    for (const char* query : {"get_input_pressed", "get_input_held", "get_input_released"})
        flags += call(state, query, {str(key)}).as_bool() ? "1" : "0";
    return flags;
}

TEST(FrameEnd, KeyTransitionsPerPass) {
    FakeWindow window;
    GraphicsState& state = window.state;
    auto pass = [&](std::vector<InputEvent> events) {
        for (auto& e : events)
            window.events.push_back(e);
        call(state, "render_present", {});
    };
    pass({key_down(SDLK_a)});
    EXPECT_EQ(keys(state, "a"), "110");
    pass({key_down(SDLK_a, true), key_down(SDLK_a, true)});
    EXPECT_EQ(keys(state, "a"), "010");
    pass({});
    EXPECT_EQ(keys(state, "a"), "010");
    pass({key_up(SDLK_a)});
    EXPECT_EQ(keys(state, "a"), "001");
    pass({});
    EXPECT_EQ(keys(state, "a"), "000");
    // Pressed and released between two frame ends: both, but not held.
    pass({key_down(SDLK_SPACE), key_up(SDLK_SPACE)});
    EXPECT_EQ(keys(state, "space"), "101");
    EXPECT_EQ(keys(state, "SPACE"), "000");
    // Unnamed keys share one name.
    pass({key_down(SDLK_F1), key_down(SDLK_F2)});
    EXPECT_EQ(keys(state, "unknown"), "110");
    pass({key_up(SDLK_F1)});
    EXPECT_EQ(keys(state, "unknown"), "001");
    // Key code 0 is no key; the number 5 asks for the key "5".
    pass({key_down(0), key_down(SDLK_5), {InputEvent::Kind::Other, 0, false}});
    EXPECT_TRUE(call(state, "get_input_held", {num(5)}).as_bool());
    EXPECT_EQ(state.held_keys.size(), 1u);
    EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "present"), 9);
}

InputEvent mouse(InputEvent::Kind kind, std::int32_t x, std::int32_t y,
                 InputEvent::Button button = InputEvent::Button::None) {
    InputEvent event;
    event.kind = kind;
    event.x = x;
    event.y = y;
    event.button = button;
    return event;
}

TEST(FrameEnd, MouseButtonsJoinTheKeySets) {
    GraphicsState plain;
    EXPECT_TRUE(call(plain, "get_mouse_x", {}).is_null());
    EXPECT_TRUE(call(plain, "get_mouse_y", {}).is_null());
    FakeWindow window;
    GraphicsState& state = window.state;
    EXPECT_EQ(call(state, "get_mouse_x", {}).as_number(), 0);
    auto pass = [&](std::vector<InputEvent> events) {
        for (auto& e : events)
            window.events.push_back(e);
        call(state, "render_present", {});
    };
    using Kind = InputEvent::Kind;
    using Button = InputEvent::Button;
    pass({mouse(Kind::MouseMotion, 10, 20), mouse(Kind::MouseMotion, 30, 40)});
    EXPECT_EQ(call(state, "get_mouse_x", {}).as_number(), 30);
    EXPECT_EQ(call(state, "get_mouse_y", {}).as_number(), 40);
    pass({mouse(Kind::MouseDown, 31, 41, Button::Left)});
    EXPECT_EQ(keys(state, "mouse_left"), "110");
    EXPECT_EQ(call(state, "get_mouse_x", {}).as_number(), 31);
    pass({});
    EXPECT_EQ(keys(state, "mouse_left"), "010");
    pass({mouse(Kind::MouseUp, 32, 42, Button::Left)});
    EXPECT_EQ(keys(state, "mouse_left"), "001");
    EXPECT_EQ(call(state, "get_mouse_y", {}).as_number(), 42);
    pass({mouse(Kind::MouseDown, 0, 0, Button::Right), mouse(Kind::MouseUp, 0, 0, Button::Right),
          mouse(Kind::MouseDown, 0, 0, Button::Middle), mouse(Kind::MouseDown, 0, 0, Button::None)});
    EXPECT_EQ(keys(state, "mouse_right"), "101");
    EXPECT_EQ(keys(state, "mouse_middle"), "110");
    EXPECT_EQ(keys(state, "mouse_left"), "000");
    EXPECT_EQ(state.held_keys.size(), 1u);
}

TEST(FrameEnd, QuitClosesForGood) {
    FakeWindow window;
    GraphicsState& state = window.state;
    window.events.push_back({InputEvent::Kind::Quit, 0, false});
    EXPECT_TRUE(call(state, "is_window_open", {}).as_bool());
    call(state, "render_present", {});
    EXPECT_FALSE(call(state, "is_window_open", {}).as_bool());
    window.events.push_back({InputEvent::Kind::Quit, 0, false});
    call(state, "render_present", {});
    EXPECT_FALSE(call(state, "is_window_open", {}).as_bool());
}

TEST(FrameEnd, CapKeepsTheLow32Bits) {
    GraphicsState state;
    EXPECT_TRUE(call(state, "set_max_fps", {num(4294967296 + 60)}).is_null());
    EXPECT_EQ(state.max_fps, 60u);
    EXPECT_TRUE(call(state, "set_max_fps", {flt(120.9)}).is_null());
    EXPECT_EQ(state.max_fps, 120u);
    // A cap whose low 32 bits are 0 means no wait.
    EXPECT_TRUE(call(state, "set_max_fps", {num(4294967296)}).is_null());
    EXPECT_EQ(state.max_fps, 0u);
    EXPECT_TRUE(call(state, "render_present", {}).is_null());
    EXPECT_TRUE(std::isfinite(call(state, "delta_time", {}).as_float()));
}

// --- Text ---

TEST(Text, OneBatchInTheDrawColour) {
    FakeWindow window;
    GraphicsState& state = window.state;
    // Space draws nothing; without a window nothing is drawn either.
    EXPECT_TRUE(call(state, "draw_text", {str(" "), num(0), num(0)}).is_null());
    GraphicsState plain;
    EXPECT_TRUE(call(plain, "draw_text", {str("A"), num(0), num(0)}).is_null());
    EXPECT_TRUE(window.log.empty());
    // The top row of "A" is three pixels in columns 2 to 4; at scale 2 they
    // are a 6x2 block. The number 7 is drawn as its display text.
    call(state, "draw_text", {str("A"), num(10), num(20)});
    call(state, "draw_text", {str("A"), num(10), num(20), flt(2.5)});
    call(state, "draw_text", {num(7), num(0), num(0)});
    ASSERT_EQ(window.log.size(), 3u);
    EXPECT_EQ(window.log[0].substr(0, 22), "fill_rects 12,20,3,1 1");
    EXPECT_EQ(window.log[1].substr(0, 22), "fill_rects 14,20,6,2 1");
    EXPECT_EQ(window.log[2].substr(0, 20), "fill_rects 1,0,5,1 5");
}

TEST(KeyNames, Table) {
    EXPECT_EQ(key_name(SDLK_a), "a");
    EXPECT_EQ(key_name(SDLK_z), "z");
    EXPECT_EQ(key_name(SDLK_0), "0");
    EXPECT_EQ(key_name(SDLK_9), "9");
    const std::pair<SDL_Keycode, const char*> named[] = {
        {SDLK_SPACE, "space"},         {SDLK_RETURN, "return"}, {SDLK_ESCAPE, "escape"},
        {SDLK_BACKSPACE, "backspace"}, {SDLK_TAB, "tab"},       {SDLK_UP, "up"},
        {SDLK_DOWN, "down"},           {SDLK_LEFT, "left"},     {SDLK_RIGHT, "right"},
        {SDLK_LSHIFT, "lshift"},       {SDLK_RSHIFT, "rshift"}, {SDLK_LCTRL, "lctrl"},
        {SDLK_RCTRL, "rctrl"},         {SDLK_LALT, "lalt"},     {SDLK_RALT, "ralt"},
        {SDLK_F1, "unknown"},          {SDLK_KP_1, "unknown"},  {SDLK_LGUI, "unknown"},
        {SDLK_COMMA, "unknown"},       {'A', "unknown"},
    };
    for (auto [code, name] : named)
        EXPECT_EQ(key_name(code), name) << code;
}

// --- Top-level builtins ---

Value builtin(Value (*f)(std::vector<Value>&, GraphicsState&), GraphicsState& state,
              std::vector<Value> args) {
    return f(args, state);
}

TEST(Builtins, ShapeValues) {
    GraphicsState state;
    EXPECT_EQ(builtin(builtin_rect, state, {num(10), num(20), num(30), num(40)}).display_text(),
              "Rect(10, 20, 30, 40)");
    EXPECT_EQ(builtin(builtin_rect, state, {flt(1.9), flt(-1.9), num(0), num(-5)}).display_text(),
              "Rect(1, -1, 0, 4294967291)");
    EXPECT_EQ(
        builtin(builtin_rect, state, {num(4294967297), num(0), num(0), num(0), str("extra")}).display_text(),
        "Rect(1, 0, 0, 0)");
    EXPECT_TRUE(builtin(builtin_rect, state, {num(10), num(20), num(30)}).is_null());
    EXPECT_TRUE(builtin(builtin_rect, state, {num(10), num(20), str("30"), num(40)}).is_null());
    EXPECT_EQ(builtin(builtin_color, state, {num(256), num(-1), num(300)}).display_text(),
              "Color(0, 255, 44)");
    EXPECT_TRUE(builtin(builtin_color, state, {num(1), num(2)}).is_null());
    EXPECT_EQ(builtin(builtin_circle, state, {num(100), num(100), num(0)}).display_text(),
              "Circle(100, 100, 0)");
    EXPECT_TRUE(builtin(builtin_circle, state, {num(1), Value::null(), num(2)}).is_null());
    EXPECT_EQ(
        builtin(builtin_triangle, state, {num(1), num(2), num(3), num(4), num(5), flt(-6.5)}).display_text(),
        "Triangle(1, 2, 3, 4, 5, -6)");
    EXPECT_TRUE(builtin(builtin_triangle, state, {num(1), num(2), num(3), num(4), num(5)}).is_null());
}

TEST(Builtins, DrawAndFillNeedAShapeAndAColour) {
    FakeWindow window;
    GraphicsState& state = window.state;
    Value c = builtin(builtin_color, state, {num(4), num(5), num(6)});
    Value r = builtin(builtin_rect, state, {num(0), num(0), num(5), num(5)});
    EXPECT_TRUE(
        builtin(builtin_draw, state, {builtin(builtin_color, state, {num(1), num(2), num(3)}), c}).is_null());
    EXPECT_TRUE(builtin(builtin_fill, state, {r, num(7)}).is_null());
    EXPECT_TRUE(builtin(builtin_fill, state, {r}).is_null());
    EXPECT_TRUE(builtin(builtin_draw, state, {c, r}).is_null());
    EXPECT_TRUE(window.log.empty());
    EXPECT_EQ(state.draw_color, (Rgba{255, 255, 255, 255}));
}

TEST(Builtins, DrawAndFillShapes) {
    FakeWindow window;
    GraphicsState& state = window.state;
    Value red = builtin(builtin_color, state, {num(255), num(0), num(0)});
    builtin(builtin_draw, state, {builtin(builtin_rect, state, {num(1), num(2), num(0), num(-5)}), red});
    builtin(builtin_fill, state, {builtin(builtin_rect, state, {num(1), num(2), num(3), num(4)}), red});
    builtin(builtin_draw, state, {builtin(builtin_circle, state, {num(100), num(100), num(0)}), red});
    builtin(builtin_fill, state, {builtin(builtin_circle, state, {num(100), num(100), num(-5)}), red});
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"color 255 0 0 255", "rect 1 2 1 479", "fill_rect 1 2 3 4"}));
    window.log.clear();
    builtin(builtin_fill, state, {builtin(builtin_circle, state, {num(50), num(50), num(1)}), red});
    EXPECT_EQ(window.log, (std::vector<std::string>{"fill_rects 50,49,1,1 49,50,3,1 50,51,1,1"}));
    window.log.clear();
    Value green = builtin(builtin_color, state, {num(0), num(255), num(0)});
    builtin(builtin_draw, state,
            {builtin(builtin_triangle, state, {num(0), num(0), num(2), num(0), num(0), num(1)}), green});
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"color 0 255 0 255", "points 0,0 1,0 2,0 2,0 1,0 0,1 0,1 0,0"}));
    window.log.clear();
    builtin(builtin_fill, state,
            {builtin(builtin_triangle, state, {num(0), num(0), num(2), num(0), num(0), num(1)}), green});
    EXPECT_EQ(window.log, (std::vector<std::string>{"fill_rects 0,0,3,1 0,1,2,1"}));
}

TEST(Builtins, WithoutAWindow) {
    GraphicsState state;
    std::vector<Value> none;
    EXPECT_TRUE(builtin_window_width(none, state).is_null());
    EXPECT_TRUE(builtin_window_height(none, state).is_null());
    EXPECT_FALSE(builtin_is_open(none, state).as_bool());
    EXPECT_TRUE(builtin_clear(none, state).is_null());
    EXPECT_TRUE(builtin_present(none, state).is_null());
    EXPECT_TRUE(builtin(builtin_window, state, {str("a"), num(480)}).is_null());
    EXPECT_FALSE(state.sdl_context);
    Value grey = builtin(builtin_color, state, {num(9), num(9), num(9)});
    builtin(builtin_fill, state, {builtin(builtin_rect, state, {num(0), num(0), num(10), num(10)}), grey});
    EXPECT_EQ(state.draw_color, (Rgba{9, 9, 9, 255}));
}

TEST(Builtins, SameStateAsTheModule) {
    FakeWindow window;
    GraphicsState& state = window.state;
    std::vector<Value> none;
    EXPECT_EQ(builtin_window_width(none, state).as_number(), 640);
    EXPECT_EQ(builtin_window_height(none, state).as_number(), 480);
    builtin_clear(none, state);
    window.events.push_back({InputEvent::Kind::Quit, 0, false});
    builtin_present(none, state);
    EXPECT_FALSE(builtin_is_open(none, state).as_bool());
    EXPECT_EQ(window.log, (std::vector<std::string>{"color 0 0 0 255", "clear", "present"}));
}

} // namespace
} // namespace wexlin::graphics
