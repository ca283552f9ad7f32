// File-system operations with the system's own failure texts. Paths are
// UTF-8; relative ones are taken from the working directory. Every file is
// closed again before a function returns.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wexlin::platform {

struct FileResult {
    bool ok{true};
    std::string error; // the system's text when not ok
};

struct ReadResult {
    bool ok{true};
    std::string bytes;
    std::string error;
};

struct AppendResult {
    bool opened{true}; // false: the file could not be opened or created
    bool ok{true};
    std::string error;
};

struct ListResult {
    bool ok{true};
    std::vector<std::string> names; // in the system's order; . and .. left out
    std::string error;
};

enum class PathKind {
    Missing, // also when the query itself fails
    File,    // anything that exists and is not a folder
    Folder,
};

ReadResult read_file(std::string_view path);
// Creates or truncates the file, then writes bytes.
FileResult write_file(std::string_view path, std::string_view bytes);
// Opens the file for appending, creating it when missing, then writes bytes.
AppendResult append_file(std::string_view path, std::string_view bytes);
// Removes a file (never a folder).
FileResult remove_file(std::string_view path);
// Creates the folder and any missing parents; an existing folder is fine.
FileResult create_folders(std::string_view path);
// Removes an empty folder, or with recursive the folder and all it holds.
FileResult remove_folder(std::string_view path, bool recursive);
ListResult list_folder(std::string_view path);
// Follows symbolic links.
PathKind path_kind(std::string_view path);

} // namespace wexlin::platform
