// Module names as typed on the command line ("alice/math" or "alice.math"),
// their key "alice.math", and the folder an installed module lives in.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <variant>

namespace wexlin::package_manager {

struct ModuleName {
    std::string author;
    std::string module;

    // The form printed in messages and written in `use` statements.
    std::string key() const { return author + "." + module; }
};

// True when every character of text may stand in a file name on every
// platform a project can live on: no control characters and none of
// \ : * ? " < > | (which Windows reserves). "/" is allowed, as the separator
// of nested names.
bool is_file_name_text(std::string_view text);

// A name or file entry for a message: control characters shown as \xNN, so a
// hostile name or list cannot send terminal sequences to the console.
std::string printable(std::string_view text);

// Splits at the first "/" when both sides are non-empty, otherwise at the
// first "."; the module part keeps any further "/" or ".". A name whose
// author or module part would reach outside its own folder under
// .wexlin/modules (an empty, "." or ".." part, or an absolute path) is
// refused too, because uninstall and upgrade remove that folder, and so is a
// part with a character no file name can hold.
// Answers the name or the error message.
std::variant<ModuleName, std::string> parse_module_name(std::string_view text);

} // namespace wexlin::package_manager
