// The statement parser: a token list to top-level statements. It never stops
// with an error: a form that cannot be completed yields no statement, a token
// that leads nowhere is skipped, and parsing goes on to the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parser/ast.h"

namespace wexlin {

// Deepest nesting of blocks (bodies of def, if, while, for, match arms, try)
// that the parser follows, so that neither parsing nor execution can exhaust
// the stack. A statement whose block would lie deeper is skipped whole, up to
// the brace that closes that block: none of its statements may run, neither
// in place (a loop without its body could spin for ever) nor elsewhere.
inline constexpr std::uint32_t max_block_depth = 1000;

class Parser {
  public:
    Parser(const std::vector<Token>& tokens, bool trace) : m_tokens(tokens), m_trace(trace) {}

    StatementList parse_program();
    std::optional<Statement> parse_statement();
    StatementList parse_block();
    std::vector<std::string> parse_params();

  private:
    const Token& current() const { return m_pos < m_tokens.size() ? m_tokens[m_pos] : m_eof; }
    const Token& peek(std::size_t ahead) const {
        return m_pos + ahead < m_tokens.size() ? m_tokens[m_pos + ahead] : m_eof;
    }
    bool at(TokenKind kind) const { return current().kind == kind; }
    void advance();
    bool expect(TokenKind kind);
    void trace(std::string_view message) const;
    bool tracing() const { return m_trace; }

    ExprPtr expression();
    bool construct_block(StatementList& body);
    void skip_to_closing_brace();
    void optional_semicolon();
    std::optional<std::string> take_name();

    std::optional<Statement> parse_let();
    std::optional<Statement> parse_function();
    std::optional<Statement> parse_return();
    std::optional<Statement> parse_if();
    std::optional<Statement> parse_while();
    std::optional<Statement> parse_for();
    std::optional<Statement> parse_match();
    std::optional<Statement> parse_try();
    std::optional<Statement> parse_global();
    std::optional<Statement> parse_use();
    std::optional<Statement> parse_assign();
    std::optional<Statement> parse_compound_assign();
    std::optional<Statement> parse_expression_statement();

    const std::vector<Token>& m_tokens;
    std::size_t m_pos{0};
    bool m_trace;
    bool m_depth_reported{false};
    std::uint32_t m_block_depth{0};
    bool m_block_depth_reported{false};
    bool m_block_skipped{false};
    Token m_eof{TokenKind::EOF_};
};

} // namespace wexlin
