// Fetching a module into its staging folder, shared by install and upgrade:
// the module's real folder is only ever created by moving a complete staged
// copy into place.
#pragma once

#include "package_manager/module_name.h"

#include <optional>
#include <string>

namespace wexlin::package_manager {

// While one lives, Ctrl-C and a polite stop (SIGINT, SIGTERM) do not end the
// process: they are noted, the running fetch ends (curl gets the same
// Ctrl-C), and the command clears what it staged before it returns.
class StopGuard {
  public:
    StopGuard();
    ~StopGuard();
    StopGuard(const StopGuard&) = delete;
    StopGuard& operator=(const StopGuard&) = delete;

    static bool stop_requested();

  private:
    using Handler = void (*)(int);
    Handler m_previous_interrupt;
    Handler m_previous_terminate;
};

// The message a stopped command ends with.
inline constexpr std::string_view interrupted_message = "Interrupted";

// Fetches module.yaml and every listed file into the module's staging folder
// (removing whatever an earlier, killed attempt left there), printing the
// progress lines of an install. Answers nullopt when every file arrived, else
// the install's error message; after a failure nothing is left staged.
std::optional<std::string> fetch_into_staging(const ModuleName& name);

} // namespace wexlin::package_manager
