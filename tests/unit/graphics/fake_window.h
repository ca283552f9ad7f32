// A recording canvas and a scripted event pump standing in for SDL.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "interpreter/graphics_ops/graphics_state.h"

namespace wexlin::graphics::testing {

class FakeCanvas : public Canvas {
  public:
    explicit FakeCanvas(std::vector<std::string>& log) : m_log(log) {}

    bool set_draw_color(Rgba c) override {
        if (refuse_color) return false;
        m_log.push_back("color " + std::to_string(c.r) + " " + std::to_string(c.g) + " " +
                        std::to_string(c.b) + " " + std::to_string(c.a));
        return true;
    }
    bool clear() override {
        if (refuse_clear) return false;
        m_log.push_back("clear");
        return true;
    }
    std::string error_text() const override { return "renderer lost"; }
    void draw_point(std::int32_t x, std::int32_t y) override { add("point", {x, y}); }
    void draw_line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override {
        add("line", {x1, y1, x2, y2});
    }
    void draw_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override {
        add("rect", {x, y, w, h});
    }
    void fill_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override {
        add("fill_rect", {x, y, w, h});
    }
    void draw_points(const std::vector<PixelPoint>& points) override {
        std::string line = "points";
        for (const PixelPoint& p : points)
            line += " " + std::to_string(p.x) + "," + std::to_string(p.y);
        m_log.push_back(line);
    }
    void fill_rects(const std::vector<PixelRect>& rects) override {
        std::string line = "fill_rects";
        for (const PixelRect& r : rects)
            line += " " + std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.w) + "," +
                    std::to_string(r.h);
        m_log.push_back(line);
    }
    void present() override { m_log.push_back("present"); }
    void window_size(int& width, int& height) const override {
        width = 640;
        height = 480;
    }
    void set_fullscreen(WindowMode mode) override { add("fullscreen", {static_cast<std::int64_t>(mode)}); }
    ClipBounds bounds() const override { return ClipBounds{0, 0, 639, 479}; }

    bool refuse_color{false};
    bool refuse_clear{false};

  private:
    void add(const std::string& what, std::initializer_list<std::int64_t> numbers) {
        std::string line = what;
        for (std::int64_t n : numbers)
            line += " " + std::to_string(n);
        m_log.push_back(line);
    }
    std::vector<std::string>& m_log;
};

class FakePump : public EventPump {
  public:
    explicit FakePump(std::deque<InputEvent>& queue) : m_queue(queue) {}
    bool poll(InputEvent& event) override {
        if (m_queue.empty()) return false;
        event = m_queue.front();
        m_queue.pop_front();
        return true;
    }

  private:
    std::deque<InputEvent>& m_queue;
};

// A state whose window was opened, with its calls going to `log` and its
// events coming from `events`.
struct FakeWindow {
    FakeWindow() {
        auto canvas_owner = std::make_unique<FakeCanvas>(log);
        canvas = canvas_owner.get();
        state.canvas = std::move(canvas_owner);
        state.event_pump = std::make_unique<FakePump>(events);
        state.sdl_context = std::make_unique<LibraryStart>();
        state.window_open = true;
    }

    std::vector<std::string> log;
    std::deque<InputEvent> events;
    GraphicsState state;
    FakeCanvas* canvas{nullptr};
};

} // namespace wexlin::graphics::testing
