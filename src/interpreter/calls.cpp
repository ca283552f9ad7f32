// The call dispatch: module functions, builtins, function values; and the
// call of a user function with its own scope.
#include <new>

#include "interpreter/builtins/builtins.h"
#include "interpreter/interpreter.h"
#include "interpreter/module_entry.h"
#include "support/console.h"
#include "support/stack_guard.h"

namespace wexlin {

Value apply_binary(const Token& token, Value& left, Value& right);

namespace {

int resolved_builtin(const Expression& call) {
    if (call.call.builtin == -2) call.call.builtin = call.call.dotted ? -1 : builtin_index(call.text);
    return call.call.builtin;
}

// Whether evaluating the expression can run code that observes variables
// (a call) — without calls, an expression only reads.
bool is_pure(const Expression& e) {
    if (e.kind == ExprKind::Call) return false;
    if (e.left && !is_pure(*e.left)) return false;
    if (e.right && !is_pure(*e.right)) return false;
    for (const auto& item : e.items)
        if (!is_pure(*item)) return false;
    for (const auto& entry : e.entries)
        if (!is_pure(*entry.second)) return false;
    return true;
}

enum UpdateForm : std::int8_t { NoUpdate = 0, PushUpdate = 1, PlusUpdate = 2 };

std::int8_t classify_update(const Statement& s) {
    const Expression& e = *s.expr;
    auto is_self = [&](const ExprPtr& p) {
        return p && p->kind == ExprKind::Identifier && p->symbol == s.symbol;
    };
    if (e.kind == ExprKind::Call && !e.call.dotted && e.items.size() >= 2 && is_self(e.items[0]) &&
        resolved_builtin(e) == builtin_index("push")) {
        for (std::size_t i = 1; i < e.items.size(); ++i)
            if (!is_pure(*e.items[i])) return NoUpdate;
        return PushUpdate;
    }
    if (e.kind == ExprKind::BinaryOp && e.op.kind == TokenKind::Plus && is_self(e.left) && is_pure(*e.right))
        return PlusUpdate;
    return NoUpdate;
}

} // namespace

// x = push(x, v) and s = s + t: the old value is moved out of its variable
// before the new one is built, so when nothing else shares it the storage
// grows in place and a loop of such statements is linear, not quadratic.
// The other operands are evaluated first; they make no calls, so they cannot
// tell that the variable was emptied.
bool Interpreter::try_update_in_place(const Statement& s) {
    if (s.update_form < 0) s.update_form = classify_update(s);
    if (s.update_form == NoUpdate || extra_debug || !binding_is_updatable(s.symbol)) return false;
    // Only a string gains from growing in place; numbers take the arithmetic
    // fast path. A variable holding an Error makes the whole right-hand side
    // that Error before anything else is evaluated; the general path says so.
    const Slot& binding = slot(s.symbol);
    const Value& current = binding.top ? m_bindings[binding.top - 1].value : binding.global;
    if (s.update_form == PlusUpdate ? !current.is_string() : current.is_error()) return false;
    const Expression& e = *s.expr;
    Value result;
    if (s.update_form == PushUpdate) {
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
    if (result.is_error())
        console::error_line(
            (s.kind == StmtKind::Let ? "Error in let statement for '" : "Error in assignment to '") + s.name +
            "': " + result.error_message());
    set_variable(s.symbol, std::move(result));
    return true;
}

// A plain call of a user function, the commonest call of all: arguments are
// evaluated into a small array on the stack and moved straight into the new
// scope. Anything unusual (traces on, a builtin, many arguments, a callee
// that is not a function) takes the general path.
constexpr std::size_t direct_call_max_args = 8;

namespace {

// Arguments of a direct call on the stack, constructed only as far as used.
class ArgumentBuffer {
  public:
    ArgumentBuffer() = default;
    ArgumentBuffer(const ArgumentBuffer&) = delete;
    ArgumentBuffer& operator=(const ArgumentBuffer&) = delete;
    ~ArgumentBuffer() {
        for (std::size_t i = 0; i < m_count; ++i)
            data()[i].~Value();
    }
    Value* data() { return std::launder(reinterpret_cast<Value*>(m_storage)); }
    std::size_t size() const { return m_count; }
    void push(Value v) {
        new (m_storage + m_count * sizeof(Value)) Value(std::move(v));
        ++m_count;
    }

  private:
    alignas(Value) unsigned char m_storage[sizeof(Value) * direct_call_max_args];
    std::size_t m_count{0};
};

} // namespace

bool Interpreter::try_direct_call(const Expression& call, Value& result) {
    if (extra_debug || call.call.dotted || resolved_builtin(call) >= 0 ||
        call.items.size() > direct_call_max_args)
        return false;
    Slot& s = slot(call.call.symbol);
    const Value* bound = s.top ? &m_bindings[s.top - 1].value : s.global_bound ? &s.global : nullptr;
    if (!bound || !bound->is_function()) return false;
    ArgumentBuffer args;
    for (const auto& item : call.items) {
        Value v = evaluate(*item);
        if (v.is_error()) {
            result = std::move(v);
            return true;
        }
        args.push(std::move(v));
    }
    // The arguments may have rebound the name; look it up again, and keep
    // the function value alive while its body runs.
    Value callee = get_variable(call.call.symbol);
    if (!callee.is_function()) {
        std::vector<Value> list(std::make_move_iterator(args.data()),
                                std::make_move_iterator(args.data() + args.size()));
        result = call_named_value(call, list);
        return true;
    }
    const FunctionDecl& function = *callee.as_function();
    if (function.params.size() != args.size()) {
        result = failure("Function '" + call.text + "' expects " + std::to_string(function.params.size()) +
                         " arguments but got " + std::to_string(args.size()));
        return true;
    }
    result = call_function(function, args.data(), args.size());
    return true;
}

Value Interpreter::dispatch_call(const Expression& call) {
    Value direct;
    if (try_direct_call(call, direct)) return direct;
    if (extra_debug) console::debug_call_line("Calling function: " + call.text);
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

Value Interpreter::dispatch_with(const Expression& call, std::vector<Value>& args) {
    for (const auto& arg : call.items) {
        Value v = evaluate(*arg);
        if (v.is_error()) return v;
        args.push_back(std::move(v));
    }
    if (call.call.dotted) return call_module_function(call, args);
    int builtin = resolved_builtin(call);
    if (builtin >= 0) {
        Value result = builtin_table()[static_cast<std::size_t>(builtin)].routine(args, graphics());
        if (extra_debug) console::debug_call_line(call.text + " is a builtin");
        return result;
    }
    return call_named_value(call, args);
}

Value Interpreter::call_module_function(const Expression& call, std::vector<Value>& args) {
    const std::string& module = call.call.module;
    const std::string& function = call.call.function;
    auto found = m_modules.find(call.call.symbol);
    if (found == m_modules.end())
        return failure("Module '" + module + "' is not imported. Use 'use " + module + ";' to import it");
    if (module == "sdl2") {
        if (auto result = sdl2_call("sdl2." + function, args, graphics())) return std::move(*result);
        return failure("SDL2 module has no function '" + function + "'");
    }
    if (module == "http") {
        if (auto result = http_call("http." + function, args)) return std::move(*result);
        return failure("HTTP module has no function '" + function + "'");
    }
    if (module == "files") {
        if (auto result = files_call("files." + function, args)) return std::move(*result);
        return failure("Files module has no function '" + function + "'");
    }
    const Value* exported = found->second.find(function);
    if (!exported || !exported->is_function())
        return failure("Module '" + module + "' has no function '" + function + "'");
    Value callee = *exported; // keeps the body alive while it runs
    return call_function(*callee.as_function(), args);
}

Value Interpreter::call_named_value(const Expression& call, std::vector<Value>& args) {
    const std::string& name = call.text;
    if (extra_debug) console::debug_call_line(name + " is not a builtin, looking for user function");
    Value callee = get_variable(call.call.symbol);
    if (extra_debug) console::debug_call_line("get_variable(" + name + ") returned: " + callee.debug_form());
    if (callee.is_function()) {
        const FunctionDecl& function = *callee.as_function();
        if (extra_debug)
            console::debug_call_line("Found function with " + std::to_string(function.params.size()) +
                                     " params, calling");
        if (function.params.size() != args.size())
            return failure("Function '" + name + "' expects " + std::to_string(function.params.size()) +
                           " arguments but got " + std::to_string(args.size()));
        return call_function(function, args);
    }
    if (callee.is_builtin_function()) return call_builtin_function_value(callee.builtin_name(), args);
    return failure("Function '" + name + "' does not exist");
}

Value Interpreter::call_builtin_function_value(const std::string& name, std::vector<Value>& args) {
    if (auto result = sdl2_call(name, args, graphics())) return std::move(*result);
    if (auto result = http_call(name, args)) return std::move(*result);
    if (auto result = files_call(name, args)) return std::move(*result);
    return failure("Function '" + name + "' does not exist");
}

Value Interpreter::call_function(const FunctionDecl& function, std::vector<Value>& args) {
    return call_function(function, args.data(), args.size());
}

Value Interpreter::call_function(const FunctionDecl& function, Value* args, std::size_t count) {
    if (stack_exhausted()) return failure("Maximum recursion depth exceeded");
    push_scope();
    std::size_t bound = std::min(function.param_symbols.size(), count);
    try {
        for (std::size_t i = 0; i < bound; ++i)
            set_variable(function.param_symbols[i], std::move(args[i]));
    } catch (...) {
        // Out of memory while binding: the caller's statement reports it,
        // and the scope stack must be as it found it.
        pop_scope();
        throw;
    }
    execute_block(function.body);
    Value result;
    if (m_pending_return) {
        result = std::move(*m_pending_return);
        m_pending_return.reset();
    }
    pop_scope();
    return result;
}

} // namespace wexlin
