#include "lexer/token.h"

#include <array>
#include <cstdio>

#include "support/float_format.h"

namespace wexlin {

std::string_view token_kind_name(TokenKind kind) {
    static constexpr std::array<std::string_view, token_kind_count> names = {
#define WEXLIN_TOKEN_NAME(name, keyword) #name,
        WEXLIN_ENUMERATE_TOKENS(WEXLIN_TOKEN_NAME)
#undef WEXLIN_TOKEN_NAME
    };
    if (kind == TokenKind::EOF_) return "EOF";
    return names[static_cast<std::size_t>(kind)];
}

Token Token::make_number(std::int64_t value) {
    Token t(TokenKind::Number);
    t.number = value;
    return t;
}

Token Token::make_float(double value) {
    Token t(TokenKind::Float);
    t.floating = value;
    return t;
}

Token Token::make_identifier(std::string name) {
    Token t(TokenKind::Identifier);
    t.text = std::move(name);
    return t;
}

Token Token::make_string(std::string value) {
    Token t(TokenKind::String);
    t.text = std::move(value);
    return t;
}

bool Token::operator==(const Token& other) const {
    if (kind != other.kind) return false;
    switch (kind) {
    case TokenKind::Number: return number == other.number;
    case TokenKind::Float: return floating == other.floating;
    case TokenKind::Identifier:
    case TokenKind::String: return text == other.text;
    default: return true;
    }
}

std::string quote_debug_text(std::string_view text) {
    std::string out = "\"";
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\0': out += "\\0"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char buffer[16];
                std::snprintf(buffer, sizeof buffer, "\\u{%x}", c);
                out += buffer;
            } else {
                out.push_back(ch);
            }
        }
    }
    out.push_back('"');
    return out;
}

std::string float_debug(double value) {
    return format_float_debug(value);
}

std::string token_debug(const Token& token) {
    std::string out(token_kind_name(token.kind));
    switch (token.kind) {
    case TokenKind::Number: out += "(" + std::to_string(token.number) + ")"; break;
    case TokenKind::Float: out += "(" + float_debug(token.floating) + ")"; break;
    case TokenKind::Identifier:
    case TokenKind::String: out += "(" + quote_debug_text(token.text) + ")"; break;
    default: break;
    }
    return out;
}

} // namespace wexlin
