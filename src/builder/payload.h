// The script appended to a standalone executable. A built program is the
// runtime executable followed by
//
//     script bytes (L) | L as 8 bytes little-endian | "WEXLIN_SCRIPT"
//
// and nothing after it. There is no checksum, version or alignment: the
// reader looks only at the last 21 bytes to decide whether a script is there,
// so anything that changes the file afterwards must leave these bytes last.
//
// A program whose script uses script modules carries them too, in front of
// the script and behind a trailer of their own, so the script's bytes stay
// exactly as above:
//
//     runtime | modules block | script | L | "WEXLIN_SCRIPT"
//
//     modules block = entries | N (8 bytes LE) | B (8 bytes LE) | "WEXLIN_MODULES"
//     entry         = name length (8 LE) | name | text length (8 LE) | text
//
// where N is the number of entries and B their total size in bytes. A program
// without modules has no modules block at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wexlin::builder::payload {

inline constexpr std::string_view marker = "WEXLIN_SCRIPT";
inline constexpr std::size_t length_size = 8;
inline constexpr std::size_t trailer_size = length_size + marker.size();
// Larger lengths are taken for damage rather than a script.
inline constexpr std::uint64_t max_script_size = 100000000;

inline constexpr std::string_view modules_marker = "WEXLIN_MODULES";
inline constexpr std::size_t modules_trailer_size = 2 * length_size + modules_marker.size();
// The most bytes the entries of a modules block may take.
inline constexpr std::uint64_t max_modules_size = 100000000;

struct EmbeddedModule {
    std::string name; // as written after `use`
    std::string text; // the module's source
};

// Random access to the bytes of a file, so the same reader serves an open
// executable and a buffer in memory.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::optional<std::uint64_t> size() = 0;
    // Reads exactly count bytes at offset; false on any failure or short read.
    virtual bool read_at(std::uint64_t offset, char* out, std::size_t count) = 0;
};

// The appended script, or nullopt when the bytes carry none: too short, no
// marker, a length over the limit or beyond the start of the file, or a script
// that is not valid UTF-8.
std::optional<std::string> find_script(ByteSource& source);
std::optional<std::string> find_script_in_bytes(std::string_view file_bytes);
// Any failure to open or read the file also means "no script".
std::optional<std::string> find_script_in_file(const std::string& path);

// The modules carried in front of the script, empty when there are none or
// the block is damaged (the script itself still runs then).
std::vector<EmbeddedModule> find_modules(ByteSource& source);
std::vector<EmbeddedModule> find_modules_in_bytes(std::string_view file_bytes);
std::vector<EmbeddedModule> find_modules_in_file(const std::string& path);

// The modules block for the given modules: entries and trailer.
std::string modules_block(const std::vector<EmbeddedModule>& modules);

// The 21 bytes that follow a script of the given length.
std::string trailer_for(std::uint64_t script_length);

// Appends script and trailer to the end of the file at path. Answers the
// system's error text, or nullopt on success.
std::optional<std::string> append_script(const std::string& path, std::string_view script);
// Appends the modules block (when there are modules), then script and trailer.
std::optional<std::string> append_payload(const std::string& path, const std::vector<EmbeddedModule>& modules,
                                          std::string_view script);

} // namespace wexlin::builder::payload
