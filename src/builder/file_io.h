// Whole-file reads and writes for the builder, reporting the system's own
// error text ("No such file or directory") on failure.
#pragma once

#include <string>
#include <string_view>

namespace wexlin::builder {

struct FileResult {
    bool ok{false};
    std::string data;  // the file's bytes when ok
    std::string error; // the system's error text otherwise
};

FileResult read_file(const std::string& path);
// Reads a file that must hold UTF-8 text.
FileResult read_text_file(const std::string& path);
// Creates or truncates the file; answers the error text, empty on success.
std::string write_file(const std::string& path, std::string_view data);

// Whether something exists at path; an error while looking counts as no.
bool path_exists(const std::string& path);

// The extension of the last path component: the text after its last ".", a
// leading "." not counting; empty when there is none.
std::string extension_of(std::string_view path);
std::string to_lower_ascii(std::string_view text);

} // namespace wexlin::builder
