// Downloading one address with the external curl program.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wexlin::package_manager {

struct FetchResult {
    bool ok{false};
    std::string text;  // curl's standard output, when ok
    std::string error; // the message, when not ok
};

// The arguments curl is run with for one address: silent, failing on an
// HTTP error, following redirects, no globbing, bounded waits.
std::vector<std::string> curl_arguments(std::string_view url);

// Runs curl with those arguments with empty standard input; its standard output
// must be UTF-8 text.
FetchResult fetch_url(std::string_view url);

} // namespace wexlin::package_manager
