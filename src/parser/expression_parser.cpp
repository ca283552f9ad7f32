#include "parser/expression_parser.h"

#include <algorithm>

namespace wexlin {

namespace {

ExprPtr make(ExprKind kind) {
    return std::make_unique<Expression>(kind);
}

ExprPtr make_number(std::int64_t n) {
    auto e = make(ExprKind::Number);
    e->number = n;
    return e;
}

ExprPtr make_string(std::string text) {
    auto e = make(ExprKind::String);
    e->text = std::move(text);
    return e;
}

std::uint32_t height(const ExprPtr& e) {
    return e ? e->depth : 0;
}

ExprPtr make_pair(ExprKind kind, ExprPtr left, ExprPtr right) {
    auto e = make(kind);
    e->depth = std::max(height(left), height(right)) + 1;
    e->left = std::move(left);
    e->right = std::move(right);
    return e;
}

ExprPtr make_binary(ExprPtr left, Token op, ExprPtr right) {
    auto e = make_pair(ExprKind::BinaryOp, std::move(left), std::move(right));
    e->op = std::move(op);
    return e;
}

class ExpressionParser {
  public:
    ExpressionParser(const std::vector<Token>& tokens, std::size_t start)
        : m_tokens(tokens), m_start(start) {}

    ParsedExpression run() {
        ParsedExpression result;
        result.expression = parse_or();
        result.consumed = m_cursor;
        result.depth_exceeded = m_depth_exceeded;
        return result;
    }

  private:
    const Token& current() const { return token_at(m_cursor); }
    const Token& token_at(std::size_t i) const {
        std::size_t at = m_start + i;
        return at < m_tokens.size() ? m_tokens[at] : m_eof;
    }
    bool at(TokenKind kind) const { return current().kind == kind; }
    void advance() { ++m_cursor; }
    // Once the expression is cut, its closing brackets are already behind the
    // cursor: no level may take a token that follows the skipped part.
    bool expect(TokenKind kind) {
        if (m_depth_exceeded || !at(kind)) return false;
        advance();
        return true;
    }

    // A subtree about to grow past the bound ends the expression here, and
    // the rest of it is skipped at once.
    bool too_deep(std::uint32_t h) {
        if (h < max_expression_depth) return false;
        if (!m_depth_exceeded) {
            m_depth_exceeded = true;
            skip_rest();
        }
        return true;
    }

    // Moves past the brackets still open at the cut and everything inside
    // them, in one step, so that the closing brackets of a very deep
    // expression are not left behind to be read one by one as statements.
    // Any closing bracket closes any opening one, as the levels themselves
    // take a missing bracket for granted. A keyword that starts a statement
    // ends the skip: an expression whose brackets are never closed must not
    // take the statements after it along.
    void skip_rest() {
        std::size_t open = m_open_brackets;
        while (open > 0) {
            switch (current().kind) {
            case TokenKind::EOF_:
            case TokenKind::Let:
            case TokenKind::Def:
            case TokenKind::Return:
            case TokenKind::If:
            case TokenKind::While:
            case TokenKind::For:
            case TokenKind::Break:
            case TokenKind::Continue:
            case TokenKind::Match:
            case TokenKind::Try:
            case TokenKind::Global:
            case TokenKind::Use: return;
            case TokenKind::LParen:
            case TokenKind::LBracket:
            case TokenKind::LBrace: ++open; break;
            case TokenKind::RParen:
            case TokenKind::RBracket:
            case TokenKind::RBrace: --open; break;
            default: break;
            }
            advance();
        }
    }

    template <typename Next>
    ExprPtr binary_level(std::initializer_list<TokenKind> operators, Next next) {
        ExprPtr left = (this->*next)();
        while (std::find(operators.begin(), operators.end(), current().kind) != operators.end()) {
            if (m_depth_exceeded || too_deep(height(left))) break;
            Token op = current();
            advance();
            ExprPtr right = (this->*next)();
            left = make_binary(std::move(left), std::move(op), std::move(right));
        }
        return left;
    }

    // or_expr -> and_expr { "or" and_expr }
    ExprPtr parse_or() { return binary_level({TokenKind::Or}, &ExpressionParser::parse_and); }
    // and_expr -> equality { "and" equality }
    ExprPtr parse_and() { return binary_level({TokenKind::And}, &ExpressionParser::parse_equality); }
    // equality -> comparison { ("==" | "!=") comparison }
    ExprPtr parse_equality() {
        return binary_level({TokenKind::Equal, TokenKind::NotEqual}, &ExpressionParser::parse_comparison);
    }
    // comparison -> range { ("<" | ">" | "<=" | ">=") range }
    ExprPtr parse_comparison() {
        return binary_level(
            {TokenKind::Less, TokenKind::Greater, TokenKind::LessEqual, TokenKind::GreaterEqual},
            &ExpressionParser::parse_range);
    }
    // range -> additive [ ".." additive ]
    ExprPtr parse_range() {
        ExprPtr left = parse_additive();
        if (at(TokenKind::Dot) && token_at(m_cursor + 1).kind == TokenKind::Dot && !m_depth_exceeded &&
            !too_deep(height(left))) {
            advance();
            advance();
            ExprPtr right = parse_additive();
            return make_pair(ExprKind::Range, std::move(left), std::move(right));
        }
        return left;
    }
    // additive -> term { ("+" | "-") term }
    ExprPtr parse_additive() {
        return binary_level({TokenKind::Plus, TokenKind::Minus}, &ExpressionParser::parse_term);
    }
    // term -> power { ("*" | "/" | "%") power }
    ExprPtr parse_term() {
        return binary_level({TokenKind::Star, TokenKind::Slash, TokenKind::Percent},
                            &ExpressionParser::parse_power);
    }
    // power -> unary { "**" unary }   (left-associative)
    ExprPtr parse_power() { return binary_level({TokenKind::Power}, &ExpressionParser::parse_unary); }

    // unary -> ("not" | "!" | "-") unary | postfix
    ExprPtr parse_unary() {
        if (too_deep(m_nesting)) return make_number(0);
        if (at(TokenKind::Not) || at(TokenKind::Minus)) {
            Token op = current();
            advance();
            ++m_nesting;
            ExprPtr operand = parse_unary();
            --m_nesting;
            auto e = make(ExprKind::UnaryOp);
            e->depth = height(operand) + 1;
            e->op = std::move(op);
            e->left = std::move(operand);
            return e;
        }
        return parse_postfix();
    }

    // postfix -> primary { "." name | "[" expr "]" | "(" args ")" }
    ExprPtr parse_postfix() {
        ExprPtr expr = parse_primary();
        // Once the bound is hit the expression ends: no operator or postfix
        // step may pick up the tokens left behind the cut.
        for (int step = 0; step < 1000 && !m_depth_exceeded; ++step) {
            if (at(TokenKind::Dot)) {
                if (token_at(m_cursor + 1).kind == TokenKind::Dot) break; // a range follows
                if (too_deep(height(expr))) break;
                advance();
                if (!at(TokenKind::Identifier)) break; // the dot stays consumed
                std::string member = current().text;
                advance();
                expr = make_pair(ExprKind::Index, std::move(expr), make_string(std::move(member)));
            } else if (at(TokenKind::LBracket)) {
                if (too_deep(height(expr))) break;
                advance();
                ++m_nesting;
                ++m_open_brackets;
                ExprPtr index = parse_or();
                --m_open_brackets;
                --m_nesting;
                expect(TokenKind::RBracket);
                expr = make_pair(ExprKind::Index, std::move(expr), std::move(index));
            } else if (at(TokenKind::LParen)) {
                if (too_deep(height(expr))) break;
                advance();
                ++m_open_brackets;
                std::vector<ExprPtr> args = parse_elements();
                --m_open_brackets;
                expect(TokenKind::RParen);
                expr = make_call(std::move(expr), std::move(args));
            } else {
                break;
            }
        }
        return expr;
    }

    // Elements of an array literal or a call's arguments, commas optional. An
    // element that consumes nothing is skipped with its token, so the loop
    // always moves on.
    std::vector<ExprPtr> parse_elements() {
        std::vector<ExprPtr> items;
        ++m_nesting;
        while (!at(TokenKind::RParen) && !at(TokenKind::RBrace) && !at(TokenKind::RBracket) &&
               !at(TokenKind::EOF_)) {
            std::size_t before = m_cursor;
            ExprPtr item = parse_or();
            if (m_cursor == before) {
                if (m_depth_exceeded) break;
                advance();
                continue;
            }
            items.push_back(std::move(item));
            if (m_depth_exceeded) break;
            if (at(TokenKind::Comma)) advance();
        }
        --m_nesting;
        return items;
    }

    static ExprPtr make_call(ExprPtr callee, std::vector<ExprPtr> args) {
        auto call = make(ExprKind::Call);
        std::uint32_t h = height(callee);
        if (callee->kind == ExprKind::Identifier) {
            call->text = callee->text;
        } else if (callee->kind == ExprKind::Index && callee->right->kind == ExprKind::String) {
            if (callee->left->kind == ExprKind::Identifier) {
                call->text = callee->left->text + "." + callee->right->text;
            } else {
                call->text = callee->right->text;
                args.insert(args.begin(), std::move(callee->left));
            }
        } else {
            call->text = "call";
            args.insert(args.begin(), std::move(callee));
        }
        for (const auto& a : args)
            h = std::max(h, height(a));
        call->depth = h + 1;
        call->items = std::move(args);
        auto dot = call->text.find('.');
        if (dot != std::string::npos) {
            call->call.dotted = true;
            call->call.module = call->text.substr(0, dot);
            call->call.function = call->text.substr(dot + 1);
            call->call.symbol = intern(call->call.module);
        } else {
            call->call.symbol = intern(call->text);
        }
        return call;
    }

    ExprPtr parse_primary() {
        const Token& t = current();
        switch (t.kind) {
        case TokenKind::True:
        case TokenKind::False: {
            auto e = make(ExprKind::Boolean);
            e->boolean = t.kind == TokenKind::True;
            advance();
            return e;
        }
        case TokenKind::Identifier: {
            auto e = make(ExprKind::Identifier);
            e->text = t.text;
            e->symbol = intern(t.text);
            advance();
            return e;
        }
        case TokenKind::Number: {
            auto e = make_number(t.number);
            advance();
            return e;
        }
        case TokenKind::Float: {
            auto e = make(ExprKind::Float);
            e->floating = t.floating;
            advance();
            return e;
        }
        case TokenKind::String: {
            auto e = make_string(t.text);
            advance();
            return e;
        }
        case TokenKind::LParen: {
            advance();
            ++m_nesting;
            ++m_open_brackets;
            ExprPtr inner = parse_or();
            --m_open_brackets;
            --m_nesting;
            expect(TokenKind::RParen);
            return inner;
        }
        case TokenKind::LBrace: {
            advance();
            ++m_open_brackets;
            ExprPtr dict = parse_dict();
            --m_open_brackets;
            expect(TokenKind::RBrace);
            return dict;
        }
        case TokenKind::LBracket: {
            advance();
            auto e = make(ExprKind::Array);
            ++m_open_brackets;
            e->items = parse_elements();
            --m_open_brackets;
            for (const auto& item : e->items)
                e->depth = std::max(e->depth, height(item) + 1);
            expect(TokenKind::RBracket);
            return e;
        }
        default: return make_number(0);
        }
    }

    // dict -> "{" { name ":" expr [","] } "}"
    ExprPtr parse_dict() {
        auto e = make(ExprKind::Dict);
        ++m_nesting;
        while (!at(TokenKind::RBrace) && !at(TokenKind::EOF_)) {
            if (!at(TokenKind::Identifier)) {
                // Not a key: skip the token so the literal still ends.
                advance();
                continue;
            }
            std::string key = current().text;
            advance();
            if (!expect(TokenKind::Colon)) continue; // the key is dropped
            ExprPtr value = parse_or();
            e->depth = std::max(e->depth, height(value) + 1);
            e->entries.emplace_back(std::move(key), std::move(value));
            if (m_depth_exceeded) break;
            if (at(TokenKind::Comma)) advance();
        }
        --m_nesting;
        return e;
    }

    const std::vector<Token>& m_tokens;
    std::size_t m_start;
    std::size_t m_cursor{0};
    std::uint32_t m_nesting{0};
    // Brackets opened and not yet left by the levels now running.
    std::size_t m_open_brackets{0};
    bool m_depth_exceeded{false};
    Token m_eof{TokenKind::EOF_};
};

} // namespace

ParsedExpression parse_expression(const std::vector<Token>& tokens, std::size_t start) {
    return ExpressionParser(tokens, start).run();
}

} // namespace wexlin
