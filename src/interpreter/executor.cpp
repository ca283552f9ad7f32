// Statement execution: bindings, conditionals, loops, match, try, and the
// pending return, break and continue signals that travel through blocks.
#include <new>
#include <stdexcept>

#include "interpreter/builtins/builtins.h"
#include "interpreter/errors.h"
#include "interpreter/nodes.h"
#include "support/console.h"
#include "support/limits.h"

namespace wexlin {

namespace {

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

// A statement that runs out of memory, or would build a value past a size
// limit, ends like a statement that meets an Error: its error lines are
// written, a binding it was making receives the Error, and the script goes on
// with the next statement. Nested statements are guarded each on their own,
// so only the innermost one running is abandoned.
void Interpreter::execute(const Step& s) {
    run_statement(s);
}

void Interpreter::execute_block(const StepList& statements) {
    for (const auto& s : statements) {
        run_statement(s);
        if (m_signals) return;
    }
}

void Interpreter::abandon_statement(const Step& s, const char* message) {
    Value error = failure(message);
    switch (s.kind) {
    case StmtKind::Let: report_in_context(ErrorContext::Let, s.name, error); break;
    case StmtKind::Assign: report_in_context(ErrorContext::Assign, s.name, error); break;
    case StmtKind::CompoundAssign: report_in_context(ErrorContext::CompoundAssign, s.name, error); break;
    case StmtKind::If: report_in_context(ErrorContext::IfCondition, error); return;
    case StmtKind::While: report_in_context(ErrorContext::WhileCondition, error); return;
    case StmtKind::For: report_in_context(ErrorContext::ForIteration, error); return;
    case StmtKind::Match: report_in_context(ErrorContext::MatchExpression, error); return;
    case StmtKind::Expr: report_in_context(ErrorContext::Expression, error); return;
    case StmtKind::Return: set_return(std::move(error)); return;
    default: return;
    }
    set_variable(s.symbol, std::move(error));
}

// Value out of a top-level expression evaluated outside any statement (the
// declaration pass), with the same guard as a statement.
Value Interpreter::evaluate_guarded(const Node& expression) {
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

namespace {

[[gnu::noinline, gnu::cold]] void report_assignment_error(const Step& s, const Value& error) {
    report_in_context(binding_context(s), s.name, error);
}

} // namespace

void Interpreter::execute_assignment(const Step& s) {
    Value v = evaluate(*s.expr);
    if (v.is_error()) [[unlikely]]
        report_assignment_error(s, v);
    // Straight into the binding when it is the one the name reads.
    if (Value* binding = updatable_binding(s.symbol)) {
        *binding = std::move(v);
        return;
    }
    set_variable(s.symbol, std::move(v));
}

void Interpreter::execute_compound_assign(const Step& s) {
    Value current = get_variable(s.symbol);
    Value right = evaluate(*s.expr);
    if (right.is_error()) report_in_context(ErrorContext::CompoundAssign, s.name, right);
    set_variable(s.symbol, apply_binary(s.op, current, right));
}

// Runs one iteration's body; `stop` is set when the loop must end.
void Interpreter::run_loop_body(const Step& s, bool& stop) {
    execute_block(s.body);
    if (m_signals & (ReturnSignal | BreakSignal)) {
        stop = true;
        return;
    }
    clear_signal(ContinueSignal);
}

// for i in a..b: the range array cannot be reached by the script, so the
// numbers are produced one by one instead of built as an array first.
void Interpreter::execute_for_range(const Step& s) {
    const Node& range = *s.expr;
    Value start = evaluate(*range.left);
    Value end = evaluate(*range.right);
    std::int64_t a = 0;
    std::int64_t b = 0;
    Value error;
    if (!range_bounds(start, end, a, b, error)) {
        report_in_context(ErrorContext::ForIteration, error);
        return;
    }
    bool stop = false;
    for (std::int64_t i = a; i < b && !stop; ++i) {
        set_variable(s.symbol, Value::number(i));
        run_loop_body(s, stop);
    }
    clear_signal(BreakSignal);
}

void Interpreter::execute_for(const Step& s) {
    if (s.expr->kind == ExprKind::Range) {
        execute_for_range(s);
        return;
    }
    execute_for_iterable(s);
}

void Interpreter::execute_for_iterable(const Step& s) {
    Value iterable = evaluate(*s.expr);
    if (iterable.is_error()) {
        report_in_context(ErrorContext::ForIteration, iterable);
        return;
    }
    if (!iterable.is_array()) {
        report_error("Cannot iterate over " + std::string(iterable.type_name()) +
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
    clear_signal(BreakSignal);
}

void Interpreter::execute_match(const Step& s) {
    Value subject = evaluate(*s.expr);
    if (subject.is_error()) {
        report_in_context(ErrorContext::MatchExpression, subject);
        return;
    }
    for (const auto& arm : s.arms) {
        if (arm.wildcard) {
            execute_block(arm.body);
            return;
        }
        Value pattern = evaluate(*arm.pattern);
        if (pattern.is_error()) {
            report_in_context(ErrorContext::MatchPattern, pattern);
            continue;
        }
        if (match_equal(subject, pattern)) {
            execute_block(arm.body);
            return;
        }
    }
    if (extra_debug) console::debug_line("No match patterns matched in match statement");
}

void Interpreter::execute_try(const Step& s) {
    execute_block(s.body);
    if (has_pending_return() && pending_return_value().is_error()) {
        std::string message = take_return().error_message();
        set_variable(s.symbol, Value::string(std::move(message)));
        execute_block(s.catch_body);
    }
}

namespace {

// Whether evaluating the expression can run code that observes variables
// (a call) — without calls, an expression only reads.
bool is_pure(const Node& e) {
    if (e.kind == ExprKind::Call) return false;
    if (e.left && !is_pure(*e.left)) return false;
    if (e.right && !is_pure(*e.right)) return false;
    for (const auto& item : e.items)
        if (!is_pure(*item)) return false;
    for (const auto& entry : e.entries)
        if (!is_pure(*entry.second)) return false;
    return true;
}

bool is_variable(const NodePtr& e, Symbol symbol) {
    return e && e->kind == ExprKind::Identifier && e->symbol == symbol;
}

// x = push(x, ...) with the other arguments free of calls.
bool is_push_update(const Step& s) {
    const Node& e = *s.expr;
    if (e.kind != ExprKind::Call || e.call.dotted || e.items.size() < 2 ||
        !is_variable(e.items[0], s.symbol) || resolved_builtin(e) != builtin_index("push"))
        return false;
    for (std::size_t i = 1; i < e.items.size(); ++i)
        if (!is_pure(*e.items[i])) return false;
    return true;
}

// s = s + ... with the right operand free of calls.
bool is_plus_update(const Step& s) {
    const Node& e = *s.expr;
    return e.kind == ExprKind::BinaryOp && e.op.kind == TokenKind::Plus && is_variable(e.left, s.symbol) &&
           is_pure(*e.right);
}

void assign(Interpreter& in, const Step& s) {
    in.execute_assignment(s);
}

void push_update(Interpreter& in, const Step& s) {
    if (in.append_in_place(s)) return;
    if (!in.try_update_in_place(s, true)) in.execute_assignment(s);
}

// x = an arithmetic tree: the number is computed without making a value
// for each operator.
// The general ends of the fast assignments, kept out of line so that the
// fast code stays small.
[[gnu::noinline]] void assign_general(Interpreter& in, const Step& s) {
    in.execute_assignment(s);
}
[[gnu::noinline]] void store_general(Interpreter& in, const Step& s, Value v) {
    in.set_variable(s.symbol, std::move(v));
}
[[gnu::noinline]] void compound_general(Interpreter& in, const Step& s) {
    in.execute_compound_assign(s);
}

void assign_arithmetic(Interpreter& in, const Step& s) {
    const Node& e = *s.expr;
    NumericOperand result;
    if (!e.numeric(in, e, result)) [[unlikely]]
        return assign_general(in, s);
    Value v = result.is_float ? Value::floating(result.f) : Value::number(result.i);
    if (Value* binding = in.updatable_binding(s.symbol)) [[likely]]
        *binding = std::move(v);
    else
        store_general(in, s, std::move(v));
}

// Only a string gains from growing in place; numbers take the arithmetic
// fast path of the general assignment.
void plus_update(Interpreter& in, const Step& s) {
    const Value* current = in.find_binding(s.symbol);
    if (current && current->is_string() && in.try_update_in_place(s, false)) return;
    in.execute_assignment(s);
}

void plus_update_arithmetic(Interpreter& in, const Step& s) {
    const Value* current = in.find_binding(s.symbol);
    if (current && current->is_string() && in.try_update_in_place(s, false)) return;
    assign_arithmetic(in, s);
}

// x op= y with y a variable or a literal and x holding a number: computed
// and stored in place.
template <TokenKind Op, Shape R>
void compound_in_place(Interpreter& in, const Step& s) {
    NumericOperand current;
    NumericOperand right;
    Value result;
    Value* binding = in.updatable_binding(s.symbol);
    if (binding && numeric_operand(*binding, current) && read_operand<R>(in, *s.expr, right) &&
        fast_numeric<Op>(current, right, result)) [[likely]] {
        *binding = std::move(result);
        return;
    }
    compound_general(in, s);
}

// x op= <any expression> with x holding a number: the variable is read
// first (as the general rule does), then the expression runs.
// What the general rule does once the right side has been evaluated.
[[gnu::noinline]] void finish_compound(Interpreter& in, const Step& s, const NumericOperand& current,
                                       Value& right) {
    if (right.is_error()) report_in_context(ErrorContext::CompoundAssign, s.name, right);
    Value left = current.is_float ? Value::floating(current.f) : Value::number(current.i);
    in.set_variable(s.symbol, apply_binary(s.op, left, right));
}

template <TokenKind Op>
void compound_evaluated(Interpreter& in, const Step& s) {
    NumericOperand current{};
    const Value* binding = in.find_binding(s.symbol);
    if (!binding || !numeric_operand(*binding, current)) [[unlikely]]
        return compound_general(in, s);
    Value right = in.evaluate(*s.expr);
    NumericOperand r{};
    Value result;
    if (numeric_operand(right, r) && fast_numeric<Op>(current, r, result)) [[likely]] {
        // Looked up again: the expression may have made calls.
        if (Value* target = in.updatable_binding(s.symbol)) [[likely]]
            *target = std::move(result);
        else
            store_general(in, s, std::move(result));
        return;
    }
    finish_compound(in, s, current, right);
}

void compound(Interpreter& in, const Step& s) {
    in.execute_compound_assign(s);
}

template <TokenKind Op>
struct InPlaceConstant {
    static void run(Interpreter& in, const Step& s) { compound_in_place<Op, Shape::Constant>(in, s); }
};
template <TokenKind Op>
struct InPlaceVariable {
    static void run(Interpreter& in, const Step& s) { compound_in_place<Op, Shape::Variable>(in, s); }
};
template <TokenKind Op>
struct Evaluated {
    static void run(Interpreter& in, const Step& s) { compound_evaluated<Op>(in, s); }
};

template <template <TokenKind> class Handler>
StatementHandler compound_for(TokenKind op) {
    StatementHandler chosen = nullptr;
    with_operator<has_compound_assignment>(op, [&]<TokenKind Op>() { chosen = Handler<Op>::run; });
    if (!chosen) unreachable("a compound assignment of no known operator");
    return chosen;
}

StatementHandler choose_compound(const Step& s) {
    switch (s.expr->kind) {
    case ExprKind::Number:
    case ExprKind::Float: return compound_for<InPlaceConstant>(s.op.kind);
    case ExprKind::Identifier: return compound_for<InPlaceVariable>(s.op.kind);
    default: return compound_for<Evaluated>(s.op.kind);
    }
}

void if_statement(Interpreter& in, const Step& s) {
    Value condition = in.evaluate(*s.expr);
    if (condition.is_error()) [[unlikely]] {
        report_in_context(ErrorContext::IfCondition, condition);
        return;
    }
    if (truthy(condition))
        in.execute_block(s.body);
    else if (s.else_body)
        in.execute_block(*s.else_body);
}

template <TokenKind Op, Shape L, Shape R>
[[gnu::always_inline]] inline int comparison_condition(Interpreter& in, const Node& e) {
    return compare_in_place<Op, L, R>(in, e);
}

// Both sides are always computed, as `and` and `or` evaluate both operands.
template <TokenKind Op>
int logical_condition(Interpreter& in, const Node& e) {
    int a = e.left->condition(in, *e.left);
    if (a < 0) return -1;
    int b = e.right->condition(in, *e.right);
    if (b < 0) return -1;
    if constexpr (Op == TokenKind::And)
        return a && b;
    else
        return a || b;
}

int stored_condition(Interpreter& in, const Node& e) {
    return e.condition(in, e);
}

// Any other condition: always evaluated by the general rules.
int undecided(Interpreter&, const Node&) {
    return -1;
}

using Decide = int (*)(Interpreter&, const Node&);

// if and while whose condition is decided without making a value for it
// (a comparison read in place, or such comparisons joined by and / or);
// values it does not cover go to the general rules.
template <Decide decide>
void if_decided(Interpreter& in, const Step& s) {
    int truth = decide(in, *s.expr);
    if (truth < 0) [[unlikely]] {
        if_statement(in, s);
        return;
    }
    if (truth)
        in.execute_block(s.body);
    else if (s.else_body)
        in.execute_block(*s.else_body);
}

template <Decide decide>
void while_decided(Interpreter& in, const Step& s) {
    while (true) {
        int truth = decide(in, *s.expr);
        if (truth < 0) [[unlikely]] {
            Value condition = in.evaluate(*s.expr);
            if (condition.is_error()) {
                report_in_context(ErrorContext::WhileCondition, condition);
                break;
            }
            truth = truthy(condition) ? 1 : 0;
        }
        if (!truth) break;
        in.execute_block(s.body);
        if (in.has_pending_return() || in.break_flag()) break;
        in.clear_signal(Interpreter::ContinueSignal);
    }
    in.clear_signal(Interpreter::BreakSignal);
}

} // namespace

ConditionHandler choose_condition_handler(const Node& e) {
    if (e.kind != ExprKind::BinaryOp) return nullptr;
    if (e.op.kind == TokenKind::And || e.op.kind == TokenKind::Or) {
        ConditionHandler left = choose_condition_handler(*e.left);
        ConditionHandler right = choose_condition_handler(*e.right);
        if (!left || !right) return nullptr;
        e.left->condition = left;
        e.right->condition = right;
        return e.op.kind == TokenKind::And ? logical_condition<TokenKind::And>
                                           : logical_condition<TokenKind::Or>;
    }
    ConditionHandler chosen = nullptr;
    with_simple_comparison(
        e, [&]<TokenKind Op, Shape L, Shape R>() { chosen = comparison_condition<Op, L, R>; });
    return chosen;
}

namespace {

bool is_logical(const Node& e) {
    return e.kind == ExprKind::BinaryOp && (e.op.kind == TokenKind::And || e.op.kind == TokenKind::Or);
}

// The if or while routine (`routine<decide>()`) for the way the statement's
// condition can be decided.
template <class Routine>
StatementHandler choose_decided(const Step& s, Routine routine) {
    if (is_logical(*s.expr) && (s.expr->condition = choose_condition_handler(*s.expr)))
        return routine.template operator()<stored_condition>();
    StatementHandler chosen = routine.template operator()<undecided>();
    with_simple_comparison(*s.expr, [&]<TokenKind Op, Shape L, Shape R>() {
        chosen = routine.template operator()<comparison_condition<Op, L, R>>();
    });
    return chosen;
}

StatementHandler choose_if(const Step& s) {
    return choose_decided(s, []<Decide decide>() -> StatementHandler { return if_decided<decide>; });
}

StatementHandler choose_while(const Step& s) {
    return choose_decided(s, []<Decide decide>() -> StatementHandler { return while_decided<decide>; });
}

void return_statement(Interpreter& in, const Step& s) {
    in.set_return(s.expr ? in.evaluate(*s.expr) : Value::null());
}

void expression_statement(Interpreter& in, const Step& s) {
    Value v = in.evaluate(*s.expr);
    if (v.is_error()) report_in_context(ErrorContext::Expression, v);
}

void function_statement(Interpreter& in, const Step& s) {
    in.set_variable(s.symbol, Value::function(s.function));
}
void for_statement(Interpreter& in, const Step& s) {
    in.execute_for(s);
}
void for_general(Interpreter& in, const Step& s) {
    in.execute_for_iterable(s);
}
void match_statement(Interpreter& in, const Step& s) {
    in.execute_match(s);
}
void try_statement(Interpreter& in, const Step& s) {
    in.execute_try(s);
}
void break_statement(Interpreter& in, const Step&) {
    in.raise_signal(Interpreter::BreakSignal);
}
void continue_statement(Interpreter& in, const Step&) {
    in.raise_signal(Interpreter::ContinueSignal);
}
void global_statement(Interpreter& in, const Step& s) {
    in.declare_global(s.symbol);
}
void use_statement(Interpreter& in, const Step& s) {
    in.execute_use(s);
}

} // namespace

namespace {

// The general routines alone (general_routines_only); null where the
// statement has no other.
StatementHandler choose_general_statement(const Step& s) {
    switch (s.kind) {
    case StmtKind::Let:
    case StmtKind::Assign: return assign;
    case StmtKind::CompoundAssign: return compound;
    case StmtKind::If: return if_statement;
    case StmtKind::While: return while_decided<undecided>;
    case StmtKind::For: return for_general;
    default: return nullptr;
    }
}

} // namespace

StatementHandler choose_statement_handler(const Step& s) {
    if (general_routines_only) [[unlikely]] {
        if (StatementHandler general = choose_general_statement(s)) return general;
    }
    switch (s.kind) {
    case StmtKind::Let:
    case StmtKind::Assign:
        if (is_push_update(s)) return push_update;
        if (s.expr->kind == ExprKind::BinaryOp && shape_of(*s.expr) == Shape::Tree)
            return is_plus_update(s) ? plus_update_arithmetic : assign_arithmetic;
        if (is_plus_update(s)) return plus_update;
        return assign;
    case StmtKind::CompoundAssign: return choose_compound(s);
    case StmtKind::If: return choose_if(s);
    case StmtKind::While: return choose_while(s);
    case StmtKind::Return: return return_statement;
    case StmtKind::Expr: return expression_statement;
    case StmtKind::Function: return function_statement;
    case StmtKind::For: return for_statement;
    case StmtKind::Match: return match_statement;
    case StmtKind::Try: return try_statement;
    case StmtKind::Break: return break_statement;
    case StmtKind::Continue: return continue_statement;
    case StmtKind::Global: return global_statement;
    case StmtKind::Use: return use_statement;
    }
    return expression_statement;
}

} // namespace wexlin
