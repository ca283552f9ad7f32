// The page server: one connection at a time on the IPv4 loopback address,
// each answered from the route table and closed.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wexlin::platform {
class Socket;
}

namespace wexlin::http {

class RouteTable;

// One read of at most this many bytes is all a request gets.
inline constexpr std::size_t request_read_limit = 1024;

// How long an accepted connection may keep the server waiting for its request
// or for room to write the reply before it is dropped. Without a bound, one
// client that connects and sends nothing would stop the server for good.
inline constexpr std::chrono::milliseconds connection_timeout{5000};

inline constexpr std::string_view not_found_reply =
    "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 9\r\n\r\nNot Found";

// The requested path: the second white-space-separated word of the received
// bytes (decoded with invalid sequences replaced), or "/" when there is none.
std::string request_path(std::string_view received);

// The full 200 reply carrying content.
std::string page_reply(std::string_view content);

// Reads one request from connection and writes its reply. Read and write
// failures end the exchange quietly.
void answer(platform::Socket& connection, const RouteTable& table);

// Prints the start line, binds 127.0.0.1:port, prints the listening line and
// serves forever. Returns only when binding fails, with the system's text.
std::string serve(std::uint16_t port);

} // namespace wexlin::http
