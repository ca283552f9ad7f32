#include "runner.h"
namespace wexlin {
void run_script(std::string_view, bool, bool) {}
} // namespace wexlin
