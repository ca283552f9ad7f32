#include "embedded.h"

namespace wexlin {

// Placeholder until the payload reader lands: no executable carries a script.
bool run_embedded_script() {
    return false;
}

} // namespace wexlin
