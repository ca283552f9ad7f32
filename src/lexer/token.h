// Tokens: the lexer's output, also kept as operators inside syntax-tree nodes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wexlin {

// One list drives the enum, the printable names and the keyword table, so the
// tag order (visible in traces and tree dumps) cannot drift between them.
// X(variant, keyword text or "")
#define WEXLIN_ENUMERATE_TOKENS(X)                                                                           \
    X(Let, "let")                                                                                            \
    X(Def, "def")                                                                                            \
    X(Return, "return")                                                                                      \
    X(If, "if")                                                                                              \
    X(Else, "else")                                                                                          \
    X(While, "while")                                                                                        \
    X(For, "for")                                                                                            \
    X(In, "in")                                                                                              \
    X(Break, "break")                                                                                        \
    X(Continue, "continue")                                                                                  \
    X(True, "true")                                                                                          \
    X(False, "false")                                                                                        \
    X(And, "and")                                                                                            \
    X(Or, "or")                                                                                              \
    X(Not, "not")                                                                                            \
    X(Match, "match")                                                                                        \
    X(Try, "try")                                                                                            \
    X(Catch, "catch")                                                                                        \
    X(Global, "global")                                                                                      \
    X(Identifier, "")                                                                                        \
    X(Number, "")                                                                                            \
    X(Float, "")                                                                                             \
    X(String, "")                                                                                            \
    X(Plus, "")                                                                                              \
    X(Minus, "")                                                                                             \
    X(Star, "")                                                                                              \
    X(Slash, "")                                                                                             \
    X(Percent, "")                                                                                           \
    X(Power, "")                                                                                             \
    X(Assign, "")                                                                                            \
    X(PlusAssign, "")                                                                                        \
    X(MinusAssign, "")                                                                                       \
    X(StarAssign, "")                                                                                        \
    X(SlashAssign, "")                                                                                       \
    X(Equal, "")                                                                                             \
    X(NotEqual, "")                                                                                          \
    X(Less, "")                                                                                              \
    X(Greater, "")                                                                                           \
    X(LessEqual, "")                                                                                         \
    X(GreaterEqual, "")                                                                                      \
    X(LParen, "")                                                                                            \
    X(RParen, "")                                                                                            \
    X(LBrace, "")                                                                                            \
    X(RBrace, "")                                                                                            \
    X(LBracket, "")                                                                                          \
    X(RBracket, "")                                                                                          \
    X(Comma, "")                                                                                             \
    X(Colon, "")                                                                                             \
    X(Semicolon, "")                                                                                         \
    X(Arrow, "")                                                                                             \
    X(FatArrow, "")                                                                                          \
    X(Dot, "")                                                                                               \
    X(Question, "")                                                                                          \
    X(Use, "use")                                                                                            \
    X(As, "as")                                                                                              \
    X(EOF_, "")

enum class TokenKind : std::uint8_t {
#define WEXLIN_TOKEN_ENUM(name, keyword) name,
    WEXLIN_ENUMERATE_TOKENS(WEXLIN_TOKEN_ENUM)
#undef WEXLIN_TOKEN_ENUM
};

inline constexpr int token_kind_count = static_cast<int>(TokenKind::EOF_) + 1;

// The variant's name as printed ("LParen", "EOF").
std::string_view token_kind_name(TokenKind kind);

struct Token {
    TokenKind kind{TokenKind::EOF_};
    std::int64_t number{0}; // Number payload
    double floating{0.0};   // Float payload
    std::string text;       // Identifier and String payload

    Token() = default;
    explicit Token(TokenKind k) : kind(k) {}
    static Token make_number(std::int64_t value);
    static Token make_float(double value);
    static Token make_identifier(std::string name);
    static Token make_string(std::string value);

    bool is(TokenKind k) const { return kind == k; }
    bool operator==(const Token& other) const;
};

// The printable (debug) form: LParen, Number(42), Float(2.0), Identifier("x").
std::string token_debug(const Token& token);

// Shared by token and value debug forms: a double-quoted text with quote,
// backslash and control characters escaped.
std::string quote_debug_text(std::string_view text);

// A double in debug form: always a fractional digit, exponent form at or above
// 1e16 and below 1e-4 (zero excepted).
std::string float_debug(double value);

} // namespace wexlin
