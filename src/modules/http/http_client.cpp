#include "modules/http/http_client.h"

#include <algorithm>

#include "modules/http/http_text.h"
#include "platform/socket.h"
#include "support/limits.h"
#include "support/utf8.h"

namespace wexlin::http {

namespace {

constexpr std::string_view plain_scheme = "http://";
constexpr std::string_view secure_scheme = "https://";

// A line break inside the request line or the Host header would let the text
// of a url smuggle extra headers or a second request onto the connection, and
// a NUL byte would cut the host name short at the system's name lookup.
bool splits_request(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

} // namespace

std::uint16_t parse_port(std::string_view text) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty()) return 80;
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 80;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 65535) return 80;
    }
    return static_cast<std::uint16_t>(value);
}

UrlResult split_url(std::string_view url) {
    UrlResult result;
    std::string_view rest = trim_white_space(url);
    if (rest.starts_with(plain_scheme)) {
        rest.remove_prefix(plain_scheme.size());
    } else if (rest.starts_with(secure_scheme)) {
        result.error = "HTTPS not supported, use HTTP";
        return result;
    }
    Url parts;
    std::size_t slash = rest.find('/');
    std::string_view host_and_port = rest;
    if (slash == std::string_view::npos) {
        parts.path = "/";
    } else {
        parts.path = std::string(rest.substr(slash));
        host_and_port = rest.substr(0, slash);
    }
    std::size_t colon = host_and_port.find(':');
    if (colon == std::string_view::npos) {
        parts.host = std::string(host_and_port);
    } else {
        parts.host = std::string(host_and_port.substr(0, colon));
        parts.port = parse_port(host_and_port.substr(colon + 1));
    }
    result.url = std::move(parts);
    return result;
}

std::string build_request(std::string_view method, const Url& url, std::string_view body) {
    std::string request;
    request.reserve(method.size() + url.path.size() + url.host.size() + body.size() + 80);
    request += method;
    request += ' ';
    request += url.path;
    request += " HTTP/1.1\r\nHost: ";
    request += url.host;
    // HTTP/1.1 wants the port in the Host line unless it is the default one;
    // a server holding several sites on one port tells them apart by it.
    if (url.port != 80) {
        request += ':';
        request += std::to_string(url.port);
    }
    request += "\r\nConnection: close\r\nContent-Length: ";
    request += std::to_string(body.size());
    request += "\r\n\r\n";
    request += body;
    return request;
}

HttpResult http_request(std::string_view url_text, std::string_view method, std::string_view body) {
    HttpResult result;
    auto split = split_url(url_text);
    if (!split.url) {
        result.text = std::move(split.error);
        return result;
    }
    const Url& url = *split.url;
    if (splits_request(method) || splits_request(url.host) || splits_request(url.path)) {
        result.text = "Invalid request: line break or NUL byte in method, host or path";
        return result;
    }

    auto connected = platform::connect_tcp(url.host, url.port);
    if (!connected.socket.is_open()) {
        std::string reason = connected.no_addresses ? "could not resolve to any addresses" : connected.error;
        result.text = "Failed to connect to " + url.host + ":" + std::to_string(url.port) + ": " + reason;
        return result;
    }
    platform::Socket& connection = connected.socket;

    if (auto error = connection.send_all(build_request(method, url, body))) {
        result.text = "Failed to write request: " + *error;
        return result;
    }

    // A server may send without end; the reply becomes a string like any
    // other, so the string limit bounds what is kept.
    const std::string too_large = "Failed to read response: " + std::string(limits::string_too_large);
    std::string reply;
    reply.resize(4096);
    std::size_t length = 0;
    for (;;) {
        if (length == reply.size()) {
            if (length > limits::max_string_length) {
                result.text = too_large;
                return result;
            }
            reply.resize(std::min(reply.size() * 2, limits::max_string_length + 1));
        }
        auto received = connection.receive(reply.data() + length, reply.size() - length);
        if (!received.ok) {
            result.text = "Failed to read response: " + received.error;
            return result;
        }
        if (received.bytes == 0) break;
        length += received.bytes;
    }
    if (length > limits::max_string_length) {
        result.text = too_large;
        return result;
    }
    reply.resize(length);
    connection.close();
    if (!utf8::is_valid(reply)) {
        result.text = "Failed to read response: stream did not contain valid UTF-8";
        return result;
    }
    result.ok = true;
    result.text = std::move(reply);
    return result;
}

} // namespace wexlin::http
