#include "builder/macos_bundle.h"

#include <array>
#include <filesystem>
#include <system_error>

#include "builder/build_console.h"
#include "builder/file_io.h"
#include "builder/text_utils.h"
#include "builder/tools.h"
#include "support/progress.h"

namespace wexlin::builder {

namespace fs = std::filesystem;

namespace {

struct IconsetEntry {
    int edge;
    std::string_view file;
};

constexpr std::array<IconsetEntry, 10> iconset_entries{{
    {16, "icon_16x16.png"},
    {32, "icon_16x16@2x.png"},
    {32, "icon_32x32.png"},
    {64, "icon_32x32@2x.png"},
    {128, "icon_128x128.png"},
    {256, "icon_128x128@2x.png"},
    {256, "icon_256x256.png"},
    {512, "icon_256x256@2x.png"},
    {512, "icon_512x512.png"},
    {1024, "icon_512x512@2x.png"},
}};

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t start = 0;
    for (;;) {
        std::size_t found = text.find(from, start);
        if (found == std::string_view::npos) break;
        out.append(text.substr(start, found - start)).append(to);
        start = found + from.size();
    }
    out.append(text.substr(start));
    return out;
}

bool is_icns_file(const std::string& path) {
    FileResult file = read_file(path);
    return file.ok && file.data.size() >= 8 && file.data.starts_with("icns");
}

// Builds the .icns through an iconset of ten sizes (sips, else convert) and
// iconutil (else convert straight to .icns). Answers whether the icon exists.
bool make_icns(const std::string& icon_path, const std::string& icns_path) {
    std::string iconset = icns_path + ".iconset";
    std::error_code error;
    fs::create_directories(iconset, error);
    if (error) return false;

    int produced = 0;
    for (const auto& entry : iconset_entries) {
        std::string edge = std::to_string(entry.edge);
        std::string file = iconset + "/" + std::string(entry.file);
        if (tool_succeeds("sips", {"-z", edge, edge, icon_path, "--out", file}) ||
            tool_succeeds("convert", {icon_path, "-resize", edge + "x" + edge, file}))
            ++produced;
    }
    if (produced == 0) {
        fs::remove_all(iconset, error);
        return false;
    }

    auto iconutil = run_tool("iconutil", {"-c", "icns", iconset, "-o", icns_path});
    bool made = false;
    if (!iconutil.started)
        made = tool_succeeds("convert", {icon_path, icns_path});
    else
        made = !iconutil.wait_failed && iconutil.exit_code == 0;
    fs::remove_all(iconset, error);
    // convert "succeeds" at writing a .icns by writing PNG data under that
    // name; a file that is not an icon container is not an icon.
    if (made && !is_icns_file(icns_path)) {
        fs::remove(icns_path, error);
        made = false;
    }
    return made;
}

// Escapes what would end a double-quoted shell word early.
std::string shell_double_quoted(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '$' || c == '`' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

} // namespace

std::string bundle_identifier(std::string_view name) {
    // Apple allows only ASCII letters, digits, "-" and "." in a bundle
    // identifier; anything else (spaces, "/" of a nested OUTPUT, accents)
    // becomes "-", one for each run of such bytes.
    std::string cleaned;
    for (char c : to_lower_unicode(name)) {
        bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.';
        if (allowed)
            cleaned.push_back(c);
        else if (cleaned.empty() || cleaned.back() != '-')
            cleaned.push_back('-');
    }
    if (cleaned.empty() || cleaned == "-") cleaned = "app";
    return "com.wexlin." + cleaned;
}

std::string info_plist_text(std::string_view name, std::string_view icon_file) {
    // Names are escaped so that "&" or "<" in a program name still give a
    // property list that parses; plain names are written unchanged.
    std::string escaped = escape_xml(name);
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\"\n"
                       "  \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                       "<plist version=\"1.0\">\n"
                       "<dict>\n";
    auto pair = [&text](std::string_view key, std::string_view value_line) {
        text.append("    <key>").append(key).append("</key>\n    ").append(value_line).append("\n");
    };
    auto string_value = [](std::string_view value) { return "<string>" + std::string(value) + "</string>"; };
    pair("CFBundleName", string_value(escaped));
    pair("CFBundleDisplayName", string_value(escaped));
    pair("CFBundleIdentifier", string_value(bundle_identifier(name)));
    pair("CFBundleVersion", string_value("1.0.0"));
    pair("CFBundlePackageType", string_value("APPL"));
    pair("CFBundleExecutable", string_value(escaped));
    pair("CFBundleIconFile", string_value(escape_xml(icon_file)));
    pair("LSMinimumSystemVersion", string_value("10.13.0"));
    pair("NSHighResolutionCapable", "<true/>");
    text.append("</dict>\n</plist>\n");
    return text;
}

std::string set_lsuielement(std::string_view plist) {
    if (plist.find("LSUIElement") != std::string_view::npos)
        return replace_all(plist, "<key>LSUIElement</key>\n    <false/>",
                           "<key>LSUIElement</key>\n    <true/>");
    return replace_all(plist, "</dict>", "    <key>LSUIElement</key>\n    <true/>\n</dict>");
}

std::string launcher_script_text(std::string_view program_name) {
    std::string text = "#!/bin/sh\n"
                       "DIR=\"$(cd \"$(dirname \"$0\")\" && pwd)\"\n"
                       "nohup \"$DIR/";
    text.append(shell_double_quoted(program_name)).append("\" > /dev/null 2>&1 &\n");
    return text;
}

void apply_macos_icon(const std::string& output_path, const std::string& icon_path,
                      std::string_view extension, const std::string& output_name) {
    ProgressLine line("Applying icon...");
    std::string bundle = ".wexlin/build/" + output_name + ".app";
    std::string macos_dir = bundle + "/Contents/MacOS";
    std::string resources_dir = bundle + "/Contents/Resources";
    std::error_code error;

    fs::create_directories(macos_dir, error);
    if (error) {
        line.failed();
        warning("Could not create .app bundle: " + error.message());
        return;
    }
    fs::create_directories(resources_dir, error);
    if (error) {
        line.failed();
        warning("Could not create .app Resources dir: " + error.message());
        return;
    }
    fs::copy_file(output_path, macos_dir + "/" + output_name, fs::copy_options::overwrite_existing, error);
    if (error) {
        line.failed();
        warning("Could not copy binary into .app bundle: " + error.message());
        return;
    }

    std::string icns_path = resources_dir + "/AppIcon.icns";
    bool has_icon = false;
    if (extension == "icns") {
        fs::copy_file(icon_path, icns_path, fs::copy_options::overwrite_existing, error);
        has_icon = !error;
    } else {
        has_icon = make_icns(icon_path, icns_path);
    }

    std::string write_error =
        write_file(bundle + "/Contents/Info.plist", info_plist_text(output_name, has_icon ? "AppIcon" : ""));
    if (!write_error.empty()) {
        line.failed();
        warning("Could not write Info.plist: " + write_error);
        return;
    }
    if (!has_icon)
        warning(
            "Could not convert '" + icon_path +
            "' to .icns. Install ImageMagick (`brew install imagemagick`) for automatic icon conversion. The "
            ".app bundle was created without an icon.");
    line.done();
}

void apply_macos_terminal_setting(const std::string& output_path, bool terminal) {
    if (terminal) return;
    ProgressLine line("Applying terminal setting...");
    fs::path output(output_path);
    std::string name = output.has_filename() ? output.filename().string() : "app";
    std::string folder = output.has_parent_path() ? output.parent_path().string() : ".";
    std::string plist_path = folder + "/" + name + ".app/Contents/Info.plist";

    if (!path_exists(plist_path)) {
        std::string launcher = folder + "/" + name + "_launcher.command";
        std::string error = write_file(launcher, launcher_script_text(name));
        if (error.empty()) {
            // Finder opens a .command file only when it may be executed.
            std::error_code mode_error;
            fs::permissions(launcher, fs::perms(0755), fs::perm_options::replace, mode_error);
            if (mode_error) error = mode_error.message();
        }
        if (!error.empty()) {
            line.failed();
            warning("Could not create launcher script: " + error);
            return;
        }
        line.done();
        green_note("No-terminal launcher: " + launcher);
        return;
    }

    FileResult plist = read_file(plist_path);
    if (!plist.ok) {
        line.failed();
        warning("Could not read Info.plist: " + plist.error);
        return;
    }
    std::string error = write_file(plist_path, set_lsuielement(plist.data));
    if (!error.empty()) {
        line.failed();
        warning("Could not update Info.plist: " + error);
        return;
    }
    line.done();
}

} // namespace wexlin::builder
