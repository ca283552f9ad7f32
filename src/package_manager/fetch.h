// Downloading one address with the external curl program.
#pragma once

#include <string>
#include <string_view>

namespace wexlin::package_manager {

struct FetchResult {
    bool ok{false};
    std::string text;  // curl's standard output, when ok
    std::string error; // the message, when not ok
};

// Runs `curl -s -f -L url` with empty standard input; its standard output
// must be UTF-8 text.
FetchResult fetch_url(std::string_view url);

} // namespace wexlin::package_manager
