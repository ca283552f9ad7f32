#include "builder/windows_icon.h"

#include <filesystem>
#include <system_error>

#include "builder/build_console.h"
#include "builder/tools.h"
#include "support/progress.h"

namespace wexlin::builder {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view ico_sizes = "icon:auto-resize=256,128,64,48,32,16";

// A path inside a single-quoted Python literal: backslashes (every Windows
// path has them) and quotes must not end or change the literal.
std::string python_literal_body(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out.append("\\\\"); break;
        case '\'': out.append("\\'"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        default: out.push_back(c);
        }
    }
    return out;
}

bool convert_to_ico(const std::string& icon_path, const std::string& ico_path) {
    std::vector<std::string> magick_args{icon_path, "-define", std::string(ico_sizes), ico_path};
    if (tool_succeeds("convert", magick_args) || tool_succeeds("magick", magick_args)) return true;
    std::string script = pillow_conversion_script(icon_path, ico_path);
    return tool_succeeds("python3", {"-c", script}) || tool_succeeds("python", {"-c", script});
}

bool embed_icon(const std::string& exe_path, const std::string& ico_path) {
    return tool_succeeds("rcedit", {exe_path, "--set-icon", ico_path}) ||
           tool_succeeds("rcedit64", {exe_path, "--set-icon", ico_path}) ||
           tool_succeeds("wine", {"rcedit.exe", exe_path, "--set-icon", ico_path});
}

} // namespace

std::string pillow_conversion_script(std::string_view icon_path, std::string_view ico_path) {
    std::string script = "from PIL import Image; img = Image.open('";
    script.append(python_literal_body(icon_path)).append("'); img.save('");
    script.append(python_literal_body(ico_path));
    script.append("', sizes=[(256,256),(128,128),(64,64),(48,48),(32,32),(16,16)])");
    return script;
}

void apply_windows_icon(const std::string& output_path, const std::string& icon_path,
                        std::string_view extension) {
    ProgressLine line("Applying icon...");
    std::error_code error;
    std::string ico_path = icon_path;
    bool temporary = false;
    if (extension != "ico") {
        ico_path = output_path + ".ico";
        if (!convert_to_ico(icon_path, ico_path)) {
            fs::remove(ico_path, error);
            line.failed();
            warning("Could not convert icon to .ico: No icon conversion tool found (ImageMagick or Pillow "
                    "required). Skipping icon.");
            return;
        }
        temporary = true;
    }

    bool embedded = embed_icon(output_path, ico_path);
    if (temporary) fs::remove(ico_path, error);
    if (embedded) {
        line.done();
        return;
    }

    line.failed();
    warning("Could not embed icon into Windows binary: rcedit / rcedit64 / wine+rcedit not found or failed. "
            "Install rcedit (https://github.com/electron/rcedit) and ensure it's on PATH.");
    fs::path output(output_path);
    std::string stem = output.has_stem() ? output.stem().string() : "app";
    fs::path copy = output.parent_path() / (stem + ".ico");
    fs::copy_file(icon_path, copy, fs::copy_options::overwrite_existing, error);
    if (error)
        warning("Also failed to copy icon alongside binary: " + error.message());
    else
        green_note("Icon copied to: " + copy.string());
}

} // namespace wexlin::builder
