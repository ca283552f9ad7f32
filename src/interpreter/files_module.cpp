// Placeholder until the files module lands.
#include "interpreter/module_entry.h"

namespace wexlin {

std::optional<Value> files_call(std::string_view, std::vector<Value>&) {
    return std::nullopt;
}

} // namespace wexlin
