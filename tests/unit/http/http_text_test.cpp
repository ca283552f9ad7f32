#include <gtest/gtest.h>

#include "support/utf8.h"

#include "modules/http/http_text.h"

using namespace wexlin::http;

TEST(HttpText, DecodeLossyKeepsValidText) {
    EXPECT_EQ(wexlin::utf8::decode_lossy("GET /h\xC3\xA9llo"), "GET /h\xC3\xA9llo");
    EXPECT_EQ(wexlin::utf8::decode_lossy(""), "");
    EXPECT_EQ(wexlin::utf8::decode_lossy("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");
}

TEST(HttpText, DecodeLossyReplacesEachMaximalInvalidSequence) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"a\xFF"
         "b",
         "a" + fffd + "b"},
        {"\xC3", fffd},                                  // cut two-byte sequence
        {"\xE2\x82", fffd},                              // cut three-byte sequence: one replacement
        {"\xF0\x9F\x98", fffd},                          // cut four-byte sequence
        {"\xC0\xAF", fffd + fffd},                       // overlong form: each byte alone
        {"\xED\xA0\x80", fffd + fffd + fffd},            // surrogate
        {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd}, // above U+10FFFF
        {"\xE2\x82x", fffd + "x"},
        {"\x80\x80", fffd + fffd},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wexlin::utf8::decode_lossy(c.in), c.out) << c.in;
}

TEST(HttpText, SplitsAtRunsOfUnicodeWhiteSpace) {
    auto pieces = split_white_space("  GET\t\t/a \r\n Host:\xE2\x80\x83x\xC2\xA0y");
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[0], "GET");
    EXPECT_EQ(pieces[1], "/a");
    EXPECT_EQ(pieces[2], "Host:");
    EXPECT_EQ(pieces[3], "x");
    EXPECT_EQ(pieces[4], "y");
    EXPECT_TRUE(split_white_space("").empty());
    EXPECT_TRUE(split_white_space(" \n\t ").empty());
    // Not white space: NUL, zero-width space, the replacement character.
    EXPECT_EQ(split_white_space("a\0b"
                                "\xE2\x80\x8B"
                                "c\xEF\xBF\xBD")
                  .size(),
              1u);
}

TEST(HttpText, TrimsUnicodeWhiteSpaceAtBothEnds) {
    EXPECT_EQ(trim_white_space(" \t http://x/ \n"), "http://x/");
    EXPECT_EQ(trim_white_space("\xE3\x80\x80"
                               "a b"
                               "\xC2\x85"),
              "a b");
    EXPECT_EQ(trim_white_space("   "), "");
    EXPECT_EQ(trim_white_space(""), "");
}

TEST(HttpText, UpperCaseUsesTheFullMapping) {
    EXPECT_EQ(to_upper("delete"), "DELETE");
    EXPECT_EQ(to_upper("Put"), "PUT");
    EXPECT_EQ(to_upper("stra\xC3\x9F"
                       "e"),
              "STRASSE");
    EXPECT_EQ(to_upper("\xC3\xA9t\xC3\xA9"), "\xC3\x89T\xC3\x89");
    EXPECT_EQ(to_upper(""), "");
}
