// Unicode properties and case mapping: ASCII answered without opening ICU,
// and ICU's full root-locale mappings for everything else.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/unicode.h"

namespace wexlin {
namespace {

// First in this file, so that when the whole binary runs in one process no
// other test has opened ICU yet.
TEST(Unicode, AsciiDoesNotOpenTheLibrary) {
    EXPECT_EQ(unicode::to_upper("Hello, World! 123 _z"), "HELLO, WORLD! 123 _Z");
    EXPECT_EQ(unicode::to_lower("Hello, World! 123 _Z"), "hello, world! 123 _z");
    EXPECT_TRUE(unicode::is_white_space(U'\t'));
    EXPECT_TRUE(unicode::is_alphabetic(U'q'));
    EXPECT_TRUE(unicode::is_numeric(U'7'));
    EXPECT_FALSE(unicode::library_loaded());
    EXPECT_EQ(unicode::to_upper("\xc3\xa9"), "\xc3\x89"); // é
    EXPECT_TRUE(unicode::library_loaded());
}

TEST(Unicode, CaseMapping) {
    struct Case {
        std::string text;
        std::string upper;
        std::string lower;
    };
    const std::vector<Case> cases = {
        {"", "", ""},
        {std::string("a\0B", 3), std::string("A\0B", 3), std::string("a\0b", 3)},
        {"straße", "STRASSE", "straße"},                       // one character becomes two
        {"ΣΑΣ", "ΣΑΣ", "σας"},                                 // final sigma
        {"İ", "İ", "i̇"},                                       // the root locale, not the Turkish one
        {"ǅ", "Ǆ", "ǆ"},                                       // a titlecase letter
        {"ﬃ", "FFI", "ﬃ"},                                     // a ligature
        {"𐐨", "𐐀", "𐐨"},                                       // outside the BMP
        {"日本", "日本", "日本"},                              // no case
        {"a\xff\x62\xc3", "A\uFFFDB\uFFFD", "a\uFFFDb\uFFFD"}, // ill-formed UTF-8
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unicode::to_upper(c.text), c.upper) << c.text;
        EXPECT_EQ(unicode::to_lower(c.text), c.lower) << c.text;
    }
    // Long enough that growing output and a long input both matter.
    std::string many;
    std::string many_upper;
    for (int i = 0; i < 5000; ++i) {
        many += "\xc3\x9fx";
        many_upper += "SSX";
    }
    EXPECT_EQ(unicode::to_upper(many), many_upper);
}

TEST(Unicode, Properties) {
    struct Row {
        char32_t c;
        bool white_space;
        bool alphabetic;
        bool numeric;
    };
    const std::vector<Row> rows = {
        {U' ', true, false, false},     {U'\n', true, false, false},     {U'\r', true, false, false},
        {U'\x0B', true, false, false},  {U'\x1C', false, false, false},  {U'_', false, false, false},
        {U'A', false, true, false},     {U'z', false, true, false},      {U'0', false, false, true},
        {0x85, true, false, false},     {0xA0, true, false, false},      {0x3000, true, false, false},
        {0x200B, false, false, false},  {0xE9, false, true, false},      {0x65E5, false, true, false},
        {0x0663, false, false, true},   {0x2167, false, true, true},     {0xBD, false, false, true},
        {0x1F600, false, false, false}, {0x110000, false, false, false}, {0xD800, false, false, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(unicode::is_white_space(row.c), row.white_space)
            << std::hex << static_cast<unsigned>(row.c);
        EXPECT_EQ(unicode::is_alphabetic(row.c), row.alphabetic) << std::hex << static_cast<unsigned>(row.c);
        EXPECT_EQ(unicode::is_numeric(row.c), row.numeric) << std::hex << static_cast<unsigned>(row.c);
    }
}

} // namespace
} // namespace wexlin
