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
    if (s.top) return m_bindings[s.top - 1].value;
    if (s.global_bound) return s.global;
    return Value::null();
}

bool Interpreter::is_bound(Symbol name) {
    Slot& s = slot(name);
    return s.top || s.global_bound;
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
    if (s.top && m_bindings[s.top - 1].depth == m_depth) {
        m_bindings[s.top - 1].value = std::move(value);
        return;
    }
    m_bindings.push_back(Binding{std::move(value), name, m_depth, s.top});
    s.top = static_cast<std::uint32_t>(m_bindings.size());
}

void Interpreter::declare_global(Symbol name) {
    slot(name).declared_global = true;
}

void Interpreter::push_scope() {
    m_frame_starts.push_back(static_cast<std::uint32_t>(m_bindings.size()));
    ++m_depth;
}

void Interpreter::pop_scope() {
    std::uint32_t start = m_frame_starts.back();
    m_frame_starts.pop_back();
    for (std::size_t i = m_bindings.size(); i > start; --i) {
        const Binding& b = m_bindings[i - 1];
        m_slots[b.symbol].top = b.previous;
    }
    m_bindings.resize(start);
    --m_depth;
}

// Whether the binding a read of the name finds is the binding a write of the
// name replaces (a `global` declaration can send the write elsewhere).
bool Interpreter::binding_is_updatable(Symbol name) {
    Slot& s = slot(name);
    if (s.declared_global || m_depth == 0) return !s.top && s.global_bound;
    return s.top && m_bindings[s.top - 1].depth == m_depth;
}

Value Interpreter::take_binding(Symbol name) {
    Slot& s = slot(name);
    return std::move(s.top ? m_bindings[s.top - 1].value : s.global);
}

std::vector<std::pair<std::string, Value>> Interpreter::globals() const {
    std::vector<std::pair<std::string, Value>> out;
    out.reserve(m_global_order.size());
    for (Symbol name : m_global_order)
        out.emplace_back(symbol_name(name), m_slots[name].global);
    return out;
}

} // namespace wexlin
