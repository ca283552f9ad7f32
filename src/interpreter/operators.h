// The binary operators: one list for the facts about them, and one kernel per
// operator for what it does to two numbers or two floats. The specialised
// handlers and the general routine both go through these kernels, so the
// arithmetic rules exist once; they differ only in how they get the operands
// and in what they do when a kernel does not give a value.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "lexer/token.h"

namespace wexlin {

// Arithmetic: has a fast path and takes part in numeric trees. Power: only
// the general routine. Comparison: has a fast path giving a boolean.
// Logical: `and` / `or`, both operands always evaluated.
enum class OperatorFamily : std::uint8_t { None, Arithmetic, Power, Comparison, Logical };

// X(operator token, its compound-assignment token or EOF_ for none, family)
#define WEXLIN_ENUMERATE_BINARY_OPERATORS(X)                                                                 \
    X(Plus, PlusAssign, Arithmetic)                                                                          \
    X(Minus, MinusAssign, Arithmetic)                                                                        \
    X(Star, StarAssign, Arithmetic)                                                                          \
    X(Slash, SlashAssign, Arithmetic)                                                                        \
    X(Percent, EOF_, Arithmetic)                                                                             \
    X(Power, EOF_, Power)                                                                                    \
    X(Equal, EOF_, Comparison)                                                                               \
    X(NotEqual, EOF_, Comparison)                                                                            \
    X(Less, EOF_, Comparison)                                                                                \
    X(Greater, EOF_, Comparison)                                                                             \
    X(LessEqual, EOF_, Comparison)                                                                           \
    X(GreaterEqual, EOF_, Comparison)                                                                        \
    X(And, EOF_, Logical)                                                                                    \
    X(Or, EOF_, Logical)

constexpr OperatorFamily operator_family(TokenKind op) {
    switch (op) {
#define WEXLIN_OPERATOR_FAMILY(token, compound, family)                                                      \
    case TokenKind::token: return OperatorFamily::family;
        WEXLIN_ENUMERATE_BINARY_OPERATORS(WEXLIN_OPERATOR_FAMILY)
#undef WEXLIN_OPERATOR_FAMILY
    default: return OperatorFamily::None;
    }
}

constexpr bool any_operator(TokenKind op) {
    return operator_family(op) != OperatorFamily::None;
}
constexpr bool is_arithmetic(TokenKind op) {
    return operator_family(op) == OperatorFamily::Arithmetic;
}
constexpr bool is_comparison(TokenKind op) {
    return operator_family(op) == OperatorFamily::Comparison;
}
// The operators with specialised handlers.
constexpr bool has_fast_path(TokenKind op) {
    return is_arithmetic(op) || is_comparison(op);
}

// The operator a compound assignment applies; EOF_ for any other token.
constexpr TokenKind compound_operator_of(TokenKind assign) {
#define WEXLIN_COMPOUND_OPERATOR(token, compound, family)                                                    \
    if (TokenKind::compound != TokenKind::EOF_ && assign == TokenKind::compound) return TokenKind::token;
    WEXLIN_ENUMERATE_BINARY_OPERATORS(WEXLIN_COMPOUND_OPERATOR)
#undef WEXLIN_COMPOUND_OPERATOR
    return TokenKind::EOF_;
}

// The operators that have a compound assignment (`+=` and the like).
constexpr bool has_compound_assignment(TokenKind op) {
#define WEXLIN_HAS_COMPOUND(token, compound, family)                                                         \
    if (op == TokenKind::token) return TokenKind::compound != TokenKind::EOF_;
    WEXLIN_ENUMERATE_BINARY_OPERATORS(WEXLIN_HAS_COMPOUND)
#undef WEXLIN_HAS_COMPOUND
    return false;
}

// Calls f.template operator()<Op>() when op is a listed operator for which
// Wanted(op) holds; false (f not called) for any other token. The filter is
// applied at compile time, so f is only made for the operators wanted.
template <bool (*Wanted)(TokenKind), class F>
inline bool with_operator(TokenKind op, F&& f) {
    switch (op) {
#define WEXLIN_OPERATOR_CASE(token, compound, family)                                                        \
    case TokenKind::token:                                                                                   \
        if constexpr (Wanted(TokenKind::token)) {                                                            \
            f.template operator()<TokenKind::token>();                                                       \
            return true;                                                                                     \
        } else {                                                                                             \
            return false;                                                                                    \
        }
        WEXLIN_ENUMERATE_BINARY_OPERATORS(WEXLIN_OPERATOR_CASE)
#undef WEXLIN_OPERATOR_CASE
    default: return false;
    }
}

// For a branch that the construction of the tree rules out: says so and
// stops, rather than quietly running some other routine.
[[noreturn]] inline void unreachable(const char* what) {
    std::fprintf(stderr, "Internal error: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

// What a kernel made of two operands.
struct Outcome {
    enum Kind : std::uint8_t { Number, Float, Boolean, DivisionByZero, ModuloByZero, Unsupported };
    Kind kind;
    union {
        std::int64_t i;
        double f;
        bool b;
    };
    static constexpr Outcome number(std::int64_t v) {
        Outcome o{Number, {}};
        o.i = v;
        return o;
    }
    static constexpr Outcome floating(double v) {
        Outcome o{Float, {}};
        o.f = v;
        return o;
    }
    static constexpr Outcome boolean(bool v) {
        Outcome o{Boolean, {}};
        o.b = v;
        return o;
    }
    static constexpr Outcome failed(Kind why) { return Outcome{why, {}}; }
};

// Floats closer than this are equal.
inline constexpr double float_epsilon = 2.220446049250313e-16;

constexpr bool is_ordering(TokenKind op) {
    return op == TokenKind::Less || op == TokenKind::Greater || op == TokenKind::LessEqual ||
           op == TokenKind::GreaterEqual;
}

// <, >, <= and >= mean the same on numbers and on floats.
template <TokenKind Op, class T>
[[gnu::always_inline]] constexpr bool ordered(T a, T b) {
    if constexpr (Op == TokenKind::Less)
        return a < b;
    else if constexpr (Op == TokenKind::Greater)
        return a > b;
    else if constexpr (Op == TokenKind::LessEqual)
        return a <= b;
    else
        return a >= b;
}

// Two numbers. Arithmetic wraps around (two's complement), as on the machine.
template <TokenKind Op>
[[gnu::always_inline]] inline Outcome on_numbers(std::int64_t a, std::int64_t b) {
    auto ua = static_cast<std::uint64_t>(a);
    auto ub = static_cast<std::uint64_t>(b);
    if constexpr (Op == TokenKind::Plus) {
        return Outcome::number(static_cast<std::int64_t>(ua + ub));
    } else if constexpr (Op == TokenKind::Minus) {
        return Outcome::number(static_cast<std::int64_t>(ua - ub));
    } else if constexpr (Op == TokenKind::Star) {
        return Outcome::number(static_cast<std::int64_t>(ua * ub));
    } else if constexpr (Op == TokenKind::Slash) {
        if (b == 0) return Outcome::failed(Outcome::DivisionByZero);
        // The most negative number divided by -1 wraps to itself.
        if (b == -1) return Outcome::number(static_cast<std::int64_t>(0 - ua));
        return Outcome::number(a / b);
    } else if constexpr (Op == TokenKind::Percent) {
        if (b == 0) return Outcome::failed(Outcome::ModuloByZero);
        if (b == -1) return Outcome::number(0);
        return Outcome::number(a % b);
    } else if constexpr (Op == TokenKind::Power) {
        auto exponent = static_cast<std::uint32_t>(ub);
        std::uint64_t result = 1;
        std::uint64_t base = ua;
        while (exponent) {
            if (exponent & 1u) result *= base;
            base *= base;
            exponent >>= 1;
        }
        return Outcome::number(static_cast<std::int64_t>(result));
    } else if constexpr (Op == TokenKind::Equal) {
        return Outcome::boolean(a == b);
    } else if constexpr (Op == TokenKind::NotEqual) {
        return Outcome::boolean(a != b);
    } else if constexpr (is_ordering(Op)) {
        return Outcome::boolean(ordered<Op>(a, b));
    } else {
        return Outcome::failed(Outcome::Unsupported);
    }
}

// Two floats, or a number and a float taken as a float.
template <TokenKind Op>
[[gnu::always_inline]] inline Outcome on_floats(double a, double b) {
    if constexpr (Op == TokenKind::Plus) {
        return Outcome::floating(a + b);
    } else if constexpr (Op == TokenKind::Minus) {
        return Outcome::floating(a - b);
    } else if constexpr (Op == TokenKind::Star) {
        return Outcome::floating(a * b);
    } else if constexpr (Op == TokenKind::Slash) {
        if (b == 0.0) return Outcome::failed(Outcome::DivisionByZero);
        return Outcome::floating(a / b);
    } else if constexpr (Op == TokenKind::Percent) {
        return Outcome::floating(std::fmod(a, b));
    } else if constexpr (Op == TokenKind::Power) {
        return Outcome::floating(std::pow(a, b));
    } else if constexpr (Op == TokenKind::Equal) {
        if (std::isnan(a) || std::isnan(b)) return Outcome::boolean(false);
        return Outcome::boolean(std::fabs(a - b) < float_epsilon);
    } else if constexpr (Op == TokenKind::NotEqual) {
        if (std::isnan(a) || std::isnan(b)) return Outcome::boolean(false);
        return Outcome::boolean(std::fabs(a - b) >= float_epsilon);
    } else if constexpr (is_ordering(Op)) {
        return Outcome::boolean(ordered<Op>(a, b));
    } else {
        return Outcome::failed(Outcome::Unsupported);
    }
}

} // namespace wexlin
