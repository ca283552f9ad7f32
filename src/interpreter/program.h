// The executable form of a program: what `compile` makes of the syntax tree
// and what the interpreter runs. The tree stays as the parser made it; every
// run-time cache (the routine chosen for a node, a string literal's value,
// what a call name resolves to) lives here instead.
//
// A node keeps the facts of its syntax node that running it needs, under the
// same names, and the routine that runs it, picked by compile from the node's
// shape (see nodes.h), never from values, so the choice is right for every
// run. Nothing in the executable form changes once it is made.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "interpreter/value.h"
#include "parser/ast.h"

namespace wexlin {

class Interpreter;
struct Node;
struct Step;
using NodePtr = std::unique_ptr<Node>;
using StepList = std::vector<Step>;

// A number or a float as an operand of arithmetic, without making a value.
// Left unset until read: it is made for every operator evaluated.
struct NumericOperand {
    bool is_float;
    union {
        std::int64_t i;
        double f;
    };
    double as_double() const { return is_float ? f : static_cast<double>(i); }
};

// The routine that runs a node.
using ExpressionHandler = Value (*)(Interpreter&, const Node&);
using StatementHandler = void (*)(Interpreter&, const Step&);
// For arithmetic over variables and number literals: computes the number
// without making a value; false when the operands are not numbers it covers.
using NumericHandler = bool (*)(Interpreter&, const Node&, NumericOperand&);
// For conditions made of comparisons of such operands (joined by and / or):
// 1 true, 0 false, -1 when the values are not ones it covers.
using ConditionHandler = int (*)(Interpreter&, const Node&);

// What a call name means, resolved once per call site.
struct CallSite {
    bool dotted{false};
    std::string module;   // dotted: text before the first dot
    std::string function; // dotted: text after it
    Symbol symbol{0};     // plain: the name as a symbol; dotted: the module name
    int builtin{-1};      // plain: builtin table index, -1 none
    // dotted: the native module the name starts with (index in the table of
    // native modules) and its function; -1 none
    int native_module{-1};
    int native_function{-1};
};

struct Node {
    explicit Node(ExprKind k) : kind(k) {}
    ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    ExprKind kind;
    bool boolean{false};
    std::string text;           // String literal, Identifier name, Call name
    Symbol symbol{0};           // Identifier
    Token op;                   // BinaryOp, UnaryOp
    NodePtr left;               // BinaryOp left, UnaryOp operand, Index object, Range start
    NodePtr right;              // BinaryOp right, Index index, Range end
    std::vector<NodePtr> items; // Array elements, Call args
    std::vector<std::pair<std::string, NodePtr>> entries; // Dict
    CallSite call;
    Value literal;             // a String literal's value, made once
    NumericOperand constant{}; // a Number or Float literal's value
    ExpressionHandler handler{nullptr};
    NumericHandler numeric{nullptr};     // arithmetic trees
    ConditionHandler condition{nullptr}; // conditions decided without a value
};

struct CompiledFunction {
    std::vector<Symbol> param_symbols;
    bool repeated_params{false}; // a name appears twice among the parameters
    StepList body;
    // The definition as parsed: parameter names and the printed (debug) form.
    std::shared_ptr<const FunctionDecl> source;
};

struct CompiledArm {
    bool wildcard{false};
    NodePtr pattern;
    StepList body;
};

struct Step {
    explicit Step(StmtKind k) : kind(k) {}
    Step(Step&&) noexcept = default;
    Step& operator=(Step&&) noexcept = default;

    StmtKind kind;
    std::string name; // Let, Assign, CompoundAssign, Function, For var, Try catch var, Global
    Symbol symbol{0};
    Token op;     // CompoundAssign: the operator it applies (`+` for `+=`)
    NodePtr expr; // value, condition, iterable, subject, return value (may be null)
    std::shared_ptr<const CompiledFunction> function;
    StepList body; // If then, While, For, Try body
    std::optional<StepList> else_body;
    StepList catch_body;
    std::vector<CompiledArm> arms;
    std::string module; // Use
    std::optional<std::string> alias;
    std::optional<std::vector<std::string>> items;
    StatementHandler handler{nullptr};
};

// The executable form of parsed statements (a program, a module, a REPL
// line): call sites resolved, literals made, every routine chosen.
StepList compile(const StatementList& statements);

} // namespace wexlin
