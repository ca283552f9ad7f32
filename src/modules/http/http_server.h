// The page server: one connection at a time on the IPv4 loopback address,
// each answered from the route table and closed.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wexlin::platform {
class Socket;
}

namespace wexlin::http {

class RouteTable;

// A request head (request line and header lines) is read until the blank
// line that ends it, but never beyond this many bytes: what was read by then
// decides the reply.
inline constexpr std::size_t request_head_limit = 64 * 1024;

// A body announced with Content-Length is read and thrown away before the
// reply, up to this size, so that closing does not reset a connection whose
// client is still sending (which would destroy the reply). A larger body is
// not waited for (and not asked for, from a client that expects "100
// Continue" first).
inline constexpr std::uint64_t request_body_limit = 64ull * 1024 * 1024;

// How long one accepted connection may keep the server busy reading its
// request (head and body together), and how long writing the reply may go
// without progress, before the connection is dropped. Without a bound, one
// client that connects and sends nothing would stop the server for good.
inline constexpr std::chrono::milliseconds connection_timeout{5000};

// Every reply says the connection closes after it, so clients that keep
// connections open for further requests know to open a new one.
inline constexpr std::string_view not_found_reply = "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain; "
                                                    "charset=utf-8\r\nContent-Length: 9\r\nConnection: "
                                                    "close\r\n\r\nNot Found";

// The 404 reply to HEAD: its headers alone.
inline constexpr std::string_view not_found_head_reply =
    not_found_reply.substr(0, not_found_reply.find("\r\n\r\n") + 4);

struct RequestLine {
    std::string method; // the first white-space-separated word, or empty
    std::string path;   // the second word, or "/" when there is none
};

// The method and path of a request head (decoded with invalid sequences
// replaced). Nothing is percent-decoded; a query string stays in the path.
RequestLine parse_request_line(std::string_view head);

// Where the request head in received ends: the offset just past the blank
// line (CRLF CRLF, or a bare LF LF) that ends it, or nullopt while it has not
// arrived. Empty lines before the request line are not that blank line.
std::optional<std::size_t> find_head_end(std::string_view received);

// The length a complete head announces in Content-Length (name in any case),
// or nullopt when there is none or it is unusable (not digits, or several
// that differ). A value too large for 64 bits reads as the largest one.
std::optional<std::uint64_t> announced_length(std::string_view head);

// Whether a complete head asks for "100 Continue" before its client sends
// the body (Expect: 100-continue, in any case).
bool expects_continue(std::string_view head);

// The full 200 reply carrying content; without_body leaves the content out
// but keeps its length, as a reply to HEAD does.
std::string page_reply(std::string_view content, bool without_body = false);

// Reads one request from connection and writes its reply, all bounded by
// timeout. Read and write failures end the exchange quietly.
void answer(platform::Socket& connection, const RouteTable& table,
            std::chrono::milliseconds timeout = connection_timeout);

// What the serve loop does when accepting fails, say because the process
// has no descriptor left: retrying at once would spin at full speed and flood
// standard error, so it waits, longer while the failures go on, and reports
// each burst of one failure once.
class AcceptBackoff {
  public:
    static constexpr std::chrono::milliseconds first_delay{5};
    static constexpr std::chrono::milliseconds longest_delay{500};

    // Records a failure with the system's text; true when it is to be
    // reported (the first of a burst, or a different error within it).
    bool failed(std::string_view error);

    // How long to wait before the next accept after the failures so far.
    std::chrono::milliseconds delay() const { return m_delay; }

    // An accept succeeded: the burst is over.
    void succeeded();

  private:
    std::chrono::milliseconds m_delay{0};
    std::string m_reported;
};

// Prints the start line, binds 127.0.0.1:port, prints the listening line and
// serves forever. Returns only when binding fails, with the system's text.
std::string serve(std::uint16_t port);

} // namespace wexlin::http
