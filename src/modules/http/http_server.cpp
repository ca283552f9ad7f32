#include "modules/http/http_server.h"

#include "support/utf8.h"

#include <cstdio>

#include "modules/http/http_text.h"
#include "modules/http/route_table.h"
#include "platform/socket.h"
#include "support/console.h"

namespace wexlin::http {

namespace {

constexpr int listen_backlog = 128;

// Input a client sent beyond the one read, thrown away before closing so the
// system does not answer it with a reset that could destroy the reply.
constexpr std::size_t leftover_input_limit = 1 << 20;

void write_and_flush(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

} // namespace

std::string request_path(std::string_view received) {
    std::string text = utf8::decode_lossy(received);
    auto pieces = split_white_space(text);
    if (pieces.size() < 2) return "/";
    return std::string(pieces[1]);
}

std::string page_reply(std::string_view content) {
    std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: ";
    reply += std::to_string(content.size());
    reply += "\r\n\r\n";
    reply += content;
    return reply;
}

void answer(platform::Socket& connection, const RouteTable& table) {
    char buffer[request_read_limit] = {};
    auto received = connection.receive(buffer, sizeof buffer);
    if (!received.ok) return;
    std::string path = request_path(std::string_view(buffer, received.bytes));
    table.with_route(path, [&](const std::string* content) {
        // A failed write only concerns this client; the server goes on.
        if (content)
            (void)connection.send_all(page_reply(*content));
        else
            (void)connection.send_all(not_found_reply);
    });
    connection.discard_pending_input(leftover_input_limit);
}

std::string serve(std::uint16_t port) {
    write_and_flush(stdout, "Starting HTTP server on port " + std::to_string(port) + "\n");
    auto bound = platform::listen_tcp("127.0.0.1", port, listen_backlog);
    if (!bound.listener.is_open()) return bound.error;
    write_and_flush(stdout, "Server listening on http://localhost:" + std::to_string(port) + "\n");
    const RouteTable& table = RouteTable::the();
    for (;;) {
        auto accepted = bound.listener.accept();
        if (accepted.retry) continue;
        if (!accepted.socket.is_open()) {
            console::write_stderr("Connection error: " + accepted.error + "\n");
            continue;
        }
        accepted.socket.set_timeouts(connection_timeout, connection_timeout);
        answer(accepted.socket, table);
    }
}

} // namespace wexlin::http
