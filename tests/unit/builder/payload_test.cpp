#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "builder/payload.h"

namespace wexlin::builder::payload {
namespace {

std::string le64(std::uint64_t value) {
    std::string bytes;
    for (int i = 0; i < 8; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    return bytes;
}

std::string with_script(std::string runtime, std::string_view script) {
    runtime.append(script);
    runtime.append(le64(script.size()));
    runtime.append(marker);
    return runtime;
}

struct ReaderCase {
    const char* name;
    std::string file;
    std::optional<std::string> expected;
};

TEST(PayloadReader, FindsOrRejectsScripts) {
    const std::string runtime = "\x7f"
                                "ELF runtime bytes";
    const ReaderCase cases[] = {
        {"empty file", "", std::nullopt},
        {"shorter than the trailer", std::string("WEXLIN_SCRIPT").substr(0, 13), std::nullopt},
        {"twenty bytes ending in the marker", std::string(7, '\0') + "WEXLIN_SCRIPT", std::nullopt},
        {"exactly a trailer with length 0", le64(0) + "WEXLIN_SCRIPT", std::string()},
        {"no marker", runtime + "print(1)" + le64(8) + "WEXLIN_SCRIPX", std::nullopt},
        {"marker in lower case", runtime + "print(1)" + le64(8) + "wexlin_script", std::nullopt},
        {"plain script", with_script(runtime, "print(\"hi\")\n"), std::string("print(\"hi\")\n")},
        {"empty script", with_script(runtime, ""), std::string()},
        {"script at offset 0", with_script("", "let a = 1;"), std::string("let a = 1;")},
        {"UTF-8 script", with_script(runtime, "print(\"\xc3\xa9\xe2\x82\xac\")"),
         std::string("print(\"\xc3\xa9\xe2\x82\xac\")")},
        {"invalid UTF-8", with_script(runtime, "print(\"\xff\")"), std::nullopt},
        {"truncated UTF-8 sequence", with_script(runtime, "ab\xe2\x82"), std::nullopt},
        {"length one past the start", runtime + "abc" + le64(runtime.size() + 4) + "WEXLIN_SCRIPT",
         std::nullopt},
        {"length reaching exactly the start", runtime + "abc" + le64(runtime.size() + 3) + "WEXLIN_SCRIPT",
         runtime + "abc"},
        {"length at the limit but beyond the file", runtime + le64(max_script_size) + "WEXLIN_SCRIPT",
         std::nullopt},
        {"length above the limit", runtime + le64(max_script_size + 1) + "WEXLIN_SCRIPT", std::nullopt},
        {"huge length", runtime + le64(~std::uint64_t{0}) + "WEXLIN_SCRIPT", std::nullopt},
        {"second payload wins", with_script(with_script(runtime, "first"), "second"), std::string("second")},
        {"bytes after the marker", with_script(runtime, "x") + "\n", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(find_script_in_bytes(c.file), c.expected) << c.name;
    }
}

// A file of a runtime, a script of 'a's of the given length and its trailer,
// produced on demand rather than held in memory.
class GeneratedSource final : public ByteSource {
  public:
    GeneratedSource(std::uint64_t script_length)
        : m_trailer(trailer_for(script_length)), m_length(script_length) {}

    std::optional<std::uint64_t> size() override { return m_runtime.size() + m_length + m_trailer.size(); }

    bool read_at(std::uint64_t offset, char* out, std::size_t count) override {
        if (offset + count > *size()) return false;
        std::string_view runtime = m_runtime, trailer = m_trailer;
        std::uint64_t script_end = runtime.size() + m_length;
        std::size_t i = 0;
        for (; i < count && offset + i < runtime.size(); ++i)
            out[i] = runtime[offset + i];
        std::uint64_t script_bytes =
            std::min<std::uint64_t>(count - i, script_end - std::min(script_end, offset + i));
        std::memset(out + i, 'a', script_bytes);
        i += script_bytes;
        for (; i < count; ++i)
            out[i] = trailer[offset + i - script_end];
        return true;
    }

  private:
    std::string m_runtime = "MZ";
    std::string m_trailer;
    std::uint64_t m_length;
};

TEST(PayloadReader, LengthLimitIsInclusive) {
    GeneratedSource at_limit(max_script_size);
    auto found = find_script(at_limit);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->size(), max_script_size);

    GeneratedSource over_limit(max_script_size + 1);
    EXPECT_EQ(find_script(over_limit), std::nullopt);
}

TEST(PayloadReader, TrailerLayout) {
    EXPECT_EQ(trailer_size, 21u);
    EXPECT_EQ(trailer_for(0x0102030405060708ull),
              std::string("\x08\x07\x06\x05\x04\x03\x02\x01WEXLIN_SCRIPT"));
    EXPECT_EQ(trailer_for(0), std::string(8, '\0') + "WEXLIN_SCRIPT");
}

TEST(PayloadModules, BlockLayoutAndRoundTrip) {
    std::vector<EmbeddedModule> modules{{"alice.math", "let pi = 3;\n"}, {"util", ""}};
    std::string block = modules_block(modules);
    std::string entries = le64(10) + "alice.math" + le64(12) + "let pi = 3;\n" + le64(4) + "util" + le64(0);
    EXPECT_EQ(block, entries + le64(2) + le64(entries.size()) + "WEXLIN_MODULES");

    // The script stays the last bytes, exactly as without modules.
    std::string file = with_script("RUNTIME" + block, "use alice.math;\n");
    EXPECT_EQ(find_script_in_bytes(file), std::optional<std::string>("use alice.math;\n"));
    auto found = find_modules_in_bytes(file);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, "alice.math");
    EXPECT_EQ(found[0].text, "let pi = 3;\n");
    EXPECT_EQ(found[1].name, "util");
    EXPECT_EQ(found[1].text, "");
}

// A damaged block means no modules; the script is still found.
TEST(PayloadModules, DamagedBlocksCarryNothing) {
    std::string entries = le64(1) + "m" + le64(2) + "ab";
    auto trailer = [](std::uint64_t count, std::uint64_t size) {
        return le64(count) + le64(size) + "WEXLIN_MODULES";
    };
    const std::pair<const char*, std::string> cases[] = {
        {"no block", "RUNTIME"},
        {"count too high", "R" + entries + trailer(2, entries.size())},
        {"count too low", "R" + entries + trailer(0, entries.size())},
        {"size beyond the file", entries + trailer(1, entries.size() + 100)},
        {"size over the limit", "R" + entries + trailer(1, max_modules_size + 1)},
        {"entry longer than the block", "R" + le64(1) + "m" + le64(99) + "ab" + trailer(1, 19)},
        {"invalid UTF-8", "R" + le64(1) + "m" + le64(2) + "\xff\xfe" + trailer(1, 19)},
        {"wrong marker", "R" + entries + le64(1) + le64(entries.size()) + "WEXLIN_MODULEX"},
    };
    for (const auto& [what, runtime] : cases) {
        std::string file = with_script(runtime, "print(1)\n");
        EXPECT_TRUE(find_modules_in_bytes(file).empty()) << what;
        EXPECT_EQ(find_script_in_bytes(file), std::optional<std::string>("print(1)\n")) << what;
    }
}

class PayloadFile : public ::testing::Test {
  protected:
    void SetUp() override {
        m_path = (std::filesystem::temp_directory_path() /
                  ("wexlin-payload-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                   "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                     .string();
    }
    void TearDown() override { std::filesystem::remove(m_path); }

    void write(const std::string& bytes) { std::ofstream(m_path, std::ios::binary) << bytes; }
    std::string contents() const {
        std::ifstream in(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string m_path;
};

TEST_F(PayloadFile, AppendThenReadBack) {
    write("runtime");
    ASSERT_EQ(append_script(m_path, "print(1)\n"), std::nullopt);
    EXPECT_EQ(contents(), "runtimeprint(1)\n" + le64(9) + "WEXLIN_SCRIPT");
    EXPECT_EQ(find_script_in_file(m_path), std::optional<std::string>("print(1)\n"));

    ASSERT_EQ(append_script(m_path, ""), std::nullopt);
    EXPECT_EQ(find_script_in_file(m_path), std::optional<std::string>(""));
}

TEST_F(PayloadFile, ReadingMatchesTheInMemoryReader) {
    const std::string files[] = {"", "short", with_script("rt", "abc"), "rt" + le64(1000) + "WEXLIN_SCRIPT"};
    for (const auto& bytes : files) {
        write(bytes);
        EXPECT_EQ(find_script_in_file(m_path), find_script_in_bytes(bytes));
    }
}

TEST_F(PayloadFile, MissingFilesHaveNoScript) {
    EXPECT_EQ(find_script_in_file(m_path), std::nullopt);
    EXPECT_EQ(find_script_in_file(""), std::nullopt);
    EXPECT_EQ(find_script_in_file(std::filesystem::temp_directory_path().string()), std::nullopt);
}

TEST_F(PayloadFile, AppendReportsTheSystemError) {
    auto error = append_script(m_path, "x");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, "No such file or directory");
}

} // namespace
} // namespace wexlin::builder::payload
