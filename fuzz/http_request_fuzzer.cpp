// The page server's request handling on arbitrary request bytes, over a real
// socket pair: the request is sent and the client's side shut, the server
// answers it, and the reply must be exactly the page of the path the request
// head names, or the 404 reply (their headers alone for HEAD), after a
// "100 Continue" where the head asks for one.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

#include "modules/http/http_server.h"
#include "modules/http/route_table.h"
#include "platform/socket.h"

using namespace wexlin;

namespace {

http::RouteTable& routes() {
    static http::RouteTable* table = [] {
        auto* t = new http::RouteTable;
        t->add("/", "<h1>home</h1>");
        t->add("/index.html", "index");
        t->add("/\xc3\xbc", "u umlaut");
        t->add("/\xef\xbf\xbd", "replacement character");
        t->add("/empty", "");
        t->add("/", "a later route for the same path is never served");
        return t;
    }();
    return *table;
}

bool send_everything(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string receive_everything(int fd) {
    std::string reply;
    char buffer[4096];
    for (;;) {
        ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(got));
    }
    return reply;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // More than the socket pair can hold unread would block the sender.
    if (size > 65536) return 0;
    std::string_view request(reinterpret_cast<const char*>(data), size);
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return 0;
    if (!send_everything(fds[0], request)) __builtin_trap();
    shutdown(fds[0], SHUT_WR);
    {
        platform::Socket server(fds[1]);
        // The whole request is there and the client's side is shut, so the
        // server never waits; the time-out only has to be longer than a busy
        // machine may keep the process from running.
        http::answer(server, routes(), std::chrono::seconds(2));
    }
    std::string reply = receive_everything(fds[0]);
    close(fds[0]);

    // The head ends at its blank line, or with the stream; a peer that
    // closes without a word asks for "/" like any request without a second
    // word. HEAD is answered without the body. A complete head that asks
    // for "100 Continue" may get it first, depending on how much of its body
    // came along with it.
    auto head_end = http::find_head_end(request);
    auto head = request.substr(0, head_end.value_or(request.size()));
    auto line = http::parse_request_line(head);
    const bool without_body = line.method == "HEAD";
    std::string expected;
    routes().with_route(line.path, [&](const std::string* content) {
        if (content)
            expected = http::page_reply(*content, without_body);
        else
            expected = without_body ? http::not_found_head_reply : http::not_found_reply;
    });
    const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
    if (head_end && http::expects_continue(head) && reply.starts_with(interim))
        reply.erase(0, interim.size());
    if (reply != expected) __builtin_trap();
    return 0;
}
