#include "builder/file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/file_descriptor.h"
#include "support/utf8.h"

namespace wexlin::builder {

FileResult read_file(const std::string& path) {
    FileResult result;
    int fd = platform::open_file(path, O_RDONLY);
    if (fd < 0) {
        result.error = std::strerror(errno);
        return result;
    }
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            result.data.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) break;
        if (errno == EINTR) continue;
        result.error = std::strerror(errno);
        result.data.clear();
        ::close(fd);
        return result;
    }
    ::close(fd);
    result.ok = true;
    return result;
}

FileResult read_text_file(const std::string& path) {
    FileResult result = read_file(path);
    if (result.ok && !utf8::is_valid(result.data)) {
        result.ok = false;
        result.data.clear();
        result.error = "stream did not contain valid UTF-8";
    }
    return result;
}

std::string write_file(const std::string& path, std::string_view data) {
    int fd = platform::open_file(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return std::strerror(errno);
    std::size_t written = 0;
    while (written < data.size()) {
        ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            std::string error = std::strerror(errno);
            ::close(fd);
            return error;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) return std::strerror(errno);
    return {};
}

bool path_exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

std::string extension_of(std::string_view path) {
    std::size_t slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return std::string(name.substr(dot + 1));
}

std::string to_lower_ascii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

} // namespace wexlin::builder
