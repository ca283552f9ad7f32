// The files. entry point: file-system operations and starting programs. Each
// function checks its argument count first, takes the display text of its
// arguments, and reports failures as Error values naming the path and the
// system's reason.
#include "interpreter/module_entry.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "support/utf8.h"

namespace wexlin {

namespace {

using Arguments = std::vector<Value>;

Value failure(std::string_view what, const std::string& path, const std::string& reason) {
    std::string message(what);
    message += " '";
    message += path;
    message += "': ";
    message += reason;
    return Value::error(std::move(message));
}

Value read(Arguments& args) {
    if (args.empty()) return Value::error("read requires a filepath");
    std::string path = args[0].display_text();
    auto result = platform::read_file(path);
    if (!result.ok) return failure("Failed to read file", path, result.error);
    if (!utf8::is_valid(result.bytes))
        return failure("Failed to read file", path, "stream did not contain valid UTF-8");
    return Value::string(std::move(result.bytes));
}

Value write(Arguments& args) {
    if (args.size() < 2) return Value::error("write requires a filepath and content");
    std::string path = args[0].display_text();
    auto result = platform::write_file(path, args[1].display_text());
    if (!result.ok) return failure("Failed to write file", path, result.error);
    return Value::null();
}

Value append(Arguments& args) {
    if (args.size() < 2) return Value::error("append requires a filepath and content");
    std::string path = args[0].display_text();
    auto result = platform::append_file(path, args[1].display_text());
    if (!result.opened) return failure("Failed to open file", path, result.error);
    if (!result.ok) return failure("Failed to append to file", path, result.error);
    return Value::null();
}

Value delete_(Arguments& args) {
    if (args.empty()) return Value::error("delete requires a filepath");
    std::string path = args[0].display_text();
    auto result = platform::remove_file(path);
    if (!result.ok) return failure("Failed to delete file", path, result.error);
    return Value::null();
}

Value exists(Arguments& args) {
    if (args.empty()) return Value::error("exists requires a path");
    return Value::boolean(platform::path_kind(args[0].display_text()) != platform::PathKind::Missing);
}

Value create_folder(Arguments& args) {
    if (args.empty()) return Value::error("create_folder requires a folder path");
    std::string path = args[0].display_text();
    auto result = platform::create_folders(path);
    if (!result.ok) return failure("Failed to create folder", path, result.error);
    return Value::null();
}

Value delete_folder(Arguments& args) {
    if (args.empty()) return Value::error("delete_folder requires a folder path");
    std::string path = args[0].display_text();
    bool recursive = args.size() > 1 && args[1].is_truthy();
    auto result = platform::remove_folder(path, recursive);
    if (!result.ok) return failure("Failed to delete folder", path, result.error);
    return Value::null();
}

Value list(Arguments& args) {
    if (args.empty()) return Value::error("list requires a folder path");
    std::string path = args[0].display_text();
    auto result = platform::list_folder(path);
    if (!result.ok) return failure("Failed to list folder", path, result.error);
    ValueArray names;
    names.reserve(result.names.size());
    for (auto& name : result.names)
        if (utf8::is_valid(name)) names.push_back(Value::string(std::move(name)));
    return Value::array(std::move(names));
}

Value is_file(Arguments& args) {
    if (args.empty()) return Value::error("is_file requires a path");
    return Value::boolean(platform::path_kind(args[0].display_text()) == platform::PathKind::File);
}

Value is_folder(Arguments& args) {
    if (args.empty()) return Value::error("is_folder requires a path");
    return Value::boolean(platform::path_kind(args[0].display_text()) == platform::PathKind::Folder);
}

Value start(Arguments& args) {
    if (args.empty()) return Value::error("start requires a command/file path and optional arguments");
    std::string program = args[0].display_text();
    // An array stands for its elements, one program argument each.
    std::vector<std::string> program_args;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i].is_array()) {
            for (const auto& item : args[i].as_array())
                program_args.push_back(item.display_text());
        } else {
            program_args.push_back(args[i].display_text());
        }
    }
    // The output is thrown away as it comes, so a program that writes a lot
    // never blocks on a full pipe.
    platform::ProcessOptions options;
    options.output = platform::OutputMode::Discard;
    auto result = platform::run_process(program, program_args, options);
    if (!result.started) return failure("Failed to start", program, result.start_error);
    if (result.wait_failed) return Value::error("Failed to wait for process: " + result.wait_error);
    return Value::number(result.exit_code);
}

constexpr NativeFunction functions[] = {
    {"read", without_state<read>},
    {"write", without_state<write>},
    {"append", without_state<append>},
    {"delete", without_state<delete_>},
    {"exists", without_state<exists>},
    {"create_folder", without_state<create_folder>},
    {"delete_folder", without_state<delete_folder>},
    {"list", without_state<list>},
    {"is_file", without_state<is_file>},
    {"is_folder", without_state<is_folder>},
    {"start", without_state<start>},
};

} // namespace

std::span<const NativeFunction> files_functions() {
    return functions;
}

std::optional<Value> files_call(std::string_view name, std::vector<Value>& args) {
    if (!name.starts_with("files.")) return std::nullopt;
    for (const NativeFunction& function : functions)
        if (function.name == name.substr(6)) return function.run(args, nullptr);
    return std::nullopt;
}

} // namespace wexlin
