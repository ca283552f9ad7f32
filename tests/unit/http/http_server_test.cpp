#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include "modules/http/http_server.h"
#include "modules/http/route_table.h"
#include "platform/socket.h"

using namespace wexlin;
using namespace wexlin::http;

TEST(HttpServer, RequestPathIsTheSecondWord) {
    struct Case {
        std::string request, path;
    };
    const Case cases[] = {
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", "/"},
        {"GET /?x=1 HTTP/1.1\r\n", "/?x=1"},
        {"POST /a HTTP/1.1\r\n\r\nbody", "/a"},
        {"GET", "/"},
        {"", "/"},
        {"\r\n  \t", "/"},
        {"  GET \t\t /index/  ", "/index/"},
        {"GET /a%20b#frag HTTP/1.1", "/a%20b#frag"},
        {"BREW\xC2\xA0/pot", "/pot"},
        {"GET /\xFF HTTP/1.1", "/\xEF\xBF\xBD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(request_path(c.request), c.path) << c.request;
}

TEST(HttpServer, PageReplyCountsBytes) {
    EXPECT_EQ(page_reply("h\xC3\xA9llo"),
              "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 6\r\n\r\nh\xC3\xA9llo");
    EXPECT_EQ(page_reply(""), "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(not_found_reply.size(), 80u);
}

namespace {

// Runs one exchange over a connected socket pair: sends request (then ends
// the client's side when close_client_output is set) and gives back every
// byte the server wrote before closing.
std::string serve_once(const RouteTable& table, const std::string& request, bool close_client_output = true,
                       std::chrono::milliseconds timeout = connection_timeout) {
    int fds[2];
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    if (!request.empty()) {
        EXPECT_EQ(write(fds[1], request.data(), request.size()), ssize_t(request.size()));
    }
    if (close_client_output) shutdown(fds[1], SHUT_WR);
    {
        platform::Socket server(fds[0]);
        server.set_timeouts(timeout, timeout);
        answer(server, table);
    }
    std::string reply;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[1], buffer, sizeof buffer)) > 0)
        reply.append(buffer, static_cast<std::size_t>(n));
    close(fds[1]);
    return reply;
}

} // namespace

TEST(HttpServer, AnswersFromTheFirstMatchingRoute) {
    RouteTable table;
    table.add("/", "first");
    table.add("/", "second");
    table.add("/a", "A");
    EXPECT_EQ(serve_once(table, "GET / HTTP/1.1\r\n\r\n"), page_reply("first"));
    EXPECT_EQ(serve_once(table, "POST /a HTTP/1.1\r\n\r\n"), page_reply("A"));
    EXPECT_EQ(serve_once(table, "GET /?x=1 HTTP/1.1\r\n\r\n"), not_found_reply);
    EXPECT_EQ(serve_once(table, "GET /a/ HTTP/1.1\r\n\r\n"), not_found_reply);
    // A client that closes without sending anything asks for "/".
    EXPECT_EQ(serve_once(table, ""), page_reply("first"));
    EXPECT_EQ(serve_once(table, "GET"), page_reply("first"));
}

TEST(HttpServer, AnEmptyTableAnswersNotFound) {
    RouteTable table;
    EXPECT_EQ(serve_once(table, "GET / HTTP/1.1\r\n\r\n"), not_found_reply);
}

TEST(HttpServer, LooksUpOnlyWhatTheFirstReadHolds) {
    RouteTable table;
    std::string long_path = "/" + std::string(2000, 'a');
    std::string cut_path = long_path.substr(0, request_read_limit - 4);
    table.add(long_path, "whole");
    table.add(cut_path, "cut");
    EXPECT_EQ(serve_once(table, "GET " + long_path + " HTTP/1.1\r\n\r\n"), page_reply("cut"));
}

TEST(HttpServer, ASilentClientIsDroppedWithoutReply) {
    RouteTable table;
    table.add("/", "page");
    EXPECT_EQ(serve_once(table, "", false, std::chrono::milliseconds(50)), "");
}
