#include "interpreter/interpreter.h"

#include "support/console.h"

namespace wexlin {

bool extra_debug = false;

Value failure(std::string message) {
    console::error_line(message);
    return Value::error(std::move(message));
}

Interpreter::Interpreter() : m_graphics(std::make_unique<GraphicsState>()) {}

Interpreter::~Interpreter() = default;

void Interpreter::grow_slots(Symbol name) {
    m_slots.resize(symbol_count() > name ? symbol_count() : name + 1);
}

Value Interpreter::get_variable(Symbol name) {
    Slot& s = slot(name);
    if (!s.locals.empty()) return s.locals.back().value;
    if (s.global_bound) return s.global;
    return Value::null();
}

bool Interpreter::is_bound(Symbol name) {
    Slot& s = slot(name);
    return !s.locals.empty() || s.global_bound;
}

void Interpreter::bind_global(Slot& s, Symbol name, Value value) {
    if (!s.global_bound) {
        s.global_bound = true;
        m_global_order.push_back(name);
    }
    s.global = std::move(value);
}

void Interpreter::set_variable(Symbol name, Value value) {
    Slot& s = slot(name);
    if (s.declared_global || m_depth == 0) {
        bind_global(s, name, std::move(value));
        return;
    }
    if (!s.locals.empty() && s.locals.back().depth == m_depth) {
        s.locals.back().value = std::move(value);
        return;
    }
    s.locals.push_back(LocalBinding{m_depth, std::move(value)});
    m_frames[m_depth - 1].push_back(name);
}

void Interpreter::declare_global(Symbol name) {
    slot(name).declared_global = true;
}

void Interpreter::push_scope() {
    if (m_frames.size() <= m_depth) m_frames.emplace_back();
    m_frames[m_depth].clear();
    ++m_depth;
}

void Interpreter::pop_scope() {
    auto& frame = m_frames[m_depth - 1];
    for (Symbol name : frame)
        m_slots[name].locals.pop_back();
    frame.clear();
    --m_depth;
}

// Whether the binding a read of the name finds is the binding a write of the
// name replaces (a `global` declaration can send the write elsewhere).
bool Interpreter::binding_is_updatable(Symbol name) {
    Slot& s = slot(name);
    if (s.declared_global || m_depth == 0) return s.locals.empty() && s.global_bound;
    return !s.locals.empty() && s.locals.back().depth == m_depth;
}

Value Interpreter::take_binding(Symbol name) {
    Slot& s = slot(name);
    return std::move(s.locals.empty() ? s.global : s.locals.back().value);
}

std::vector<std::pair<std::string, Value>> Interpreter::globals() const {
    std::vector<std::pair<std::string, Value>> out;
    out.reserve(m_global_order.size());
    for (Symbol name : m_global_order)
        out.emplace_back(symbol_name(name), m_slots[name].global);
    return out;
}

} // namespace wexlin
