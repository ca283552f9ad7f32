// The lexer: token variants and their printable forms, operators by longest
// match, comments, strings and their escapes, the number rules and names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lexer/lexer.h"

namespace wexlin {
namespace {

// The printable forms of all tokens of a source, separated by spaces.
std::string dump(std::string_view source) {
    std::string out;
    for (const Token& token : tokenize(source)) {
        if (!out.empty()) out += ' ';
        out += token_debug(token);
    }
    return out;
}

struct Case {
    std::string source;
    std::string tokens;
};

void check_table(const std::vector<Case>& cases) {
    for (const auto& c : cases)
        EXPECT_EQ(dump(c.source), c.tokens) << "source: " << c.source;
}

TEST(Lexer, VariantNamesInTagOrder) {
    const char* names[] = {
        "Let",      "Def",      "Return",     "If",          "Else",         "While",       "For",
        "In",       "Break",    "Continue",   "True",        "False",        "And",         "Or",
        "Not",      "Match",    "Try",        "Catch",       "Global",       "Identifier",  "Number",
        "Float",    "String",   "Plus",       "Minus",       "Star",         "Slash",       "Percent",
        "Power",    "Assign",   "PlusAssign", "MinusAssign", "StarAssign",   "SlashAssign", "Equal",
        "NotEqual", "Less",     "Greater",    "LessEqual",   "GreaterEqual", "LParen",      "RParen",
        "LBrace",   "RBrace",   "LBracket",   "RBracket",    "Comma",        "Colon",       "Semicolon",
        "Arrow",    "FatArrow", "Dot",        "Question",    "Use",          "As",          "EOF"};
    ASSERT_EQ(token_kind_count, 56);
    for (int tag = 0; tag < token_kind_count; ++tag)
        EXPECT_EQ(token_kind_name(static_cast<TokenKind>(tag)), names[tag]) << "tag " << tag;
}

TEST(Lexer, EmptyAndBlankInputGiveOnlyEof) {
    check_table({
        {"", "EOF"},
        {" \t\r\n", "EOF"},
        {"# a comment", "EOF"},
        {"# a comment\n   /* block\n comment */  ", "EOF"},
        {"/* never closed", "EOF"},
    });
}

TEST(Lexer, Keywords) {
    check_table({
        {"let def return if else while for in break continue true false and or not match try catch global "
         "use as",
         "Let Def Return If Else While For In Break Continue True False And Or Not Match Try Catch Global "
         "Use As "
         "EOF"},
        // Keywords match whole names only, case-sensitively.
        {"for_each lets Let IF _ _x x1", "Identifier(\"for_each\") Identifier(\"lets\") Identifier(\"Let\") "
                                         "Identifier(\"IF\") Identifier(\"_\") Identifier(\"_x\") "
                                         "Identifier(\"x1\") EOF"},
    });
}

TEST(Lexer, Operators) {
    check_table({
        {"+ - * / % ** = += -= *= /= == != < > <= >= ( ) { } [ ] , : ; -> => . ? !",
         "Plus Minus Star Slash Percent Power Assign PlusAssign MinusAssign StarAssign SlashAssign Equal "
         "NotEqual "
         "Less Greater LessEqual GreaterEqual LParen RParen LBrace RBrace LBracket RBracket Comma Colon "
         "Semicolon "
         "Arrow FatArrow Dot Question Not EOF"},
        // Longest match of at most two characters; the rest is read afresh.
        {"+==", "PlusAssign Assign EOF"},
        {"***", "Power Star EOF"},
        {"!==", "NotEqual Assign EOF"},
        {"=>=", "FatArrow Assign EOF"},
        {"-->", "Minus Arrow EOF"},
        {"<==", "LessEqual Assign EOF"},
        {"===", "Equal Assign EOF"},
        {"//", "Slash Slash EOF"},
        {"!!x", "Not Not Identifier(\"x\") EOF"},
    });
}

TEST(Lexer, UnknownCharactersAreSkipped) {
    check_table({
        {"a&&b", "Identifier(\"a\") Identifier(\"b\") EOF"},
        {"x||y", "Identifier(\"x\") Identifier(\"y\") EOF"},
        {"a!b", "Identifier(\"a\") Not Identifier(\"b\") EOF"},
        {"~^$@`'&|\\", "EOF"},
        // A non-ASCII character cannot start a name and is skipped whole.
        {"\xc3\xa9t\xc3\xa9", "Identifier(\"t\xc3\xa9\") EOF"},
        {"\xcf\x80 \xe2\x98\x83", "EOF"},
    });
}

TEST(Lexer, Comments) {
    check_table({
        {"a # to the end\nb", "Identifier(\"a\") Identifier(\"b\") EOF"},
        {"a /* x */ b", "Identifier(\"a\") Identifier(\"b\") EOF"},
        // The character after "/*" is the first one examined: "/*/" does not close.
        {"/*/ x */ y", "Identifier(\"y\") EOF"},
        {"/**/z", "Identifier(\"z\") EOF"},
        {"a /* unterminated\n b", "Identifier(\"a\") EOF"},
        {"a /* x ** / */ b", "Identifier(\"a\") Identifier(\"b\") EOF"},
        {"1 /= 2", "Number(1) SlashAssign Number(2) EOF"},
    });
}

TEST(Lexer, Numbers) {
    check_table({
        {"42", "Number(42) EOF"},
        {"007", "Number(7) EOF"},
        {"9223372036854775807", "Number(9223372036854775807) EOF"},
        {"9223372036854775808", "Number(0) EOF"},
        {"99999999999999999999999", "Number(0) EOF"},
        {"2.0", "Float(2.0) EOF"},
        {"2.50", "Float(2.5) EOF"},
        {"0.1", "Float(0.1) EOF"},
        {"1.", "Number(1) Dot EOF"},
        {"1.x", "Number(1) Dot Identifier(\"x\") EOF"},
        {"1.2.3", "Float(1.2) Dot Number(3) EOF"},
        {"1..5", "Number(1) Dot Dot Number(5) EOF"},
        {"12abc", "Number(12) Identifier(\"abc\") EOF"},
        {"1e5", "Number(1) Identifier(\"e5\") EOF"},
        {"-3", "Minus Number(3) EOF"},
        {"0x1F", "Number(0) Identifier(\"x1F\") EOF"},
        {"1_000", "Number(1) Identifier(\"_000\") EOF"},
        {"123456789012345678.0", "Float(1.2345678901234568e17) EOF"},
        // A literal too large for a double is infinity; one too small is zero.
        {"1" + std::string(400, '0') + ".5", "Float(inf) EOF"},
        {"0." + std::string(400, '0') + "1", "Float(0.0) EOF"},
    });
}

TEST(Lexer, StringEscapes) {
    struct Escape {
        std::string source;
        std::string text;
    };
    const std::vector<Escape> cases = {
        {R"("abc")", "abc"},
        {R"("")", ""},
        {R"("a\"b")", "a\"b"},
        {R"("a\\b")", "a\\b"},
        {R"("a\nb")", "a\nb"},
        {R"("a\rb")", "a\rb"},
        {R"("a\tb")", "a\tb"},
        {R"("a\0b")", std::string("a\0b", 3)},
        // Unknown escapes keep both characters.
        {R"("\q")", "\\q"},
        {"\"\\\xc3\xa9\"", "\\\xc3\xa9"},
        {R"("\x41")", "\\x41"},
        // Literal line breaks stay in the text.
        {"\"line1\nline2\"", "line1\nline2"},
        {"\"h\xc3\xa9llo \xe2\x98\x83\"", "h\xc3\xa9llo \xe2\x98\x83"},
        // Unterminated: everything up to the end; a final backslash is dropped.
        {"\"open", "open"},
        {"\"open\\", "open"},
        {"\"a # not a comment /* nor this */\"", "a # not a comment /* nor this */"},
    };
    for (const auto& c : cases) {
        auto tokens = tokenize(c.source);
        ASSERT_EQ(tokens.size(), 2u) << c.source;
        EXPECT_EQ(tokens[0].kind, TokenKind::String) << c.source;
        EXPECT_EQ(tokens[0].text, c.text) << c.source;
        EXPECT_EQ(tokens[1].kind, TokenKind::EOF_);
    }
    // An escaped backslash does not escape the closing quote.
    check_table({{R"("a\\"b)", "String(\"a\\\\\") Identifier(\"b\") EOF"}});
}

TEST(Lexer, PrintableForms) {
    EXPECT_EQ(token_debug(Token(TokenKind::LParen)), "LParen");
    EXPECT_EQ(token_debug(Token(TokenKind::EOF_)), "EOF");
    EXPECT_EQ(token_debug(Token::make_number(42)), "Number(42)");
    EXPECT_EQ(token_debug(Token::make_number(-7)), "Number(-7)");
    EXPECT_EQ(token_debug(Token::make_identifier("x")), "Identifier(\"x\")");
    EXPECT_EQ(token_debug(Token::make_string("a\nb")), "String(\"a\\nb\")");
    EXPECT_EQ(token_debug(Token::make_string("say \"hi\"")), "String(\"say \\\"hi\\\"\")");
    EXPECT_EQ(token_debug(Token::make_string("back\\slash")), "String(\"back\\\\slash\")");
    EXPECT_EQ(token_debug(Token::make_string("tab\there\r")), "String(\"tab\\there\\r\")");
    EXPECT_EQ(token_debug(Token::make_string("h\xc3\xa9")), "String(\"h\xc3\xa9\")");
    // Other control characters are escaped too: never written raw.
    std::string control = token_debug(Token::make_string(std::string("\x01\x1f", 2)));
    EXPECT_EQ(control.find('\x01'), std::string::npos);
    EXPECT_EQ(control.find('\x1f'), std::string::npos);
    EXPECT_EQ(control.front(), 'S');

    struct FloatCase {
        double value;
        const char* text;
    };
    const FloatCase floats[] = {
        {2.0, "Float(2.0)"},
        {0.5, "Float(0.5)"},
        {0.1, "Float(0.1)"},
        {123.456, "Float(123.456)"},
        {1e15, "Float(1000000000000000.0)"},
        {1e16, "Float(1e16)"},
        {1.5e-7, "Float(1.5e-7)"},
        {0.0001, "Float(0.0001)"},
        {0.00001, "Float(1e-5)"},
        {0.0, "Float(0.0)"},
        {1e300, "Float(1e300)"},
        {9999999999999998.0, "Float(9999999999999998.0)"},
    };
    for (const auto& f : floats)
        EXPECT_EQ(token_debug(Token::make_float(f.value)), f.text);
}

TEST(Lexer, TokenEquality) {
    EXPECT_EQ(Token(TokenKind::LParen), Token(TokenKind::LParen));
    EXPECT_NE(Token(TokenKind::LParen), Token(TokenKind::RParen));
    EXPECT_EQ(Token::make_number(1), Token::make_number(1));
    EXPECT_NE(Token::make_number(1), Token::make_number(2));
    EXPECT_EQ(Token::make_float(2.0), Token::make_float(2.0));
    EXPECT_NE(Token::make_float(2.0), Token::make_float(2.5));
    EXPECT_EQ(Token::make_identifier("a"), Token::make_identifier("a"));
    EXPECT_NE(Token::make_identifier("a"), Token::make_identifier("b"));
    EXPECT_NE(Token::make_identifier("a"), Token::make_string("a"));
    EXPECT_NE(Token::make_number(0), Token(TokenKind::EOF_));
}

TEST(Lexer, NamesAndDottedNames) {
    check_table({
        {"sdl2.create_window", "Identifier(\"sdl2\") Dot Identifier(\"create_window\") EOF"},
        // After an ASCII start, Unicode letters and numbers continue a name.
        {"h\xc3\xa9llo", "Identifier(\"h\xc3\xa9llo\") EOF"},
        {"x\xc2\xb2", "Identifier(\"x\xc2\xb2\") EOF"},         // superscript two (No)
        {"a\xd9\xa3", "Identifier(\"a\xd9\xa3\") EOF"},         // Arabic-Indic three (Nd)
        {"n\xe2\x85\xab", "Identifier(\"n\xe2\x85\xab\") EOF"}, // Roman numeral twelve (Nl)
        {"a\xe2\x82\xac"
         "b",
         "Identifier(\"a\") Identifier(\"b\") EOF"}, // the euro sign is no letter
        {"a-b", "Identifier(\"a\") Minus Identifier(\"b\") EOF"},
    });
}

TEST(Lexer, ExactlyOneEofAtTheEnd) {
    for (std::string_view source : {"", "x", "\"open", "/* open", "1..", "### \n ###"}) {
        auto tokens = tokenize(source);
        ASSERT_FALSE(tokens.empty());
        EXPECT_EQ(tokens.back().kind, TokenKind::EOF_);
        int eofs = 0;
        for (const auto& t : tokens)
            eofs += t.kind == TokenKind::EOF_;
        EXPECT_EQ(eofs, 1) << source;
    }
}

} // namespace
} // namespace wexlin
