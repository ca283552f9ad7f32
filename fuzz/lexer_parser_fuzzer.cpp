// The lexer and the parser on arbitrary bytes: both must return, the token
// list must end with exactly one EOF, and the tree (with the parser's trace
// on for some inputs) must print.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "lexer/lexer.h"
#include "parser/parser.h"
#include "support/stack_guard.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    wexlin::init_stack_guard();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wexlin;
    std::string_view source(reinterpret_cast<const char*>(data), size);
    std::vector<Token> tokens = tokenize(source);
    if (tokens.empty() || tokens.back().kind != TokenKind::EOF_) __builtin_trap();
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i)
        if (tokens[i].kind == TokenKind::EOF_) __builtin_trap();
    // Every token comes from at least one byte.
    if (tokens.size() > size + 1) __builtin_trap();
    for (const Token& token : tokens)
        (void)token_debug(token);
    // The trace writes a line per step; small inputs keep it quick.
    bool trace = size > 0 && size < 2048 && (data[0] & 7) == 0;
    Parser parser(tokens, trace);
    StatementList statements = parser.parse_program();
    if (statements.size() > tokens.size()) __builtin_trap();
    // The tree's printed form costs time quadratic in its depth; small inputs
    // check it.
    if (size <= 4096) {
        std::string printed = debug_form(statements);
        if (printed.empty() || printed.front() != '[') __builtin_trap();
    }
    return 0;
}
