// The graphics state every interpreter carries: one window, its renderer, the
// event pump, key sets, draw colour and frame timing.
//
// The window and the event source sit behind two small interfaces, Canvas and
// EventPump. The program fills them with SDL (sdl_canvas.cpp); tests fill them
// with recorders, so everything above SDL can be checked without a display.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "interpreter/graphics_ops/raster.h"

namespace wexlin {

namespace graphics {

struct Rgba {
    std::uint8_t r{0};
    std::uint8_t g{0};
    std::uint8_t b{0};
    std::uint8_t a{255};

    bool operator==(const Rgba&) const = default;
};

enum class WindowMode { Windowed, Fullscreen, WindowedFullscreen };

// A pixel and a rectangle as handed to the renderer in batches.
struct PixelPoint {
    std::int32_t x{0};
    std::int32_t y{0};
    bool operator==(const PixelPoint&) const = default;
};
struct PixelRect {
    std::int32_t x{0};
    std::int32_t y{0};
    std::int32_t w{0};
    std::int32_t h{0};
    bool operator==(const PixelRect&) const = default;
};

// A window with its renderer. As a raster target it collects the points and
// runs of one shape and hands them over in one batch when the shape ends:
// one renderer call per shape instead of one per pixel or row draws the same
// pixels far faster (and the SDL window joins the batches of one colour
// further, see sdl_canvas.cpp). It is bounded by the renderer's output size.
class Canvas : public RasterTarget {
  public:
    // Each answers false when the renderer reports a failure; error_text()
    // then tells why.
    virtual bool set_draw_color(Rgba color) = 0;
    virtual bool clear() = 0;
    virtual std::string error_text() const = 0;

    // Failures of single drawing calls are of no use to a script and are
    // ignored. Callers hand over only what lies within bounds(), so that the
    // renderer never walks pixels nobody can see.
    virtual void draw_point(std::int32_t x, std::int32_t y) = 0;
    virtual void draw_line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) = 0;
    virtual void draw_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) = 0;
    virtual void fill_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) = 0;
    // Never called with an empty batch.
    virtual void draw_points(const std::vector<PixelPoint>& points) = 0;
    virtual void fill_rects(const std::vector<PixelRect>& rects) = 0;
    virtual void present() = 0;

    // Window size in screen coordinates.
    virtual void window_size(int& width, int& height) const = 0;
    virtual void set_fullscreen(WindowMode mode) = 0;

    void plot(std::int32_t x, std::int32_t y) override { m_points.push_back({x, y}); }
    // A run of one row is the same pixels as the renderer's horizontal line.
    void horizontal_run(std::int32_t x1, std::int32_t x2, std::int32_t y) override {
        m_runs.push_back({x1, y, x2 - x1 + 1, 1});
    }
    void block(std::int32_t x1, std::int32_t x2, std::int32_t y1, std::int32_t y2) override {
        m_runs.push_back({x1, y1, x2 - x1 + 1, y2 - y1 + 1});
    }
    void end_shape() override {
        if (!m_points.empty()) draw_points(m_points);
        if (!m_runs.empty()) fill_rects(m_runs);
        m_points.clear();
        m_runs.clear();
    }

  private:
    std::vector<PixelPoint> m_points;
    std::vector<PixelRect> m_runs;
};

struct InputEvent {
    enum class Kind { Quit, KeyDown, KeyUp, MouseMotion, MouseDown, MouseUp, Other };
    enum class Button { None, Left, Middle, Right };
    Kind kind{Kind::Other};
    std::int32_t key_code{0};
    bool repeat{false};
    // Pointer position in window coordinates, for the mouse events.
    std::int32_t x{0};
    std::int32_t y{0};
    Button button{Button::None};
};

// The process's one source of window-system events.
class EventPump {
  public:
    virtual ~EventPump() = default;
    // Takes the next queued event; false when the queue is empty.
    virtual bool poll(InputEvent& event) = 0;
};

// The library start of one state: SDL itself and its video subsystem, both
// counted per process and given back when this is released.
class LibraryStart {
  public:
    virtual ~LibraryStart() = default;
};

} // namespace graphics

struct GraphicsState {
    using Clock = std::chrono::steady_clock;

    GraphicsState() = default;
    GraphicsState(const GraphicsState&) = delete;
    GraphicsState& operator=(const GraphicsState&) = delete;
    // Releases the renderer, then the window, then the events and video
    // subsystems, and SDL itself when no other state uses it.
    ~GraphicsState();

    std::string window_mode{"windowed"};
    std::optional<std::uint32_t> max_fps;
    Clock::time_point last_frame{Clock::now()};
    std::unique_ptr<graphics::Canvas> canvas;
    std::unordered_set<std::string> pressed_keys;
    std::unordered_set<std::string> released_keys;
    std::unordered_set<std::string> held_keys;
    std::unique_ptr<graphics::EventPump> event_pump;
    double delta_time{0.0};
    graphics::Rgba draw_color{255, 255, 255, 255};
    // Present once this state has started SDL; a state opens one window in its
    // whole life.
    std::unique_ptr<graphics::LibraryStart> sdl_context;
    bool window_open{false};
    // The pointer's last position over the window, from the mouse events of
    // the event polls; (0, 0) until the first of them.
    std::int32_t mouse_x{0};
    std::int32_t mouse_y{0};
};

} // namespace wexlin
