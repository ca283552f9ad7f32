#include "package_manager/fetch.h"

#include "platform/process.h"
#include "support/limits.h"
#include "support/utf8.h"

namespace wexlin::package_manager {

namespace {

FetchResult failure(std::string message) {
    FetchResult result;
    result.error = std::move(message);
    return result;
}

} // namespace

std::vector<std::string> curl_arguments(std::string_view url) {
    // "-g": brackets and braces in an address are characters, not curl's
    // ranges and lists. The time limits end a fetch from a server that
    // accepts the connection and then says nothing (or stops half-way): no
    // connection within 15 seconds, or less than a byte a second for 30.
    return {"-s",
            "-f",
            "-L",
            "-g",
            "--connect-timeout",
            "15",
            "--speed-limit",
            "1",
            "--speed-time",
            "30",
            std::string(url)};
}

FetchResult fetch_url(std::string_view url) {
    platform::ProcessOptions options;
    options.output = platform::OutputMode::Capture;
    options.empty_stdin = true;
    options.capture_limit = limits::max_download_size;
    auto run = platform::run_process("curl", curl_arguments(url), options);
    if (!run.started) {
        if (run.not_found) return failure("curl is not installed");
        return failure("Failed to fetch URL: " + run.start_error);
    }
    if (run.wait_failed) return failure("Failed to fetch URL: " + run.wait_error);
    if (run.capture_limited)
        return failure("Failed to fetch URL: larger than " + std::to_string(limits::max_download_size) +
                       " bytes");
    if (run.exit_code != 0) return failure("Failed to fetch URL: " + utf8::decode_lossy(run.err));
    if (!utf8::is_valid(run.out)) return failure("Failed to fetch URL: Invalid UTF-8");
    FetchResult result;
    result.ok = true;
    result.text = std::move(run.out);
    return result;
}

} // namespace wexlin::package_manager
