#include "embedded.h"

#include <string>
#include <unordered_map>

#include "builder/payload.h"
#include "interpreter/embedded_modules.h"
#include "platform/process.h"
#include "runner.h"

namespace wexlin {

bool run_embedded_script() {
    // Any failure to find the executable or read its end means "no script":
    // the program then behaves as the command-line tool.
    std::string self = platform::executable_path();
    auto script = builder::payload::find_script_in_file(self);
    if (!script) return false;
    // The modules the build found for the script, loaded before any on disk.
    std::unordered_map<std::string, std::string> modules;
    for (auto& module : builder::payload::find_modules_in_file(self))
        modules.emplace(std::move(module.name), std::move(module.text));
    if (!modules.empty()) set_embedded_modules(std::move(modules));
    run_script(*script, false, false);
    return true;
}

} // namespace wexlin
