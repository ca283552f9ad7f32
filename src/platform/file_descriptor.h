// Files by descriptor, for the few places that read the tail of a file or
// patch a few bytes of it in place: UTF-8 names, binary data, and a
// descriptor no child process inherits, on every system. The descriptor is
// used with read, write, lseek and close as usual.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace wexlin::platform {

// flags as for open: O_RDONLY or O_WRONLY, with O_CREAT and O_TRUNC as
// needed. -1 with errno set on failure.
int open_file(const std::string& path, int flags, int mode = 0644);

// As pread and pwrite: at offset, without moving the file position where the
// system allows. -1 with errno set on failure.
std::int64_t read_at(int fd, char* out, std::size_t count, std::uint64_t offset);
std::int64_t write_at(int fd, const char* data, std::size_t count, std::uint64_t offset);

} // namespace wexlin::platform
