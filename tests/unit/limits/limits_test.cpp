// Limits and failed allocations inside running scripts: each must end the
// statement that met it with error lines, and the script must go on.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "failing_allocator.h"
#include "interpreter/value.h"
#include "modules/http/http_client.h"
#include "modules/http/http_json.h"
#include "runner.h"
#include "support/limits.h"
#include "support/stack_guard.h"

namespace wexlin {
namespace {

struct Output {
    std::string out;
    std::string err; // colour escapes removed
};

// Drops the colour sequences (ESC "[" digits and semicolons "m").
std::string without_colours(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\x1b' && i + 1 < text.size() && text[i + 1] == '[') {
            std::size_t end = text.find_first_not_of("0123456789;", i + 2);
            if (end != std::string::npos && text[end] == 'm') {
                i = end;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

Output run(std::string_view source) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    run_script(source, false, false);
    std::fflush(stdout);
    Output output;
    output.out = ::testing::internal::GetCapturedStdout();
    output.err = without_colours(::testing::internal::GetCapturedStderr());
    return output;
}

// Restores the limits a test lowered.
class Limits : public ::testing::Test {
  protected:
    void SetUp() override { init_stack_guard(); }
    void TearDown() override {
        limits::max_string_length = m_string;
        limits::max_range_length = m_range;
    }

  private:
    std::size_t m_string{limits::max_string_length};
    std::uint64_t m_range{limits::max_range_length};
};

TEST_F(Limits, ConcatenationPastTheStringLimitFails) {
    limits::max_string_length = 1000;
    auto output = run(R"(
s = "0123456789"
for i in 0..10 { s = s + s }
print(s)
t = "0123456789"
for i in 0..6 { t = t + t }
print(len(t))
print(len(t + slice(t, 0, 360)))
print(len(t + slice(t, 0, 361)))
print("after")
)");
    EXPECT_EQ(output.out, "640\n1000\nafter\n");
    EXPECT_NE(
        output.err.find("[ERROR] String too large\n[ERROR] Error in assignment to 's': String too large\n"),
        std::string::npos)
        << output.err;
    EXPECT_NE(output.err.find("[ERROR] String too large\n[ERROR] Error in expression: String too large\n"),
              std::string::npos)
        << output.err;
}

TEST_F(Limits, RangePastTheRangeLimitFails) {
    limits::max_range_length = 1000;
    auto output = run(R"(
print(len(0..1000))
r = 0..1001
for i in 5..1006 { print("never") }
print("after")
)");
    EXPECT_EQ(output.out, "1000\nafter\n");
    EXPECT_EQ(output.err, "[ERROR] Range too large\n"
                          "[ERROR] Error in assignment to 'r': Range too large\n"
                          "[ERROR] Range too large\n"
                          "[ERROR] Error in for loop iteration: Range too large\n");
}

// A function whose result is a 655360-byte string: under a 1 MiB allocation
// limit, joining two of them fails.
constexpr std::string_view huge = R"(
def huge() {
    s = "0123456789"
    for i in 0..16 { s = s + s }
    return s
}
)";

// Every statement kind that evaluates something reports a failed allocation
// with its own context, and a binding it was making receives the Error.
TEST_F(Limits, FailedAllocationEndsOnlyTheStatement) {
    Output output;
    {
        testing::FailingAllocations guard(1 << 20);
        output = run(std::string(huge) + R"(
let declared = len(huge() + huge())
h = huge()
big = h + h
print(big)
n = 1
n += len(h + h)
print(len(h + h))
if len(h + h) > 0 { print("never") }
while len(h + h) > 0 { print("never") }
for i in [h + h] { print("never") }
match len(h + h) { _ => print("never") }
try { return h + h } catch e { print(e) }
print(len(h))
)");
    }
    EXPECT_EQ(output.out, "Out of memory\n655360\n");
    const char* expected = "[ERROR] Out of memory\n"
                           "[ERROR] Error in global let statement for 'declared': Out of memory\n"
                           "[ERROR] Out of memory\n"
                           "[ERROR] Error in let statement for 'declared': Out of memory\n"
                           "[ERROR] Out of memory\n"
                           "[ERROR] Error in assignment to 'big': Out of memory\n"
                           "[ERROR] Error in expression: Out of memory\n"
                           "[ERROR] Out of memory\n"
                           "[ERROR] Error in compound assignment to 'n': Out of memory\n"
                           "[ERROR] Out of memory\n"
                           "[ERROR] Error in expression: Out of memory\n"
                           "[ERROR] Out of memory\n"
                           "[ERROR] Error in if condition: Out of memory\n"
                           "[ERROR] Out of memory\n"
                           "[ERROR] Error in while condition: Out of memory\n"
                           "[ERROR] Out of memory\n"
                           "[ERROR] Error in for loop iteration: Out of memory\n"
                           "[ERROR] Out of memory\n"
                           "[ERROR] Error in match expression: Out of memory\n"
                           "[ERROR] Out of memory\n";
    EXPECT_EQ(output.err, expected);
}

// A failure deep in a call ends the innermost statement; the callers' scopes
// are intact afterwards, and a failed return hands the caller an Error.
TEST_F(Limits, FailedAllocationInsideCalls) {
    Output output;
    {
        testing::FailingAllocations guard(1 << 20);
        output = run(std::string(huge) + R"(
def grow() {
    h = huge()
    joined = h + h
    return len(h)
}
def fails() {
    h = huge()
    return h + h
}
def outer() {
    mine = "outer's own"
    got = grow()
    print(mine)
    print(got)
    r = fails()
    print(mine)
    return "done"
}
print(outer())
)");
    }
    EXPECT_EQ(output.out, "outer's own\n655360\nouter's own\ndone\n");
    EXPECT_EQ(output.err, "[ERROR] Out of memory\n"
                          "[ERROR] Error in assignment to 'joined': Out of memory\n"
                          "[ERROR] Out of memory\n"
                          "[ERROR] Error in assignment to 'r': Out of memory\n");
}

TEST_F(Limits, DisplayPastTheStringLimitFails) {
    limits::max_string_length = 1000;
    auto output = run(R"(
use http
a = [1]
for i in 0..64 { a = [a, a] }
print(len(a))
print(a)
j = http.json(a)
s = concat("x", a)
d = {}
for i in 0..5 { d = {left: d, right: d} }
print(len(concat(d)))
for i in 0..64 { d = {left: d, right: d} }
print(contains(d, "x"))
print("after")
)");
    EXPECT_EQ(output.out, "2\n591\nafter\n");
    EXPECT_EQ(output.err, "[ERROR] String too large\n"
                          "[ERROR] Error in expression: String too large\n"
                          "[ERROR] Error in assignment to 'j': String too large\n"
                          "[ERROR] String too large\n"
                          "[ERROR] Error in assignment to 's': String too large\n"
                          "[ERROR] String too large\n"
                          "[ERROR] Error in expression: String too large\n");
}

// The display, debug and JSON texts of a value nested far past what the
// native stack could recurse through, and the value's release.
TEST_F(Limits, DeeplyNestedValueTexts) {
    constexpr int depth = 1000000;
    Value nested = Value::string("x");
    for (int i = 0; i < depth; ++i) {
        Dict dict;
        dict.set("k", std::move(nested));
        nested = Value::array({Value::dict(std::move(dict))});
    }
    std::string display = nested.display_text();
    EXPECT_EQ(display.size(), std::size_t{depth} * 7 + 1);
    EXPECT_EQ(display.substr(0, 7), "[{k: [{");
    EXPECT_EQ(display.substr(std::size_t{depth} * 5 - 2, 7), ": x}]}]");
    std::string debug = nested.debug_form();
    EXPECT_EQ(debug.size(), std::size_t{depth} * 22 + 11);
    EXPECT_EQ(debug.substr(0, 18), "Array([Dict({\"k\": ");
    EXPECT_EQ(debug.substr(std::size_t{depth} * 18, 15), "String(\"x\")})])");
    std::string json = http::to_json(nested);
    EXPECT_EQ(json.size(), std::size_t{depth} * 8 + 3);
    EXPECT_EQ(json.substr(0, 8), "[{\"k\":[{");
    EXPECT_EQ(json.substr(std::size_t{depth} * 6, 5), "\"x\"}]");
    nested = Value::null();
}

// input() reads a line past the string limit to its end and refuses it.
TEST_F(Limits, InputLinePastTheStringLimitFails) {
    limits::max_string_length = 1000;
    std::string path = ::testing::TempDir() + "wexlin_limits_stdin.txt";
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::string text = "short line\n" + std::string(5000, 'x') + "\nafter\n";
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    ASSERT_NE(std::freopen(path.c_str(), "rb", stdin), nullptr);
    auto output = run(R"(
a = input("")
print(a)
b = input("")
c = input("")
print(c)
)");
    ASSERT_NE(std::freopen("/dev/null", "rb", stdin), nullptr);
    std::remove(path.c_str());
    EXPECT_EQ(output.out, "short line\nafter\n");
    EXPECT_EQ(output.err, "[ERROR] String too large\n[ERROR] Error in assignment to 'b': String too large\n");
}

// A server that sends without end: the client stops at the string limit.
TEST_F(Limits, EndlessReplyStopsAtTheStringLimit) {
    limits::max_string_length = 1 << 20;
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    socklen_t size = sizeof address;
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
    std::size_t sent_total = 0;
    std::thread server([&] {
        int connection = accept(listener, nullptr, nullptr);
        if (connection < 0) return;
        char request[1024];
        (void)recv(connection, request, sizeof request, 0);
        std::string chunk = "HTTP/1.1 200 OK\r\n\r\n" + std::string(65536, 'x');
        // Ends when the client goes away, or after far more than the limit.
        while (sent_total < (std::size_t{64} << 20)) {
            ssize_t sent = send(connection, chunk.data(), chunk.size(), MSG_NOSIGNAL);
            if (sent <= 0) break;
            sent_total += static_cast<std::size_t>(sent);
        }
        close(connection);
    });
    auto result =
        http::http_request("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/", "GET", "");
    server.join();
    close(listener);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.text, "Failed to read response: String too large");
    EXPECT_LT(sent_total, std::size_t{64} << 20);
}

} // namespace
} // namespace wexlin
