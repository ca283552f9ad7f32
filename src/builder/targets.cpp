#include "builder/targets.h"

#include <array>

#include "builder/file_io.h"

namespace wexlin::builder {

namespace {

constexpr Target linux_x86_64{TargetKind::Linux, "linux-x86_64", "linux-x86_64", "wexlin", ""};
constexpr Target macos_x86_64{TargetKind::MacOS, "macos-x86_64", "macos-x86_64", "wexlin", ""};
constexpr Target macos_aarch64{TargetKind::MacOS, "macos-aarch64", "macos-aarch64", "wexlin", ""};
constexpr Target windows_x86_64{TargetKind::Windows, "windows-x86_64", "windows-portable", "wexlin.exe",
                                ".exe"};

struct TargetName {
    std::string_view text;
    const Target* target;
};

constexpr std::array<TargetName, 5> target_names{{
    {"linux-x86_64", &linux_x86_64},
    {"macos-x86_64", &macos_x86_64},
    {"macos-aarch64", &macos_aarch64},
    {"win-x86_64", &windows_x86_64},
    {"windows-x86_64", &windows_x86_64},
}};

} // namespace

std::optional<Target> find_target(std::string_view text) {
    std::string lowered = to_lower_ascii(text);
    for (const auto& entry : target_names)
        if (entry.text == lowered) return *entry.target;
    return std::nullopt;
}

Target host_target() {
#if defined(_WIN32)
    return windows_x86_64;
#elif defined(__APPLE__) && defined(__aarch64__)
    return macos_aarch64;
#elif defined(__APPLE__)
    return macos_x86_64;
#else
    // Every other host builds for the most common desktop by default.
    return linux_x86_64;
#endif
}

bool host_is_runtime_platform() {
#if (defined(_WIN32) || defined(__APPLE__) || defined(__linux__)) && (defined(__x86_64__) || defined(_M_X64))
    return true;
#elif defined(__APPLE__) && defined(__aarch64__)
    return true;
#else
    return false;
#endif
}

std::string archive_name(const Target& target) {
    std::string name = "wexlin-";
    name.append(runtime_version).append("-").append(target.download_name).append(".tar.gz");
    return name;
}

} // namespace wexlin::builder
