#include <gtest/gtest.h>

#include "support/utf8.h"

#include <cstdlib>

#include "builder/runtime_source.h"
#include "builder/targets.h"
#include "builder/text_utils.h"

namespace wexlin::builder {
namespace {

TEST(Targets, TableAndLowering) {
    struct Case {
        const char* text;
        const char* platform;
        const char* archive;
        const char* runtime;
    };
    const Case cases[] = {
        {"linux-x86_64", "linux-x86_64", "wexlin-1.1.3-linux-x86_64.tar.gz", "wexlin"},
        {"macos-x86_64", "macos-x86_64", "wexlin-1.1.3-macos-x86_64.tar.gz", "wexlin"},
        {"MacOS-AArch64", "macos-aarch64", "wexlin-1.1.3-macos-aarch64.tar.gz", "wexlin"},
        {"WIN-X86_64", "windows-x86_64", "wexlin-1.1.3-windows-portable.tar.gz", "wexlin.exe"},
        {"windows-x86_64", "windows-x86_64", "wexlin-1.1.3-windows-portable.tar.gz", "wexlin.exe"},
    };
    for (const auto& c : cases) {
        auto target = find_target(c.text);
        ASSERT_TRUE(target.has_value()) << c.text;
        EXPECT_EQ(target->platform_name, c.platform);
        EXPECT_EQ(archive_name(*target), c.archive);
        EXPECT_EQ(target->runtime_file, c.runtime);
        EXPECT_EQ(cache_location(*target).path, std::string(".wexlin/cache/") + c.platform + "/" + c.runtime);
    }
    for (const char* unknown : {"linux", "", "win-x86_64 ", "windows-portable", "macos"})
        EXPECT_FALSE(find_target(unknown).has_value()) << unknown;
}

TEST(Targets, RuntimeAddressFollowsTheEnvironment) {
    auto windows = *find_target("win-x86_64");
    ::setenv("WEXLIN_RUNTIME_URL", "http://127.0.0.1:9/", 1);
    EXPECT_EQ(runtime_url(windows), "http://127.0.0.1:9/wexlin/1.1.3/wexlin-1.1.3-windows-portable.tar.gz");
    ::setenv("WEXLIN_RUNTIME_URL", "", 1);
    std::string compiled_in = runtime_url(windows);
    ::unsetenv("WEXLIN_RUNTIME_URL");
    EXPECT_EQ(runtime_url(windows), compiled_in);
    EXPECT_TRUE(compiled_in.starts_with("http://"));
    EXPECT_TRUE(compiled_in.ends_with("/wexlin/1.1.3/wexlin-1.1.3-windows-portable.tar.gz"));
}

TEST(TextUtils, LossyUtf8) {
    EXPECT_EQ(wexlin::utf8::decode_lossy("plain \xc3\xa9"), "plain \xc3\xa9");
    EXPECT_EQ(wexlin::utf8::decode_lossy("a\xff"
                                         "b"),
              "a\xef\xbf\xbd"
              "b");
    EXPECT_EQ(wexlin::utf8::decode_lossy("\xe2\x82"), "\xef\xbf\xbd"); // cut short: one replacement
    EXPECT_EQ(wexlin::utf8::decode_lossy("\xe0\x80\x80"), "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"); // overlong
    EXPECT_EQ(wexlin::utf8::decode_lossy("\xed\xa0\x80"),
              "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"); // surrogate
}

TEST(TextUtils, UnicodeLowerCase) {
    EXPECT_EQ(to_lower_unicode("MyGame"), "mygame");
    EXPECT_EQ(to_lower_unicode("\xc3\x89T\xc3\x89"), "\xc3\xa9t\xc3\xa9"); // ÉTÉ
}

} // namespace
} // namespace wexlin::builder
