// Random inputs for the lexer and the parser: random bytes, random text made
// of the language's own characters, and random token lists. Whatever they get,
// both must return, the token list must end with exactly one EOF, and the tree
// must print. The seed is fixed, so a failure reproduces.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "lexer/lexer.h"
#include "parser/parser.h"
#include "support/stack_guard.h"

namespace wexlin {
namespace {

constexpr int rounds = 2000;

void check_tokens(const std::vector<Token>& tokens) {
    ASSERT_FALSE(tokens.empty());
    EXPECT_EQ(tokens.back().kind, TokenKind::EOF_);
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i)
        ASSERT_NE(tokens[i].kind, TokenKind::EOF_) << "EOF before the end at " << i;
}

void parse_and_print(const std::vector<Token>& tokens) {
    Parser parser(tokens, false);
    StatementList statements = parser.parse_program();
    // Every statement consumes at least one token.
    EXPECT_LE(statements.size(), tokens.size());
    std::string printed = debug_form(statements);
    EXPECT_EQ(printed.front(), '[');
}

class Fuzz : public testing::Test {
  protected:
    void SetUp() override {
        init_stack_guard(); // as main does
        testing::internal::CaptureStderr();
    }
    void TearDown() override { testing::internal::GetCapturedStderr(); }
    std::mt19937_64 m_random{20240601};

    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }
};

TEST_F(Fuzz, RandomBytes) {
    for (int round = 0; round < rounds; ++round) {
        std::string source(below(300), '\0');
        for (char& c : source)
            c = static_cast<char>(below(256));
        auto tokens = tokenize(source);
        check_tokens(tokens);
        parse_and_print(tokens);
    }
}

TEST_F(Fuzz, RandomLanguageText) {
    // Pieces of real syntax, glued at random: far more of it parses deeply
    // than with raw bytes.
    const std::vector<std::string> pieces = {"let ",     "def ",     "return ",
                                             "if ",      "else ",    "while ",
                                             "for ",     " in ",     "break",
                                             "continue", "true",     "false",
                                             " and ",    " or ",     "not ",
                                             "match ",   "try ",     "catch ",
                                             "global ",  "use ",     " as ",
                                             "x",        "y",        "_",
                                             "f",        "1",        "2.5",
                                             "\"s\"",    "\"\\n\\q", "+",
                                             "-",        "*",        "/",
                                             "%",        "**",       "=",
                                             "+=",       "-=",       "*=",
                                             "/=",       "==",       "!=",
                                             "<",        ">",        "<=",
                                             ">=",       "(",        ")",
                                             "{",        "}",        "[",
                                             "]",        ",",        ":",
                                             ";",        "->",       "=>",
                                             ".",        "..",       "?",
                                             "!",        "#c\n",     "/*",
                                             "*/",       " ",        "\n",
                                             "\xc3\xa9", "&",        "9223372036854775808",
                                             "1.",       "a.b(",     "m.f(1)"};
    for (int round = 0; round < rounds; ++round) {
        std::string source;
        std::size_t count = below(120);
        for (std::size_t i = 0; i < count; ++i)
            source += pieces[below(pieces.size())];
        auto tokens = tokenize(source);
        check_tokens(tokens);
        parse_and_print(tokens);
    }
}

TEST_F(Fuzz, RandomTokenSoups) {
    for (int round = 0; round < rounds; ++round) {
        std::vector<Token> tokens;
        std::size_t count = below(200);
        for (std::size_t i = 0; i < count; ++i) {
            auto kind = static_cast<TokenKind>(below(token_kind_count - 1)); // EOF only at the end
            switch (kind) {
            case TokenKind::Identifier: tokens.push_back(Token::make_identifier(below(4) ? "x" : "_")); break;
            case TokenKind::Number:
                tokens.push_back(Token::make_number(static_cast<std::int64_t>(below(10))));
                break;
            case TokenKind::Float: tokens.push_back(Token::make_float(0.5)); break;
            case TokenKind::String: tokens.push_back(Token::make_string("s")); break;
            default: tokens.emplace_back(kind); break;
            }
        }
        // Also without the final EOF: the parser treats the end of the list as EOF.
        if (round % 2 == 0) tokens.emplace_back(TokenKind::EOF_);
        parse_and_print(tokens);
    }
}

TEST_F(Fuzz, TraceOfRandomTokensReturns) {
    // The trace path formats every token; run it on a few soups too.
    for (int round = 0; round < 50; ++round) {
        std::vector<Token> tokens;
        std::size_t count = below(60);
        for (std::size_t i = 0; i < count; ++i)
            tokens.emplace_back(static_cast<TokenKind>(below(token_kind_count - 1)));
        tokens.emplace_back(TokenKind::EOF_);
        Parser parser(tokens, true);
        parser.parse_program();
    }
}

} // namespace
} // namespace wexlin
