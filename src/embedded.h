// The script appended to a standalone executable (see builder/payload.h for
// the layout).
#pragma once

namespace wexlin {

// Looks for a script appended to the running executable; when one is found it
// is run with both debug switches off and the answer is true.
bool run_embedded_script();

} // namespace wexlin
