// fetch_url runs whatever `curl` the search path finds, so these tests put a
// stand-in script first on PATH and check what it was given and how its
// results are read. The real curl is exercised by the integration tests.
#include "package_manager/fetch.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "support/utf8.h"
#include <unistd.h>

namespace wexlin::package_manager {
namespace {

namespace fs = std::filesystem;

class FakeCurl : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/wexlin-fetch-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        if (const char* old = std::getenv("PATH")) m_saved_path = old;
        setenv("PATH", m_folder.c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", m_saved_path.c_str(), 1);
        fs::remove_all(m_folder);
    }

    void install_curl(const std::string& body, fs::perms permissions = fs::perms::owner_all) {
        auto path = m_folder / "curl";
        std::ofstream(path, std::ios::binary) << "#!/bin/sh\n" << body;
        fs::permissions(path, permissions);
    }

  private:
    fs::path m_folder;
    std::string m_saved_path;
};

TEST_F(FakeCurl, PassesTheArgumentsInOrderAndEmptyInput) {
    // Prints its argument count, each argument between brackets, and how many
    // bytes it could read from standard input.
    install_curl("printf '%s' \"$#\"; for a in \"$@\"; do printf '[%s]' \"$a\"; done\n"
                 "printf ' stdin=%s' \"$(/bin/cat | /usr/bin/wc -c)\"\n");
    auto result = fetch_url("http://127.0.0.1:9/modules/a b/module.yaml");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text, "11[-s][-f][-L][-g][--connect-timeout][15][--speed-limit][1][--speed-time][30]"
                           "[http://127.0.0.1:9/modules/a b/module.yaml] stdin=0");
}

TEST_F(FakeCurl, ReadsOutcomes) {
    struct Case {
        const char* what;
        const char* script;
        bool ok;
        std::string text_or_error;
    };
    const Case cases[] = {
        {"output kept byte for byte", "printf 'a\\r\\nb\\n\\303\\251'\n", true, "a\r\nb\n\xc3\xa9"},
        {"empty output", "exit 0\n", true, ""},
        {"non-zero exit carries standard error", "printf 'curl: (22) 404' >&2; exit 22\n", false,
         "Failed to fetch URL: curl: (22) 404"},
        {"silent failure", "exit 6\n", false, "Failed to fetch URL: "},
        {"standard error decoded lossily", "printf 'bad \\377 byte' >&2; exit 1\n", false,
         "Failed to fetch URL: bad \xef\xbf\xbd byte"},
        {"output that is not UTF-8", "printf 'caf\\351'\n", false, "Failed to fetch URL: Invalid UTF-8"},
        {"killed by a signal", "kill -9 $$\n", false, "Failed to fetch URL: "},
    };
    for (const auto& c : cases) {
        install_curl(c.script);
        auto result = fetch_url("http://127.0.0.1:9/x");
        EXPECT_EQ(result.ok, c.ok) << c.what;
        EXPECT_EQ(c.ok ? result.text : result.error, c.text_or_error) << c.what;
    }
}

TEST_F(FakeCurl, MissingCurl) {
    auto result = fetch_url("http://127.0.0.1:9/x");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "curl is not installed");
}

TEST_F(FakeCurl, CurlThatCannotBeStarted) {
    // Without any execute bit even root cannot run it.
    install_curl("exit 0\n", fs::perms::owner_read);
    auto result = fetch_url("http://127.0.0.1:9/x");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "Failed to fetch URL: Permission denied");
}

TEST(DecodeUtf8Lossy, ReplacesEachMaximalInvalidPart) {
    struct Case {
        std::string bytes;
        std::string text;
    };
    const std::string r = "\xef\xbf\xbd";
    const Case cases[] = {
        {"plain", "plain"},
        {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"},
        {"a\xffz", "a" + r + "z"},
        {"\xe2\x82z", r + "z"},              // truncated sequence: one replacement
        {"\xe2\x82", r},                     // truncated at the end
        {"\xc0\xaf", r + r},                 // overlong lead, stray continuation
        {"\xed\xa0\x80", r + r + r},         // surrogate
        {"\xf4\x90\x80\x80", r + r + r + r}, // past U+10FFFF
        {"\x80\x80", r + r},
        {"\xf0\x9f\x98", r},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wexlin::utf8::decode_lossy(c.bytes), c.text) << c.bytes;
}

} // namespace
} // namespace wexlin::package_manager
