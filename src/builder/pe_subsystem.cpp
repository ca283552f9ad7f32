#include "builder/pe_subsystem.h"

#include <cerrno>
#include <cstring>

#include "builder/build_console.h"
#include "builder/file_io.h"
#include "platform/file_descriptor.h"
#include "support/progress.h"

namespace wexlin::builder {

namespace {

constexpr std::uint64_t pe_offset_field = 0x3c;
constexpr std::uint64_t subsystem_from_signature = 0x5c;
constexpr std::uint64_t minimum_image_size = 64;

std::uint32_t read_u32_le(std::string_view bytes, std::uint64_t offset) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return value;
}

} // namespace

SubsystemField find_subsystem_field(std::string_view image) {
    SubsystemField field;
    if (image.size() < minimum_image_size || image.substr(0, 2) != "MZ") {
        field.error = "Not a valid PE file (no MZ header)";
        return field;
    }
    std::uint64_t pe = read_u32_le(image, pe_offset_field);
    if (image.size() < pe + 4) {
        field.error = "PE offset out of range";
        return field;
    }
    if (image.substr(pe, 4) != std::string_view("PE\0\0", 4)) {
        field.error = "Invalid PE signature";
        return field;
    }
    if (image.size() < pe + subsystem_from_signature + 2) {
        field.error = "Subsystem field offset out of range";
        return field;
    }
    field.offset = pe + subsystem_from_signature;
    return field;
}

std::optional<std::string> patch_subsystem(std::string& image, bool terminal) {
    SubsystemField field = find_subsystem_field(image);
    if (!field.offset) return field.error;
    image[*field.offset] = static_cast<char>(terminal ? subsystem_windows_console : subsystem_windows_gui);
    image[*field.offset + 1] = 0;
    return std::nullopt;
}

std::optional<std::string> patch_subsystem_in_file(const std::string& path, bool terminal) {
    FileResult file = read_file(path);
    if (!file.ok) return file.error;
    SubsystemField field = find_subsystem_field(file.data);
    if (!field.offset) return field.error;

    const char value[2] = {static_cast<char>(terminal ? subsystem_windows_console : subsystem_windows_gui),
                           0};
    int fd = platform::open_file(path, O_WRONLY);
    if (fd < 0) return std::strerror(errno);
    ssize_t written = 0;
    do {
        written = platform::write_at(fd, value, sizeof value, *field.offset);
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(sizeof value)) {
        std::string error = written < 0 ? std::strerror(errno) : "short write";
        ::close(fd);
        return error;
    }
    if (::close(fd) != 0) return std::strerror(errno);
    return std::nullopt;
}

void apply_windows_terminal_setting(const std::string& output_path, bool terminal) {
    ProgressLine line("Applying terminal setting...");
    if (auto error = patch_subsystem_in_file(output_path, terminal)) {
        line.failed();
        warning("Could not patch PE subsystem for terminal setting: " + *error);
        return;
    }
    line.done();
}

} // namespace wexlin::builder
