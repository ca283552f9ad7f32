// The one thing read from a module's module.yaml: its `files:` list. The
// reading is line based, not a YAML parser, so that any registry author's
// hand-written file works.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wexlin::package_manager {

// The entries of the `files:` list, in order; a file without one, or with
// an empty one, lists only "index.wx".
std::vector<std::string> read_file_list(std::string_view metadata);

// True when a listed entry, joined to the module's folder, stays inside it
// and can be a file name everywhere: it is not empty, does not start at a
// root, has no ".." component and no character that a file name cannot hold
// (control characters, \ : * ? " < > |).
bool is_safe_file_entry(std::string_view entry);

} // namespace wexlin::package_manager
