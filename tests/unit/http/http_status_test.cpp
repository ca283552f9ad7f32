#include <gtest/gtest.h>

#include "modules/http/http_status.h"

using namespace wexlin::http;

TEST(HttpStatus, ReasonTable) {
    struct Case {
        std::int64_t code;
        const char* reason;
    };
    const Case cases[] = {{200, "OK"},
                          {201, "Created"},
                          {204, "No Content"},
                          {301, "Moved Permanently"},
                          {302, "Found"},
                          {304, "Not Modified"},
                          {400, "Bad Request"},
                          {401, "Unauthorized"},
                          {403, "Forbidden"},
                          {404, "Not Found"},
                          {500, "Internal Server Error"},
                          {502, "Bad Gateway"},
                          {503, "Service Unavailable"},
                          {418, "Unknown"},
                          {0, "Unknown"},
                          {-200, "Unknown"},
                          {4294967496, "Unknown"}};
    for (const auto& c : cases)
        EXPECT_EQ(reason_phrase(c.code), c.reason) << c.code;
}

TEST(HttpStatus, StatusLine) {
    EXPECT_EQ(status_line(404, "Not Found"), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(status_line(-1, ""), "HTTP/1.1 -1 ");
    EXPECT_EQ(status_line(INT64_MIN, "x"), "HTTP/1.1 -9223372036854775808 x");
}
