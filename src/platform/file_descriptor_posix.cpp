#include "platform/file_descriptor.h"

#include <cerrno>
#include <cstring>

namespace wexlin::platform {

int open_file(const std::string& path, int flags, int mode) {
    if (path.find('\0') != std::string::npos) {
        errno = EINVAL;
        return -1;
    }
    return ::open(path.c_str(), flags | O_CLOEXEC, mode);
}

std::int64_t read_at(int fd, char* out, std::size_t count, std::uint64_t offset) {
    return ::pread(fd, out, count, static_cast<off_t>(offset));
}

std::int64_t write_at(int fd, const char* data, std::size_t count, std::uint64_t offset) {
    return ::pwrite(fd, data, count, static_cast<off_t>(offset));
}

} // namespace wexlin::platform
