#include "builder/runtime_source.h"

#include "support/utf8.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "builder/build_console.h"
#include "builder/file_io.h"
#include "builder/text_utils.h"
#include "builder/tools.h"
#include "platform/process.h"
#include "support/progress.h"

#ifndef WEXLIN_DEFAULT_RUNTIME_SERVER
#define WEXLIN_DEFAULT_RUNTIME_SERVER "http://127.0.0.1:8080"
#endif

namespace wexlin::builder {

namespace fs = std::filesystem;

namespace {

// A runtime that cannot be downloaded for the host is taken from the running
// executable, so building works without any runtime server. Answers false
// when that is impossible too.
bool cache_this_executable(const CachedRuntime& cached) {
    if (!host_is_runtime_platform()) return false;
    std::string self = platform::executable_path();
    if (self.empty()) return false;
    std::error_code error;
    fs::copy_file(self, cached.path, fs::copy_options::overwrite_existing, error);
    return !error;
}

// Something is at path (a link counts, even a dangling one) but it is not a
// regular file of its own.
bool holds_other_than_a_file(const std::string& path) {
    std::error_code error;
    auto status = fs::symlink_status(path, error);
    return !error && fs::exists(status) && !fs::is_regular_file(status);
}

// What is wrong with the runtime file at path for the target, empty when it
// looks usable: it must hold something, start the way the target's
// executables start, and (where programs carry a run bit) be executable. A
// runtime that was cut short by a full disk, emptied, or saved without its
// run bit would otherwise make programs that never run their script.
std::string runtime_problem(const Target& target, const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return "cannot be read";
    char head[4] = {};
    file.read(head, sizeof head);
    auto got = static_cast<std::size_t>(file.gcount());
    if (got == 0) return "is empty";
    std::string_view start(head, got);
    switch (target.kind) {
    case TargetKind::Linux:
        if (start != "\x7f"
                     "ELF")
            return "is not a Linux executable (no ELF header)";
        break;
    case TargetKind::MacOS:
        // 64-bit and 32-bit Mach-O in either byte order, or a universal file.
        if (start != "\xcf\xfa\xed\xfe" && start != "\xce\xfa\xed\xfe" && start != "\xfe\xed\xfa\xcf" &&
            start != "\xfe\xed\xfa\xce" && start != "\xca\xfe\xba\xbe")
            return "is not a macOS executable (no Mach-O header)";
        break;
    case TargetKind::Windows:
        if (!start.starts_with("MZ")) return "is not a Windows executable (no MZ header)";
        break;
    }
#ifndef _WIN32
    if (target.kind != TargetKind::Windows) {
        std::error_code error;
        auto perms = fs::status(path, error).permissions();
        if (error || (perms & fs::perms::owner_exec) == fs::perms::none) return "is not executable";
    }
#endif
    return {};
}

// The archive of the target shipped beside this executable: in runtimes/
// next to it (a build tree, a portable folder) or in share/wexlin/runtimes/
// of its prefix (an installed copy). Empty when there is none, and the build
// downloads as usual.
std::string shipped_archive(const Target& target) {
    std::string self = platform::executable_path();
    if (self.empty()) return {};
    // Through char8_t, so a folder name outside ASCII means the same on
    // every system.
    auto u8 = [](std::string_view text) { return std::u8string(text.begin(), text.end()); };
    fs::path folder = fs::path(u8(self)).parent_path();
    std::string name = archive_name(target);
    for (const fs::path& candidate :
         {folder / "runtimes" / name, folder / ".." / "share" / "wexlin" / "runtimes" / name}) {
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) {
            std::u8string text = candidate.lexically_normal().u8string();
            return std::string(text.begin(), text.end());
        }
    }
    return {};
}

// Unpacks archive into folder; answers the build error when that failed,
// after removing what a damaged archive may have left of the runtime.
std::string extract_archive(const std::string& archive, const CachedRuntime& cached) {
    ProgressLine line("Extracting binary...");
    auto tar = run_tool("tar", {"-xzf", archive, "-C", cached.folder});
    if (tar.started && !tar.wait_failed && tar.exit_code == 0) {
        line.done();
        return {};
    }
    std::error_code ignored;
    fs::remove(cached.path, ignored);
    if (!tar.started) return "Error: Failed to extract archive: " + tar.start_error;
    if (tar.wait_failed) return "Error: Failed to extract archive: " + tar.wait_error;
    line.failed();
    return "Error: Failed to extract archive. stderr: " + utf8::decode_lossy(tar.err);
}

// The last non-empty line of a program's output, without its line end.
std::string last_line(std::string_view text) {
    std::string trimmed = trim_right(text);
    std::size_t start = trimmed.find_last_of("\r\n");
    return start == std::string::npos ? trimmed : trimmed.substr(start + 1);
}

} // namespace

std::string runtime_server() {
    const char* from_environment = std::getenv("WEXLIN_RUNTIME_URL");
    std::string server =
        from_environment && *from_environment ? from_environment : WEXLIN_DEFAULT_RUNTIME_SERVER;
    while (!server.empty() && server.back() == '/')
        server.pop_back();
    return server;
}

std::string runtime_url(const Target& target) {
    std::string url = runtime_server();
    url.append("/wexlin/").append(runtime_version).append("/").append(archive_name(target));
    return url;
}

CachedRuntime cache_location(const Target& target) {
    CachedRuntime cached;
    cached.folder = ".wexlin/cache/";
    cached.folder.append(target.platform_name);
    cached.path = cached.folder + "/";
    cached.path.append(target.runtime_file);
    return cached;
}

CachedRuntime obtain_runtime(const Target& target, bool target_is_host) {
    CachedRuntime cached = cache_location(target);
    if (holds_other_than_a_file(cached.path)) {
        // Left by an archive from before runtimes were checked: fetched again.
        std::error_code ignored;
        fs::remove_all(cached.path, ignored);
    }
    if (path_exists(cached.path)) {
        std::string problem = runtime_problem(target, cached.path);
        if (problem.empty()) {
            green_note("Using cached binary from " + cached.folder);
            return cached;
        }
        warning("The cached runtime " + cached.path + " " + problem + "; obtaining it again.");
        std::error_code error;
        fs::remove(cached.path, error);
        if (error) build_error("Error: Failed to remove the unusable cached runtime: " + error.message());
    }

    std::string archive = cached.folder + "/wexlin.tar.gz";
    std::string url = runtime_url(target);
    bool from_this_executable = false;
    // A runtime shipped with this wexlin is used before any download, so
    // building for every shipped platform works offline.
    std::string shipped = shipped_archive(target);
    if (!shipped.empty()) {
        std::error_code error;
        fs::create_directories(cached.folder, error);
        if (error) build_error("Error: Failed to create cache dir: " + error.message());
        green_note("Using runtime archive " + shipped);
        if (std::string failure = extract_archive(shipped, cached); !failure.empty()) build_error(failure);
    }
    if (shipped.empty()) {
        ProgressLine line("Downloading Wexlin binary...");
        std::error_code error;
        fs::create_directories(cached.folder, error);
        if (error) build_error("Error: Failed to create cache dir: " + error.message());

        // "-g" and the time limits as for module downloads: the address is
        // taken literally, and a server that accepts and then stays silent
        // ends the download instead of holding the build forever.
        auto curl = run_tool("curl", {"-f", "-L", "-g", "--connect-timeout", "15", "--speed-limit", "1",
                                      "--speed-time", "30", "-o", archive, url});
        std::string failure; // the build error, when the download failed
        std::string reason;  // the same, short, for the warning of the stand-in
        if (!curl.started || curl.wait_failed) {
            reason = curl.started ? curl.wait_error : curl.start_error;
            failure = "Failed to download binary (curl may not be installed): " + reason;
        } else if (curl.exit_code != 0) {
            failure = "Failed to download from " + url + ". Status: " + std::to_string(curl.exit_code) +
                      ". stderr: " + utf8::decode_lossy(curl.err);
            reason = "curl exit status " + std::to_string(curl.exit_code) + ": " +
                     last_line(utf8::decode_lossy(curl.err));
        }
        if (!failure.empty()) {
            bool stand_in = target_is_host && cache_this_executable(cached);
            if (!stand_in) {
                if (curl.started && !curl.wait_failed) line.failed();
                build_error("Error: " + failure);
            }
            line.failed();
            warning("Could not download the runtime from " + url + " (" + reason +
                    "); using this wexlin executable as the " + std::string(target.platform_name) +
                    " runtime.");
            from_this_executable = true;
        } else {
            line.done();
        }
    }

    if (!from_this_executable && shipped.empty()) {
        // A damaged archive can leave part of the runtime behind, which the
        // next build would take for a cached runtime: both are removed.
        if (std::string failure = extract_archive(archive, cached); !failure.empty()) {
            std::error_code ignored;
            fs::remove(archive, ignored);
            build_error(failure);
        }
    }

    // The archive comes from a server. A runtime that is a link (to any file
    // of this machine, which would then be copied into the program) or a
    // folder is refused.
    if (!from_this_executable && holds_other_than_a_file(cached.path)) {
        std::error_code ignored;
        fs::remove_all(cached.path, ignored);
        fs::remove(archive, ignored);
        build_error("Error: The runtime in the archive is not a regular file: " + cached.path);
    }

    if (target.kind != TargetKind::Windows) run_tool("chmod", {"+x", cached.path});
    std::error_code ignored;
    fs::remove(archive, ignored);

    if (!path_exists(cached.path))
        build_error("Error: Binary not found after extraction. Expected at: " + cached.path);
    if (std::string problem = runtime_problem(target, cached.path); !problem.empty()) {
        // Not kept: the next build tries the download again.
        fs::remove(cached.path, ignored);
        build_error("Error: The runtime " +
                    std::string(from_this_executable ? "taken from this executable" : "in the archive") +
                    " " + problem + ": " + cached.path);
    }
    green_note("Binary cached at " + cached.folder);
    return cached;
}

} // namespace wexlin::builder
