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

bool in_range(unsigned char c, unsigned char low, unsigned char high) {
    return c >= low && c <= high;
}

// How many bytes the sequence led by lead has, and which values its second
// byte may take (the ranges that rule out overlong forms, surrogates and
// values past U+10FFFF); 0 for a byte that cannot lead.
std::size_t sequence_length(unsigned char lead, unsigned char& second_low, unsigned char& second_high) {
    second_low = 0x80;
    second_high = 0xBF;
    if (in_range(lead, 0xC2, 0xDF)) return 2;
    if (lead == 0xE0) {
        second_low = 0xA0;
        return 3;
    }
    if (lead == 0xED) {
        second_high = 0x9F;
        return 3;
    }
    if (in_range(lead, 0xE1, 0xEF)) return 3;
    if (lead == 0xF0) {
        second_low = 0x90;
        return 4;
    }
    if (lead == 0xF4) {
        second_high = 0x8F;
        return 4;
    }
    if (in_range(lead, 0xF1, 0xF3)) return 4;
    return 0;
}

} // namespace

std::string decode_utf8_lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        unsigned char low = 0;
        unsigned char high = 0;
        std::size_t length = sequence_length(lead, low, high);
        std::size_t taken = 1;
        while (length != 0 && taken < length && i + taken < bytes.size()) {
            auto c = static_cast<unsigned char>(bytes[i + taken]);
            if (!(taken == 1 ? in_range(c, low, high) : in_range(c, 0x80, 0xBF))) break;
            ++taken;
        }
        if (length != 0 && taken == length)
            out.append(bytes.substr(i, length));
        else
            utf8::append(out, 0xFFFD);
        i += taken;
    }
    return out;
}

FetchResult fetch_url(std::string_view url) {
    platform::ProcessOptions options;
    options.output = platform::OutputMode::Capture;
    options.empty_stdin = true;
    options.capture_limit = limits::max_download_size;
    auto run = platform::run_process("curl", {"-s", "-f", "-L", std::string(url)}, options);
    if (!run.started) {
        if (run.not_found) return failure("curl is not installed");
        return failure("Failed to fetch URL: " + run.start_error);
    }
    if (run.wait_failed) return failure("Failed to fetch URL: " + run.wait_error);
    if (run.capture_limited)
        return failure("Failed to fetch URL: larger than " + std::to_string(limits::max_download_size) +
                       " bytes");
    if (run.exit_code != 0) return failure("Failed to fetch URL: " + decode_utf8_lossy(run.err));
    if (!utf8::is_valid(run.out)) return failure("Failed to fetch URL: Invalid UTF-8");
    FetchResult result;
    result.ok = true;
    result.text = std::move(run.out);
    return result;
}

} // namespace wexlin::package_manager
