// What the command line hands to the build command.
#pragma once

#include <optional>
#include <string>

namespace wexlin::builder {

struct BuildRequest {
    std::string file;
    std::string output;
    std::optional<std::string> target;
    std::optional<std::string> icon;
    std::optional<bool> terminal;
};

// OUTPUT when none is typed: FILE's path without the extensions of its file
// name ("levels/one.wx" gives "levels/one"), lexically normalised so "./"
// and "x/../" vanish. A FILE outside the project (absolute, or climbing out
// with "..") gives just its file name, so the program lands directly in the
// build folder.
std::string default_output_name(const std::string& file);

// Reports on its own; returns only after a successful build and ends the
// process with exit status 1 after a build error.
void build_standalone(const BuildRequest& request);

} // namespace wexlin::builder
