#include "platform/file_descriptor.h"

#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>

#include "platform/windows_text.h"

namespace wexlin::platform {

int open_file(const std::string& path, int flags, int mode) {
    if (path.find('\0') != std::string::npos) {
        errno = EINVAL;
        return -1;
    }
    // Binary: the C runtime would otherwise turn line ends around in text
    // mode, which breaks every executable it touches.
    int permissions = (mode & 0200) ? (_S_IREAD | _S_IWRITE) : _S_IREAD;
    return _wopen(windows::widen(path).c_str(), flags | _O_BINARY | _O_NOINHERIT, permissions);
}

// The C runtime has no positioned read or write; a seek then a transfer
// does the same for the single-threaded callers here.
std::int64_t read_at(int fd, char* out, std::size_t count, std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(LLONG_MAX) ||
        _lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) < 0)
        return -1;
    return _read(fd, out, static_cast<unsigned>(count > INT_MAX ? INT_MAX : count));
}

std::int64_t write_at(int fd, const char* data, std::size_t count, std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(LLONG_MAX) ||
        _lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) < 0)
        return -1;
    return _write(fd, data, static_cast<unsigned>(count > INT_MAX ? INT_MAX : count));
}

} // namespace wexlin::platform
