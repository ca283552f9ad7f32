// From the syntax tree to the executable form: a node per syntax node with
// the facts running it needs, call sites resolved to table indices, string
// literals made into values once.
#include <algorithm>

#include "interpreter/builtins/builtins.h"
#include "interpreter/module_entry.h"
#include "interpreter/nodes.h"
#include "interpreter/program.h"
#include "support/tree_release.h"

namespace wexlin {

Node::~Node() {
    release_chains(left, right);
}

namespace {

CallSite resolve_call_site(const CallTarget& target, const std::string& name) {
    CallSite site;
    site.dotted = target.dotted;
    site.module = target.module;
    site.function = target.function;
    site.symbol = target.symbol;
    if (!target.dotted) {
        // A builtin's name always means the builtin, whatever variables exist.
        site.builtin = builtin_index(name);
        return site;
    }
    // A dotted name decides here whether it names a native module and which
    // of its functions: `use` only decides whether the module may be called.
    const NativeModule* module = native_module(target.module);
    if (!module) return site;
    site.native_module = static_cast<int>(module - native_modules().data());
    if (const NativeFunction* function = module->find(target.function))
        site.native_function = static_cast<int>(function - module->functions.data());
    return site;
}

NodePtr compile_expression(const Expression& e);

NodePtr compile_optional(const ExprPtr& e) {
    return e ? compile_expression(*e) : nullptr;
}

NodePtr compile_expression(const Expression& e) {
    auto node = std::make_unique<Node>(e.kind);
    node->boolean = e.boolean;
    node->text = e.text;
    node->symbol = e.symbol;
    node->op = e.op;
    node->left = compile_optional(e.left);
    node->right = compile_optional(e.right);
    node->items.reserve(e.items.size());
    for (const auto& item : e.items)
        node->items.push_back(compile_expression(*item));
    node->entries.reserve(e.entries.size());
    for (const auto& [key, value] : e.entries)
        node->entries.emplace_back(key, compile_expression(*value));
    if (e.kind == ExprKind::Call) node->call = resolve_call_site(e.call, e.text);
    if (e.kind == ExprKind::String) node->literal = Value::string(e.text);
    if (e.kind == ExprKind::Number) {
        node->constant.is_float = false;
        node->constant.i = e.number;
    }
    if (e.kind == ExprKind::Float) {
        node->constant.is_float = true;
        node->constant.f = e.floating;
    }
    node->handler = choose_expression_handler(*node);
    if (e.kind == ExprKind::BinaryOp && shape_of(*node) == Shape::Tree)
        node->numeric = choose_numeric_handler(*node);
    return node;
}

std::shared_ptr<const CompiledFunction> compile_function(const std::shared_ptr<const FunctionDecl>& decl) {
    auto function = std::make_shared<CompiledFunction>();
    function->param_symbols = decl->param_symbols;
    std::vector<Symbol> sorted = decl->param_symbols;
    std::sort(sorted.begin(), sorted.end());
    function->repeated_params = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
    function->body = compile(decl->body);
    function->source = decl;
    return function;
}

Step compile_statement(const Statement& s) {
    Step step(s.kind);
    step.name = s.name;
    step.symbol = s.symbol;
    if (s.kind == StmtKind::CompoundAssign) {
        TokenKind op = compound_operator_of(s.op.kind);
        // The parser makes compound assignments of the listed tokens only.
        if (op == TokenKind::EOF_) unreachable("a compound assignment of no known operator");
        step.op = Token(op);
    }
    step.expr = compile_optional(s.expr);
    if (s.function) step.function = compile_function(s.function);
    step.body = compile(s.body);
    if (s.else_body) step.else_body = compile(*s.else_body);
    step.catch_body = compile(s.catch_body);
    step.arms.reserve(s.arms.size());
    for (const auto& arm : s.arms) {
        CompiledArm compiled;
        compiled.wildcard = arm.wildcard;
        compiled.pattern = compile_optional(arm.pattern);
        compiled.body = compile(arm.body);
        step.arms.push_back(std::move(compiled));
    }
    step.module = s.module;
    step.alias = s.alias;
    step.items = s.items;
    step.handler = choose_statement_handler(step);
    return step;
}

} // namespace

StepList compile(const StatementList& statements) {
    StepList steps;
    steps.reserve(statements.size());
    for (const auto& s : statements)
        steps.push_back(compile_statement(s));
    return steps;
}

} // namespace wexlin
