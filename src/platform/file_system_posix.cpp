#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace wexlin::platform {

// Read with the system's calls rather than a file stream: a stream sets up
// the C++ locale on first use, dozens of facets whose code then stays
// resident, and every script start reads its script through here.
ReadResult read_file(std::string_view path_text) {
    ReadResult result;
    // A path with an embedded NUL would name a different, shorter path.
    if (path_text.find('\0') != std::string_view::npos) {
        result.ok = false;
        result.error = std::generic_category().message(EINVAL);
        return result;
    }
    std::string path(path_text);
    auto fail = [&result](int code) {
        result.ok = false;
        result.error = std::generic_category().message(code);
        result.bytes.clear();
        return result;
    };
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return fail(errno);
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        return fail(EISDIR);
    }
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            int code = errno;
            ::close(fd);
            return fail(code);
        }
        if (got == 0) break;
        result.bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return result;
}

} // namespace wexlin::platform
