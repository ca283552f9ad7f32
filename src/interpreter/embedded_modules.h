// Script modules carried inside a standalone program. A program built from a
// script that uses modules holds their sources, so it runs anywhere, not only
// in its project folder; `use` looks there first, then in the file system.
#pragma once

#include <string>
#include <unordered_map>

namespace wexlin {

// Source texts by module name exactly as written after `use`. Set once at
// start, before the script runs; shared by every interpreter of the process.
void set_embedded_modules(std::unordered_map<std::string, std::string> modules);

} // namespace wexlin
