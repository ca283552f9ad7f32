// Statement execution: bindings, conditionals, loops, match, try, and the
// pending return, break and continue signals that travel through blocks.
#include <new>
#include <stdexcept>

#include "interpreter/interpreter.h"
#include "support/console.h"
#include "support/limits.h"

namespace wexlin {

Value apply_binary(const Token& token, Value& left, Value& right);
bool fast_arithmetic(TokenKind op, const NumericOperand& a, const NumericOperand& b, Value& out);

namespace {

void report(std::string_view prefix, const Value& error) {
    std::string line(prefix);
    line += error.error_message();
    console::error_line(line);
}

constexpr double float_epsilon = 2.220446049250313e-16;

// Match equality: same kind and same value; nothing else is ever equal.
bool match_equal(const Value& subject, const Value& pattern) {
    if (subject.kind() != pattern.kind()) return false;
    switch (subject.kind()) {
    case ValueKind::Number: return subject.as_number() == pattern.as_number();
    case ValueKind::Float: return std::abs(subject.as_float() - pattern.as_float()) < float_epsilon;
    case ValueKind::String: return subject.as_string() == pattern.as_string();
    case ValueKind::Boolean: return subject.as_bool() == pattern.as_bool();
    case ValueKind::Null: return true;
    default: return false;
    }
}

} // namespace

void Interpreter::execute_block(const StatementList& statements) {
    for (const auto& statement : statements) {
        execute(statement);
        if (m_pending_return || m_break || m_continue) return;
    }
}

// A statement that runs out of memory, or would build a value past a size
// limit, ends like a statement that meets an Error: its error lines are
// written, a binding it was making receives the Error, and the script goes on
// with the next statement. Nested statements are guarded each on their own,
// so only the innermost one running is abandoned.
void Interpreter::execute(const Statement& s) {
    try {
        execute_statement(s);
    } catch (const limits::LimitExceeded& e) {
        abandon_statement(s, e.what());
    } catch (const std::bad_alloc&) {
        abandon_statement(s, limits::out_of_memory);
    } catch (const std::length_error&) {
        // A standard container asked for more than its largest size.
        abandon_statement(s, limits::out_of_memory);
    }
}

void Interpreter::abandon_statement(const Statement& s, const char* message) {
    Value error = failure(message);
    switch (s.kind) {
    case StmtKind::Let: report("Error in let statement for '" + s.name + "': ", error); break;
    case StmtKind::Assign: report("Error in assignment to '" + s.name + "': ", error); break;
    case StmtKind::CompoundAssign: report("Error in compound assignment to '" + s.name + "': ", error); break;
    case StmtKind::If: report("Error in if condition: ", error); return;
    case StmtKind::While: report("Error in while condition: ", error); return;
    case StmtKind::For: report("Error in for loop iteration: ", error); return;
    case StmtKind::Match: report("Error in match expression: ", error); return;
    case StmtKind::Expr: report("Error in expression: ", error); return;
    case StmtKind::Return: m_pending_return = std::move(error); return;
    default: return;
    }
    set_variable(s.symbol, std::move(error));
}

// Value out of a top-level expression evaluated outside any statement (the
// declaration pass), with the same guard as a statement.
Value Interpreter::evaluate_guarded(const Expression& expression) {
    try {
        return evaluate(expression);
    } catch (const limits::LimitExceeded& e) {
        return failure(e.what());
    } catch (const std::bad_alloc&) {
        return failure(limits::out_of_memory);
    } catch (const std::length_error&) {
        return failure(limits::out_of_memory);
    }
}

void Interpreter::execute_statement(const Statement& s) {
    switch (s.kind) {
    case StmtKind::Let:
    case StmtKind::Assign: execute_assignment(s); return;
    case StmtKind::CompoundAssign: execute_compound_assign(s); return;
    case StmtKind::Function: set_variable(s.symbol, Value::function(s.function)); return;
    case StmtKind::If: {
        Value condition = evaluate(*s.expr);
        if (condition.is_error()) {
            report("Error in if condition: ", condition);
            return;
        }
        if (condition.is_truthy())
            execute_block(s.body);
        else if (s.else_body)
            execute_block(*s.else_body);
        return;
    }
    case StmtKind::While: execute_while(s); return;
    case StmtKind::For: execute_for(s); return;
    case StmtKind::Match: execute_match(s); return;
    case StmtKind::Try: execute_try(s); return;
    case StmtKind::Return: m_pending_return = s.expr ? evaluate(*s.expr) : Value::null(); return;
    case StmtKind::Break: m_break = true; return;
    case StmtKind::Continue: m_continue = true; return;
    case StmtKind::Global: declare_global(s.symbol); return;
    case StmtKind::Use: execute_use(s); return;
    case StmtKind::Expr: {
        Value v = evaluate(*s.expr);
        if (v.is_error()) report("Error in expression: ", v);
        return;
    }
    }
}

void Interpreter::execute_assignment(const Statement& s) {
    if (try_update_in_place(s)) return;
    Value v = evaluate(*s.expr);
    if (v.is_error())
        report(s.kind == StmtKind::Let ? "Error in let statement for '" + s.name + "': "
                                       : "Error in assignment to '" + s.name + "': ",
               v);
    set_variable(s.symbol, std::move(v));
}

namespace {

// The operator a compound assignment applies, as a token for the messages.
const Token& compound_operator(TokenKind assign) {
    static const Token plus(TokenKind::Plus), minus(TokenKind::Minus), star(TokenKind::Star),
        slash(TokenKind::Slash);
    switch (assign) {
    case TokenKind::MinusAssign: return minus;
    case TokenKind::StarAssign: return star;
    case TokenKind::SlashAssign: return slash;
    default: return plus;
    }
}

} // namespace

void Interpreter::execute_compound_assign(const Statement& s) {
    const Token& op = compound_operator(s.op.kind);
    // Numbers on both sides: computed in place, without copying the variable.
    NumericOperand current_number;
    NumericOperand right_number;
    {
        Slot& slot_of_name = slot(s.symbol);
        const Value* current = slot_of_name.top            ? &m_bindings[slot_of_name.top - 1].value
                               : slot_of_name.global_bound ? &slot_of_name.global
                                                           : nullptr;
        Value fast;
        if (current && (current->is_number() || current->is_float()) && read_numeric(*s.expr, right_number)) {
            current_number.is_float = current->is_float();
            current_number.i = current_number.is_float ? 0 : current->as_number();
            current_number.f = current_number.is_float ? current->as_float() : 0.0;
            if (fast_arithmetic(op.kind, current_number, right_number, fast)) {
                set_variable(s.symbol, std::move(fast));
                return;
            }
        }
    }
    Value current = get_variable(s.symbol);
    Value right = evaluate(*s.expr);
    if (right.is_error()) report("Error in compound assignment to '" + s.name + "': ", right);
    set_variable(s.symbol, apply_binary(op, current, right));
}

void Interpreter::execute_while(const Statement& s) {
    while (true) {
        Value condition = evaluate(*s.expr);
        if (condition.is_error()) {
            report("Error in while condition: ", condition);
            break;
        }
        if (!condition.is_truthy()) break;
        execute_block(s.body);
        if (m_pending_return || m_break) break;
        m_continue = false;
    }
    m_break = false;
}

bool range_bounds(Value& start, Value& end, std::int64_t& a, std::int64_t& b, Value& error);

// Runs one iteration's body; `stop` is set when the loop must end.
void Interpreter::run_loop_body(const Statement& s, bool& stop) {
    execute_block(s.body);
    if (m_pending_return || m_break) {
        stop = true;
        return;
    }
    m_continue = false;
}

// for i in a..b: the range array cannot be reached by the script, so the
// numbers are produced one by one instead of built as an array first.
void Interpreter::execute_for_range(const Statement& s) {
    const Expression& range = *s.expr;
    Value start = evaluate(*range.left);
    Value end = evaluate(*range.right);
    std::int64_t a = 0;
    std::int64_t b = 0;
    Value error;
    if (!range_bounds(start, end, a, b, error)) {
        report("Error in for loop iteration: ", error);
        return;
    }
    bool stop = false;
    for (std::int64_t i = a; i < b && !stop; ++i) {
        set_variable(s.symbol, Value::number(i));
        run_loop_body(s, stop);
    }
    m_break = false;
}

void Interpreter::execute_for(const Statement& s) {
    if (s.expr->kind == ExprKind::Range) {
        execute_for_range(s);
        return;
    }
    Value iterable = evaluate(*s.expr);
    if (iterable.is_error()) {
        report("Error in for loop iteration: ", iterable);
        return;
    }
    if (!iterable.is_array()) {
        console::error_line("Cannot iterate over " + std::string(iterable.type_name()) +
                            " in for loop. Expected an array.");
        return;
    }
    // `iterable` holds the array computed at the start, so rebinding the
    // source variable inside the body does not change what is iterated.
    const auto& items = iterable.as_array();
    bool stop = false;
    for (std::size_t i = 0; i < items.size() && !stop; ++i) {
        set_variable(s.symbol, items[i]);
        run_loop_body(s, stop);
    }
    m_break = false;
}

void Interpreter::execute_match(const Statement& s) {
    Value subject = evaluate(*s.expr);
    if (subject.is_error()) {
        report("Error in match expression: ", subject);
        return;
    }
    for (const auto& arm : s.arms) {
        if (arm.wildcard) {
            execute_block(arm.body);
            return;
        }
        Value pattern = evaluate(*arm.pattern);
        if (pattern.is_error()) {
            report("Error in match pattern: ", pattern);
            continue;
        }
        if (match_equal(subject, pattern)) {
            execute_block(arm.body);
            return;
        }
    }
    if (extra_debug) console::debug_line("No match patterns matched in match statement");
}

void Interpreter::execute_try(const Statement& s) {
    execute_block(s.body);
    if (m_pending_return && m_pending_return->is_error()) {
        std::string message = m_pending_return->error_message();
        m_pending_return.reset();
        set_variable(s.symbol, Value::string(std::move(message)));
        execute_block(s.catch_body);
    }
}

} // namespace wexlin
