// The printable (debug) form of the tree, as shown in the interpreter's call
// traces when a function value is printed.
#include "parser/ast.h"

namespace wexlin {

namespace {

std::string quoted(const std::string& text) {
    return quote_debug_text(text);
}

template <typename T, typename F>
std::string list(const std::vector<T>& items, F render) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += ", ";
        out += render(items[i]);
    }
    return out + "]";
}

std::string string_list(const std::vector<std::string>& items) {
    return list(items, [](const std::string& s) { return quoted(s); });
}

std::string expr_or_none(const ExprPtr& e) {
    return e ? "Some(" + debug_form(*e) + ")" : "None";
}

} // namespace

std::string debug_form(const Expression& e) {
    switch (e.kind) {
    case ExprKind::Number: return "Number(" + std::to_string(e.number) + ")";
    case ExprKind::Float: return "Float(" + float_debug(e.floating) + ")";
    case ExprKind::String: return "String(" + quoted(e.text) + ")";
    case ExprKind::Boolean: return e.boolean ? "Boolean(true)" : "Boolean(false)";
    case ExprKind::Identifier: return "Identifier(" + quoted(e.text) + ")";
    case ExprKind::BinaryOp:
        return "BinaryOp { left: " + debug_form(*e.left) + ", op: " + token_debug(e.op) +
               ", right: " + debug_form(*e.right) + " }";
    case ExprKind::UnaryOp:
        return "UnaryOp { op: " + token_debug(e.op) + ", operand: " + debug_form(*e.left) + " }";
    case ExprKind::Call:
        return "Call { name: " + quoted(e.text) +
               ", args: " + list(e.items, [](const ExprPtr& a) { return debug_form(*a); }) + " }";
    case ExprKind::Array:
        return "Array(" + list(e.items, [](const ExprPtr& a) { return debug_form(*a); }) + ")";
    case ExprKind::Dict:
        return "Dict(" +
               list(e.entries,
                    [](const std::pair<std::string, ExprPtr>& entry) {
                        return "(" + quoted(entry.first) + ", " + debug_form(*entry.second) + ")";
                    }) +
               ")";
    case ExprKind::Index:
        return "Index { object: " + debug_form(*e.left) + ", index: " + debug_form(*e.right) + " }";
    case ExprKind::Range:
        return "Range { start: " + debug_form(*e.left) + ", end: " + debug_form(*e.right) + " }";
    }
    return {};
}

std::string debug_form(const StatementList& statements) {
    return list(statements, [](const Statement& s) { return debug_form(s); });
}

std::string debug_form(const Statement& s) {
    switch (s.kind) {
    case StmtKind::Let: return "Let { name: " + quoted(s.name) + ", value: " + debug_form(*s.expr) + " }";
    case StmtKind::Assign:
        return "Assign { name: " + quoted(s.name) + ", value: " + debug_form(*s.expr) + " }";
    case StmtKind::CompoundAssign:
        return "CompoundAssign { name: " + quoted(s.name) + ", op: " + token_debug(s.op) +
               ", value: " + debug_form(*s.expr) + " }";
    case StmtKind::Function:
        return "Function { name: " + quoted(s.name) + ", params: " + string_list(s.function->params) +
               ", body: " + debug_form(s.function->body) + " }";
    case StmtKind::If:
        return "If { condition: " + debug_form(*s.expr) + ", then_body: " + debug_form(s.body) +
               ", else_body: " +
               (s.else_body ? "Some(" + debug_form(*s.else_body) + ")" : std::string("None")) + " }";
    case StmtKind::While:
        return "While { condition: " + debug_form(*s.expr) + ", body: " + debug_form(s.body) + " }";
    case StmtKind::For:
        return "For { var: " + quoted(s.name) + ", iter: " + debug_form(*s.expr) +
               ", body: " + debug_form(s.body) + " }";
    case StmtKind::Match:
        return "Match { expr: " + debug_form(*s.expr) + ", arms: " +
               list(s.arms,
                    [](const MatchArm& arm) {
                        std::string pattern =
                            arm.wildcard ? "Wildcard" : "Value(" + debug_form(*arm.pattern) + ")";
                        return "(" + pattern + ", " + debug_form(arm.body) + ")";
                    }) +
               " }";
    case StmtKind::Try:
        return "Try { body: " + debug_form(s.body) + ", catch_var: " + quoted(s.name) +
               ", catch_body: " + debug_form(s.catch_body) + " }";
    case StmtKind::Return: return "Return(" + expr_or_none(s.expr) + ")";
    case StmtKind::Break: return "Break";
    case StmtKind::Continue: return "Continue";
    case StmtKind::Global: return "Global(" + quoted(s.name) + ")";
    case StmtKind::Use:
        return "Use { module: " + quoted(s.module) +
               ", alias: " + (s.alias ? "Some(" + quoted(*s.alias) + ")" : std::string("None")) +
               ", items: " + (s.items ? "Some(" + string_list(*s.items) + ")" : std::string("None")) + " }";
    case StmtKind::Expr: return "Expr(" + debug_form(*s.expr) + ")";
    }
    return {};
}

} // namespace wexlin
