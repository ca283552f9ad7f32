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

// Reports on its own; returns only after a successful build and ends the
// process with exit status 1 after a build error.
void build_standalone(const BuildRequest& request);

} // namespace wexlin::builder
