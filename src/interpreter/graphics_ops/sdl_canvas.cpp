#include "interpreter/graphics_ops/sdl_canvas.h"

#include "interpreter/graphics_ops/narrow_fill.h"
#include "interpreter/graphics_ops/sdl_library.h"

#include <SDL.h>
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace wexlin::graphics {

namespace {

// Only called once the library has been loaded (see SdlLibraryStart::start).
const SdlLibrary& sdl() {
    return *sdl_library();
}

// SDL belongs to the process: the states that use it share one start, one
// event pump, and the thread that started it first.
int g_library_users = 0;
std::optional<std::thread::id> g_sdl_thread;
bool g_event_pump_taken = false;

// Without a display SDL falls back on its off-screen drivers, whose windows
// nobody can see or close: a script would then run its game loop unseen and
// without end. Such a window counts as no window, unless the user picked that
// driver through SDL's own setting.
bool shows_windows() {
    const char* driver = sdl().GetCurrentVideoDriver();
    if (!driver) return false;
    std::string_view name(driver);
    bool headless = name == "offscreen" || name == "dummy" || name == "evdev";
    return !headless || sdl().GetHint(SDL_HINT_VIDEODRIVER) != nullptr;
}

class SdlLibraryStart final : public LibraryStart {
  public:
    static std::unique_ptr<SdlLibraryStart> start() {
        if (!sdl_library()) return nullptr;
        if (g_sdl_thread && *g_sdl_thread != std::this_thread::get_id()) return nullptr;
        // SDL would otherwise turn Ctrl-C and SIGTERM into a quit event that
        // a script sees only at its next frame end, so a busy or stuck script
        // with a window could not be stopped from the terminal. Closing the
        // window still asks the script to quit.
        if (g_library_users == 0) sdl().SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (g_library_users == 0 && sdl().Init(0) != 0) return nullptr;
        g_sdl_thread = std::this_thread::get_id();
        ++g_library_users;
        std::unique_ptr<SdlLibraryStart> library(new SdlLibraryStart);
        if (sdl().InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
        library->m_video_started = true;
        if (!shows_windows()) return nullptr;
        return library;
    }

    ~SdlLibraryStart() override {
        if (m_video_started) sdl().QuitSubSystem(SDL_INIT_VIDEO);
        if (--g_library_users == 0) sdl().Quit();
    }

  private:
    SdlLibraryStart() = default;
    bool m_video_started{false};
};

class SdlEventPump final : public EventPump {
  public:
    static std::unique_ptr<SdlEventPump> take() {
        if (g_event_pump_taken) return nullptr;
        if (sdl().InitSubSystem(SDL_INIT_EVENTS) != 0) return nullptr;
        g_event_pump_taken = true;
        return std::unique_ptr<SdlEventPump>(new SdlEventPump);
    }

    ~SdlEventPump() override {
        sdl().QuitSubSystem(SDL_INIT_EVENTS);
        g_event_pump_taken = false;
    }

    bool poll(InputEvent& event) override {
        SDL_Event sdl_event;
        if (sdl().PollEvent(&sdl_event) == 0) return false;
        event = InputEvent{};
        switch (sdl_event.type) {
        case SDL_QUIT: event.kind = InputEvent::Kind::Quit; break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            event.kind = sdl_event.type == SDL_KEYDOWN ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
            event.key_code = sdl_event.key.keysym.sym;
            event.repeat = sdl_event.key.repeat != 0;
            break;
        case SDL_MOUSEMOTION:
            event.kind = InputEvent::Kind::MouseMotion;
            event.x = sdl_event.motion.x;
            event.y = sdl_event.motion.y;
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            event.kind = sdl_event.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::MouseDown
                                                               : InputEvent::Kind::MouseUp;
            event.x = sdl_event.button.x;
            event.y = sdl_event.button.y;
            if (sdl_event.button.button == SDL_BUTTON_LEFT) event.button = InputEvent::Button::Left;
            if (sdl_event.button.button == SDL_BUTTON_MIDDLE) event.button = InputEvent::Button::Middle;
            if (sdl_event.button.button == SDL_BUTTON_RIGHT) event.button = InputEvent::Button::Right;
            break;
        default: break;
        }
        return true;
    }

  private:
    SdlEventPump() = default;
};

// Filled rectangles and points in the current colour wait here and go to SDL
// together: a frame of many small shapes then costs a few renderer calls per
// colour instead of one or more per shape. Everything else that touches the
// renderer (a colour change, clearing, presenting, any other drawing) first
// hands over what waits, so the renderer sees the same drawing in the same
// colours; within one colour and without blending the order in which pixels
// are set does not matter.
class SdlCanvas final : public Canvas {
  public:
    SdlCanvas(SDL_Window* window, SDL_Renderer* renderer) : m_window(window), m_renderer(renderer) {
        SDL_RendererInfo info{};
        if (sdl().GetRendererInfo(renderer, &info) == 0 && info.name)
            m_software = std::string_view(info.name) == "software";
    }
    SdlCanvas(const SdlCanvas&) = delete;
    SdlCanvas& operator=(const SdlCanvas&) = delete;

    ~SdlCanvas() override {
        if (m_renderer) sdl().DestroyRenderer(m_renderer);
        sdl().DestroyWindow(m_window);
    }

    bool set_draw_color(Rgba color) override {
        flush();
        return sdl().SetRenderDrawColor(m_renderer, color.r, color.g, color.b, color.a) == 0;
    }
    bool clear() override {
        flush();
        return sdl().RenderClear(m_renderer) == 0;
    }
    std::string error_text() const override { return sdl().GetError(); }

    void draw_point(std::int32_t x, std::int32_t y) override {
        m_points.push_back(SDL_Point{x, y});
        limit_batch();
    }
    void draw_line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override {
        flush();
        sdl().RenderDrawLine(m_renderer, x1, y1, x2, y2);
    }
    void draw_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override {
        flush();
        SDL_Rect rect{x, y, w, h};
        sdl().RenderDrawRect(m_renderer, &rect);
    }
    void fill_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override {
        add_rect(SDL_Rect{x, y, w, h});
        limit_batch();
    }
    void draw_points(const std::vector<PixelPoint>& points) override {
        for (const PixelPoint& p : points)
            m_points.push_back(SDL_Point{p.x, p.y});
        limit_batch();
    }
    void fill_rects(const std::vector<PixelRect>& rects) override {
        for (const PixelRect& r : rects)
            add_rect(SDL_Rect{r.x, r.y, r.w, r.h});
        limit_batch();
    }
    void present() override {
        flush();
        sdl().RenderPresent(m_renderer);
        m_queued = 0;
    }

    void window_size(int& width, int& height) const override {
        sdl().GetWindowSize(m_window, &width, &height);
    }
    void set_fullscreen(WindowMode mode) override {
        flush();
        Uint32 flags = 0;
        if (mode == WindowMode::Fullscreen) flags = SDL_WINDOW_FULLSCREEN;
        if (mode == WindowMode::WindowedFullscreen) flags = SDL_WINDOW_FULLSCREEN_DESKTOP;
        sdl().SetWindowFullscreen(m_window, flags);
    }

    ClipBounds bounds() const override {
        int width = 0;
        int height = 0;
        if (sdl().GetRendererOutputSize(m_renderer, &width, &height) != 0) return ClipBounds{};
        return ClipBounds{0, 0, std::int64_t(width) - 1, std::int64_t(height) - 1};
    }

  private:
    void add_rect(const SDL_Rect& rect) {
        if (m_software)
            append_narrow_columns(rect, m_rects);
        else
            m_rects.push_back(rect);
    }

    // A script that draws without ever presenting must not make the batch
    // grow without end.
    void limit_batch() {
        constexpr std::size_t most = 1 << 16;
        if (m_points.size() + m_rects.size() >= most) flush();
    }

    // SDL takes a count as an int; a batch larger than that goes in parts.
    // SDL itself keeps what it is handed until the frame is presented; with
    // the software renderer, a script that keeps drawing without presenting
    // has it run now and then, so that its memory stays bounded. (An OpenGL
    // driver keeps its own copy until the frame is shown, whatever SDL does.)
    void flush() {
        constexpr std::size_t part = 1 << 20;
        constexpr std::size_t most_queued = 1 << 18;
        m_queued += m_points.size() + m_rects.size();
        for (std::size_t i = 0; i < m_points.size(); i += part)
            sdl().RenderDrawPoints(m_renderer, m_points.data() + i,
                                   static_cast<int>(std::min(part, m_points.size() - i)));
        for (std::size_t i = 0; i < m_rects.size(); i += part)
            sdl().RenderFillRects(m_renderer, m_rects.data() + i,
                                  static_cast<int>(std::min(part, m_rects.size() - i)));
        m_points.clear();
        m_rects.clear();
        if (m_software && m_queued >= most_queued) {
            sdl().RenderFlush(m_renderer);
            m_queued = 0;
        }
    }

    SDL_Window* m_window;
    SDL_Renderer* m_renderer;
    // SDL's software renderer, which fills wide rows slowly (see
    // narrow_fill.h).
    bool m_software{false};
    std::vector<SDL_Point> m_points;
    std::vector<SDL_Rect> m_rects;
    // Shapes handed to SDL since it last ran its queue.
    std::size_t m_queued{0};
};

// Whether the renderer draws through OpenGL that a CPU emulates (Mesa's
// llvmpipe and softpipe, as on a machine without a graphics card or under a
// virtual X server). Answered from the renderer's own context, which is the
// current one right after it was created.
bool on_emulated_opengl(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (sdl().GetRendererInfo(renderer, &info) != 0 || !info.name) return false;
    if (!std::string_view(info.name).starts_with("opengl")) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    auto get_string = reinterpret_cast<GetString>(sdl().GL_GetProcAddress("glGetString"));
    if (!get_string) return false;
    constexpr unsigned int gl_renderer = 0x1F01;
    const unsigned char* name = get_string(gl_renderer);
    if (!name) return false;
    std::string_view text(reinterpret_cast<const char*>(name));
    for (std::string_view emulator : {"llvmpipe", "softpipe", "Software Rasterizer"})
        if (text.find(emulator) != std::string_view::npos) return true;
    return false;
}

int software_driver_index() {
    int count = sdl().GetNumRenderDrivers();
    for (int i = 0; i < count; ++i) {
        SDL_RendererInfo info{};
        if (sdl().GetRenderDriverInfo(i, &info) == 0 && info.name &&
            std::string_view(info.name) == "software")
            return i;
    }
    return -1;
}

// The first renderer SDL offers, as a rule. Where that is OpenGL emulated on
// the CPU, SDL's own software renderer draws the same pixels into the
// window's memory directly and is several times faster (a frame of 5000
// small rectangles and circles runs over ten times as fast), so it is taken
// instead; a real graphics card keeps its OpenGL renderer. A driver the user
// names through SDL's own setting (SDL_RENDER_DRIVER) is always kept.
SDL_Renderer* create_renderer(SDL_Window* window) {
    SDL_Renderer* renderer = sdl().CreateRenderer(window, -1, 0);
    // An empty setting names no driver, for SDL as here.
    const char* named = sdl().GetHint(SDL_HINT_RENDER_DRIVER);
    if (!renderer || (named && *named) || !on_emulated_opengl(renderer)) return renderer;
    int software = software_driver_index();
    if (software < 0) return renderer;
    sdl().DestroyRenderer(renderer);
    // SDL would otherwise show the software renderer's frames through that
    // same emulated OpenGL, which costs about as much again as the drawing;
    // the window system's own image transfer is far cheaper. The user's
    // setting of the hint still wins.
    sdl().SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    renderer = sdl().CreateRenderer(window, software, 0);
    if (!renderer) renderer = sdl().CreateRenderer(window, -1, 0);
    return renderer;
}

} // namespace

std::optional<OpenedWindow> open_sdl_window(std::string_view title, std::int32_t width, std::int32_t height) {
    auto library = SdlLibraryStart::start();
    if (!library) return std::nullopt;
    if (title.find('\0') != std::string_view::npos) return std::nullopt;
    if (width < 0 || height < 0) return std::nullopt;
    std::string title_text(title);
    SDL_Window* window = sdl().CreateWindow(title_text.c_str(), SDL_WINDOWPOS_UNDEFINED,
                                            SDL_WINDOWPOS_UNDEFINED, width, height, 0);
    if (!window) return std::nullopt;
    // SDL leaves its renderer's command batching off when the user picks the
    // driver, for programs that mix their own OpenGL calls with SDL's; this
    // program makes none, so batching only saves work. The user's own
    // setting of the hint still wins.
    sdl().SetHint(SDL_HINT_RENDER_BATCHING, "1");
    SDL_Renderer* renderer = create_renderer(window);
    if (!renderer) {
        sdl().DestroyWindow(window);
        return std::nullopt;
    }
    auto canvas = std::make_unique<SdlCanvas>(window, renderer);
    auto event_pump = SdlEventPump::take();
    if (!event_pump) return std::nullopt;
    OpenedWindow opened;
    opened.library = std::move(library);
    opened.event_pump = std::move(event_pump);
    opened.canvas = std::move(canvas);
    return opened;
}

} // namespace wexlin::graphics
