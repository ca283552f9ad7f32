#include "builder/desktop_entry.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "builder/assembly.h"
#include "builder/build_console.h"
#include "builder/file_io.h"
#include "builder/text_utils.h"
#include "builder/tools.h"
#include "support/progress.h"

namespace wexlin::builder {

namespace fs = std::filesystem;

namespace {

std::string_view terminal_text(bool terminal) {
    return terminal ? "true" : "false";
}

// Escapes a value of type string: a backslash or a line break would otherwise
// change the entry's meaning.
std::string escape_value(std::string_view value) {
    std::string out;
    for (char c : value) {
        switch (c) {
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default: out.push_back(c);
        }
    }
    return out;
}

// A launcher splits Exec on spaces and treats several characters specially;
// such a path is put in double quotes with the quote-level escapes, and "%"
// is doubled so it is not read as a field code.
std::string exec_argument(std::string_view path) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string argument;
    for (char c : path) {
        if (c == '%') argument.push_back('%');
        argument.push_back(c);
    }
    if (argument.find_first_of(reserved) == std::string::npos) return escape_value(argument);
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted.push_back('\\');
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return escape_value(quoted);
}

// Splits into lines at line feeds; a carriage return before a line feed
// belongs to the line end, and a final line feed does not start a new line.
std::vector<std::string_view> split_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Width times height from a PNG file's header; 0 when it is not a PNG.
std::uint64_t png_area(const std::string& path) {
    FileResult file = read_file(path);
    if (!file.ok || file.data.size() < 24 || !file.data.starts_with("\x89PNG\r\n\x1a\n")) return 0;
    auto be32 = [&file](std::size_t at) {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value << 8 | static_cast<unsigned char>(file.data[at + i]);
        return value;
    };
    return be32(16) * be32(20);
}

// Converts the icon to one PNG at png_path. The converters write into a
// folder of their own inside the work folder: an icon with several frames
// (a normal .ico) comes out as frame-0.png, frame-1.png, ..., and the largest
// of them is taken. Answers whether png_path was written.
bool convert_to_png(const std::string& icon_path, const std::string& png_path) {
    const fs::path folder = fs::path(work_folder) / "icon";
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder, error);
    if (error) return false;
    const std::string frame = (folder / "frame.png").string();
    bool converted = tool_succeeds("convert", {icon_path, frame}) ||
                     tool_succeeds("ffmpeg", {"-y", "-i", icon_path, frame});
    bool placed = false;
    if (converted) {
        std::string best;
        std::uint64_t best_area = 0;
        std::vector<std::string> frames;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
            frames.push_back(it->path().string());
        // Sorted, so that of equal frames the first one wins whatever order
        // the folder lists them in.
        std::sort(frames.begin(), frames.end());
        for (const auto& candidate : frames) {
            std::uint64_t area = png_area(candidate);
            if (area > best_area) {
                best_area = area;
                best = candidate;
            }
        }
        if (!best.empty()) {
            fs::copy_file(best, png_path, fs::copy_options::overwrite_existing, error);
            placed = !error;
        }
    }
    fs::remove_all(folder, error);
    return placed;
}

} // namespace

std::string desktop_entry_text(std::string_view name, std::string_view program_path,
                               std::string_view icon_path, bool terminal) {
    std::string text = "[Desktop Entry]\nType=Application\n";
    text.append("Name=").append(escape_value(name)).append("\n");
    text.append("Exec=").append(exec_argument(program_path)).append("\n");
    text.append("Icon=").append(escape_value(icon_path)).append("\n");
    text.append("Terminal=").append(terminal_text(terminal)).append("\n");
    text.append("Categories=Game;\n");
    return text;
}

std::string set_desktop_terminal(std::string_view entry, bool terminal) {
    std::string line_value = "Terminal=";
    line_value.append(terminal_text(terminal));
    if (entry.find("Terminal=") == std::string_view::npos) return trim_right(entry) + "\n" + line_value;

    std::string out;
    bool first = true;
    for (std::string_view line : split_lines(entry)) {
        if (!first) out.push_back('\n');
        first = false;
        if (line.starts_with("Terminal="))
            out.append(line_value);
        else
            out.append(line);
    }
    return out;
}

std::string absolute_program_path(const std::string& path) {
    std::error_code error;
    fs::path canonical = fs::canonical(path, error);
    return error ? path : canonical.string();
}

void apply_linux_icon(const std::string& icon_path, std::string_view extension,
                      const std::string& output_name) {
    ProgressLine line("Applying icon...");
    std::string base = ".wexlin/build/" + output_name;
    std::string png_path = base + ".png";
    std::error_code error;

    // The file the desktop entry will name: the PNG, or the unconverted copy
    // when no converter could make one.
    std::string placed;
    if (extension == "png") {
        fs::copy_file(icon_path, png_path, fs::copy_options::overwrite_existing, error);
        if (!error) placed = png_path;
    } else if (convert_to_png(icon_path, png_path)) {
        placed = png_path;
    } else {
        std::string copy_path = base + "." + std::string(extension);
        fs::copy_file(icon_path, copy_path, fs::copy_options::overwrite_existing, error);
        if (!error) placed = copy_path;
    }

    // Only a file that is really there is named, in the entry or the notes.
    if (!placed.empty() && !path_exists(placed)) placed.clear();
    std::string icon_line;
    if (!placed.empty()) icon_line = absolute_program_path(placed);
    std::string entry_path = base + ".desktop";
    std::string entry = desktop_entry_text(output_name, absolute_program_path(base), icon_line, false);
    std::string write_error = write_file(entry_path, entry);
    if (!write_error.empty()) warning("Could not write .desktop file: " + write_error);

    if (!placed.empty()) {
        line.done();
        green_note("Icon: " + placed);
        green_note("Desktop file: " + entry_path);
    } else {
        line.failed();
        warning("Could not convert icon to PNG. Install ImageMagick (`sudo apt install imagemagick`) for "
                "automatic "
                "conversion.");
    }
}

void apply_linux_terminal_setting(const std::string& output_path, bool terminal) {
    ProgressLine line("Applying terminal setting...");
    fs::path output(output_path);
    std::string folder = output.has_parent_path() ? output.parent_path().string() : ".";
    std::string name = output.filename().string();
    std::string entry_path = folder + "/" + name + ".desktop";

    if (!path_exists(entry_path)) {
        std::string entry = desktop_entry_text(name, absolute_program_path(output_path), "", terminal);
        std::string error = write_file(entry_path, entry);
        if (!error.empty()) {
            line.failed();
            warning("Could not create .desktop file: " + error);
            return;
        }
    } else {
        FileResult current = read_file(entry_path);
        if (!current.ok) {
            line.failed();
            warning("Could not read .desktop file: " + current.error);
            return;
        }
        std::string error = write_file(entry_path, set_desktop_terminal(current.data, terminal));
        if (!error.empty()) {
            line.failed();
            warning("Could not update .desktop file: " + error);
            return;
        }
    }
    line.done();
}

} // namespace wexlin::builder
