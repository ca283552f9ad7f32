#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "modules/http/http_server.h"
#include "modules/http/route_table.h"
#include "platform/socket.h"

using namespace wexlin;
using namespace wexlin::http;

TEST(HttpServer, RequestLineGivesMethodAndPath) {
    struct Case {
        std::string request, method, path;
    };
    const Case cases[] = {
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", "GET", "/"},
        {"GET /?x=1 HTTP/1.1\r\n", "GET", "/?x=1"},
        {"POST /a HTTP/1.1\r\n\r\nbody", "POST", "/a"},
        {"HEAD /a HTTP/1.1\r\n\r\n", "HEAD", "/a"},
        {"GET", "GET", "/"},
        {"", "", "/"},
        {"\r\n  \t", "", "/"},
        {"  GET \t\t /index/  ", "GET", "/index/"},
        {"GET /a%20b#frag HTTP/1.1", "GET", "/a%20b#frag"},
        {"BREW\xC2\xA0/pot", "BREW", "/pot"},
        {"GET /\xFF HTTP/1.1", "GET", "/\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        auto line = parse_request_line(c.request);
        EXPECT_EQ(line.method, c.method) << c.request;
        EXPECT_EQ(line.path, c.path) << c.request;
    }
}

TEST(HttpServer, FindsTheBlankLineThatEndsTheHead) {
    struct Case {
        std::string received;
        std::optional<std::size_t> end;
    };
    const Case cases[] = {
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\nbody", 27},
        {"GET / HTTP/1.1\r\n\r\n", 18},
        {"GET / HTTP/1.1\n\n", 16},
        {"GET / HTTP/1.1\nHost: x\r\n\nrest", 25},
        {"\r\n\r\nGET / HTTP/1.1\r\n\r\n", 22},
        {"GET / HTTP/1.1\r\nHost: x\r\n", std::nullopt},
        {"GET /hel", std::nullopt},
        {"\r\n\r\n\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(find_head_end(c.received), c.end) << c.received;
}

TEST(HttpServer, ReadsTheAnnouncedLength) {
    struct Case {
        std::string head;
        std::optional<std::uint64_t> length;
    };
    const Case cases[] = {
        {"POST / HTTP/1.1\r\nContent-Length: 12\r\n\r\n", 12},
        {"POST / HTTP/1.1\r\ncontent-length:7\r\n\r\n", 7},
        {"POST / HTTP/1.1\nCONTENT-LENGTH: \t 0 \n\n", 0},
        {"POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 5\r\n\r\n", 5},
        {"POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n", std::nullopt},
        {"POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", std::nullopt},
        {"POST / HTTP/1.1\r\nContent-Length: 1 2\r\n\r\n", std::nullopt},
        {"POST / HTTP/1.1\r\nContent-Length:\r\n\r\n", std::nullopt},
        {"POST / HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\n", UINT64_MAX},
        {"POST / HTTP/1.1\r\nX-Content-Length: 3\r\n\r\n", std::nullopt},
        // The request line is no header, whatever it holds.
        {"Content-Length: 3\r\n\r\n", std::nullopt},
        {"GET / HTTP/1.1\r\n\r\n", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(announced_length(c.head), c.length) << c.head;
}

TEST(HttpServer, SeesAClientThatExpectsToBeToldToContinue) {
    EXPECT_TRUE(expects_continue("POST / HTTP/1.1\r\nExpect: 100-continue\r\n\r\n"));
    EXPECT_TRUE(expects_continue("POST / HTTP/1.1\nexpect:100-Continue \n\n"));
    EXPECT_FALSE(expects_continue("POST / HTTP/1.1\r\nExpect: 200-ok\r\n\r\n"));
    EXPECT_FALSE(expects_continue("Expect: 100-continue\r\n\r\n"));
}

TEST(HttpServer, RepliesSayTheCharsetAndThatTheConnectionCloses) {
    EXPECT_EQ(page_reply("h\xC3\xA9llo"), "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                                          "Content-Length: 6\r\nConnection: close\r\n\r\nh\xC3\xA9llo");
    EXPECT_EQ(page_reply(""), "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: "
                              "0\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(page_reply("abc", true), "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                                       "Content-Length: 3\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(not_found_reply, "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain; charset=utf-8\r\n"
                               "Content-Length: 9\r\nConnection: close\r\n\r\nNot Found");
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
        answer(server, table, timeout);
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
    // One that closes in the middle of its head is answered from what came.
    EXPECT_EQ(serve_once(table, "GET /a HTTP/1.1\r\nHost: x"), page_reply("A"));
}

TEST(HttpServer, AnEmptyTableAnswersNotFound) {
    RouteTable table;
    EXPECT_EQ(serve_once(table, "GET / HTTP/1.1\r\n\r\n"), not_found_reply);
}

TEST(HttpServer, HeadGetsTheHeadersAlone) {
    RouteTable table;
    table.add("/a", "some page");
    EXPECT_EQ(serve_once(table, "HEAD /a HTTP/1.1\r\n\r\n"), page_reply("some page", true));
    EXPECT_EQ(serve_once(table, "HEAD /none HTTP/1.1\r\n\r\n"), not_found_head_reply);
    // Methods are case-sensitive: only HEAD itself leaves the body out.
    EXPECT_EQ(serve_once(table, "head /a HTTP/1.1\r\n\r\n"), page_reply("some page"));
}

TEST(HttpServer, LooksUpTheWholePathOfALongHead) {
    RouteTable table;
    std::string long_path = "/" + std::string(2000, 'a');
    table.add(long_path.substr(0, 1020), "cut");
    table.add(long_path, "whole");
    EXPECT_EQ(serve_once(table, "GET " + long_path + " HTTP/1.1\r\n\r\n", false), page_reply("whole"));
}

TEST(HttpServer, StopsReadingAHeadAtTheLimit) {
    RouteTable table;
    std::string long_path = "/" + std::string(request_head_limit + 1000, 'a');
    table.add(long_path.substr(0, request_head_limit - 4), "cut");
    // The client never ends its head; the server answers once it has read
    // as much as it takes.
    EXPECT_EQ(serve_once(table, "GET " + long_path, false), page_reply("cut"));
}

TEST(HttpServer, WaitsForAHeadThatArrivesInPieces) {
    RouteTable table;
    table.add("/hel", "wrong page");
    table.add("/hello", "right page");
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    std::thread client([&] {
        const char* pieces[] = {"GET /hel", "lo HTTP/1.1\r\n", "Host: x\r\n", "\r\n"};
        for (const char* piece : pieces) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            (void)!write(fds[1], piece, strlen(piece));
        }
    });
    {
        platform::Socket server(fds[0]);
        answer(server, table);
    }
    client.join();
    std::string reply;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[1], buffer, sizeof buffer)) > 0)
        reply.append(buffer, static_cast<std::size_t>(n));
    close(fds[1]);
    EXPECT_EQ(reply, page_reply("right page"));
}

TEST(HttpServer, ReadsTheAnnouncedBodyBeforeReplying) {
    RouteTable table;
    table.add("/up", "got it");
    // A socket pair keeps the reply even when the server closes early, but
    // the client then fails to send the rest of its body.
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    const std::string body(3 << 20, 'u');
    bool all_sent = false;
    std::thread client([&] {
        std::string request =
            "POST /up HTTP/1.1\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        request += body;
        std::string_view left = request;
        while (!left.empty()) {
            ssize_t sent = send(fds[1], left.data(), left.size(), MSG_NOSIGNAL);
            if (sent <= 0) break;
            left.remove_prefix(static_cast<std::size_t>(sent));
        }
        all_sent = left.empty();
    });
    {
        platform::Socket server(fds[0]);
        answer(server, table);
    }
    client.join();
    std::string reply;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[1], buffer, sizeof buffer)) > 0)
        reply.append(buffer, static_cast<std::size_t>(n));
    close(fds[1]);
    EXPECT_TRUE(all_sent);
    EXPECT_EQ(reply, page_reply("got it"));
}

TEST(HttpServer, TellsAClientThatAsksToSendItsBody) {
    RouteTable table;
    table.add("/a", "A");
    const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
    EXPECT_EQ(serve_once(table, "POST /a HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\n",
                         false, std::chrono::milliseconds(100)),
              interim + page_reply("A"));
    // Not when the body came along anyway, nor when it is too large to wait
    // for: the reply comes at once, and the client need not send it.
    EXPECT_EQ(serve_once(table, "POST /a HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\nabc"),
              page_reply("A"));
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(serve_once(table,
                         "POST /a HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: " +
                             std::to_string(request_body_limit + 1) + "\r\n\r\n",
                         false),
              page_reply("A"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST(HttpServer, ASilentClientIsDroppedWithoutReply) {
    RouteTable table;
    table.add("/", "page");
    EXPECT_EQ(serve_once(table, "", false, std::chrono::milliseconds(50)), "");
    // So is one whose head never ends, once the time-out has passed.
    EXPECT_EQ(serve_once(table, "GET / HTTP/1.1\r\nHost: x\r\n", false, std::chrono::milliseconds(50)), "");
}

TEST(HttpServer, AClientThatStopsShortOfItsBodyIsAnsweredAfterTheTimeOut) {
    RouteTable table;
    table.add("/", "page");
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(serve_once(table, "POST / HTTP/1.1\r\nContent-Length: 100\r\n\r\nabc", false,
                         std::chrono::milliseconds(100)),
              page_reply("page"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
}

TEST(HttpServer, AcceptFailuresBackOffAndAreReportedOncePerBurst) {
    AcceptBackoff backoff;
    EXPECT_TRUE(backoff.failed("Too many open files"));
    EXPECT_EQ(backoff.delay(), AcceptBackoff::first_delay);
    std::chrono::milliseconds previous = backoff.delay();
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(backoff.failed("Too many open files"));
        EXPECT_GE(backoff.delay(), previous);
        EXPECT_LE(backoff.delay(), AcceptBackoff::longest_delay);
        previous = backoff.delay();
    }
    EXPECT_EQ(backoff.delay(), AcceptBackoff::longest_delay);
    // Another cause within the burst is worth its own line.
    EXPECT_TRUE(backoff.failed("Software caused connection abort"));
    backoff.succeeded();
    EXPECT_TRUE(backoff.failed("Too many open files"));
    EXPECT_EQ(backoff.delay(), AcceptBackoff::first_delay);
}
