// The expression parser: one expression by recursive descent, one function
// per precedence level. It never fails and never prints.
#pragma once

#include <cstddef>
#include <vector>

#include "parser/ast.h"

namespace wexlin {

// Deepest nesting of brackets and prefix operators, and tallest operator
// chain, that one expression may have; past it the parser stops reading the
// expression so that neither parsing nor evaluation can exhaust the stack.
inline constexpr std::uint32_t max_expression_depth = 2000;

struct ParsedExpression {
    ExprPtr expression;
    std::size_t consumed{0};
    bool depth_exceeded{false};
};

// Parses from tokens[start]; the token run always ends with EOF.
ParsedExpression parse_expression(const std::vector<Token>& tokens, std::size_t start);

} // namespace wexlin
