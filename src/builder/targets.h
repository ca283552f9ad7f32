// The platforms a script can be built for and what each one's runtime is
// called: in the download, in the cache and in the build folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wexlin::builder {

enum class TargetKind { Linux, MacOS, Windows };

struct Target {
    TargetKind kind;
    std::string_view platform_name; // shown on the console, names the cache folder
    std::string_view download_name; // part of the runtime archive's name
    std::string_view runtime_file;  // the runtime inside the archive and the cache
    std::string_view output_suffix; // appended to OUTPUT in the build folder
};

inline constexpr std::string_view runtime_version = "1.1.3";

// Looks the text up after lowering it; nullopt for an unknown target.
std::optional<Target> find_target(std::string_view text);

// The target built when none is given.
Target host_target();
// Whether this very executable is a runtime for the host target, so it can
// stand in for one that cannot be downloaded.
bool host_is_runtime_platform();

// "wexlin-1.1.3-linux-x86_64.tar.gz"
std::string archive_name(const Target& target);

} // namespace wexlin::builder
