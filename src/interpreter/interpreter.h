// The interpreter: run-time state of one running program and the tree walker
// over statements and expressions.
//
// Scoping is dynamic: a function body sees its own variables, then those of
// every active caller, then the globals. Instead of a stack of hash tables
// probed from the innermost outward, each symbol points at its innermost live
// local binding ("shallow binding"), so a lookup is O(1) whatever the call
// depth. Local bindings live in one stack in the order they were made, each
// remembering the binding of the same name it hides; ending a call pops its
// bindings and restores what they hid.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "interpreter/graphics_ops/graphics_state.h"
#include "interpreter/program.h"
#include "interpreter/value.h"

namespace wexlin {

// The process-wide switch for DEBUG and DEBUG CALL trace lines (-D).
extern bool extra_debug;

// A developers' switch: every node runs through the general routine of its
// kind and no specialised handler is ever chosen. Set from the environment
// (WEXLIN_GENERAL_ONLY=1) once at start, before any script runs; the test
// that compares the two ways sets it itself.
extern bool general_routines_only;
void read_general_routines_switch();

using ExportTable = Dict;

class Interpreter {
  public:
    Interpreter();
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Variables.
    Value get_variable(Symbol name);
    bool is_bound(Symbol name);
    // Binds in the current call frame (or the globals at top level or after
    // a `global` declaration of the name).
    void set_variable(Symbol name, Value value) {
        Slot& s = slot(name);
        if (s.declared_global || m_depth == 0) [[unlikely]] {
            if (s.global_bound)
                s.global = std::move(value);
            else
                bind_global(s, name, std::move(value));
            return;
        }
        if (s.top && m_bindings[s.top - 1].depth == m_depth) {
            m_bindings[s.top - 1].value = std::move(value);
            return;
        }
        m_bindings.emplace_back(std::move(value), name, m_depth, s.top);
        s.top = static_cast<std::uint32_t>(m_bindings.size());
    }
    void declare_global(Symbol name);
    // The binding a read of the name finds, or null when it is unbound.
    // Reading never grows the tables (a name past their end was never
    // bound), so a pointer to a binding stays good while expressions without
    // calls are evaluated.
    [[gnu::always_inline]] Value* find_binding(Symbol name) {
        if (name >= m_slots.size()) [[unlikely]]
            return nullptr;
        Slot& s = m_slots[name];
        if (s.top) return &m_bindings[s.top - 1].value;
        if (s.global_bound) return &s.global;
        return nullptr;
    }
    // The binding a read of the name finds when it is also the binding a
    // write of the name replaces (a `global` declaration can send the write
    // elsewhere); else null.
    Value* updatable_binding(Symbol name) {
        if (name >= m_slots.size()) [[unlikely]]
            return nullptr;
        Slot& s = m_slots[name];
        if (s.declared_global || m_depth == 0) return !s.top && s.global_bound ? &s.global : nullptr;
        return s.top && m_bindings[s.top - 1].depth == m_depth ? &m_bindings[s.top - 1].value : nullptr;
    }

    // Evaluation and execution. Each node runs through the handler that
    // compile chose for its shape (nodes.h).
    Value evaluate(const Node& expression) { return expression.handler(*this, expression); }
    // Runs one statement; running out of memory or past a size limit inside
    // it ends the statement with an error line, never the process.
    void execute(const Step& statement);
    // Evaluates with the same guard: such a failure gives an Error value.
    Value evaluate_guarded(const Node& expression);
    void execute_block(const StepList& statements);
    Value call_function(const CompiledFunction& function, std::vector<Value>& args);
    Value call_function(const CompiledFunction& function, Value* args, std::size_t count);
    // A plain call of a user function by name (the commonest call of all).
    Value call_user_function(const Node& call);

    // Control-flow signals: a pending return (with its value), break and
    // continue travel outward through blocks until something takes them.
    enum Signal : std::uint8_t { ReturnSignal = 1, BreakSignal = 2, ContinueSignal = 4 };
    bool interrupted() const { return m_signals != 0; }
    bool has_pending_return() const { return m_signals & ReturnSignal; }
    bool break_flag() const { return m_signals & BreakSignal; }
    bool continue_flag() const { return m_signals & ContinueSignal; }
    void set_return(Value value) {
        m_return_value = std::move(value);
        m_signals |= ReturnSignal;
    }
    Value take_return() {
        m_signals &= static_cast<std::uint8_t>(~ReturnSignal);
        return std::move(m_return_value);
    }
    const Value& pending_return_value() const { return m_return_value; }
    void raise_signal(Signal signal) { m_signals |= signal; }
    void clear_signal(Signal signal) { m_signals &= static_cast<std::uint8_t>(~signal); }

    GraphicsState& graphics() { return *m_graphics; }

    // Globals in the order they were first bound (module exports use it).
    std::vector<std::pair<std::string, Value>> globals() const;

    // The general routines behind the specialised handlers: every case of a
    // node kind, with all its messages.
    Value evaluate_binary(const Node& e);
    Value evaluate_unary(const Node& e);
    Value evaluate_index(const Node& e);
    Value evaluate_range(const Node& e);
    Value evaluate_identifier(const Node& e);
    Value evaluate_array(const Node& e);
    Value evaluate_dict(const Node& e);
    Value dispatch_call(const Node& call);
    void execute_assignment(const Step& s);
    void execute_compound_assign(const Step& s);
    void execute_for(const Step& s);
    // The for loop over the evaluated iterable, a range built as an array.
    void execute_for_iterable(const Step& s);
    void execute_match(const Step& s);
    void execute_try(const Step& s);
    void execute_use(const Step& s);
    // x = push(x, ...) and s = s + ...: false when the general path must run.
    bool try_update_in_place(const Step& s, bool push_form);
    bool append_in_place(const Step& s);
    void report_update_error(const Step& s, const Value& error);
    // Moves the variable's value out when the statement is about to replace
    // it with a result computed from it, so the builtin can reuse the storage.
    Value take_binding(Symbol name) {
        Slot& s = slot(name);
        return std::move(s.top ? m_bindings[s.top - 1].value : s.global);
    }
    std::vector<Value> borrow_argument_list();
    void return_argument_list(std::vector<Value> args);
    Value call_named_value(const Node& call, std::vector<Value>& args);

  private:
    struct Binding {
        Binding(Value&& v, Symbol name, std::uint32_t frame, std::uint32_t hidden)
            : value(std::move(v)), symbol(name), depth(frame), previous(hidden) {}
        Value value;
        Symbol symbol;
        std::uint32_t depth;    // the call frame that made it
        std::uint32_t previous; // the binding of this name it hides (index + 1), 0 none
    };
    // 32 bytes, so that indexing the table is a shift.
    struct alignas(32) Slot {
        Value global;
        std::uint32_t top{0}; // innermost local binding (index + 1), 0 none
        bool global_bound{false};
        bool declared_global{false};
    };

    [[gnu::always_inline]] Slot& slot(Symbol name) {
        if (name >= m_slots.size()) [[unlikely]]
            grow_slots(name);
        return m_slots[name];
    }
    void grow_slots(Symbol name);
    void bind_global(Slot& s, Symbol name, Value&& value);

    void run_statement(const Step& s);
    void abandon_statement(const Step& s, const char* message);
    // Ends the current call frame: its bindings go, and what they hid returns.
    void unwind_bindings(std::size_t start);
    // Links bindings made (unlinked) from `start` on into a new call frame;
    // repeated_names: a name may come twice, and the later one wins.
    void enter_frame(std::size_t start, bool repeated_names);
    // Runs a function body in the frame entered above and ends the frame.
    Value run_frame(const CompiledFunction& function, std::size_t start);
    void execute_for_range(const Step& s);
    void run_loop_body(const Step& s, bool& stop);

    // calls.cpp
    Value dispatch_with(const Node& call, std::vector<Value>& args);
    Value call_module_function(const Node& call, std::vector<Value>& args);
    Value call_builtin_function_value(const std::string& name, std::vector<Value>& args);

    // module_loader.cpp
    std::optional<ExportTable> load_module(const std::string& name);

    std::vector<Slot> m_slots;
    std::vector<Binding> m_bindings; // every live local binding, oldest first
    std::uint32_t m_depth{0};        // number of active call frames
    std::vector<Symbol> m_global_order;

    std::unordered_map<Symbol, ExportTable> m_modules; // stored name -> exports
    std::unordered_map<std::string, ExportTable> m_module_cache;

    // Argument lists are reused from call to call instead of allocated anew.
    std::vector<std::vector<Value>> m_arg_pool;

    std::unique_ptr<GraphicsState> m_graphics;
    Value m_return_value;
    std::uint8_t m_signals{0};
};

// Writes an error line and gives the Error value with the same message.
Value failure(std::string message);

} // namespace wexlin
