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
#include "interpreter/value.h"
#include "parser/ast.h"

namespace wexlin {

// The process-wide switch for DEBUG and DEBUG CALL trace lines (-D).
extern bool extra_debug;

using ExportTable = Dict;

struct NumericOperand {
    bool is_float{false};
    std::int64_t i{0};
    double f{0.0};
};

class Interpreter {
  public:
    Interpreter();
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Variables.
    Value get_variable(Symbol name);
    bool is_bound(Symbol name);
    void set_variable(Symbol name, Value value);
    void declare_global(Symbol name);
    void push_scope();
    void pop_scope();

    // Evaluation and execution.
    Value evaluate(const Expression& expression);
    // Runs one statement; running out of memory or past a size limit inside
    // it ends the statement with an error line, never the process.
    void execute(const Statement& statement);
    // Evaluates with the same guard: such a failure gives an Error value.
    Value evaluate_guarded(const Expression& expression);
    void execute_block(const StatementList& statements);
    Value call_function(const FunctionDecl& function, std::vector<Value>& args);
    Value call_function(const FunctionDecl& function, Value* args, std::size_t count);

    // Control-flow signals.
    std::optional<Value>& pending_return() { return m_pending_return; }
    bool break_flag() const { return m_break; }
    bool continue_flag() const { return m_continue; }
    bool interrupted() const { return m_pending_return || m_break || m_continue; }

    GraphicsState& graphics() { return *m_graphics; }

    // Globals in the order they were first bound (module exports use it).
    std::vector<std::pair<std::string, Value>> globals() const;

  private:
    struct Binding {
        Value value;
        Symbol symbol;
        std::uint32_t depth;    // the call frame that made it
        std::uint32_t previous; // the binding of this name it hides (index + 1), 0 none
    };
    struct Slot {
        Value global;
        std::uint32_t top{0}; // innermost local binding (index + 1), 0 none
        bool global_bound{false};
        bool declared_global{false};
    };

    Slot& slot(Symbol name) {
        if (name >= m_slots.size()) [[unlikely]]
            grow_slots(name);
        return m_slots[name];
    }
    void grow_slots(Symbol name);
    void bind_global(Slot& s, Symbol name, Value value);

    // evaluator.cpp
    Value evaluate_binary(const Expression& e);
    bool read_numeric(const Expression& e, NumericOperand& out);
    [[gnu::noinline]] Value evaluate_unary(const Expression& e);
    [[gnu::noinline]] Value evaluate_index(const Expression& e);
    [[gnu::noinline]] Value evaluate_range(const Expression& e);
    Value evaluate_identifier(const Expression& e);
    [[gnu::noinline]] Value evaluate_string(const Expression& e);
    [[gnu::noinline]] Value evaluate_array(const Expression& e);
    [[gnu::noinline]] Value evaluate_dict(const Expression& e);

    // executor.cpp
    void execute_statement(const Statement& s);
    void abandon_statement(const Statement& s, const char* message);
    void execute_assignment(const Statement& s);
    void execute_compound_assign(const Statement& s);
    void execute_while(const Statement& s);
    void execute_for(const Statement& s);
    void execute_for_range(const Statement& s);
    void run_loop_body(const Statement& s, bool& stop);
    void execute_match(const Statement& s);
    void execute_try(const Statement& s);

    // calls.cpp
    Value dispatch_call(const Expression& call);
    Value dispatch_with(const Expression& call, std::vector<Value>& args);
    bool try_direct_call(const Expression& call, Value& result);
    std::vector<Value> borrow_argument_list();
    void return_argument_list(std::vector<Value> args);
    Value call_module_function(const Expression& call, std::vector<Value>& args);
    Value call_named_value(const Expression& call, std::vector<Value>& args);
    Value call_builtin_function_value(const std::string& name, std::vector<Value>& args);
    // Moves the variable's value out when the statement is about to replace
    // it with a result computed from it, so the builtin can reuse the storage.
    bool binding_is_updatable(Symbol name);
    Value take_binding(Symbol name);
    bool try_update_in_place(const Statement& s);

    // module_loader.cpp
    void execute_use(const Statement& s);
    std::optional<ExportTable> load_module(const std::string& name);

    std::vector<Slot> m_slots;
    std::vector<Binding> m_bindings;           // every live local binding, oldest first
    std::vector<std::uint32_t> m_frame_starts; // where each active call frame's bindings begin
    std::uint32_t m_depth{0};                  // number of active call frames
    std::vector<Symbol> m_global_order;

    std::unordered_map<Symbol, ExportTable> m_modules; // stored name -> exports
    std::unordered_map<std::string, ExportTable> m_module_cache;

    // Argument lists are reused from call to call instead of allocated anew.
    std::vector<std::vector<Value>> m_arg_pool;

    std::unique_ptr<GraphicsState> m_graphics;
    std::optional<Value> m_pending_return;
    bool m_break{false};
    bool m_continue{false};
};

// Writes an error line and gives the Error value with the same message.
Value failure(std::string message);

} // namespace wexlin
