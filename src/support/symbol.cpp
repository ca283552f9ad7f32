#include "support/symbol.h"

#include <deque>
#include <unordered_map>

namespace wexlin {

namespace {
struct SymbolTable {
    // A deque keeps the strings at fixed addresses, so the map can key on views of them.
    std::deque<std::string> names;
    std::unordered_map<std::string_view, Symbol> ids;
};

SymbolTable& table() {
    static SymbolTable instance;
    return instance;
}
} // namespace

Symbol intern(std::string_view name) {
    auto& t = table();
    if (auto it = t.ids.find(name); it != t.ids.end()) return it->second;
    t.names.emplace_back(name);
    auto id = static_cast<Symbol>(t.names.size() - 1);
    t.ids.emplace(t.names.back(), id);
    return id;
}

const std::string& symbol_name(Symbol symbol) {
    return table().names[symbol];
}

std::size_t symbol_count() {
    return table().names.size();
}

} // namespace wexlin
