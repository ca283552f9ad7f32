// Specialised nodes: the handlers the interpreter picks for a node the first
// time it runs, and the arithmetic they share.
//
// A handler is picked from the node's shape alone (its operator, whether an
// operand is a variable or a literal, what kind of call it is), never from
// values, so the choice stays right for every later run. Each handler checks
// the values it meets and hands anything it does not cover to the general
// routine of the node kind, which has every rule and message; a handler only
// does so before it has evaluated anything that could have effects, so no
// operand is ever evaluated twice.
#pragma once

#include <cmath>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <type_traits>

#include "interpreter/interpreter.h"
#include "interpreter/operators.h"
#include "support/limits.h"

namespace wexlin {

// Chosen per node kind (evaluator.cpp, calls.cpp, executor.cpp), by
// compile, once the node's children are made.
ExpressionHandler choose_expression_handler(const Node& e);
ExpressionHandler choose_binary_handler(const Node& e);
ExpressionHandler choose_call_handler(const Node& e);
StatementHandler choose_statement_handler(const Step& s);

// The builtin a plain call names (its index in the builtin table), -1 none.
int resolved_builtin(const Node& call);

// Applies a binary operator to two evaluated operands (an Error operand is
// just a value of kind error here).
Value apply_binary(const Token& token, Value& left, Value& right);
// Bounds of a range expression; false (after the error line) when they are
// not numbers or the range would be too large to build.
bool range_bounds(Value& start, Value& end, std::int64_t& a, std::int64_t& b, Value& error);

[[gnu::always_inline]] inline bool numeric_operand(const Value& v, NumericOperand& out) {
    if (v.is_number()) {
        out.is_float = false;
        out.i = v.as_number();
        return true;
    }
    if (v.is_float()) {
        out.is_float = true;
        out.f = v.as_float();
        return true;
    }
    return false;
}

// The outcome of a kernel as a numeric operand, or false for one that is
// not a number or a float.
[[gnu::always_inline]] inline bool store_numeric(Outcome r, NumericOperand& out) {
    if (r.kind == Outcome::Number) {
        out.is_float = false;
        out.i = r.i;
        return true;
    }
    if (r.kind == Outcome::Float) {
        out.is_float = true;
        out.f = r.f;
        return true;
    }
    return false;
}

// The outcome of a kernel as a value, or false for a failure.
[[gnu::always_inline]] inline bool store_value(Outcome r, Value& out) {
    switch (r.kind) {
    case Outcome::Number: out = Value::number(r.i); return true;
    case Outcome::Float: out = Value::floating(r.f); return true;
    case Outcome::Boolean: out = Value::boolean(r.b); return true;
    default: return false;
    }
}

// The arithmetic operators on numbers, giving a number: false when the
// kernel gives none (division by zero), which leaves the operation and its
// message to the general routine. Each kind of operands stores its own
// outcome, so that the outcome's kind is known at compile time on each path.
template <TokenKind Op>
[[gnu::always_inline]] inline bool numeric_result(const NumericOperand& a, const NumericOperand& b,
                                                  NumericOperand& out) {
    static_assert(is_arithmetic(Op));
    if (!a.is_float && !b.is_float) return store_numeric(on_numbers<Op>(a.i, b.i), out);
    return store_numeric(on_floats<Op>(a.as_double(), b.as_double()), out);
}

// The operators with a fast path, on two numbers, two floats or a number
// and a float: the kernel's value, or false when it gives none, which leaves
// the operation and its message to the general routine.
template <TokenKind Op>
[[gnu::always_inline]] inline bool fast_numeric(const NumericOperand& a, const NumericOperand& b,
                                                Value& out) {
    static_assert(has_fast_path(Op));
    if (!a.is_float && !b.is_float) return store_value(on_numbers<Op>(a.i, b.i), out);
    return store_value(on_floats<Op>(a.as_double(), b.as_double()), out);
}

// Operands that can be read in place, without evaluating anything: a
// variable or a number or float literal (whose operand compile made ready).
// Anything else is evaluated.
// An arithmetic tree (+ - * / % over variables, number literals and such
// trees) is computed as a number through its nodes' numeric handlers, and
// like a variable it can be read without effects: reading it only fails.
enum class Shape { Variable, Constant, Tree, Other };

Shape shape_of(const Node& e);
NumericHandler choose_numeric_handler(const Node& e);

template <Shape S>
[[gnu::always_inline]] inline bool read_operand(Interpreter& in, const Node& e, NumericOperand& out) {
    if constexpr (S == Shape::Constant) {
        out = e.constant;
        return true;
    } else if constexpr (S == Shape::Tree) {
        return e.numeric(in, e, out);
    } else {
        const Value* v = in.find_binding(e.symbol);
        return v && numeric_operand(*v, out);
    }
}

// A comparison of two operands read in place: 1 true, 0 false, -1 when the
// fast path does not cover the values (nothing has been evaluated then).
template <TokenKind Op, Shape L, Shape R>
[[gnu::always_inline]] inline int compare_in_place(Interpreter& in, const Node& e) {
    static_assert(is_comparison(Op));
    NumericOperand a;
    NumericOperand b;
    if (!read_operand<L>(in, *e.left, a) || !read_operand<R>(in, *e.right, b)) return -1;
    // A comparison's kernel always decides, with a boolean.
    if (!a.is_float && !b.is_float) return on_numbers<Op>(a.i, b.i).b ? 1 : 0;
    return on_floats<Op>(a.as_double(), b.as_double()).b ? 1 : 0;
}

// Calls f<Op, L, R>() for a comparison of variables and number literals;
// false for any other expression.
template <class F>
inline bool with_simple_comparison(const Node& e, F&& f) {
    if (e.kind != ExprKind::BinaryOp) return false;
    Shape l = shape_of(*e.left);
    Shape r = shape_of(*e.right);
    if (l == Shape::Other || r == Shape::Other) return false;
    auto right = [&]<TokenKind Op, Shape L>() {
        switch (r) {
        case Shape::Variable: f.template operator()<Op, L, Shape::Variable>(); break;
        case Shape::Constant: f.template operator()<Op, L, Shape::Constant>(); break;
        default: f.template operator()<Op, L, Shape::Tree>(); break;
        }
    };
    auto shapes = [&]<TokenKind Op>() {
        switch (l) {
        case Shape::Variable: right.template operator()<Op, Shape::Variable>(); break;
        case Shape::Constant: right.template operator()<Op, Shape::Constant>(); break;
        default: right.template operator()<Op, Shape::Tree>(); break;
        }
    };
    return with_operator<is_comparison>(e.op.kind, [&]<TokenKind Op>() { shapes.template operator()<Op>(); });
}

// One statement under the guard described at Interpreter::execute.
[[gnu::always_inline]] inline void Interpreter::run_statement(const Step& s) {
    try {
        s.handler(*this, s);
    } catch (const limits::LimitExceeded& e) {
        abandon_statement(s, e.what());
    } catch (const std::bad_alloc&) {
        abandon_statement(s, limits::out_of_memory);
    } catch (const std::length_error&) {
        // A standard container asked for more than its largest size.
        abandon_statement(s, limits::out_of_memory);
    }
}

// The condition handler of a comparison, or of `and` / `or` over such
// conditions; null for anything else. Sets it on the nodes below too.
ConditionHandler choose_condition_handler(const Node& e);

// Truth of a condition; booleans, the common case, without a call.
inline bool truthy(const Value& v) {
    return v.is_boolean() ? v.as_bool() : v.is_truthy();
}

} // namespace wexlin
