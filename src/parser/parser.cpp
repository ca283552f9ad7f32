#include "parser/parser.h"

#include <utility>

#include "parser/expression_parser.h"
#include "support/console.h"

namespace wexlin {

namespace {

constexpr int max_iterations = 100000;
constexpr std::size_t max_params = 1001;
constexpr int max_arms = 1000;
constexpr int max_use_items = 1000;

Statement make_statement(StmtKind kind) {
    return Statement(kind);
}

} // namespace

void Parser::trace(std::string_view message) const {
    if (!m_trace) return;
    std::string line = "[PARSER] pos=" + std::to_string(m_pos) + " token=" + token_debug(current()) + " | ";
    line.append(message).push_back('\n');
    console::write_stderr(line);
}

void Parser::advance() {
    if (m_pos < m_tokens.size()) {
        if (m_trace) trace("advance() -> pos " + std::to_string(m_pos + 1));
        ++m_pos;
    }
}

bool Parser::expect(TokenKind kind) {
    if (current().kind == kind) {
        if (m_trace) trace("expect(" + token_debug(current()) + ") OK");
        advance();
        return true;
    }
    if (m_trace) trace("expect(" + token_debug(Token(kind)) + ") FAILED, got " + token_debug(current()));
    return false;
}

// Reads one expression and moves past its tokens one by one, so the trace
// shows every consumed token.
ExprPtr Parser::expression() {
    ParsedExpression parsed = parse_expression(m_tokens, m_pos);
    if (parsed.depth_exceeded && !m_depth_reported) {
        m_depth_reported = true;
        console::write_stderr("[PARSER ERROR] Expression nested too deeply (more than " +
                              std::to_string(max_expression_depth) + " levels) at pos " +
                              std::to_string(m_pos) + "; the rest of it is skipped\n");
    }
    for (std::size_t i = 0; i < parsed.consumed; ++i)
        advance();
    return std::move(parsed.expression);
}

void Parser::optional_semicolon() {
    if (at(TokenKind::Semicolon)) {
        trace("Consuming semicolon");
        advance();
    }
}

std::optional<std::string> Parser::take_name() {
    if (!at(TokenKind::Identifier)) return std::nullopt;
    return current().text;
}

// program -> { statement }
StatementList Parser::parse_program() {
    trace("=== PARSE PROGRAM START ===");
    StatementList statements;
    int iterations = 0;
    while (!at(TokenKind::EOF_)) {
        if (iterations >= max_iterations) {
            console::write_stderr("[PARSER ERROR] Max iterations (" + std::to_string(max_iterations) +
                                  ") reached at pos " + std::to_string(m_pos) + "\n");
            break;
        }
        ++iterations;
        if (iterations % 100 == 0)
            trace("parse_program iteration " + std::to_string(iterations) + " at pos " +
                  std::to_string(m_pos));
        std::size_t before = m_pos;
        if (auto statement = parse_statement()) statements.push_back(std::move(*statement));
        if (m_pos == before) {
            trace("NO PROGRESS AT POS " + std::to_string(m_pos) + "! Forcing advance.");
            advance();
        }
    }
    trace("=== PARSE PROGRAM END === Parsed " + std::to_string(statements.size()) + " statements");
    return statements;
}

// block -> { statement }   (up to, not including, the closing brace)
StatementList Parser::parse_block() {
    trace("parse_block() START");
    StatementList statements;
    if (m_block_depth >= max_block_depth) {
        if (!m_block_depth_reported) {
            m_block_depth_reported = true;
            console::write_stderr("[PARSER ERROR] Blocks nested too deeply (more than " +
                                  std::to_string(max_block_depth) + " levels) at pos " +
                                  std::to_string(m_pos) +
                                  "; the statement holding the block is skipped up to its closing brace\n");
        }
        skip_to_closing_brace();
        m_block_skipped = true;
        trace("parse_block() END with 0 statements");
        return statements;
    }
    ++m_block_depth;
    int iterations = 0;
    while (!at(TokenKind::EOF_) && !at(TokenKind::RBrace)) {
        if (iterations >= max_iterations) break;
        ++iterations;
        if (iterations % 100 == 0)
            trace("parse_block iteration " + std::to_string(iterations) + " at pos " + std::to_string(m_pos));
        std::size_t before = m_pos;
        if (auto statement = parse_statement()) statements.push_back(std::move(*statement));
        if (m_pos == before) {
            trace("NO PROGRESS IN BLOCK AT POS " + std::to_string(m_pos) + "! Forcing advance.");
            advance();
        }
    }
    --m_block_depth;
    trace("parse_block() END with " + std::to_string(statements.size()) + " statements");
    return statements;
}

// Moves to the brace that closes the block just opened, counting the braces
// in between (dictionary literals included), so the statement that owns the
// block ends exactly where it would have ended. The position moves in one
// step: the statements in between are never read.
void Parser::skip_to_closing_brace() {
    std::size_t start = m_pos;
    std::size_t open = 0;
    for (; m_pos < m_tokens.size(); ++m_pos) {
        TokenKind kind = m_tokens[m_pos].kind;
        if (kind == TokenKind::EOF_) break;
        if (kind == TokenKind::LBrace) {
            ++open;
        } else if (kind == TokenKind::RBrace) {
            if (open == 0) break;
            --open;
        }
    }
    trace("Skipped " + std::to_string(m_pos - start) + " tokens of a block nested too deeply");
}

// The block of a compound statement. False when the block lies past the
// depth limit: it was skipped, and the statement must then yield nothing.
bool Parser::construct_block(StatementList& body) {
    body = parse_block();
    return !std::exchange(m_block_skipped, false);
}

// params -> { name [","] }
std::vector<std::string> Parser::parse_params() {
    trace("parse_params() START");
    std::vector<std::string> params;
    while (at(TokenKind::Identifier)) {
        if (params.size() >= max_params) {
            trace("parse_params safety limit reached");
            break;
        }
        params.push_back(current().text);
        trace("Param: " + params.back());
        advance();
        if (at(TokenKind::Comma)) advance();
    }
    trace("parse_params() END with " + std::to_string(params.size()) + " params");
    return params;
}

std::optional<Statement> Parser::parse_statement() {
    trace("parse_statement() START");
    std::optional<Statement> result;
    switch (current().kind) {
    case TokenKind::Let: result = parse_let(); break;
    case TokenKind::Def: result = parse_function(); break;
    case TokenKind::Return: result = parse_return(); break;
    case TokenKind::If: result = parse_if(); break;
    case TokenKind::While: result = parse_while(); break;
    case TokenKind::For: result = parse_for(); break;
    case TokenKind::Break:
        trace("Parsing BREAK statement");
        advance();
        optional_semicolon();
        result = make_statement(StmtKind::Break);
        break;
    case TokenKind::Continue:
        trace("Parsing CONTINUE statement");
        advance();
        optional_semicolon();
        result = make_statement(StmtKind::Continue);
        break;
    case TokenKind::Match: result = parse_match(); break;
    case TokenKind::Try: result = parse_try(); break;
    case TokenKind::Global: result = parse_global(); break;
    case TokenKind::Use: result = parse_use(); break;
    case TokenKind::EOF_: trace("EOF reached"); break;
    case TokenKind::Identifier: {
        TokenKind next = peek(1).kind;
        if (next == TokenKind::Assign)
            result = parse_assign();
        else if (next == TokenKind::PlusAssign || next == TokenKind::MinusAssign ||
                 next == TokenKind::StarAssign || next == TokenKind::SlashAssign)
            result = parse_compound_assign();
        else
            result = parse_expression_statement();
        break;
    }
    default: result = parse_expression_statement(); break;
    }
    trace(std::string("parse_statement() END, result: ") + (result ? "Some" : "None"));
    return result;
}

// let -> "let" name "=" expr [";"]
std::optional<Statement> Parser::parse_let() {
    trace("Parsing LET statement");
    trace("parse_let() START");
    advance();
    auto name = take_name();
    if (!name) {
        trace("parse_let() END (failed)");
        return std::nullopt;
    }
    trace("Let name: " + *name);
    advance();
    if (!expect(TokenKind::Assign)) {
        trace("parse_let() END (failed)");
        return std::nullopt;
    }
    trace("Parsing let value expression");
    Statement s(StmtKind::Let);
    s.expr = expression();
    trace("Let value parsed, pos now " + std::to_string(m_pos));
    optional_semicolon();
    trace("parse_let() END");
    s.symbol = intern(*name);
    s.name = std::move(*name);
    return s;
}

// function -> "def" name "(" params ")" "{" block "}"
std::optional<Statement> Parser::parse_function() {
    trace("Parsing DEF statement");
    trace("parse_function() START");
    advance();
    auto name = take_name();
    if (!name) {
        trace("parse_function() END (failed)");
        return std::nullopt;
    }
    trace("Function name: " + *name);
    advance();
    if (!expect(TokenKind::LParen)) {
        trace("parse_function() END (failed)");
        return std::nullopt;
    }
    auto decl = std::make_shared<FunctionDecl>();
    decl->params = parse_params();
    if (m_trace) {
        std::string shown = "[";
        for (std::size_t i = 0; i < decl->params.size(); ++i)
            shown += (i ? ", " : "") + quote_debug_text(decl->params[i]);
        trace("Function params: " + shown + "]");
    }
    if (!expect(TokenKind::RParen) || !expect(TokenKind::LBrace)) {
        trace("parse_function() END (failed)");
        return std::nullopt;
    }
    trace("Parsing function body");
    bool kept = construct_block(decl->body);
    trace("Function body has " + std::to_string(decl->body.size()) + " statements");
    expect(TokenKind::RBrace);
    if (!kept) {
        trace("parse_function() END (nested too deeply)");
        return std::nullopt;
    }
    trace("parse_function() END");
    for (const auto& p : decl->params)
        decl->param_symbols.push_back(intern(p));
    Statement s(StmtKind::Function);
    s.symbol = intern(*name);
    s.name = std::move(*name);
    s.function = std::move(decl);
    return s;
}

// return -> "return" [expr] [";"]
std::optional<Statement> Parser::parse_return() {
    trace("Parsing RETURN statement");
    trace("parse_return() START");
    advance();
    Statement s(StmtKind::Return);
    if (!at(TokenKind::RBrace) && !at(TokenKind::Semicolon) && !at(TokenKind::EOF_)) s.expr = expression();
    optional_semicolon();
    trace("parse_return() END");
    return s;
}

// if -> "if" expr "{" block "}" [ "else" "{" block "}" ]
std::optional<Statement> Parser::parse_if() {
    trace("Parsing IF statement");
    trace("parse_if() START");
    advance();
    Statement s(StmtKind::If);
    s.expr = expression();
    if (!expect(TokenKind::LBrace)) {
        trace("parse_if() END (failed)");
        return std::nullopt;
    }
    bool kept = construct_block(s.body);
    expect(TokenKind::RBrace);
    if (at(TokenKind::Else)) {
        trace("Found else clause");
        advance();
        if (expect(TokenKind::LBrace)) {
            StatementList else_body;
            kept = construct_block(else_body) && kept;
            s.else_body = std::move(else_body);
            expect(TokenKind::RBrace);
        }
    }
    if (!kept) {
        trace("parse_if() END (nested too deeply)");
        return std::nullopt;
    }
    trace("parse_if() END");
    return s;
}

// while -> "while" expr "{" block "}"
std::optional<Statement> Parser::parse_while() {
    trace("Parsing WHILE statement");
    trace("parse_while() START");
    advance();
    Statement s(StmtKind::While);
    s.expr = expression();
    if (!expect(TokenKind::LBrace)) {
        trace("parse_while() END (failed)");
        return std::nullopt;
    }
    bool kept = construct_block(s.body);
    expect(TokenKind::RBrace);
    if (!kept) {
        trace("parse_while() END (nested too deeply)");
        return std::nullopt;
    }
    trace("parse_while() END");
    return s;
}

// for -> "for" name "in" expr "{" block "}"
std::optional<Statement> Parser::parse_for() {
    trace("Parsing FOR statement");
    trace("parse_for() START");
    advance();
    auto name = take_name();
    if (!name) {
        trace("parse_for() END (failed)");
        return std::nullopt;
    }
    trace("For var: " + *name);
    advance();
    if (!expect(TokenKind::In)) {
        trace("parse_for() END (failed)");
        return std::nullopt;
    }
    Statement s(StmtKind::For);
    s.expr = expression();
    if (!expect(TokenKind::LBrace)) {
        trace("parse_for() END (failed)");
        return std::nullopt;
    }
    bool kept = construct_block(s.body);
    expect(TokenKind::RBrace);
    if (!kept) {
        trace("parse_for() END (nested too deeply)");
        return std::nullopt;
    }
    trace("parse_for() END");
    s.symbol = intern(*name);
    s.name = std::move(*name);
    return s;
}

// match -> "match" expr "{" { arm [";"] } "}"
// arm -> ("_" | expr) "=>" ( "{" block "}" | expr )
std::optional<Statement> Parser::parse_match() {
    trace("Parsing MATCH statement");
    trace("parse_match() START");
    advance();
    Statement s(StmtKind::Match);
    s.expr = expression();
    if (!expect(TokenKind::LBrace)) {
        trace("parse_match() END (failed)");
        return std::nullopt;
    }
    bool kept = true;
    for (int arm_number = 1; arm_number <= max_arms && !at(TokenKind::RBrace) && !at(TokenKind::EOF_);
         ++arm_number) {
        trace("Match arm " + std::to_string(arm_number));
        MatchArm arm;
        if (at(TokenKind::Identifier) && current().text == "_") {
            arm.wildcard = true;
            advance();
        } else {
            arm.pattern = expression();
        }
        if (!expect(TokenKind::FatArrow)) {
            trace("No fat arrow found, breaking match");
            break;
        }
        if (at(TokenKind::LBrace)) {
            advance();
            kept = construct_block(arm.body) && kept;
            expect(TokenKind::RBrace);
        } else {
            Statement body(StmtKind::Expr);
            body.expr = expression();
            arm.body.push_back(std::move(body));
        }
        optional_semicolon();
        s.arms.push_back(std::move(arm));
    }
    expect(TokenKind::RBrace);
    if (!kept) {
        trace("parse_match() END (nested too deeply)");
        return std::nullopt;
    }
    trace("parse_match() END with " + std::to_string(s.arms.size()) + " arms");
    return s;
}

// try -> "try" "{" block "}" "catch" name "{" block "}"
std::optional<Statement> Parser::parse_try() {
    trace("Parsing TRY statement");
    trace("parse_try() START");
    advance();
    Statement s(StmtKind::Try);
    if (!expect(TokenKind::LBrace)) {
        trace("parse_try() END (failed)");
        return std::nullopt;
    }
    bool kept = construct_block(s.body);
    expect(TokenKind::RBrace);
    if (!expect(TokenKind::Catch)) {
        trace("parse_try() END (failed)");
        return std::nullopt;
    }
    auto name = take_name();
    if (!name) {
        trace("parse_try() END (failed)");
        return std::nullopt;
    }
    trace("Catch var: " + *name);
    advance();
    if (!expect(TokenKind::LBrace)) {
        trace("parse_try() END (failed)");
        return std::nullopt;
    }
    kept = construct_block(s.catch_body) && kept;
    expect(TokenKind::RBrace);
    if (!kept) {
        trace("parse_try() END (nested too deeply)");
        return std::nullopt;
    }
    trace("parse_try() END");
    s.symbol = intern(*name);
    s.name = std::move(*name);
    return s;
}

// global -> "global" name [";"]
std::optional<Statement> Parser::parse_global() {
    trace("Parsing GLOBAL statement");
    trace("parse_global() START");
    advance();
    auto name = take_name();
    if (!name) {
        trace("parse_global() END (failed)");
        return std::nullopt;
    }
    trace("Global name: " + *name);
    advance();
    optional_semicolon();
    trace("parse_global() END");
    Statement s(StmtKind::Global);
    s.symbol = intern(*name);
    s.name = std::move(*name);
    return s;
}

// use -> "use" name { "." name } [ "{" items "}" | "as" name ] [";"]
std::optional<Statement> Parser::parse_use() {
    trace("Parsing USE statement");
    trace("parse_use() START");
    advance();
    auto first = take_name();
    if (!first) {
        trace("parse_use() END (failed)");
        return std::nullopt;
    }
    Statement s(StmtKind::Use);
    s.module = *first;
    trace("Module name start: " + s.module);
    advance();
    while (at(TokenKind::Dot) && peek(1).kind == TokenKind::Identifier) {
        trace("Found dot in module name, continuing");
        advance();
        s.module += "." + current().text;
        trace("Module name now: " + s.module);
        advance();
    }
    if (at(TokenKind::LBrace)) {
        trace("Found items list");
        advance();
        std::vector<std::string> items;
        if (!at(TokenKind::RBrace)) {
            for (int i = 0; i < max_use_items && !at(TokenKind::EOF_); ++i) {
                if (at(TokenKind::Identifier)) {
                    items.push_back(current().text);
                    trace("Item: " + items.back());
                    advance();
                    if (at(TokenKind::Comma)) advance();
                } else {
                    advance();
                }
                if (at(TokenKind::RBrace)) break;
            }
        }
        expect(TokenKind::RBrace);
        optional_semicolon();
        trace("parse_use() END (with items)");
        s.items = std::move(items);
        return s;
    }
    if (at(TokenKind::As)) {
        trace("Found AS keyword");
        advance();
        if (at(TokenKind::Identifier)) {
            s.alias = current().text;
            trace("Alias: " + *s.alias);
            advance();
        }
        optional_semicolon();
        trace("parse_use() END (with alias)");
        return s;
    }
    optional_semicolon();
    trace("parse_use() END");
    return s;
}

// assign -> name "=" expr [";"]
std::optional<Statement> Parser::parse_assign() {
    trace("Parsing ASSIGN statement");
    trace("parse_assign() START");
    Statement s(StmtKind::Assign);
    s.name = current().text;
    trace("Assign name: " + s.name);
    advance();
    advance();
    s.expr = expression();
    optional_semicolon();
    trace("parse_assign() END");
    s.symbol = intern(s.name);
    return s;
}

// compound_assign -> name ("+=" | "-=" | "*=" | "/=") expr [";"]
std::optional<Statement> Parser::parse_compound_assign() {
    trace("Parsing COMPOUND ASSIGN statement");
    trace("parse_compound_assign() START");
    Statement s(StmtKind::CompoundAssign);
    s.name = current().text;
    trace("Compound assign name: " + s.name);
    advance();
    s.op = current();
    trace("Compound op: " + token_debug(s.op));
    advance();
    s.expr = expression();
    optional_semicolon();
    trace("parse_compound_assign() END");
    s.symbol = intern(s.name);
    return s;
}

// expression_statement -> expr [";"]
std::optional<Statement> Parser::parse_expression_statement() {
    trace("Parsing EXPRESSION statement");
    std::size_t before = m_pos;
    Statement s(StmtKind::Expr);
    s.expr = expression();
    if (m_pos == before) {
        trace("Expression parser made no progress, forcing advance");
        advance();
    }
    optional_semicolon();
    return s;
}

} // namespace wexlin
