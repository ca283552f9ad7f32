#include "modules/http/http_server.h"

#include "support/utf8.h"

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

#include "modules/http/http_text.h"
#include "modules/http/route_table.h"
#include "platform/socket.h"
#include "support/console.h"

namespace wexlin::http {

namespace {

constexpr int listen_backlog = 128;

// Input a client sent beyond what was read (a body too large to wait for, a
// second request), thrown away before closing so the system does not answer
// it with a reset that could destroy the reply.
constexpr std::size_t leftover_input_limit = 1 << 20;

// The interim reply that tells a client to go on sending its body.
constexpr std::string_view continue_reply = "HTTP/1.1 100 Continue\r\n\r\n";

// Bytes asked for by one receive of the head or the body.
constexpr std::size_t receive_chunk = 16 * 1024;

using Clock = std::chrono::steady_clock;

void write_and_flush(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

char lower_ascii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower_ascii(a[i]) != lower_ascii(b[i])) return false;
    return true;
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The values of every header line of head with the given lower-case name,
// without the blanks around them. The request line is no header.
std::vector<std::string_view> header_values(std::string_view head, std::string_view name) {
    std::vector<std::string_view> values;
    std::size_t line_start = head.find('\n');
    while (line_start != std::string_view::npos) {
        ++line_start;
        std::size_t line_end = head.find('\n', line_start);
        std::string_view line = head.substr(
            line_start, line_end == std::string_view::npos ? std::string_view::npos : line_end - line_start);
        line_start = line_end;
        std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && equals_ignoring_case(line.substr(0, colon), name))
            values.push_back(trim_blanks(line.substr(colon + 1)));
    }
    return values;
}

// Decimal digits only; saturates instead of wrapping.
std::optional<std::uint64_t> parse_length(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10)
            value = UINT64_MAX;
        else
            value = value * 10 + digit;
    }
    return value;
}

// Looks for the blank line that ends a request head in bytes that arrive in
// pieces, looking at each byte once however the pieces are cut. Line ends
// are CRLF or a bare LF; empty lines before the request line are skipped.
class HeadScanner {
  public:
    // The offset just past the blank line, once received holds it.
    std::optional<std::size_t> scan(std::string_view received) {
        for (; m_at < received.size(); ++m_at) {
            char c = received[m_at];
            if (c == '\r') continue;
            if (c != '\n') {
                m_line_empty = false;
                m_in_head = true;
                continue;
            }
            if (m_in_head && m_line_empty) return ++m_at;
            m_line_empty = true;
        }
        return std::nullopt;
    }

  private:
    std::size_t m_at{0};
    bool m_in_head{false};
    bool m_line_empty{true};
};

// Waits for the next bytes of the request, but only until deadline.
platform::ReceiveResult receive_until(platform::Socket& connection, char* buffer, std::size_t capacity,
                                      Clock::time_point deadline, std::chrono::milliseconds send_timeout) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    // A zero receive time-out would mean none at all.
    if (left.count() < 1) return platform::ReceiveResult{false, 0, "timed out"};
    connection.set_timeouts(left, send_timeout);
    return connection.receive(buffer, capacity);
}

} // namespace

RequestLine parse_request_line(std::string_view head) {
    std::string text = utf8::decode_lossy(head);
    auto pieces = split_white_space(text);
    RequestLine line;
    if (!pieces.empty()) line.method = std::string(pieces[0]);
    line.path = pieces.size() < 2 ? "/" : std::string(pieces[1]);
    return line;
}

std::optional<std::size_t> find_head_end(std::string_view received) {
    return HeadScanner{}.scan(received);
}

std::optional<std::uint64_t> announced_length(std::string_view head) {
    std::optional<std::uint64_t> found;
    for (std::string_view text : header_values(head, "content-length")) {
        auto value = parse_length(text);
        // A length that cannot be read, or two that disagree, leave the body's
        // end unknown; guessing would read into whatever follows.
        if (!value || (found && *found != *value)) return std::nullopt;
        found = value;
    }
    return found;
}

bool expects_continue(std::string_view head) {
    for (std::string_view text : header_values(head, "expect"))
        if (equals_ignoring_case(text, "100-continue")) return true;
    return false;
}

std::string page_reply(std::string_view content, bool without_body) {
    std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: ";
    reply.reserve(reply.size() + 48 + (without_body ? 0 : content.size()));
    reply += std::to_string(content.size());
    reply += "\r\nConnection: close\r\n\r\n";
    if (!without_body) reply += content;
    return reply;
}

void answer(platform::Socket& connection, const RouteTable& table, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;

    // The head, read until its blank line, the end of the client's stream or
    // the size limit. Bytes of the body may come along in the same reads.
    std::string received;
    std::optional<std::size_t> head_end;
    HeadScanner scanner;
    bool stream_ended = false;
    while (!head_end && received.size() < request_head_limit) {
        std::size_t old_size = received.size();
        received.resize(old_size + std::min(receive_chunk, request_head_limit - old_size));
        auto got = receive_until(connection, received.data() + old_size, received.size() - old_size, deadline,
                                 timeout);
        // A failure or a time-out before the head is whole: no reply.
        if (!got.ok) return;
        received.resize(old_size + got.bytes);
        if (got.bytes == 0) {
            stream_ended = true;
            break;
        }
        head_end = scanner.scan(received);
    }
    std::string_view head = std::string_view(received).substr(0, head_end.value_or(received.size()));
    RequestLine request = parse_request_line(head);

    // The body the head announces, thrown away so the client can finish
    // sending it and then read the reply.
    if (head_end && !stream_ended) {
        auto length = announced_length(head);
        std::uint64_t arrived = received.size() - *head_end;
        if (length && *length <= request_body_limit && *length > arrived) {
            // A client that asks first (curl does for large bodies) would
            // otherwise wait a second before sending.
            if (expects_continue(head) && connection.send_all(continue_reply)) return;
            std::uint64_t left = *length - arrived;
            char buffer[receive_chunk];
            while (left > 0) {
                auto got =
                    receive_until(connection, buffer,
                                  static_cast<std::size_t>(std::min<std::uint64_t>(left, sizeof buffer)),
                                  deadline, timeout);
                // A client that stops short still gets its reply, if it reads.
                if (!got.ok || got.bytes == 0) break;
                left -= got.bytes;
            }
        }
    }

    const bool without_body = request.method == "HEAD";
    table.with_route(request.path, [&](const std::string* content) {
        // A failed write only concerns this client; the server goes on.
        if (content)
            (void)connection.send_all(page_reply(*content, without_body));
        else
            (void)connection.send_all(without_body ? not_found_head_reply : not_found_reply);
    });
    connection.discard_pending_input(leftover_input_limit);
}

bool AcceptBackoff::failed(std::string_view error) {
    m_delay = m_delay.count() == 0 ? first_delay : std::min(m_delay * 2, longest_delay);
    if (error == m_reported) return false;
    m_reported = std::string(error);
    return true;
}

void AcceptBackoff::succeeded() {
    m_delay = std::chrono::milliseconds{0};
    m_reported.clear();
}

std::string serve(std::uint16_t port) {
    write_and_flush(stdout, "Starting HTTP server on port " + std::to_string(port) + "\n");
    auto bound = platform::listen_tcp("127.0.0.1", port, listen_backlog);
    if (!bound.listener.is_open()) return bound.error;
    write_and_flush(stdout, "Server listening on http://localhost:" + std::to_string(port) + "\n");
    const RouteTable& table = RouteTable::the();
    AcceptBackoff backoff;
    for (;;) {
        auto accepted = bound.listener.accept();
        if (accepted.retry) continue;
        if (!accepted.socket.is_open()) {
            if (backoff.failed(accepted.error))
                console::write_stderr("Connection error: " + accepted.error + "\n");
            // The pending connection stays queued and is accepted once the
            // cause (most often a full descriptor table) has gone.
            std::this_thread::sleep_for(backoff.delay());
            continue;
        }
        backoff.succeeded();
        answer(accepted.socket, table);
    }
}

} // namespace wexlin::http
