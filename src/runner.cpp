#include "runner.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "interpreter/errors.h"
#include "interpreter/interpreter.h"
#include "lexer/lexer.h"
#include "parser/parser.h"
#include "support/console.h"

namespace wexlin {

namespace {

using Clock = std::chrono::steady_clock;

void stage_line(std::string_view message) {
    std::string line = console::tag(console::wexlin_tag);
    line.append(message).push_back('\n');
    console::write_stderr(line);
}

constexpr std::string_view rule =
    "\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500"
    "\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500";

std::string milliseconds(Clock::duration d) {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    double ms =
        (static_cast<double>(ns / 1000000000) + static_cast<double>(ns % 1000000000) / 1000000000.0) * 1000.0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", ms);
    return buffer;
}

} // namespace

void run_script(std::string_view source, bool debug, bool trace) {
    if (debug) {
        stage_line(rule);
        stage_line("Starting Wexlin interpreter...");
    }

    auto t1 = Clock::now();
    std::vector<Token> tokens = tokenize(source);
    auto tokenize_time = Clock::now() - t1;
    if (debug)
        stage_line("Tokenization completed in " + milliseconds(tokenize_time) + "ms (" +
                   std::to_string(tokens.size()) + " tokens)");

    auto t2 = Clock::now();
    if (trace) console::write_stderr("[DEBUG] Starting parser with verbose logging...\n");
    Parser parser(tokens, trace);
    StatementList statements = parser.parse_program();
    auto parse_time = Clock::now() - t2;
    if (debug) {
        stage_line("Parsing completed in " + milliseconds(parse_time) + "ms (" +
                   std::to_string(statements.size()) + " statements)");
        stage_line("Starting execution...");
        stage_line(rule);
    }

    auto t3 = Clock::now();
    {
        StepList program = compile(statements);
        // The tree is not needed to run; functions keep their own definitions.
        statements.clear();
        Interpreter interpreter;
        extra_debug = trace;
        // Declaration pass: top-level variables, functions and modules first.
        for (const auto& statement : program) {
            switch (statement.kind) {
            case StmtKind::Let: {
                Value value = interpreter.evaluate_guarded(*statement.expr);
                if (value.is_error()) report_in_context(ErrorContext::GlobalLet, statement.name, value);
                interpreter.set_variable(statement.symbol, std::move(value));
                break;
            }
            case StmtKind::Function:
                interpreter.set_variable(statement.symbol, Value::function(statement.function));
                break;
            case StmtKind::Use: interpreter.execute(statement); break;
            default: break;
            }
        }
        // Main pass: main() alone when the script defines it, else every statement.
        Value main_function = interpreter.get_variable(intern("main"));
        if (main_function.is_function()) {
            std::vector<Value> no_args;
            interpreter.call_function(*main_function.as_function(), no_args);
        } else {
            for (const auto& statement : program) {
                interpreter.execute(statement);
                if (interpreter.has_pending_return()) break;
            }
        }
        std::fflush(stdout);
    }
    auto execute_time = Clock::now() - t3;

    if (debug) {
        stage_line(rule);
        stage_line("Tokenization : " + milliseconds(tokenize_time) + "ms");
        stage_line("Parsing      : " + milliseconds(parse_time) + "ms");
        stage_line("Execution    : " + milliseconds(execute_time) + "ms");
        stage_line(rule);
    }
}

} // namespace wexlin
