#include "cli.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "builder/build_request.h"
#include "package_manager/package_manager.h"
#include "platform/file_system.h"
#include "repl/repl.h"
#include "runner.h"
#include "support/console.h"
#include "support/utf8.h"

namespace wexlin {

namespace {

constexpr std::string_view help_text = R"(Wexlin - A performant programming language

USAGE:
    wexlin [COMMAND] [OPTIONS] [FILE]

COMMANDS:
    build <FILE> [OUTPUT]        Bundle a .wx file into a binary
    install <MODULE>             Install a module from the registry
    uninstall <MODULE>           Uninstall an installed module
    modules                      List installed modules

BUILD OPTIONS:
    --target <TARGET>            Target platform (linux-x86_64, macos-x86_64,
                                 macos-aarch64, win-x86_64)
                                 Defaults to current platform if not specified
    --icon <PATH>                Set app icon (png, ico, icns, jpg, svg)
                                 macOS: sets .app bundle icon
                                 Windows: embeds icon into .exe
                                 Linux: copies icon alongside binary
    --terminal <true|false>      Whether to show a terminal window (default: true)
                                 false: hides terminal on Windows/macOS

OPTIONS:
    -h                           Print this help message
    -v                           Print the version
    -d                           Enable debug output during execution
    -D                           Enable extra debug output during runtime

ARGS:
    FILE                         Path to a .wx file to execute

EXAMPLES:
    wexlin                       Start the interactive REPL
    wexlin script.wx             Run a Wexlin script
    wexlin script.wx -d          Run with debug output
    wexlin build game.wx         Create a standalone binary (game)
    wexlin build game.wx myapp   Create a binary named 'myapp'
    wexlin build game.wx myapp --target linux-x86_64
                                 Build for Linux x86_64
    wexlin build game.wx myapp --target win-x86_64
                                 Build for Windows x86_64
    wexlin build game.wx myapp --icon icon.png
                                 Build with a custom icon
    wexlin build game.wx myapp --terminal false
                                 Build without terminal window
    wexlin build game.wx myapp --icon icon.png --terminal false
                                 Build with icon, no terminal
    wexlin install math          Install the math module
    wexlin modules               List all installed modules
)";

constexpr std::string_view version_line = "Wexlin version 1.1.3\n";

void print_out(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

int fail(std::string_view message) {
    std::fflush(stdout);
    console::command_error_line(message);
    return 1;
}

// "--help" and "--version" are the spellings most tools accept; they mean
// exactly what "-h" and "-v" mean, wherever those are recognised.
bool is_help(const std::string& arg) {
    return arg == "-h" || arg == "--help";
}
bool is_version(const std::string& arg) {
    return arg == "-v" || arg == "--version";
}

int package_command(std::optional<std::string> error) {
    return error ? fail(*error) : 0;
}

// The extension is what follows the last "." of the last path component; a
// leading "." (a hidden file's name) does not start one.
bool has_wx_extension(const std::string& file) {
    auto slash = file.find_last_of('/');
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return false;
    return name.substr(dot + 1) == "wx";
}

int run_file(const std::string& file, bool debug, bool extra) {
    if (!has_wx_extension(file)) return fail("Only .wx files are allowed.");
    platform::ReadResult source = platform::read_file(file);
    if (!source.ok) return fail("Failed to read the file: " + source.error);
    if (!utf8::is_valid(source.bytes))
        return fail("Failed to read the file: stream did not contain valid UTF-8");
    run_script(source.bytes, debug, extra);
    return 0;
}

int build_command(const std::vector<std::string>& args) {
    if (args.size() < 3) return fail("build requires a file path");
    builder::BuildRequest request;
    request.file = args[2];
    if (args.size() > 3 && (args[3].size() < 2 || args[3].compare(0, 2, "--") != 0)) {
        request.output = args[3];
    } else {
        request.output = builder::default_output_name(request.file);
    }
    for (std::size_t i = 3; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--target") {
            if (i + 1 >= args.size()) return fail("--target requires a value");
            request.target = args[++i];
        } else if (option == "--icon") {
            if (i + 1 >= args.size()) return fail("--icon requires a path");
            request.icon = args[++i];
        } else if (option == "--terminal") {
            if (i + 1 >= args.size()) return fail("--terminal requires a value");
            std::string value = args[++i];
            std::transform(value.begin(), value.end(), value.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (value == "true" || value == "yes" || value == "1")
                request.terminal = true;
            else if (value == "false" || value == "no" || value == "0")
                request.terminal = false;
            else
                return fail("--terminal requires 'true' or 'false'");
        }
    }
    builder::build_standalone(request);
    return 0;
}

} // namespace

int run_command_line(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        repl();
        return 0;
    }
    const std::string& first = args[1];
    bool debug = false;
    bool extra = false;
    std::optional<std::string> file;
    if (is_help(first)) {
        print_out(help_text);
        return 0;
    }
    if (is_version(first)) {
        print_out(version_line);
        return 0;
    }
    if (first == "-d") {
        debug = true;
    } else if (first == "-D") {
        debug = extra = true;
    } else if (first == "build") {
        return build_command(args);
    } else if (first == "install" || first == "upgrade" || first == "uninstall") {
        if (args.size() < 3) return fail(first + " requires a module name");
        if (first == "install") return package_command(package_manager::install_module(args[2]));
        if (first == "upgrade") return package_command(package_manager::upgrade_module(args[2]));
        return package_command(package_manager::uninstall_module(args[2]));
    } else if (first == "modules" || first == "list" || first == "list-modules") {
        return package_command(package_manager::list_modules());
    } else if (first.empty() || first[0] != '-') {
        file = first;
    }

    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (is_help(arg)) {
            print_out(help_text);
            return 0;
        }
        if (is_version(arg)) {
            print_out(version_line);
            return 0;
        }
        if (arg == "-d") {
            debug = true;
        } else if (arg == "-D") {
            debug = extra = true;
        } else if (!file && !arg.empty() && arg[0] != '-') {
            file = arg;
        }
    }
    if (!file) {
        repl();
        return 0;
    }
    return run_file(*file, debug, extra);
}

} // namespace wexlin
