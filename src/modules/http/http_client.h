// The plain-HTTP client: takes a url apart, sends one request over a fresh
// connection and reads the reply to the end of the stream, uninterpreted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wexlin::http {

struct Url {
    std::string host;
    std::uint16_t port{80};
    std::string path;
};

struct UrlResult {
    std::optional<Url> url;
    std::string error; // the message when the url is refused
};

// "http://host:port/path", or the same without the scheme; https is refused.
UrlResult split_url(std::string_view url);

// The port text after the colon; anything but an unsigned 16-bit decimal
// number (one leading "+" allowed) gives 80.
std::uint16_t parse_port(std::string_view text);

// The exact request bytes: request line, Host, Connection: close,
// Content-Length and the body.
std::string build_request(std::string_view method, const Url& url, std::string_view body);

struct HttpResult {
    bool ok{false};
    std::string text; // the whole reply, or the failure message
};

HttpResult http_request(std::string_view url, std::string_view method, std::string_view body);

} // namespace wexlin::http
