#include "lexer/lexer.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "support/unicode.h"
#include "support/utf8.h"

namespace wexlin {

namespace {

TokenKind keyword_kind(std::string_view name, bool& found) {
    struct Keyword {
        std::string_view text;
        TokenKind kind;
    };
    static constexpr Keyword keywords[] = {
#define WEXLIN_TOKEN_KEYWORD(name, keyword) {std::string_view(keyword), TokenKind::name},
        WEXLIN_ENUMERATE_TOKENS(WEXLIN_TOKEN_KEYWORD)
#undef WEXLIN_TOKEN_KEYWORD
    };
    for (const auto& k : keywords) {
        if (!k.text.empty() && k.text == name) {
            found = true;
            return k.kind;
        }
    }
    found = false;
    return TokenKind::Identifier;
}

bool is_ascii_digit(char32_t c) {
    return c >= '0' && c <= '9';
}
bool is_ascii_letter(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool continues_name(char32_t c) {
    if (c < 0x80) return c == '_' || is_ascii_letter(c) || is_ascii_digit(c);
    return unicode::is_alphabetic(c) || unicode::is_numeric(c);
}

class Lexer {
  public:
    explicit Lexer(std::string_view source) : m_source(source) {}

    std::vector<Token> run() {
        while (m_pos < m_source.size())
            step();
        m_tokens.emplace_back(TokenKind::EOF_);
        return std::move(m_tokens);
    }

  private:
    char peek(std::size_t ahead = 0) const {
        return m_pos + ahead < m_source.size() ? m_source[m_pos + ahead] : '\0';
    }
    bool has(std::size_t ahead) const { return m_pos + ahead < m_source.size(); }

    void push(TokenKind kind, std::size_t length) {
        m_tokens.emplace_back(kind);
        m_pos += length;
    }

    // One operator of one or two characters: the second character is taken
    // only when it completes a longer operator.
    void two_char(TokenKind single, char second, TokenKind pair) {
        if (has(1) && peek(1) == second)
            push(pair, 2);
        else
            push(single, 1);
    }

    void step() {
        char c = peek();
        switch (c) {
        case ' ':
        case '\t':
        case '\n':
        case '\r': ++m_pos; return;
        case '#': skip_line_comment(); return;
        case '+': two_char(TokenKind::Plus, '=', TokenKind::PlusAssign); return;
        case '-':
            if (has(1) && peek(1) == '=')
                push(TokenKind::MinusAssign, 2);
            else if (has(1) && peek(1) == '>')
                push(TokenKind::Arrow, 2);
            else
                push(TokenKind::Minus, 1);
            return;
        case '*':
            if (has(1) && peek(1) == '=')
                push(TokenKind::StarAssign, 2);
            else if (has(1) && peek(1) == '*')
                push(TokenKind::Power, 2);
            else
                push(TokenKind::Star, 1);
            return;
        case '/':
            if (has(1) && peek(1) == '=')
                push(TokenKind::SlashAssign, 2);
            else if (has(1) && peek(1) == '*')
                skip_block_comment();
            else
                push(TokenKind::Slash, 1);
            return;
        case '=':
            if (has(1) && peek(1) == '>')
                push(TokenKind::FatArrow, 2);
            else if (has(1) && peek(1) == '=')
                push(TokenKind::Equal, 2);
            else
                push(TokenKind::Assign, 1);
            return;
        case '!': two_char(TokenKind::Not, '=', TokenKind::NotEqual); return;
        case '<': two_char(TokenKind::Less, '=', TokenKind::LessEqual); return;
        case '>': two_char(TokenKind::Greater, '=', TokenKind::GreaterEqual); return;
        case '%': push(TokenKind::Percent, 1); return;
        case '(': push(TokenKind::LParen, 1); return;
        case ')': push(TokenKind::RParen, 1); return;
        case '{': push(TokenKind::LBrace, 1); return;
        case '}': push(TokenKind::RBrace, 1); return;
        case '[': push(TokenKind::LBracket, 1); return;
        case ']': push(TokenKind::RBracket, 1); return;
        case ',': push(TokenKind::Comma, 1); return;
        case ':': push(TokenKind::Colon, 1); return;
        case ';': push(TokenKind::Semicolon, 1); return;
        case '.': push(TokenKind::Dot, 1); return;
        case '?': push(TokenKind::Question, 1); return;
        case '"': read_string(); return;
        default: break;
        }
        if (is_ascii_digit(static_cast<unsigned char>(c))) {
            read_number();
            return;
        }
        if (c == '_' || is_ascii_letter(static_cast<unsigned char>(c))) {
            read_name();
            return;
        }
        // Anything else, a non-ASCII character included, is dropped whole.
        utf8::decode(m_source, m_pos);
    }

    void skip_line_comment() {
        auto end = m_source.find('\n', m_pos);
        m_pos = end == std::string_view::npos ? m_source.size() : end + 1;
    }

    void skip_block_comment() {
        auto end = m_source.find("*/", m_pos + 2);
        m_pos = end == std::string_view::npos ? m_source.size() : end + 2;
    }

    void read_string() {
        ++m_pos; // opening quote
        std::string text;
        while (m_pos < m_source.size()) {
            char c = m_source[m_pos];
            if (c == '"') {
                ++m_pos;
                break;
            }
            if (c == '\\') {
                if (m_pos + 1 >= m_source.size()) {
                    ++m_pos; // a backslash ending the input is dropped
                    break;
                }
                char e = m_source[m_pos + 1];
                switch (e) {
                case '"': text.push_back('"'); break;
                case '\\': text.push_back('\\'); break;
                case 'n': text.push_back('\n'); break;
                case 'r': text.push_back('\r'); break;
                case 't': text.push_back('\t'); break;
                case '0': text.push_back('\0'); break;
                default: {
                    // Unknown escapes keep both characters.
                    text.push_back('\\');
                    std::size_t start = m_pos + 1;
                    std::size_t next = start;
                    utf8::decode(m_source, next);
                    next = std::min(next, m_source.size());
                    text.append(m_source.substr(start, next - start));
                    m_pos = next;
                    continue;
                }
                }
                m_pos += 2;
                continue;
            }
            text.push_back(c);
            ++m_pos;
        }
        m_tokens.push_back(Token::make_string(std::move(text)));
    }

    void read_number() {
        std::size_t start = m_pos;
        while (m_pos < m_source.size() && is_ascii_digit(static_cast<unsigned char>(m_source[m_pos])))
            ++m_pos;
        bool is_float = false;
        if (peek() == '.' && has(1) && is_ascii_digit(static_cast<unsigned char>(peek(1)))) {
            is_float = true;
            ++m_pos;
            while (m_pos < m_source.size() && is_ascii_digit(static_cast<unsigned char>(m_source[m_pos])))
                ++m_pos;
        }
        std::string_view text = m_source.substr(start, m_pos - start);
        if (is_float) {
            double value = 0.0;
            auto result = std::from_chars(text.data(), text.data() + text.size(), value);
            // Out of range: a literal of 1 or more overflows to infinity, one
            // below 1 underflows to zero, as the nearest double would.
            if (result.ec == std::errc::result_out_of_range)
                value = text.substr(0, text.find('.')).find_first_not_of('0') == std::string_view::npos
                            ? 0.0
                            : std::numeric_limits<double>::infinity();
            m_tokens.push_back(Token::make_float(value));
        } else {
            std::int64_t value = 0;
            auto result = std::from_chars(text.data(), text.data() + text.size(), value);
            if (result.ec != std::errc()) value = 0; // too large for 64 bits
            m_tokens.push_back(Token::make_number(value));
        }
    }

    void read_name() {
        std::size_t start = m_pos;
        while (m_pos < m_source.size()) {
            std::size_t next = m_pos;
            char32_t cp = utf8::decode(m_source, next);
            if (!continues_name(cp)) break;
            m_pos = std::min(next, m_source.size());
        }
        std::string_view name = m_source.substr(start, m_pos - start);
        bool is_keyword = false;
        TokenKind kind = keyword_kind(name, is_keyword);
        if (is_keyword)
            m_tokens.emplace_back(kind);
        else
            m_tokens.push_back(Token::make_identifier(std::string(name)));
    }

    std::string_view m_source;
    std::size_t m_pos{0};
    std::vector<Token> m_tokens;
};

} // namespace

std::vector<Token> tokenize(std::string_view source) {
    return Lexer(source).run();
}

} // namespace wexlin
