// Size limits of run-time values, in one place.
//
// A script can ask for more than any machine has: a string doubled in a loop,
// a range of a trillion numbers, an array nested in itself a million times and
// then printed. Where a request is plainly beyond what the program can serve,
// it is refused with a message before memory is taken, so the process neither
// aborts on a failed allocation nor drives the system into its out-of-memory
// killer. The values are variables, not constants, so the fuzz targets and
// the unit tests can run the same code paths with small limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>

namespace wexlin::limits {

// Longest string the interpreter builds: concatenation, display texts and
// JSON texts. Past it the operation fails with "String too large".
inline std::size_t max_string_length = std::size_t{1} << 30;

// Most numbers a range may hold, built as an array or walked by a for loop
// ("Range too large"). A hundred million numbers is already 1.6 GB.
inline std::uint64_t max_range_length = 100'000'000;

// Largest file the package manager takes from a registry (module.yaml or a
// module file): a server that sends without end is cut off there.
inline std::size_t max_download_size = std::size_t{64} << 20;

// Longest line the REPL accepts; a longer one is read to its end and dropped.
inline std::size_t max_repl_line = std::size_t{1} << 20;

inline constexpr const char* string_too_large = "String too large";
inline constexpr const char* out_of_memory = "Out of memory";

// Thrown where a limit is passed by code that cannot answer an Error value
// (a display text is plain text); the statement that was running reports the
// message as its error and the script goes on.
class LimitExceeded : public std::exception {
  public:
    explicit LimitExceeded(const char* message) : m_message(message) {}
    const char* what() const noexcept override { return m_message; }

  private:
    const char* m_message;
};

// Throws LimitExceeded when a string of `length` bytes would pass the limit.
inline void check_string_length(std::size_t length) {
    if (length > max_string_length) throw LimitExceeded(string_too_large);
}

} // namespace wexlin::limits
