#include "modules/http/route_table.h"

namespace wexlin::http {

RouteTable& RouteTable::the() {
    static RouteTable table;
    return table;
}

void RouteTable::add(std::string path, std::string content) {
    std::lock_guard lock(m_mutex);
    m_routes.push_back(Route{std::move(path), std::move(content)});
}

const std::string* RouteTable::find_locked(std::string_view path) const {
    for (const auto& route : m_routes)
        if (route.path == path) return &route.content;
    return nullptr;
}

} // namespace wexlin::http
