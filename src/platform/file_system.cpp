// Written against std::filesystem and file streams, which take wide-character
// paths on Windows; paths are converted from UTF-8 explicitly. Reading a
// whole file, which every start does, is the system's own (file_system_*.cpp).
#include "platform/file_system.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace wexlin::platform {

namespace fs = std::filesystem;

namespace {

std::string text_of(std::errc code) {
    return std::make_error_code(code).message();
}

// The stream classes report failure without a reason; the C library leaves
// the reason in errno.
std::string last_error_text() {
    int code = errno;
    if (code == 0) code = EIO;
    return std::generic_category().message(code);
}

// A path with an embedded NUL would silently name a different, shorter path
// once it reaches the system, so such a path is refused.
bool to_native(std::string_view utf8, fs::path& out, std::string& error) {
    if (utf8.find('\0') != std::string_view::npos) {
        error = text_of(std::errc::invalid_argument);
        return false;
    }
    std::u8string text(utf8.size(), u8'\0');
    for (std::size_t i = 0; i < utf8.size(); ++i)
        text[i] = static_cast<char8_t>(utf8[i]);
    out = fs::path(text);
    return true;
}

// Windows refuses to open a folder for writing with "permission denied";
// the real reason is told instead, as other systems tell it.
bool names_folder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::string from_native(const fs::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

namespace {

FileResult write_stream(std::ofstream& out, std::string_view bytes) {
    FileResult result;
    errno = 0;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (out) out.close();
    if (!out) {
        result.ok = false;
        result.error = last_error_text();
    }
    return result;
}

} // namespace

FileResult write_file(std::string_view path_text, std::string_view bytes) {
    FileResult result;
    fs::path path;
    result.ok = to_native(path_text, path, result.error);
    if (!result.ok) return result;
    if (names_folder(path)) {
        result.ok = false;
        result.error = text_of(std::errc::is_a_directory);
        return result;
    }
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        result.ok = false;
        result.error = last_error_text();
        return result;
    }
    return write_stream(out, bytes);
}

AppendResult append_file(std::string_view path_text, std::string_view bytes) {
    AppendResult result;
    fs::path path;
    result.opened = result.ok = to_native(path_text, path, result.error);
    if (!result.ok) return result;
    if (names_folder(path)) {
        result.opened = result.ok = false;
        result.error = text_of(std::errc::is_a_directory);
        return result;
    }
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out) {
        result.opened = result.ok = false;
        result.error = last_error_text();
        return result;
    }
    auto written = write_stream(out, bytes);
    result.ok = written.ok;
    result.error = std::move(written.error);
    return result;
}

FileResult remove_file(std::string_view path_text) {
    FileResult result;
    fs::path path;
    result.ok = to_native(path_text, path, result.error);
    if (!result.ok) return result;
    std::error_code ec;
    auto status = fs::symlink_status(path, ec);
    if (ec) {
        result.ok = false;
        result.error = ec.message();
        return result;
    }
    if (fs::is_directory(status)) {
        result.ok = false;
        result.error = text_of(std::errc::is_a_directory);
        return result;
    }
    if (!fs::remove(path, ec)) {
        result.ok = false;
        result.error = ec ? ec.message() : text_of(std::errc::no_such_file_or_directory);
    }
    return result;
}

FileResult create_folders(std::string_view path_text) {
    FileResult result;
    fs::path path;
    result.ok = to_native(path_text, path, result.error);
    if (!result.ok) return result;
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec) {
        result.ok = false;
        result.error = ec.message();
    } else if (!fs::is_directory(path, ec)) {
        // Something other than a folder already has that name.
        result.ok = false;
        result.error = text_of(std::errc::file_exists);
    }
    return result;
}

FileResult remove_folder(std::string_view path_text, bool recursive) {
    FileResult result;
    fs::path path;
    result.ok = to_native(path_text, path, result.error);
    if (!result.ok) return result;
    std::error_code ec;
    auto status = fs::symlink_status(path, ec);
    if (ec) {
        result.ok = false;
        result.error = ec.message();
        return result;
    }
    // Only folders are removed here; a file, or a link to a folder, is not
    // one, and removing the tree behind a link is never wanted.
    if (!fs::is_directory(status)) {
        result.ok = false;
        result.error = text_of(std::errc::not_a_directory);
        return result;
    }
    if (recursive) {
        fs::remove_all(path, ec);
    } else if (!fs::is_empty(path, ec) && !ec) {
        // Windows reports a folder that still holds something as "access
        // denied"; the reason is told as other systems tell it.
        result.ok = false;
        result.error = text_of(std::errc::directory_not_empty);
        return result;
    } else if (!ec) {
        fs::remove(path, ec);
    }
    if (ec) {
        result.ok = false;
        result.error = ec.message();
    }
    return result;
}

ListResult list_folder(std::string_view path_text) {
    ListResult result;
    fs::path path;
    result.ok = to_native(path_text, path, result.error);
    if (!result.ok) return result;
    std::error_code ec;
    fs::directory_iterator it(path, ec);
    if (ec) {
        result.ok = false;
        result.error = ec.message();
        return result;
    }
    // An entry that cannot be read ends the listing with what was read so far.
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        result.names.push_back(from_native(it->path().filename()));
    }
    return result;
}

PathKind path_kind(std::string_view path_text) {
    fs::path path;
    std::string error;
    if (!to_native(path_text, path, error)) return PathKind::Missing;
    std::error_code ec;
    auto status = fs::status(path, ec);
    if (ec || !fs::exists(status)) return PathKind::Missing;
    return fs::is_directory(status) ? PathKind::Folder : PathKind::File;
}

} // namespace wexlin::platform
