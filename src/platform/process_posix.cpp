#include "platform/process.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace wexlin::platform {

namespace {

// Reads both pipes to their end together, so a child that fills one pipe
// while we wait on the other cannot dead-lock. Past the limit (when there is
// one) the child is killed: a program that writes without end must not take
// all memory. Answers whether that happened.
bool drain(pid_t pid, std::size_t limit, int out_fd, int err_fd, std::string& out, std::string& err) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open_count = 2;
    char buffer[65536];
    while (open_count > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                if (limit != 0 && sinks[i]->size() + static_cast<std::size_t>(n) > limit) {
                    kill(pid, SIGKILL);
                    for (auto& f : fds)
                        if (f.fd >= 0) close(f.fd);
                    return true;
                }
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
    return false;
}

} // namespace

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const ProcessOptions& options) {
    ProcessResult result;
    // The C interface ends every string at its first NUL, so a program name or
    // argument holding one would silently run something else.
    auto holds_nul = [](const std::string& text) { return text.find('\0') != std::string::npos; };
    if (holds_nul(program) || std::any_of(args.begin(), args.end(), holds_nul)) {
        result.start_error = std::strerror(EINVAL);
        return result;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int out_pipe[2] = {-1, -1};
    int err_pipe[2] = {-1, -1};
    if (options.empty_stdin) posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (options.output == OutputMode::Capture) {
        if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
            result.start_error = std::strerror(errno);
            posix_spawn_file_actions_destroy(&actions);
            for (int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
                if (fd >= 0) close(fd);
            return result;
        }
        posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }

    pid_t pid = 0;
    int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (options.output == OutputMode::Capture) {
        close(out_pipe[1]);
        close(err_pipe[1]);
    }
    if (rc != 0) {
        result.not_found = (rc == ENOENT);
        result.start_error = std::strerror(rc);
        if (options.output == OutputMode::Capture) {
            close(out_pipe[0]);
            close(err_pipe[0]);
        }
        return result;
    }
    result.started = true;
    if (options.output == OutputMode::Capture)
        result.capture_limited =
            drain(pid, options.capture_limit, out_pipe[0], err_pipe[0], result.out, result.err);

    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno == EINTR) continue;
        result.wait_failed = true;
        result.wait_error = std::strerror(errno);
        return result;
    }
    if (WIFEXITED(status))
        result.exit_code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.exit_code = 128 + WTERMSIG(status);
    return result;
}

std::string executable_path() {
    char buffer[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0) return {};
    return std::string(buffer, static_cast<std::size_t>(n));
}

} // namespace wexlin::platform
