#include "builder/module_bundle.h"

#include <algorithm>
#include <deque>
#include <set>

#include "lexer/lexer.h"
#include "platform/file_system.h"
#include "support/utf8.h"

namespace wexlin::builder {

namespace {

bool is_builtin_module(std::string_view name) {
    return name == "sdl2" || name == "http" || name == "files";
}

std::string slashed(std::string name) {
    std::replace(name.begin(), name.end(), '.', '/');
    return name;
}

// The module's text from the first of its two places that holds UTF-8 text,
// the same rule the interpreter applies when the program runs.
std::optional<std::string> read_module(const std::string& name) {
    for (const std::string& path : {".wexlin/modules/" + slashed(name) + "/index.wx", name + ".wx"}) {
        platform::ReadResult file = platform::read_file(path);
        if (file.ok && utf8::is_valid(file.bytes)) return std::move(file.bytes);
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> used_module_names(std::string_view source) {
    // The tokens are read the way the parser reads a use statement: the
    // keyword, a name, then ".name" parts. Uses inside functions and blocks
    // count as well, since they load the module when they run.
    std::vector<Token> tokens = tokenize(source);
    std::vector<std::string> names;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].kind != TokenKind::Use || tokens[i + 1].kind != TokenKind::Identifier) continue;
        std::string name = tokens[i + 1].text;
        std::size_t j = i + 2;
        while (j + 1 < tokens.size() && tokens[j].kind == TokenKind::Dot &&
               tokens[j + 1].kind == TokenKind::Identifier) {
            name += "." + tokens[j + 1].text;
            j += 2;
        }
        if (!is_builtin_module(name) && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    }
    return names;
}

ModuleBundle collect_modules(std::string_view script) {
    ModuleBundle bundle;
    std::set<std::string> seen;
    std::deque<std::string> pending;
    auto enqueue = [&](std::string_view source) {
        for (auto& name : used_module_names(source))
            if (seen.insert(name).second) pending.push_back(std::move(name));
    };
    enqueue(script);
    while (!pending.empty()) {
        std::string name = std::move(pending.front());
        pending.pop_front();
        auto text = read_module(name);
        if (!text) {
            bundle.missing.push_back(std::move(name));
            continue;
        }
        enqueue(*text);
        bundle.modules.push_back({std::move(name), std::move(*text)});
    }
    return bundle;
}

} // namespace wexlin::builder
