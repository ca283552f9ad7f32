// Placeholder until the HTTP module lands.
#include "interpreter/module_entry.h"

namespace wexlin {

std::optional<Value> http_call(std::string_view, std::vector<Value>&) {
    return std::nullopt;
}

} // namespace wexlin
