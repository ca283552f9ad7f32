#include "repl/repl.h"

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

#include "interpreter/builtins/builtins.h"
#include "interpreter/interpreter.h"
#include "lexer/lexer.h"
#include "parser/parser.h"
#include "repl/line_source.h"
#include "support/console.h"
#include "support/limits.h"
#include "support/utf8.h"

namespace wexlin {

namespace {

void write_out(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Counters never go below the lowest 32-bit value.
void bump(std::int32_t& counter, int delta) {
    if (delta < 0 && counter == INT32_MIN) return;
    if (delta > 0 && counter == INT32_MAX) return;
    counter += delta;
}

} // namespace

void repl() {
    write_out("Welcome to Wexlin Interactive REPL!\nType 'exit' to quit.\n\n");
    Interpreter interpreter;
    std::int32_t parens = 0;
    std::int32_t braces = 0;
    std::string pending;
    std::string raw;
    std::unique_ptr<LineSource> input = make_line_source();
    while (true) {
        if (!input->read_line(parens == 0 && braces == 0 ? ">>> " : "... ", raw)) break;
        // Input that is not UTF-8 is still a line the user typed: each
        // invalid sequence becomes U+FFFD, and the REPL goes on. The limit
        // below applies to the text as it will be run.
        if (!utf8::is_valid(raw)) raw = utf8::decode_lossy(raw);
        if (raw.size() > limits::max_repl_line) {
            console::error_line("Input line too long (more than " + std::to_string(limits::max_repl_line) +
                                " bytes); it was ignored");
            continue;
        }
        std::string line = trim_unicode_whitespace(raw);
        if (line.empty()) continue;
        input->remember(line);
        if (line == "exit" || line == "quit") {
            write_out("Goodbye!\n");
            break;
        }
        for (char c : line) {
            switch (c) {
            case '(':
            case '[': bump(parens, 1); break;
            case ')':
            case ']': bump(parens, -1); break;
            case '{': bump(braces, 1); break;
            case '}': bump(braces, -1); break;
            default: break;
            }
        }
        if (pending.size() + line.size() > limits::max_repl_line) {
            console::error_line("Input too long (more than " + std::to_string(limits::max_repl_line) +
                                " bytes); the open input was dropped");
            pending.clear();
            continue;
        }
        if (parens > 0 || braces > 0) {
            if (!pending.empty()) pending.push_back('\n');
            pending += line;
            continue;
        }
        std::string input = pending.empty() ? line : pending + "\n" + line;
        pending.clear();
        StepList statements;
        try {
            std::vector<Token> tokens = tokenize(input);
            Parser parser(tokens, false);
            statements = compile(parser.parse_program());
        } catch (const std::bad_alloc&) {
            console::error_line(limits::out_of_memory);
            continue;
        }
        for (const auto& statement : statements)
            interpreter.execute(statement);
        // A top-level return typed here has no function to end; dropping it
        // keeps it from cutting short the next call.
        interpreter.take_return();
        std::fflush(stdout);
    }
}

} // namespace wexlin
