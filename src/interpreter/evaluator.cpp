// Expression evaluation: literals, names, operators, indexing and ranges.
// Failures are Error values; the step that detects one writes its error line.
#include <cmath>
#include <limits>
#include <new>

#include "interpreter/interpreter.h"
#include "support/console.h"
#include "support/limits.h"
#include "support/stack_guard.h"

namespace wexlin {

namespace {

constexpr double float_epsilon = 2.220446049250313e-16;

std::string op_name(const Token& op) {
    return std::string(token_kind_name(op.kind));
}

Value apply_numbers(TokenKind op, const Token& token, std::int64_t a, std::int64_t b) {
    auto ua = static_cast<std::uint64_t>(a);
    auto ub = static_cast<std::uint64_t>(b);
    switch (op) {
    case TokenKind::Plus: return Value::number(static_cast<std::int64_t>(ua + ub));
    case TokenKind::Minus: return Value::number(static_cast<std::int64_t>(ua - ub));
    case TokenKind::Star: return Value::number(static_cast<std::int64_t>(ua * ub));
    case TokenKind::Slash:
        if (b == 0) return failure("Division by zero");
        // The most negative number divided by -1 wraps to itself.
        if (b == -1) return Value::number(static_cast<std::int64_t>(0 - ua));
        return Value::number(a / b);
    case TokenKind::Percent:
        if (b == 0) return failure("Modulo by zero");
        if (b == -1) return Value::number(0);
        return Value::number(a % b);
    case TokenKind::Power: {
        auto exponent = static_cast<std::uint32_t>(static_cast<std::uint64_t>(b));
        std::uint64_t result = 1;
        std::uint64_t base = ua;
        while (exponent) {
            if (exponent & 1u) result *= base;
            base *= base;
            exponent >>= 1;
        }
        return Value::number(static_cast<std::int64_t>(result));
    }
    case TokenKind::Equal: return Value::boolean(a == b);
    case TokenKind::NotEqual: return Value::boolean(a != b);
    case TokenKind::Less: return Value::boolean(a < b);
    case TokenKind::Greater: return Value::boolean(a > b);
    case TokenKind::LessEqual: return Value::boolean(a <= b);
    case TokenKind::GreaterEqual: return Value::boolean(a >= b);
    default: return failure("Unsupported operation on numbers: " + op_name(token));
    }
}

// Two floats, or a number and a float (mixed: other messages for unknown operators).
Value apply_floats(TokenKind op, const Token& token, double a, double b, bool mixed) {
    switch (op) {
    case TokenKind::Plus: return Value::floating(a + b);
    case TokenKind::Minus: return Value::floating(a - b);
    case TokenKind::Star: return Value::floating(a * b);
    case TokenKind::Slash:
        if (b == 0.0) return failure("Division by zero");
        return Value::floating(a / b);
    case TokenKind::Percent: return Value::floating(std::fmod(a, b));
    case TokenKind::Power: return Value::floating(std::pow(a, b));
    case TokenKind::Equal:
        if (std::isnan(a) || std::isnan(b)) return Value::boolean(false);
        return Value::boolean(std::fabs(a - b) < float_epsilon);
    case TokenKind::NotEqual:
        if (std::isnan(a) || std::isnan(b)) return Value::boolean(false);
        return Value::boolean(std::fabs(a - b) >= float_epsilon);
    case TokenKind::Less: return Value::boolean(a < b);
    case TokenKind::Greater: return Value::boolean(a > b);
    case TokenKind::LessEqual: return Value::boolean(a <= b);
    case TokenKind::GreaterEqual: return Value::boolean(a >= b);
    default:
        return failure((mixed ? "Unsupported operation: " : "Unsupported operation on floats: ") +
                       op_name(token));
    }
}

} // namespace

// Applies a binary operator to two evaluated operands (an Error operand is
// just a value of kind error here).
Value apply_binary(const Token& token, Value& left, Value& right) {
    TokenKind op = token.kind;
    ValueKind lk = left.kind();
    ValueKind rk = right.kind();
    if (lk == ValueKind::Number && rk == ValueKind::Number)
        return apply_numbers(op, token, left.as_number(), right.as_number());
    if (lk == ValueKind::Float && rk == ValueKind::Float)
        return apply_floats(op, token, left.as_float(), right.as_float(), false);
    if (lk == ValueKind::Number && rk == ValueKind::Float)
        return apply_floats(op, token, static_cast<double>(left.as_number()), right.as_float(), true);
    if (lk == ValueKind::Float && rk == ValueKind::Number)
        return apply_floats(op, token, left.as_float(), static_cast<double>(right.as_number()), true);
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

// The dispatch stays small so its frame is cheap; bigger cases live in
// their own functions.
Value Interpreter::evaluate(const Expression& e) {
    switch (e.kind) {
    case ExprKind::Number: return Value::number(e.number);
    case ExprKind::Float: return Value::floating(e.floating);
    case ExprKind::String:
        if (e.cached_value) [[likely]]
            return *static_cast<const Value*>(e.cached_value.get());
        return evaluate_string(e);
    case ExprKind::Boolean: return Value::boolean(e.boolean);
    case ExprKind::Identifier: {
        Slot& s = slot(e.symbol);
        if (s.top) return m_bindings[s.top - 1].value;
        if (s.global_bound) return s.global;
        return evaluate_identifier(e);
    }
    case ExprKind::BinaryOp: return evaluate_binary(e);
    case ExprKind::UnaryOp: return evaluate_unary(e);
    case ExprKind::Call: return dispatch_call(e);
    case ExprKind::Array: return evaluate_array(e);
    case ExprKind::Dict: return evaluate_dict(e);
    case ExprKind::Index: return evaluate_index(e);
    case ExprKind::Range: return evaluate_range(e);
    }
    return Value::null();
}

Value Interpreter::evaluate_string(const Expression& e) {
    e.cached_value = std::make_shared<Value>(Value::string(e.text));
    return *static_cast<const Value*>(e.cached_value.get());
}

Value Interpreter::evaluate_array(const Expression& e) {
    std::vector<Value> items;
    items.reserve(e.items.size());
    for (const auto& item : e.items) {
        Value v = evaluate(*item);
        if (v.is_error()) return v;
        items.push_back(std::move(v));
    }
    return Value::array(std::move(items));
}

Value Interpreter::evaluate_dict(const Expression& e) {
    Dict dict;
    for (const auto& [key, expr] : e.entries) {
        Value v = evaluate(*expr);
        if (v.is_error()) return v;
        dict.set(key, std::move(v));
    }
    return Value::dict(std::move(dict));
}

Value Interpreter::evaluate_identifier(const Expression& e) {
    Slot& s = slot(e.symbol);
    if (s.top) return m_bindings[s.top - 1].value;
    if (s.global_bound) return s.global;
    return failure("Undefined variable '" + e.text + "'");
}

// A literal or a bound variable holding a number, read in place: the fast
// path for arithmetic needs no copy of either operand.
bool Interpreter::read_numeric(const Expression& e, NumericOperand& out) {
    const Value* v;
    switch (e.kind) {
    case ExprKind::Number:
        out.is_float = false;
        out.i = e.number;
        return true;
    case ExprKind::Float:
        out.is_float = true;
        out.f = e.floating;
        return true;
    case ExprKind::Identifier: {
        Slot& s = slot(e.symbol);
        if (s.top)
            v = &m_bindings[s.top - 1].value;
        else if (s.global_bound)
            v = &s.global;
        else
            return false;
        break;
    }
    default: return false;
    }
    if (v->is_number()) {
        out.is_float = false;
        out.i = v->as_number();
        return true;
    }
    if (v->is_float()) {
        out.is_float = true;
        out.f = v->as_float();
        return true;
    }
    return false;
}

namespace {

std::int64_t wrapping_add(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}
std::int64_t wrapping_sub(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}
std::int64_t wrapping_mul(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}

} // namespace

// The common operators on two numbers of one kind; false leaves the
// operation (and its messages) to the general rules.
bool fast_arithmetic(TokenKind op, const NumericOperand& a, const NumericOperand& b, Value& out) {
    if (!a.is_float && !b.is_float) {
        switch (op) {
        case TokenKind::Plus: out = Value::number(wrapping_add(a.i, b.i)); return true;
        case TokenKind::Minus: out = Value::number(wrapping_sub(a.i, b.i)); return true;
        case TokenKind::Star: out = Value::number(wrapping_mul(a.i, b.i)); return true;
        case TokenKind::Less: out = Value::boolean(a.i < b.i); return true;
        case TokenKind::Greater: out = Value::boolean(a.i > b.i); return true;
        case TokenKind::LessEqual: out = Value::boolean(a.i <= b.i); return true;
        case TokenKind::GreaterEqual: out = Value::boolean(a.i >= b.i); return true;
        case TokenKind::Equal: out = Value::boolean(a.i == b.i); return true;
        case TokenKind::NotEqual: out = Value::boolean(a.i != b.i); return true;
        default: return false;
        }
    }
    double x = a.is_float ? a.f : static_cast<double>(a.i);
    double y = b.is_float ? b.f : static_cast<double>(b.i);
    switch (op) {
    case TokenKind::Plus: out = Value::floating(x + y); return true;
    case TokenKind::Minus: out = Value::floating(x - y); return true;
    case TokenKind::Star: out = Value::floating(x * y); return true;
    case TokenKind::Less: out = Value::boolean(x < y); return true;
    case TokenKind::Greater: out = Value::boolean(x > y); return true;
    case TokenKind::LessEqual: out = Value::boolean(x <= y); return true;
    case TokenKind::GreaterEqual: out = Value::boolean(x >= y); return true;
    default: return false;
    }
}

Value Interpreter::evaluate_binary(const Expression& e) {
    NumericOperand a;
    NumericOperand b;
    Value fast;
    if (read_numeric(*e.left, a) && read_numeric(*e.right, b) && fast_arithmetic(e.op.kind, a, b, fast))
        return fast;
    if (stack_exhausted()) return failure("Maximum recursion depth exceeded");
    Value left = evaluate(*e.left);
    if (left.is_error()) return left;
    Value right = evaluate(*e.right);
    if (right.is_error()) return right;
    // Integer arithmetic and comparisons are the hot path of most loops.
    if (left.is_number() && right.is_number()) {
        std::int64_t a = left.as_number();
        std::int64_t b = right.as_number();
        switch (e.op.kind) {
        case TokenKind::Plus:
            return Value::number(
                static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b)));
        case TokenKind::Minus:
            return Value::number(
                static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b)));
        case TokenKind::Less: return Value::boolean(a < b);
        case TokenKind::Greater: return Value::boolean(a > b);
        case TokenKind::LessEqual: return Value::boolean(a <= b);
        case TokenKind::GreaterEqual: return Value::boolean(a >= b);
        case TokenKind::Equal: return Value::boolean(a == b);
        case TokenKind::NotEqual: return Value::boolean(a != b);
        default: break;
        }
    }
    return apply_binary(e.op, left, right);
}

Value Interpreter::evaluate_unary(const Expression& e) {
    Value operand = evaluate(*e.left);
    if (operand.is_error()) return operand;
    if (e.op.kind == TokenKind::Not) return Value::boolean(!operand.is_truthy());
    if (operand.is_number())
        return Value::number(static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(operand.as_number())));
    if (operand.is_float()) return Value::floating(-operand.as_float());
    return failure("Cannot negate " + std::string(operand.type_name()));
}

Value Interpreter::evaluate_index(const Expression& e) {
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

Value Interpreter::evaluate_range(const Expression& e) {
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
