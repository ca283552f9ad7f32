// The syntax tree. Nodes own their children; function definitions are shared
// (read-only) between the tree and every function value made from them.
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

class Interpreter;
class Value;
struct NumericOperand;

// The routine that runs a node, chosen by the interpreter the first time the
// node runs from the node's shape (operator, kinds of its operands, kind of
// call), so that each later run goes straight to code specialised for it.
using ExpressionHandler = Value (*)(Interpreter&, const Expression&);
using StatementHandler = void (*)(Interpreter&, const Statement&);
// For arithmetic over variables and number literals: computes the number
// without making a value; false when the operands are not numbers it covers.
using NumericHandler = bool (*)(Interpreter&, const Expression&, NumericOperand&);
// For conditions made of comparisons of such operands (joined by and / or):
// 1 true, 0 false, -1 when the values are not ones it covers.
using ConditionHandler = int (*)(Interpreter&, const Expression&);

// How a call name was resolved when it was parsed, so the interpreter does not
// look it up again on every call.
struct CallTarget {
    bool dotted{false};
    std::string module;      // dotted: text before the first dot
    std::string function;    // dotted: text after it
    mutable int builtin{-2}; // plain: builtin table index, -1 none, -2 not yet resolved
    // dotted: the native module the name starts with (index in the interpreter's
    // table), -1 none, -2 not yet resolved; and its function, -1 none
    mutable int native_module{-2};
    mutable int native_function{-1};
    Symbol symbol{0}; // plain: the name as a symbol; dotted: the module name
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
    // The interpreter keeps a literal's run-time value here after its first
    // evaluation, so a string literal is not allocated again on every run.
    mutable std::shared_ptr<void> cached_value;
    mutable ExpressionHandler handler{nullptr};
    mutable NumericHandler numeric{nullptr};
    mutable ConditionHandler condition{nullptr};
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
    mutable StatementHandler handler{nullptr};
};

// Printable (debug) forms: Name { field: value, ... }, Name(value), bare names.
std::string debug_form(const Expression& expression);
std::string debug_form(const Statement& statement);
std::string debug_form(const StatementList& statements);

} // namespace wexlin
