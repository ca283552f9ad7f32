// The PE subsystem patch on arbitrary files: a field found lies inside the
// image, and patching changes exactly the two bytes of that field (or, when
// no field is found, nothing at all).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "builder/pe_subsystem.h"

using namespace wexlin::builder;

namespace {
std::string g_file;

std::string read_back() {
    std::string bytes;
    if (std::FILE* file = std::fopen(g_file.c_str(), "rb")) {
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.append(buffer, got);
        std::fclose(file);
    }
    return bytes;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/wexlin-fuzz-pe-XXXXXX";
    int fd = mkstemp(pattern);
    if (fd < 0) std::abort();
    close(fd);
    g_file = pattern;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string image(reinterpret_cast<const char*>(data), size);
    SubsystemField field = find_subsystem_field(image);
    if (field.offset && *field.offset + 2 > image.size()) __builtin_trap();
    if (!field.offset && field.error.empty()) __builtin_trap();
    for (bool terminal : {false, true}) {
        std::string patched = image;
        auto error = patch_subsystem(patched, terminal);
        if (patched.size() != image.size()) __builtin_trap();
        if (error.has_value() == field.offset.has_value()) __builtin_trap();
        for (std::size_t i = 0; i < image.size(); ++i) {
            bool in_field = field.offset && (i == *field.offset || i == *field.offset + 1);
            if (!in_field && patched[i] != image[i]) __builtin_trap();
        }
        if (field.offset) {
            auto low = static_cast<unsigned char>(patched[*field.offset]);
            auto high = static_cast<unsigned char>(patched[*field.offset + 1]);
            unsigned expected = terminal ? subsystem_windows_console : subsystem_windows_gui;
            if (low != expected || high != 0) __builtin_trap();
        }
        // Patching the file in place must give the same bytes; files are
        // slow, so one input in eight takes that way too.
        std::FILE* file = size > 0 && data[size - 1] % 8 == 0 ? std::fopen(g_file.c_str(), "wb") : nullptr;
        if (file) {
            std::fwrite(image.data(), 1, image.size(), file);
            std::fclose(file);
            auto file_error = patch_subsystem_in_file(g_file, terminal);
            if (file_error.has_value() != error.has_value()) __builtin_trap();
            if (read_back() != patched) __builtin_trap();
        }
    }
    return 0;
}
