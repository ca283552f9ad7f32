#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "modules/http/http_client.h"

using namespace wexlin::http;

TEST(HttpClient, SplitsUrls) {
    struct Case {
        std::string url, host;
        std::uint16_t port;
        std::string path;
    };
    const Case cases[] = {
        {"http://127.0.0.1:8080/hello?x=1", "127.0.0.1", 8080, "/hello?x=1"},
        {"localhost", "localhost", 80, "/"},
        {"  http://example.org  ", "example.org", 80, "/"},
        {"example.org:81/a/b", "example.org", 81, "/a/b"},
        {"http://127.0.0.1:abc/", "127.0.0.1", 80, "/"},
        {"http://h:/", "h", 80, "/"},
        {"http://h:65536/", "h", 80, "/"},
        {"http://h:65535/", "h", 65535, "/"},
        {"http://h:+8/", "h", 8, "/"},
        {"http://h:1:2/", "h", 80, "/"},
        {"HTTP://host/", "HTTP", 80, "//host/"},
        {"http://", "", 80, "/"},
        {"http:/x", "http", 80, "/x"},
        {"http://h/p#frag x", "h", 80, "/p#frag x"},
    };
    for (const auto& c : cases) {
        auto split = split_url(c.url);
        ASSERT_TRUE(split.url.has_value()) << c.url;
        EXPECT_EQ(split.url->host, c.host) << c.url;
        EXPECT_EQ(split.url->port, c.port) << c.url;
        EXPECT_EQ(split.url->path, c.path) << c.url;
    }
}

TEST(HttpClient, RefusesHttps) {
    auto split = split_url(" https://example.org/");
    EXPECT_FALSE(split.url.has_value());
    EXPECT_EQ(split.error, "HTTPS not supported, use HTTP");
    // The scheme comparison is case-sensitive.
    EXPECT_TRUE(split_url("HTTPS://example.org/").url.has_value());
}

TEST(HttpClient, ParsesPorts) {
    struct Case {
        std::string text;
        std::uint16_t port;
    };
    const Case cases[] = {
        {"8080", 8080}, {"", 80},         {"+", 80},     {"+0", 0},          {"++1", 80},
        {"-1", 80},     {"65535", 65535}, {"65536", 80}, {"0000000081", 81}, {"99999999999999999999", 80},
        {"8 ", 80},     {"１", 80}};
    for (const auto& c : cases)
        EXPECT_EQ(parse_port(c.text), c.port) << c.text;
}

TEST(HttpClient, BuildsTheExactRequestBytes) {
    Url url{"127.0.0.1", 8080, "/hello?x=1"};
    EXPECT_EQ(build_request("GET", url, ""), "GET /hello?x=1 HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nConnection: "
                                             "close\r\nContent-Length: 0\r\n\r\n");
    // The Host line names the port unless it is the default one.
    EXPECT_EQ(build_request("GET", Url{"example.org", 80, "/"}, ""),
              "GET / HTTP/1.1\r\nHost: example.org\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(build_request("GET", Url{"localhost", 81, "/"}, ""),
              "GET / HTTP/1.1\r\nHost: localhost:81\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(build_request("POST", Url{"h", 80, "/"}, "h\xC3\xA9"),
              "POST / HTTP/1.1\r\nHost: h\r\nConnection: close\r\nContent-Length: 3\r\n\r\nh\xC3\xA9");
}

TEST(HttpClient, RefusesRequestsThatALineBreakWouldSplit) {
    const char* urls[] = {"http://h/a\r\nX-Injected: 1", "http://h\n/", "http://h/a\rb"};
    for (const char* url : urls) {
        auto result = http_request(url, "GET", "");
        EXPECT_FALSE(result.ok) << url;
        EXPECT_EQ(result.text, "Invalid request: line break or NUL byte in method, host or path") << url;
    }
    auto result = http_request("http://h/", "GET / HTTP/1.0\r\n\r\nGET", "");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(http_request(std::string("http://h\0x/", 11), "GET", "").text,
              "Invalid request: line break or NUL byte in method, host or path");
}

TEST(HttpClient, ReportsARefusedConnection) {
    // Bind a port, then free it again: nobody listens there afterwards.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    close(fd);
    std::string port = std::to_string(ntohs(address.sin_port));
    auto result = http_request("127.0.0.1:" + port, "GET", "");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.text, "Failed to connect to 127.0.0.1:" + port + ": Connection refused");
}
