#include "builder/packaging.h"

#include "builder/desktop_entry.h"
#include "builder/file_io.h"
#include "builder/macos_bundle.h"
#include "builder/windows_icon.h"

namespace wexlin::builder {

void apply_icon(const std::string& output_path, const std::string& icon_path, const Target& target,
                const std::string& output_name) {
    std::string extension = to_lower_ascii(extension_of(icon_path));
    switch (target.kind) {
    case TargetKind::MacOS: apply_macos_icon(output_path, icon_path, extension, output_name); break;
    case TargetKind::Linux: apply_linux_icon(icon_path, extension, output_name); break;
    case TargetKind::Windows: apply_windows_icon(output_path, icon_path, extension); break;
    }
}

void apply_terminal_setting(const std::string& output_path, const Target& target, bool terminal) {
    switch (target.kind) {
    case TargetKind::MacOS: apply_macos_terminal_setting(output_path, terminal); break;
    case TargetKind::Linux: apply_linux_terminal_setting(output_path, terminal); break;
    case TargetKind::Windows: break;
    }
}

} // namespace wexlin::builder
