#include <cstdio>
#include <cstdlib>

#include "builder/build_request.h"

namespace wexlin::builder {

void build_standalone(const BuildRequest&) {
    std::fputs("\x1b[31mbuild is not available yet\x1b[0m\n", stderr);
    std::exit(1);
}

} // namespace wexlin::builder
