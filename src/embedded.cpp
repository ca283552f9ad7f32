#include "embedded.h"

#include <string>

#include "builder/payload.h"
#include "platform/process.h"
#include "runner.h"

namespace wexlin {

bool run_embedded_script() {
    // Any failure to find the executable or read its end means "no script":
    // the program then behaves as the command-line tool.
    auto script = builder::payload::find_script_in_file(platform::executable_path());
    if (!script) return false;
    run_script(*script, false, false);
    return true;
}

} // namespace wexlin
