// `use`: binding the built-in module tables and loading script modules.
#include <algorithm>

#include "interpreter/embedded_modules.h"
#include "interpreter/errors.h"
#include "interpreter/interpreter.h"
#include "interpreter/module_entry.h"
#include "lexer/lexer.h"
#include "parser/parser.h"
#include "platform/file_system.h"
#include "support/console.h"
#include "support/stack_guard.h"
#include "support/utf8.h"

namespace wexlin {

namespace {

// A native module's exports: builtin-function values carrying the full name.
ExportTable native_module_table(const NativeModule& module) {
    ExportTable table;
    for (const NativeFunction& function : module.functions) {
        std::string full(module.name);
        full += '.';
        full += function.name;
        table.set(std::string(function.name), Value::builtin_function(std::move(full)));
    }
    return table;
}

std::optional<std::string> read_utf8_file(const std::string& path) {
    platform::ReadResult file = platform::read_file(path);
    if (!file.ok || !utf8::is_valid(file.bytes)) return std::nullopt;
    return std::move(file.bytes);
}

// Names of the script modules being loaded right now, across the nested
// interpreters of one process: a module that uses itself, directly or through
// others, would otherwise load itself again and again until the stack runs out.
std::vector<std::string>& modules_loading() {
    static std::vector<std::string> names;
    return names;
}

std::unordered_map<std::string, std::string>& embedded_modules() {
    static std::unordered_map<std::string, std::string> modules;
    return modules;
}

std::string slashed(std::string name) {
    for (char& c : name)
        if (c == '.') c = '/';
    return name;
}

} // namespace

void set_embedded_modules(std::unordered_map<std::string, std::string> modules) {
    embedded_modules() = std::move(modules);
}

void Interpreter::execute_use(const Step& s) {
    std::optional<ExportTable> exports = load_module(s.module);
    if (!exports) {
        report_error("Failed to import module '" + s.module + "'");
        return;
    }
    if (s.items) {
        for (const auto& item : *s.items) {
            const Value* exported = exports->find(item);
            if (!exported) {
                report_error("Module '" + s.module + "' does not export '" + item + "'");
                continue;
            }
            // Imported items always land in the globals, whatever the scope.
            Symbol symbol = intern(item);
            bind_global(slot(symbol), symbol, Value(*exported));
        }
        return;
    }
    std::string stored;
    if (s.alias) {
        stored = *s.alias;
    } else {
        auto dot = s.module.rfind('.');
        stored = dot == std::string::npos ? s.module : s.module.substr(dot + 1);
    }
    if (extra_debug) {
        if (s.alias)
            console::debug_line("Loading module '" + s.module + "' with alias '" + *s.alias + "'");
        else
            console::debug_line("Loading module '" + s.module + "' with default name '" + stored + "'");
    }
    std::size_t count = exports->size();
    m_modules[intern(stored)] = std::move(*exports);
    if (extra_debug)
        console::debug_line("Module '" + s.module + "' stored as '" + stored + "' with " +
                            std::to_string(count) + " exports");
}

std::optional<ExportTable> Interpreter::load_module(const std::string& name) {
    if (auto cached = m_module_cache.find(name); cached != m_module_cache.end()) return cached->second;
    if (const NativeModule* native = native_module(name)) return native_module_table(*native);

    std::optional<std::string> source;
    if (auto carried = embedded_modules().find(name); carried != embedded_modules().end()) {
        if (extra_debug) console::debug_line("Loading module '" + name + "' carried by the program");
        source = carried->second;
    }
    for (const std::string& path : {".wexlin/modules/" + slashed(name) + "/index.wx", name + ".wx"}) {
        if (source) break;
        if (extra_debug) console::debug_line("Attempting to load module from: " + path);
        source = read_utf8_file(path);
        if (source) break;
    }
    if (!source) {
        report_error("Failed to load module '" + name + "': " + slashed(name) +
                     "/index.wx not found in .wexlin/modules/ or " + name +
                     ".wx not found in current directory");
        return std::nullopt;
    }

    auto& loading = modules_loading();
    if (std::find(loading.begin(), loading.end(), name) != loading.end()) {
        report_error("Failed to load module '" + name + "': circular import");
        return std::nullopt;
    }
    // Each module in a chain of modules that use the next one loads inside
    // the loading of the one before, on the native stack.
    if (stack_exhausted()) {
        report_error("Failed to load module '" + name + "': Maximum recursion depth exceeded");
        return std::nullopt;
    }
    loading.push_back(name);
    // Popped however the loading ends, so that a failure (out of memory while
    // parsing) does not leave the name behind as a false circular import.
    struct Loading {
        std::vector<std::string>& names;
        ~Loading() { names.pop_back(); }
    } loading_guard{loading};

    std::vector<Token> tokens = tokenize(*source);
    Parser parser(tokens, false);
    StepList statements = compile(parser.parse_program());
    ExportTable exports;
    {
        Interpreter module;
        if (extra_debug)
            console::debug_line("Parsed " + std::to_string(statements.size()) + " statements from " + name);
        for (const auto& statement : statements)
            module.execute(statement);
        for (auto& [export_name, value] : module.globals()) {
            if (extra_debug)
                console::debug_line("Exporting: " + export_name + " = \"" +
                                    (value.is_function() ? "Function" : "Other") + "\"");
            exports.set(export_name, std::move(value));
        }
        if (extra_debug)
            console::debug_line("Module " + name + " has " + std::to_string(exports.size()) + " exports");
    }
    m_module_cache[name] = exports;
    return exports;
}

} // namespace wexlin
