// The process-wide table of served pages. Routes are only ever appended, and
// several may share a path: the earliest one is served.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace wexlin::http {

struct Route {
    std::string path;
    std::string content;
};

class RouteTable {
  public:
    // The one table of the process, created empty at first use.
    static RouteTable& the();

    void add(std::string path, std::string content);

    // Calls use with the content of the first route whose path equals path
    // byte for byte, or with nullptr, while holding the table's lock, so a
    // reply is written from a table nobody changes meanwhile.
    template <typename Use>
    void with_route(std::string_view path, Use&& use) const {
        std::lock_guard lock(m_mutex);
        use(find_locked(path));
    }

  private:
    const std::string* find_locked(std::string_view path) const;

    mutable std::mutex m_mutex;
    std::vector<Route> m_routes;
};

} // namespace wexlin::http
