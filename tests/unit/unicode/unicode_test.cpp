// Unicode properties and the full root-locale case mapping from the
// compiled-in tables. check_unicode_tables.py sweeps every code point; these
// are the cases where context and several-character mappings meet.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/unicode.h"

namespace wexlin {
namespace {

TEST(Unicode, TablesNameTheirDatabaseVersion) {
    // "15.0.0" and the like: the tables were generated from a real database.
    const std::string version(unicode::unicode_version());
    int major = 0, minor = 0, update = 0;
    char end = 0;
    EXPECT_EQ(std::sscanf(version.c_str(), "%d.%d.%d%c", &major, &minor, &update, &end), 3) << version;
    EXPECT_GE(major, 15) << version;
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
        {"\xed\xa0\x80Σ", "\uFFFD\uFFFD\uFFFDΣ", "\uFFFD\uFFFD\uFFFDσ"}, // a surrogate: each byte
        {"straße é", "STRASSE É", "straße é"},
        {"ΐ", "\u0399\u0308\u0301", "ΐ"},                       // three code points
        {"ΑΣ. ΑΣ'Α ΑΣ1 Σ", "ΑΣ. ΑΣ'Α ΑΣ1 Σ", "ας. ασ'α ας1 σ"}, // what ends a word
        {"ΑΣ\u0301\u0301", "ΑΣ\u0301\u0301", "ας\u0301\u0301"}, // marks are passed over
        {"\u02B0Σ", "\u02B0Σ", "\u02B0σ"},                      // cased but passed over too
        {"ABCΣ\xff", "ABCΣ\uFFFD", "abcς\uFFFD"},               // U+FFFD ends the word
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
