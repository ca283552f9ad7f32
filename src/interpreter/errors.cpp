#include "interpreter/errors.h"

#include <string>

#include "support/console.h"

namespace wexlin {

namespace {

class ConsoleSink final : public ErrorSink {
  public:
    void error_line(std::string_view message) override { console::error_line(message); }
};

ConsoleSink console_sink;
ErrorSink* current_sink = &console_sink;

} // namespace

void report_error(std::string_view message) {
    current_sink->error_line(message);
}

ScopedErrorSink::ScopedErrorSink(ErrorSink& sink) : m_previous(current_sink) {
    current_sink = &sink;
}

ScopedErrorSink::~ScopedErrorSink() {
    current_sink = m_previous;
}

void report_in_context(ErrorContext context, std::string_view name, const Value& error) {
    std::string line;
    auto named = [&](std::string_view before) { line.append(before).append(name).append("': "); };
    switch (context) {
    case ErrorContext::Let: named("Error in let statement for '"); break;
    case ErrorContext::GlobalLet: named("Error in global let statement for '"); break;
    case ErrorContext::Assign: named("Error in assignment to '"); break;
    case ErrorContext::CompoundAssign: named("Error in compound assignment to '"); break;
    case ErrorContext::IfCondition: line = "Error in if condition: "; break;
    case ErrorContext::WhileCondition: line = "Error in while condition: "; break;
    case ErrorContext::ForIteration: line = "Error in for loop iteration: "; break;
    case ErrorContext::MatchExpression: line = "Error in match expression: "; break;
    case ErrorContext::MatchPattern: line = "Error in match pattern: "; break;
    case ErrorContext::Expression: line = "Error in expression: "; break;
    }
    line += error.error_message();
    report_error(line);
}

} // namespace wexlin
