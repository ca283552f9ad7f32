// Status lines for scripts: "HTTP/1.1 404 Not Found".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wexlin::http {

// The reason phrase of a known status code, "Unknown" for any other.
std::string_view reason_phrase(std::int64_t code);

// "HTTP/1.1 " code " " reason, without a line end.
std::string status_line(std::int64_t code, std::string_view reason);

} // namespace wexlin::http
