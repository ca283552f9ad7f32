// The syntax tree, as the parser makes it and nothing else: the interpreter
// runs the executable form compiled from it (interpreter/program.h). Nodes
// own their children; function definitions are shared read-only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "lexer/token.h"
#include "support/symbol.h"

namespace wexlin {

enum class ExprKind : std::uint8_t {
    Number,
    Float,
    String,
    Boolean,
    Identifier,
    BinaryOp,
    UnaryOp,
    Call,
    Array,
    Dict,
    Index,
    Range,
};

struct Expression;
struct Statement;
using ExprPtr = std::unique_ptr<Expression>;

// How a call name splits, decided when it was parsed.
struct CallTarget {
    bool dotted{false};
    std::string module;   // dotted: text before the first dot
    std::string function; // dotted: text after it
    Symbol symbol{0};     // plain: the name as a symbol; dotted: the module name
};

struct Expression {
    explicit Expression(ExprKind k) : kind(k) {}
    ~Expression();
    Expression(const Expression&) = delete;
    Expression& operator=(const Expression&) = delete;

    ExprKind kind;
    std::uint32_t depth{1}; // height of this subtree, bounded by the parser
    std::int64_t number{0};
    double floating{0.0};
    bool boolean{false};
    std::string text;           // String literal, Identifier name, Call name
    Symbol symbol{0};           // Identifier
    Token op;                   // BinaryOp, UnaryOp
    ExprPtr left;               // BinaryOp left, UnaryOp operand, Index object, Range start
    ExprPtr right;              // BinaryOp right, Index index, Range end
    std::vector<ExprPtr> items; // Array elements, Call args
    std::vector<std::pair<std::string, ExprPtr>> entries; // Dict
    CallTarget call;
};

enum class StmtKind : std::uint8_t {
    Let,
    Assign,
    CompoundAssign,
    Function,
    If,
    While,
    For,
    Match,
    Try,
    Return,
    Break,
    Continue,
    Global,
    Use,
    Expr,
};

using StatementList = std::vector<Statement>;

struct FunctionDecl {
    std::vector<std::string> params;
    std::vector<Symbol> param_symbols;
    StatementList body;
};

struct MatchArm {
    bool wildcard{false};
    ExprPtr pattern; // Value pattern
    StatementList body;
};

struct Statement {
    explicit Statement(StmtKind k) : kind(k) {}
    Statement(Statement&&) noexcept = default;
    Statement& operator=(Statement&&) noexcept = default;

    StmtKind kind;
    std::string name; // Let, Assign, CompoundAssign, Function, For var, Try catch var, Global
    Symbol symbol{0}; // the name as a symbol
    Token op;         // CompoundAssign
    ExprPtr expr;     // value, condition, iterable, subject, return value (may be null)
    std::shared_ptr<const FunctionDecl> function;
    StatementList body; // If then, While, For, Try body
    std::optional<StatementList> else_body;
    StatementList catch_body;
    std::vector<MatchArm> arms;
    std::string module; // Use
    std::optional<std::string> alias;
    std::optional<std::vector<std::string>> items;
};

// Printable (debug) forms: Name { field: value, ... }, Name(value), bare names.
std::string debug_form(const Expression& expression);
std::string debug_form(const Statement& statement);
std::string debug_form(const StatementList& statements);

} // namespace wexlin
