#include "builder/payload.h"

#include <cerrno>
#include <cstring>

#include "platform/file_descriptor.h"
#include "support/utf8.h"

namespace wexlin::builder::payload {

namespace {

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}

    std::optional<std::uint64_t> size() override { return m_bytes.size(); }

    bool read_at(std::uint64_t offset, char* out, std::size_t count) override {
        if (offset > m_bytes.size() || count > m_bytes.size() - offset) return false;
        if (count > 0) std::memcpy(out, m_bytes.data() + offset, count);
        return true;
    }

  private:
    std::string_view m_bytes;
};

class FileSource final : public ByteSource {
  public:
    explicit FileSource(const std::string& path) : m_fd(platform::open_file(path, O_RDONLY)) {}
    ~FileSource() override {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool is_open() const { return m_fd >= 0; }

    std::optional<std::uint64_t> size() override {
        off_t end = ::lseek(m_fd, 0, SEEK_END);
        if (end < 0) return std::nullopt;
        return static_cast<std::uint64_t>(end);
    }

    bool read_at(std::uint64_t offset, char* out, std::size_t count) override {
        std::size_t done = 0;
        while (done < count) {
            auto n = platform::read_at(m_fd, out + done, count - done, offset + done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

  private:
    int m_fd;
};

} // namespace

std::optional<std::string> find_script(ByteSource& source) {
    auto size = source.size();
    if (!size || *size < trailer_size) return std::nullopt;

    char tail[trailer_size];
    if (!source.read_at(*size - trailer_size, tail, trailer_size)) return std::nullopt;
    if (std::string_view(tail + length_size, marker.size()) != marker) return std::nullopt;

    std::uint64_t length = 0;
    for (std::size_t i = 0; i < length_size; ++i)
        length |= static_cast<std::uint64_t>(static_cast<unsigned char>(tail[i])) << (8 * i);
    if (length > max_script_size) return std::nullopt;
    // The script must lie inside the file, after nothing but the runtime.
    if (length > *size - trailer_size) return std::nullopt;

    std::string script(static_cast<std::size_t>(length), '\0');
    if (!source.read_at(*size - trailer_size - length, script.data(), script.size())) return std::nullopt;
    if (!utf8::is_valid(script)) return std::nullopt;
    return script;
}

std::optional<std::string> find_script_in_bytes(std::string_view file_bytes) {
    MemorySource source(file_bytes);
    return find_script(source);
}

std::optional<std::string> find_script_in_file(const std::string& path) {
    if (path.empty()) return std::nullopt;
    FileSource source(path);
    if (!source.is_open()) return std::nullopt;
    return find_script(source);
}

std::string trailer_for(std::uint64_t script_length) {
    std::string trailer;
    trailer.reserve(trailer_size);
    for (std::size_t i = 0; i < length_size; ++i)
        trailer.push_back(static_cast<char>((script_length >> (8 * i)) & 0xff));
    trailer.append(marker);
    return trailer;
}

std::optional<std::string> append_script(const std::string& path, std::string_view script) {
    int fd = platform::open_file(path, O_WRONLY);
    if (fd < 0) return std::strerror(errno);
    auto fail = [fd]() -> std::optional<std::string> {
        std::string error = std::strerror(errno);
        ::close(fd);
        return error;
    };
    if (::lseek(fd, 0, SEEK_END) < 0) return fail();

    std::string trailer = trailer_for(script.size());
    for (std::string_view part : {script, std::string_view(trailer)}) {
        std::size_t written = 0;
        while (written < part.size()) {
            ssize_t n = ::write(fd, part.data() + written, part.size() - written);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return fail();
            written += static_cast<std::size_t>(n);
        }
    }
    if (::close(fd) != 0) return std::strerror(errno);
    return std::nullopt;
}

} // namespace wexlin::builder::payload
