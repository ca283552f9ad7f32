// The embedded-script reader on arbitrary file ends. Whatever it answers must
// be consistent with the bytes: a found script is valid UTF-8, within the size
// limit, and is exactly the bytes before the trailer. A script appended with
// the writer's trailer must always be found again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>

#include "builder/payload.h"
#include "support/utf8.h"

using namespace wexlin::builder;

namespace {

void check_found(std::string_view bytes, const std::optional<std::string>& script) {
    if (!script) return;
    if (bytes.size() < payload::trailer_size + script->size()) __builtin_trap();
    if (script->size() > payload::max_script_size) __builtin_trap();
    if (!wexlin::utf8::is_valid(*script)) __builtin_trap();
    std::string_view end = bytes.substr(bytes.size() - payload::trailer_size);
    if (end.substr(payload::length_size) != payload::marker) __builtin_trap();
    std::string_view before =
        bytes.substr(bytes.size() - payload::trailer_size - script->size(), script->size());
    if (before != *script) __builtin_trap();
    if (payload::trailer_for(script->size()) != end) __builtin_trap();
}

} // namespace

namespace {
std::string g_file;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/wexlin-fuzz-payload-XXXXXX";
    int fd = mkstemp(pattern);
    if (fd < 0) std::abort();
    close(fd);
    g_file = pattern;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto in_bytes = payload::find_script_in_bytes(bytes);
    check_found(bytes, in_bytes);

    // The file reader (seeks and reads on an open file) must agree; files
    // are slow, so one input in eight takes that way too.
    std::FILE* file = size > 0 && data[size - 1] % 8 == 0 ? std::fopen(g_file.c_str(), "wb") : nullptr;
    if (file) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        if (payload::find_script_in_file(g_file) != in_bytes) __builtin_trap();
    }

    // The same bytes as a runtime with a script appended: split them into a
    // runtime part and a script part at a point chosen by the first byte.
    std::size_t split = size ? data[0] % (size + 1) : 0;
    std::string runtime(bytes.substr(0, split));
    std::string script(bytes.substr(split));
    std::string built = runtime + script + payload::trailer_for(script.size());
    auto found = payload::find_script_in_bytes(built);
    check_found(built, found);
    bool valid = wexlin::utf8::is_valid(script);
    if (valid != found.has_value()) __builtin_trap();
    if (found && *found != script) __builtin_trap();
    return 0;
}
