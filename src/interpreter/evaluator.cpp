// Expression evaluation: literals, names, operators, indexing and ranges.
// Failures are Error values; the step that detects one writes its error line.
#include <array>
#include <cmath>
#include <limits>
#include <new>

#include "interpreter/nodes.h"
#include "support/console.h"
#include "support/limits.h"
#include "support/stack_guard.h"

namespace wexlin {

namespace {

std::string op_name(const Token& op) {
    return std::string(token_kind_name(op.kind));
}

// The value of an operator's outcome, or the error line of its failure.
Value outcome_value(const Outcome& r, const Token& token, const char* unsupported) {
    switch (r.kind) {
    case Outcome::Number: return Value::number(r.i);
    case Outcome::Float: return Value::floating(r.f);
    case Outcome::Boolean: return Value::boolean(r.b);
    case Outcome::DivisionByZero: return failure("Division by zero");
    case Outcome::ModuloByZero: return failure("Modulo by zero");
    case Outcome::Unsupported: break;
    }
    return failure(unsupported + op_name(token));
}

Value apply_numbers(const Token& token, std::int64_t a, std::int64_t b) {
    Outcome r = Outcome::failed(Outcome::Unsupported);
    with_operator<any_operator>(token.kind, [&]<TokenKind Op>() { r = on_numbers<Op>(a, b); });
    return outcome_value(r, token, "Unsupported operation on numbers: ");
}

// Two floats, or a number and a float (mixed: other messages for unknown operators).
Value apply_floats(const Token& token, double a, double b, bool mixed) {
    Outcome r = Outcome::failed(Outcome::Unsupported);
    with_operator<any_operator>(token.kind, [&]<TokenKind Op>() { r = on_floats<Op>(a, b); });
    return outcome_value(r, token, mixed ? "Unsupported operation: " : "Unsupported operation on floats: ");
}

} // namespace

// Applies a binary operator to two evaluated operands (an Error operand is
// just a value of kind error here).
Value apply_binary(const Token& token, Value& left, Value& right) {
    TokenKind op = token.kind;
    ValueKind lk = left.kind();
    ValueKind rk = right.kind();
    if (lk == ValueKind::Number && rk == ValueKind::Number)
        return apply_numbers(token, left.as_number(), right.as_number());
    if (lk == ValueKind::Float && rk == ValueKind::Float)
        return apply_floats(token, left.as_float(), right.as_float(), false);
    if (lk == ValueKind::Number && rk == ValueKind::Float)
        return apply_floats(token, static_cast<double>(left.as_number()), right.as_float(), true);
    if (lk == ValueKind::Float && rk == ValueKind::Number)
        return apply_floats(token, left.as_float(), static_cast<double>(right.as_number()), true);
    if (lk == ValueKind::String && rk == ValueKind::String) {
        switch (op) {
        case TokenKind::Plus: {
            if (left.as_string().size() + right.as_string().size() > limits::max_string_length)
                return failure(limits::string_too_large);
            // A string no one else holds grows in place: s = s + "x" stays linear.
            if (left.is_unique()) {
                left.string_mut() += right.as_string();
                return std::move(left);
            }
            std::string joined;
            joined.reserve(left.as_string().size() + right.as_string().size());
            joined += left.as_string();
            joined += right.as_string();
            return Value::string(std::move(joined));
        }
        case TokenKind::Equal: return Value::boolean(left.as_string() == right.as_string());
        case TokenKind::NotEqual: return Value::boolean(left.as_string() != right.as_string());
        default: return failure("Unsupported operation on strings: " + op_name(token));
        }
    }
    if (lk == ValueKind::Boolean && rk == ValueKind::Boolean) {
        bool a = left.as_bool();
        bool b = right.as_bool();
        switch (op) {
        case TokenKind::And: return Value::boolean(a && b);
        case TokenKind::Or: return Value::boolean(a || b);
        case TokenKind::Equal: return Value::boolean(a == b);
        case TokenKind::NotEqual: return Value::boolean(a != b);
        default: return failure("Unsupported operation on booleans: " + op_name(token));
        }
    }
    return failure("Cannot apply " + op_name(token) + " to " + std::string(left.type_name()) + " and " +
                   std::string(right.type_name()));
}

namespace {

Value number_literal(Interpreter&, const Node& e) {
    return Value::number(e.constant.i);
}
Value float_literal(Interpreter&, const Node& e) {
    return Value::floating(e.constant.f);
}
Value boolean_literal(Interpreter&, const Node& e) {
    return Value::boolean(e.boolean);
}
Value string_literal(Interpreter&, const Node& e) {
    return e.literal;
}
Value identifier(Interpreter& in, const Node& e) {
    if (const Value* v = in.find_binding(e.symbol)) [[likely]]
        return *v;
    return in.evaluate_identifier(e);
}
Value unary(Interpreter& in, const Node& e) {
    return in.evaluate_unary(e);
}
Value array(Interpreter& in, const Node& e) {
    return in.evaluate_array(e);
}
Value dict(Interpreter& in, const Node& e) {
    return in.evaluate_dict(e);
}
Value index(Interpreter& in, const Node& e) {
    return in.evaluate_index(e);
}

// a[i] and d[k] with a variable or literal as the index: the element is
// read from the variable's own array or dictionary, which is not copied.
// Anything else (out of bounds, wrong kinds, unbound names) goes to the
// general routine, which has the messages; nothing was evaluated yet.
Value index_of_variable(Interpreter& in, const Node& e) {
    const Value* object = in.find_binding(e.left->symbol);
    const Node& at = *e.right;
    if (object && object->is_array()) {
        std::int64_t i;
        if (at.kind == ExprKind::Number) {
            i = at.constant.i;
        } else {
            const Value* v = at.kind == ExprKind::Identifier ? in.find_binding(at.symbol) : nullptr;
            if (!v || !v->is_number()) return in.evaluate_index(e);
            i = v->as_number();
        }
        const auto& items = object->as_array();
        if (i >= 0 && static_cast<std::uint64_t>(i) < items.size()) return items[static_cast<std::size_t>(i)];
    } else if (object && object->is_dict() && at.kind == ExprKind::Identifier) {
        const Value* key = in.find_binding(at.symbol);
        if (key && key->is_string()) {
            if (const Value* found = object->as_dict().find(key->as_string())) return *found;
        }
    }
    return in.evaluate_index(e);
}

ExpressionHandler choose_index_handler(const Node& e) {
    bool simple_index = e.right->kind == ExprKind::Number || e.right->kind == ExprKind::Identifier;
    return e.left->kind == ExprKind::Identifier && simple_index ? index_of_variable : index;
}
Value range(Interpreter& in, const Node& e) {
    return in.evaluate_range(e);
}

} // namespace

namespace {

// The general routines alone (general_routines_only).
Value string_general(Interpreter&, const Node& e) {
    return Value::string(e.text);
}
Value identifier_general(Interpreter& in, const Node& e) {
    return in.evaluate_identifier(e);
}
Value binary_evaluated(Interpreter& in, const Node& e) {
    return in.evaluate_binary(e);
}
Value call_general(Interpreter& in, const Node& e) {
    return in.dispatch_call(e);
}

ExpressionHandler choose_general_handler(const Node& e) {
    switch (e.kind) {
    case ExprKind::String: return string_general;
    case ExprKind::Identifier: return identifier_general;
    case ExprKind::BinaryOp: return binary_evaluated;
    case ExprKind::Call: return call_general;
    case ExprKind::Index: return index;
    default: return nullptr;
    }
}

} // namespace

ExpressionHandler choose_expression_handler(const Node& e) {
    if (general_routines_only) [[unlikely]] {
        if (ExpressionHandler general = choose_general_handler(e)) return general;
    }
    switch (e.kind) {
    case ExprKind::Number: return number_literal;
    case ExprKind::Float: return float_literal;
    case ExprKind::String: return string_literal;
    case ExprKind::Boolean: return boolean_literal;
    case ExprKind::Identifier: return identifier;
    case ExprKind::BinaryOp: return choose_binary_handler(e);
    case ExprKind::UnaryOp: return unary;
    case ExprKind::Call: return choose_call_handler(e);
    case ExprKind::Array: return array;
    case ExprKind::Dict: return dict;
    case ExprKind::Index: return choose_index_handler(e);
    case ExprKind::Range: return range;
    }
    unreachable("an expression of no known kind");
}

Value Interpreter::evaluate_array(const Node& e) {
    std::vector<Value> items;
    items.reserve(e.items.size());
    for (const auto& item : e.items) {
        Value v = evaluate(*item);
        if (v.is_error()) return v;
        items.push_back(std::move(v));
    }
    return Value::array(std::move(items));
}

Value Interpreter::evaluate_dict(const Node& e) {
    Dict dict;
    for (const auto& [key, expr] : e.entries) {
        Value v = evaluate(*expr);
        if (v.is_error()) return v;
        dict.set(key, std::move(v));
    }
    return Value::dict(std::move(dict));
}

Value Interpreter::evaluate_identifier(const Node& e) {
    if (const Value* v = find_binding(e.symbol)) return *v;
    return failure("Undefined variable '" + e.text + "'");
}

namespace {

// Operands that are variables or literals are read in place; others are
// evaluated, in the general order (left first, stopping at an Error). Where
// the fast path declines before anything was evaluated, the general routine
// starts afresh; after that, the general rules finish with what was
// evaluated, so nothing runs twice.
template <TokenKind Op, Shape L, Shape R>
Value binary_node(Interpreter& in, const Node& e) {
    NumericOperand a;
    NumericOperand b;
    Value result;
    if constexpr (L != Shape::Other && R != Shape::Other) {
        if (read_operand<L>(in, *e.left, a) && read_operand<R>(in, *e.right, b) &&
            fast_numeric<Op>(a, b, result))
            return result;
        return in.evaluate_binary(e);
    } else if constexpr (L == Shape::Other && R == Shape::Other) {
        if (stack_exhausted()) return failure("Maximum recursion depth exceeded");
        Value left = in.evaluate(*e.left);
        if (left.is_error()) return left;
        Value right = in.evaluate(*e.right);
        if (right.is_error()) return right;
        if (numeric_operand(left, a) && numeric_operand(right, b) && fast_numeric<Op>(a, b, result))
            return result;
        return apply_binary(e.op, left, right);
    } else if constexpr (L == Shape::Other) {
        if (stack_exhausted()) return failure("Maximum recursion depth exceeded");
        Value left = in.evaluate(*e.left);
        if (left.is_error()) return left;
        if (numeric_operand(left, a) && read_operand<R>(in, *e.right, b) && fast_numeric<Op>(a, b, result))
            return result;
        Value right = in.evaluate(*e.right);
        if (right.is_error()) return right;
        return apply_binary(e.op, left, right);
    } else {
        // The left operand's number is copied before the right one runs,
        // which may rebind the variable.
        if (!read_operand<L>(in, *e.left, a)) return in.evaluate_binary(e);
        if (stack_exhausted()) return failure("Maximum recursion depth exceeded");
        Value right = in.evaluate(*e.right);
        if (right.is_error()) return right;
        if (numeric_operand(right, b) && fast_numeric<Op>(a, b, result)) return result;
        Value left = a.is_float ? Value::floating(a.f) : Value::number(a.i);
        return apply_binary(e.op, left, right);
    }
}

// and / or: both operands are always evaluated.
template <TokenKind Op>
Value logical_node(Interpreter& in, const Node& e) {
    if (stack_exhausted()) return failure("Maximum recursion depth exceeded");
    Value left = in.evaluate(*e.left);
    if (left.is_error()) return left;
    Value right = in.evaluate(*e.right);
    if (right.is_error()) return right;
    if (left.is_boolean() && right.is_boolean()) {
        if constexpr (Op == TokenKind::And)
            return Value::boolean(left.as_bool() && right.as_bool());
        else
            return Value::boolean(left.as_bool() || right.as_bool());
    }
    return apply_binary(e.op, left, right);
}

Value binary_general(Interpreter& in, const Node& e) {
    return in.evaluate_binary(e);
}

template <TokenKind Op, Shape L>
constexpr std::array<ExpressionHandler, 4> row = {
    binary_node<Op, L, Shape::Variable>, binary_node<Op, L, Shape::Constant>, binary_node<Op, L, Shape::Tree>,
    binary_node<Op, L, Shape::Other>};

template <TokenKind Op>
ExpressionHandler handler_for_shapes(Shape l, Shape r) {
    using enum Shape;
    static constexpr std::array<ExpressionHandler, 4> table[4] = {row<Op, Variable>, row<Op, Constant>,
                                                                  row<Op, Tree>, row<Op, Other>};
    return table[static_cast<int>(l)][static_cast<int>(r)];
}

template <TokenKind Op, Shape L, Shape R>
bool numeric_node(Interpreter& in, const Node& e, NumericOperand& out) {
    NumericOperand a;
    NumericOperand b;
    return read_operand<L>(in, *e.left, a) && read_operand<R>(in, *e.right, b) &&
           numeric_result<Op>(a, b, out);
}

template <TokenKind Op, Shape L>
constexpr std::array<NumericHandler, 3> numeric_row = {numeric_node<Op, L, Shape::Variable>,
                                                       numeric_node<Op, L, Shape::Constant>,
                                                       numeric_node<Op, L, Shape::Tree>};

template <TokenKind Op>
NumericHandler numeric_for_shapes(Shape l, Shape r) {
    using enum Shape;
    static constexpr std::array<NumericHandler, 3> table[3] = {
        numeric_row<Op, Variable>, numeric_row<Op, Constant>, numeric_row<Op, Tree>};
    return table[static_cast<int>(l)][static_cast<int>(r)];
}

} // namespace

Shape shape_of(const Node& e) {
    switch (e.kind) {
    case ExprKind::Identifier: return Shape::Variable;
    case ExprKind::Number:
    case ExprKind::Float: return Shape::Constant;
    case ExprKind::BinaryOp:
        return is_arithmetic(e.op.kind) && shape_of(*e.left) != Shape::Other &&
                       shape_of(*e.right) != Shape::Other
                   ? Shape::Tree
                   : Shape::Other;
    default: return Shape::Other;
    }
}

NumericHandler choose_numeric_handler(const Node& e) {
    Shape l = shape_of(*e.left);
    Shape r = shape_of(*e.right);
    NumericHandler chosen = nullptr;
    with_operator<is_arithmetic>(e.op.kind, [&]<TokenKind Op>() { chosen = numeric_for_shapes<Op>(l, r); });
    // Only arithmetic trees (Shape::Tree) are computed as numbers.
    if (!chosen) unreachable("a numeric handler for an operator that is not arithmetic");
    return chosen;
}

ExpressionHandler choose_binary_handler(const Node& e) {
    ExpressionHandler chosen = binary_general;
    Shape l = shape_of(*e.left);
    Shape r = shape_of(*e.right);
    with_operator<has_fast_path>(e.op.kind, [&]<TokenKind Op>() { chosen = handler_for_shapes<Op>(l, r); });
    if (e.op.kind == TokenKind::And) chosen = logical_node<TokenKind::And>;
    if (e.op.kind == TokenKind::Or) chosen = logical_node<TokenKind::Or>;
    return chosen;
}

// Every binary operator on every kind of operand.
Value Interpreter::evaluate_binary(const Node& e) {
    if (stack_exhausted()) return failure("Maximum recursion depth exceeded");
    Value left = evaluate(*e.left);
    if (left.is_error()) return left;
    Value right = evaluate(*e.right);
    if (right.is_error()) return right;
    return apply_binary(e.op, left, right);
}

Value Interpreter::evaluate_unary(const Node& e) {
    Value operand = evaluate(*e.left);
    if (operand.is_error()) return operand;
    if (e.op.kind == TokenKind::Not) return Value::boolean(!operand.is_truthy());
    if (operand.is_number())
        return Value::number(static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(operand.as_number())));
    if (operand.is_float()) return Value::floating(-operand.as_float());
    return failure("Cannot negate " + std::string(operand.type_name()));
}

Value Interpreter::evaluate_index(const Node& e) {
    if (e.left->kind == ExprKind::Identifier && e.right->kind == ExprKind::String) {
        auto module = m_modules.find(e.left->symbol);
        if (module != m_modules.end()) {
            if (const Value* exported = module->second.find(e.right->text)) return *exported;
            return failure("Module '" + e.left->text + "' has no export named '" + e.right->text + "'");
        }
    }
    Value object = evaluate(*e.left);
    if (object.is_error()) return object;
    Value index = evaluate(*e.right);
    if (index.is_error()) return index;
    if (object.is_array()) {
        if (!index.is_number())
            return failure("Array index must be a number, got " + std::string(index.type_name()));
        const auto& items = object.as_array();
        std::int64_t i = index.as_number();
        if (i < 0 || static_cast<std::uint64_t>(i) >= items.size())
            return failure("Array index out of bounds: " + std::to_string(i) +
                           " (length: " + std::to_string(items.size()) + ")");
        return items[static_cast<std::size_t>(i)];
    }
    if (object.is_dict()) {
        if (!index.is_string())
            return failure("Dictionary key must be a string, got " + std::string(index.type_name()));
        if (const Value* found = object.as_dict().find(index.as_string())) return *found;
        return failure("Dictionary key '" + index.as_string() + "' not found");
    }
    return failure("Cannot index " + std::string(object.type_name()) + " with " +
                   std::string(index.type_name()));
}

// Bounds of a range expression; false (after the error line) when they are
// not numbers or the range would be too large to build.
bool range_bounds(Value& start, Value& end, std::int64_t& a, std::int64_t& b, Value& error) {
    if (!numeric_argument(start, a) || !numeric_argument(end, b)) {
        error = failure("Range start and end must be numbers");
        return false;
    }
    if (b > a && static_cast<std::uint64_t>(b) - static_cast<std::uint64_t>(a) > limits::max_range_length) {
        error = failure("Range too large");
        return false;
    }
    return true;
}

Value Interpreter::evaluate_range(const Node& e) {
    Value start = evaluate(*e.left);
    Value end = evaluate(*e.right);
    std::int64_t a = 0;
    std::int64_t b = 0;
    if (!numeric_argument(start, a) || !numeric_argument(end, b))
        return failure("Range start and end must be numbers");
    if (b <= a) return Value::array({});
    std::uint64_t length = static_cast<std::uint64_t>(b) - static_cast<std::uint64_t>(a);
    if (length > limits::max_range_length) return failure("Range too large");
    std::vector<Value> items;
    try {
        items.reserve(static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
        return failure("Range too large");
    }
    for (std::int64_t i = a; i < b; ++i)
        items.push_back(Value::number(i));
    return Value::array(std::move(items));
}

} // namespace wexlin
