// The call dispatch: module functions, builtins, function values; and the
// call of a user function with its own scope.
#include <new>

#include "interpreter/builtins/builtins.h"
#include "interpreter/errors.h"
#include "interpreter/module_entry.h"
#include "interpreter/nodes.h"
#include "support/console.h"
#include "support/stack_guard.h"

namespace wexlin {

// The -D call traces, one routine per point of a call, shared by the general
// dispatch and every fast path that makes a call, so that turning the traces
// on adds lines and never changes which path runs.
namespace {

[[gnu::cold, gnu::noinline]] void trace_call_start(const Node& call) {
    console::debug_call_line("Calling function: " + call.text);
}

[[gnu::cold, gnu::noinline]] void trace_builtin_ran(const Node& call) {
    console::debug_call_line(call.text + " is a builtin");
}

// A plain name that is not a builtin, looked up and found holding `callee`.
[[gnu::cold, gnu::noinline]] void trace_function_found(const Node& call, const Value& callee) {
    const std::string& name = call.text;
    console::debug_call_line(name + " is not a builtin, looking for user function");
    console::debug_call_line("get_variable(" + name + ") returned: " + callee.debug_form());
    if (callee.is_function())
        console::debug_call_line("Found function with " +
                                 std::to_string(callee.as_function()->param_symbols.size()) +
                                 " params, calling");
}

} // namespace

int resolved_builtin(const Node& call) {
    return call.call.builtin;
}

// x = push(x, v) and s = s + t: the old value is moved out of its variable
// before the new one is built, so when nothing else shares it the storage
// grows in place and a loop of such statements is linear, not quadratic.
// The other operands are evaluated first; they make no calls, so they cannot
// tell that the variable was emptied.
bool Interpreter::try_update_in_place(const Step& s, bool push_form) {
    const Value* current = updatable_binding(s.symbol);
    if (!current) return false;
    // Only a string gains from growing in place; numbers take the arithmetic
    // fast path. A variable holding an Error makes the whole right-hand side
    // that Error before anything else is evaluated; the general path says so.
    if (push_form ? current->is_error() : !current->is_string()) return false;
    const Node& e = *s.expr;
    Value result;
    if (push_form) {
        if (extra_debug) [[unlikely]]
            trace_call_start(e);
        std::vector<Value> args = borrow_argument_list();
        args.resize(e.items.size());
        for (std::size_t i = 1; i < e.items.size(); ++i) {
            args[i] = evaluate(*e.items[i]);
            if (args[i].is_error()) {
                result = std::move(args[i]);
                break;
            }
        }
        if (!result.is_error()) {
            args[0] = take_binding(s.symbol);
            result = builtin_table()[static_cast<std::size_t>(e.call.builtin)].routine(args, graphics());
            if (extra_debug) [[unlikely]]
                trace_builtin_ran(e);
        }
        return_argument_list(std::move(args));
    } else {
        Value right = evaluate(*e.right);
        if (right.is_error()) {
            result = std::move(right);
        } else {
            Value left = take_binding(s.symbol);
            result = apply_binary(e.op, left, right);
        }
    }
    if (result.is_error()) report_update_error(s, result);
    set_variable(s.symbol, std::move(result));
    return true;
}

void Interpreter::report_update_error(const Step& s, const Value& error) {
    report_in_context(binding_context(s), s.name, error);
}

// The commonest update, x = push(x, v) on an array: v goes straight onto the
// variable's own array, as the builtin would put it there.
bool Interpreter::append_in_place(const Step& s) {
    const Node& e = *s.expr;
    if (e.items.size() != 2) return false;
    Value* array = updatable_binding(s.symbol);
    if (!array || !array->is_array()) return false;
    if (extra_debug) [[unlikely]]
        trace_call_start(e);
    // The value makes no calls, so the binding stays where it is.
    Value item = evaluate(*e.items[1]);
    if (item.is_error()) [[unlikely]] {
        report_update_error(s, item);
        set_variable(s.symbol, std::move(item));
        return true;
    }
    array->array_mut().push_back(std::move(item));
    if (extra_debug) [[unlikely]]
        trace_builtin_ran(e);
    return true;
}

[[gnu::always_inline]] inline void Interpreter::unwind_bindings(std::size_t start) {
    // Innermost first, so that a name bound twice ends as it was before.
    Binding* first = m_bindings.data() + start;
    for (Binding* b = m_bindings.data() + m_bindings.size(); b != first;) {
        --b;
        m_slots[b->symbol].top = b->previous;
    }
    m_bindings.erase(m_bindings.begin() + static_cast<std::ptrdiff_t>(start), m_bindings.end());
}

[[gnu::always_inline]] inline void Interpreter::enter_frame(std::size_t start, bool repeated_names) {
    ++m_depth;
    std::size_t end = m_bindings.size();
    for (std::size_t i = start; i < end; ++i) {
        Binding& b = m_bindings[i];
        Slot& s = slot(b.symbol);
        // Restoring `previous` on the way out must leave the name as it is
        // now, whether or not this binding is the one linked in.
        b.previous = s.top;
        if (s.declared_global) [[unlikely]] {
            bind_global(s, b.symbol, std::move(b.value));
            continue;
        }
        if (repeated_names && s.top && m_bindings[s.top - 1].depth == m_depth) [[unlikely]] {
            // The same name twice among the parameters: the later one wins.
            m_bindings[s.top - 1].value = std::move(b.value);
            continue;
        }
        s.top = static_cast<std::uint32_t>(i + 1);
    }
}

[[gnu::always_inline]] inline Value Interpreter::run_frame(const CompiledFunction& function,
                                                           std::size_t start) {
    // The body's statements run from here rather than through execute_block:
    // one native frame fewer per call of the script, which matters to deep
    // recursion (the processor predicts returns only a few frames deep).
    for (const auto& s : function.body) {
        run_statement(s);
        if (m_signals) break;
    }
    Value result;
    if (m_signals & ReturnSignal) result = take_return();
    unwind_bindings(start);
    --m_depth;
    return result;
}

// Arguments are evaluated straight into bindings of the callee's frame, not
// yet visible to any lookup (a call made while evaluating a later argument
// pushes its own bindings above them and removes them again); once all are
// there and the callee is still the function found, they are linked in.
// Anything unusual (a name not bound to a function, a count that does not
// match) takes the general path with the values already computed.
Value Interpreter::call_user_function(const Node& call) {
    const Value* bound = find_binding(call.call.symbol);
    if (!bound || !bound->is_function()) [[unlikely]]
        return dispatch_call(call);
    const CompiledFunction* expected = bound->as_function().get();
    std::size_t count = call.items.size();
    if (expected->param_symbols.size() != count) [[unlikely]]
        return dispatch_call(call);
    if (extra_debug) [[unlikely]]
        trace_call_start(call);
    std::size_t start = m_bindings.size();
    try {
        for (std::size_t i = 0; i < count; ++i) {
            // A variable passed on, the commonest argument, is copied from
            // its binding without a trip through the evaluator.
            const Node& item = *call.items[i];
            if (item.kind == ExprKind::Identifier) {
                if (const Value* v = find_binding(item.symbol); v && !v->is_error()) {
                    m_bindings.emplace_back(Value(*v), expected->param_symbols[i], m_depth + 1, 0);
                    continue;
                }
            }
            Value v = evaluate(item);
            if (v.is_error()) [[unlikely]] {
                m_bindings.erase(m_bindings.begin() + static_cast<std::ptrdiff_t>(start), m_bindings.end());
                return v;
            }
            m_bindings.emplace_back(std::move(v), expected->param_symbols[i], m_depth + 1, 0);
        }
    } catch (...) {
        m_bindings.erase(m_bindings.begin() + static_cast<std::ptrdiff_t>(start), m_bindings.end());
        throw;
    }
    // The arguments may have rebound the name; look it up again, and keep
    // the function value alive while its body runs.
    const Value* now = find_binding(call.call.symbol);
    if (!now || !now->is_function() || now->as_function().get() != expected) [[unlikely]] {
        std::vector<Value> list = borrow_argument_list();
        for (std::size_t i = start; i < m_bindings.size(); ++i)
            list.push_back(std::move(m_bindings[i].value));
        m_bindings.erase(m_bindings.begin() + static_cast<std::ptrdiff_t>(start), m_bindings.end());
        Value result = call_named_value(call, list);
        return_argument_list(std::move(list));
        return result;
    }
    Value callee = *now;
    if (extra_debug) [[unlikely]]
        trace_function_found(call, callee);
    if (stack_exhausted()) [[unlikely]] {
        m_bindings.erase(m_bindings.begin() + static_cast<std::ptrdiff_t>(start), m_bindings.end());
        return failure("Maximum recursion depth exceeded");
    }
    enter_frame(start, expected->repeated_params);
    return run_frame(*expected, start);
}

namespace {

Value call_user_function(Interpreter& in, const Node& call) {
    return in.call_user_function(call);
}

// A builtin: the name always means the builtin, whatever variables exist.
Value call_builtin(Interpreter& in, const Node& call) {
    if (extra_debug) [[unlikely]]
        trace_call_start(call);
    std::vector<Value> args = in.borrow_argument_list();
    Value result;
    for (const auto& arg : call.items) {
        Value v = in.evaluate(*arg);
        if (v.is_error()) {
            result = std::move(v);
            break;
        }
        args.push_back(std::move(v));
    }
    if (!result.is_error()) {
        result = builtin_table()[static_cast<std::size_t>(call.call.builtin)].routine(args, in.graphics());
        if (extra_debug) [[unlikely]]
            trace_builtin_ran(call);
    }
    in.return_argument_list(std::move(args));
    return result;
}

Value call_general(Interpreter& in, const Node& call) {
    return in.dispatch_call(call);
}

} // namespace

ExpressionHandler choose_call_handler(const Node& call) {
    if (call.call.dotted) return call_general;
    if (resolved_builtin(call) >= 0) return call_builtin;
    return call_user_function;
}

Value Interpreter::dispatch_call(const Node& call) {
    if (extra_debug) trace_call_start(call);
    std::vector<Value> args = borrow_argument_list();
    Value result = dispatch_with(call, args);
    return_argument_list(std::move(args));
    return result;
}

std::vector<Value> Interpreter::borrow_argument_list() {
    if (m_arg_pool.empty()) return {};
    std::vector<Value> args = std::move(m_arg_pool.back());
    m_arg_pool.pop_back();
    return args;
}

void Interpreter::return_argument_list(std::vector<Value> args) {
    args.clear();
    m_arg_pool.push_back(std::move(args));
}

Value Interpreter::dispatch_with(const Node& call, std::vector<Value>& args) {
    for (const auto& arg : call.items) {
        Value v = evaluate(*arg);
        if (v.is_error()) return v;
        args.push_back(std::move(v));
    }
    if (call.call.dotted) return call_module_function(call, args);
    int builtin = resolved_builtin(call);
    if (builtin >= 0) {
        Value result = builtin_table()[static_cast<std::size_t>(builtin)].routine(args, graphics());
        if (extra_debug) trace_builtin_ran(call);
        return result;
    }
    return call_named_value(call, args);
}

Value Interpreter::call_module_function(const Node& call, std::vector<Value>& args) {
    const std::string& module = call.call.module;
    const std::string& function = call.call.function;
    auto found = m_modules.find(call.call.symbol);
    if (found == m_modules.end())
        return failure("Module '" + module + "' is not imported. Use 'use " + module + ";' to import it");
    if (call.call.native_module >= 0) {
        const NativeModule& native = native_modules()[static_cast<std::size_t>(call.call.native_module)];
        if (call.call.native_function < 0)
            return failure(std::string(native.title) + " module has no function '" + function + "'");
        return native.functions[static_cast<std::size_t>(call.call.native_function)].run(args, &graphics());
    }
    const Value* exported = found->second.find(function);
    if (!exported || !exported->is_function())
        return failure("Module '" + module + "' has no function '" + function + "'");
    Value callee = *exported; // keeps the body alive while it runs
    return call_function(*callee.as_function(), args);
}

Value Interpreter::call_named_value(const Node& call, std::vector<Value>& args) {
    const std::string& name = call.text;
    Value callee = get_variable(call.call.symbol);
    if (extra_debug) trace_function_found(call, callee);
    if (callee.is_function()) {
        const CompiledFunction& function = *callee.as_function();
        if (function.param_symbols.size() != args.size())
            return failure("Function '" + name + "' expects " +
                           std::to_string(function.param_symbols.size()) + " arguments but got " +
                           std::to_string(args.size()));
        return call_function(function, args);
    }
    if (callee.is_builtin_function()) return call_builtin_function_value(callee.builtin_name(), args);
    return failure("Function '" + name + "' does not exist");
}

Value Interpreter::call_builtin_function_value(const std::string& name, std::vector<Value>& args) {
    if (const NativeFunction* function = native_function(name)) return function->run(args, &graphics());
    return failure("Function '" + name + "' does not exist");
}

Value Interpreter::call_function(const CompiledFunction& function, std::vector<Value>& args) {
    return call_function(function, args.data(), args.size());
}

Value Interpreter::call_function(const CompiledFunction& function, Value* args, std::size_t count) {
    if (stack_exhausted()) return failure("Maximum recursion depth exceeded");
    std::size_t start = m_bindings.size();
    std::size_t bound = std::min(function.param_symbols.size(), count);
    try {
        for (std::size_t i = 0; i < bound; ++i)
            m_bindings.emplace_back(std::move(args[i]), function.param_symbols[i], m_depth + 1, 0);
    } catch (...) {
        // Out of memory while binding: the caller's statement reports it,
        // and the bindings must be as they were.
        m_bindings.erase(m_bindings.begin() + static_cast<std::ptrdiff_t>(start), m_bindings.end());
        throw;
    }
    enter_frame(start, function.repeated_params);
    return run_frame(function, start);
}

} // namespace wexlin
