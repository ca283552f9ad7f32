#include "platform/file_system.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "platform/windows_text.h"

namespace wexlin::platform {

// Read with the C runtime's wide-character calls, whose errno values give
// the same failure texts as on other systems.
ReadResult read_file(std::string_view path_text) {
    ReadResult result;
    auto fail = [&result](int code) {
        result.ok = false;
        result.error = std::generic_category().message(code);
        result.bytes.clear();
        return result;
    };
    if (path_text.find('\0') != std::string_view::npos) return fail(EINVAL);
    std::wstring path = windows::widen(path_text);
    // Windows refuses to open a folder as a file with "permission denied";
    // the real reason is told instead.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return fail(EISDIR);
    int fd = _wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) return fail(errno);
    char buffer[65536];
    for (;;) {
        int got = _read(fd, buffer, sizeof buffer);
        if (got < 0) {
            int code = errno;
            _close(fd);
            return fail(code);
        }
        if (got == 0) break;
        result.bytes.append(buffer, static_cast<std::size_t>(got));
    }
    _close(fd);
    return result;
}

} // namespace wexlin::platform
