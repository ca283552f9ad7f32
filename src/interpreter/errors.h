// The interpreter's error lines, all through one sink.
//
// An operation that fails writes an error line with its message; a statement
// that meets the resulting Error writes another, with its own context in
// front ("Error in let statement for 'x': "). Both kinds go through the sink
// below, and each context's prefix is written in one place.
#pragma once

#include <cstdint>
#include <string_view>

#include "interpreter/program.h"
#include "interpreter/value.h"

namespace wexlin {

// Where error lines go. The default writes the red [ERROR] line on standard
// error, after flushing standard output; a test installs its own sink with
// ScopedErrorSink to see the messages.
class ErrorSink {
  public:
    virtual ~ErrorSink() = default;
    virtual void error_line(std::string_view message) = 0;
};

// Writes one error line through the current sink.
void report_error(std::string_view message);

// Installs a sink for its lifetime; the sink before it comes back after.
class ScopedErrorSink {
  public:
    explicit ScopedErrorSink(ErrorSink& sink);
    ~ScopedErrorSink();
    ScopedErrorSink(const ScopedErrorSink&) = delete;
    ScopedErrorSink& operator=(const ScopedErrorSink&) = delete;

  private:
    ErrorSink* m_previous;
};

// The contexts in which a statement reports an Error it met.
enum class ErrorContext : std::uint8_t {
    Let,            // a let statement's value (names the variable)
    GlobalLet,      // a top-level let in the runner's declaration pass (names it)
    Assign,         // an assignment's value (names the variable)
    CompoundAssign, // a compound assignment's right-hand side (names it)
    IfCondition,
    WhileCondition,
    ForIteration,
    MatchExpression,
    MatchPattern,
    Expression, // an expression statement
};

// The context of a binding statement: Let or Assign by its kind.
inline ErrorContext binding_context(const Step& s) {
    return s.kind == StmtKind::Let ? ErrorContext::Let : ErrorContext::Assign;
}

// The context's prefix, the name (where the context names a variable), then
// the Error's message, as one error line.
void report_in_context(ErrorContext context, std::string_view name, const Value& error);
inline void report_in_context(ErrorContext context, const Value& error) {
    report_in_context(context, {}, error);
}

} // namespace wexlin
