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

// Decodes bytes as UTF-8, replacing each maximal invalid subsequence with
// U+FFFD, so that any program output can go into a message.
std::string decode_utf8_lossy(std::string_view bytes);

} // namespace wexlin::package_manager
