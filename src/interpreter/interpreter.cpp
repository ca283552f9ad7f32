#include "interpreter/interpreter.h"

#include <cstdlib>
#include <cstring>

#include "interpreter/errors.h"

namespace wexlin {

bool extra_debug = false;
bool general_routines_only = false;

void read_general_routines_switch() {
    const char* value = std::getenv("WEXLIN_GENERAL_ONLY");
    general_routines_only = value != nullptr && std::strcmp(value, "1") == 0;
}

Value failure(std::string message) {
    report_error(message);
    return Value::error(std::move(message));
}

Interpreter::Interpreter() : m_graphics(std::make_unique<GraphicsState>()) {}

Interpreter::~Interpreter() = default;

void Interpreter::grow_slots(Symbol name) {
    m_slots.resize(symbol_count() > name ? symbol_count() : name + 1);
}

Value Interpreter::get_variable(Symbol name) {
    if (const Value* v = find_binding(name)) return *v;
    return Value::null();
}

bool Interpreter::is_bound(Symbol name) {
    return find_binding(name) != nullptr;
}

void Interpreter::bind_global(Slot& s, Symbol name, Value&& value) {
    if (!s.global_bound) {
        s.global_bound = true;
        m_global_order.push_back(name);
    }
    s.global = std::move(value);
}

void Interpreter::declare_global(Symbol name) {
    slot(name).declared_global = true;
}

std::vector<std::pair<std::string, Value>> Interpreter::globals() const {
    std::vector<std::pair<std::string, Value>> out;
    out.reserve(m_global_order.size());
    for (Symbol name : m_global_order)
        out.emplace_back(symbol_name(name), m_slots[name].global);
    return out;
}

} // namespace wexlin
