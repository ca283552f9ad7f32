#include "platform/process.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "platform/windows_text.h"

namespace wexlin::platform {

namespace {

// The command line as the C runtime of the child splits it again
// (CommandLineToArgvW's rules): an argument without blanks or quotes goes
// as it is; any other is quoted, with each quote escaped and the
// backslashes before a quote, or before the closing quote, doubled.
void append_quoted(std::wstring& line, const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line.push_back(L'"');
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            line.append(backslashes * 2 + 1, L'\\');
        } else {
            line.append(backslashes, L'\\');
        }
        backslashes = 0;
        line.push_back(c);
    }
    line.append(backslashes * 2, L'\\');
    line.push_back(L'"');
}

struct Handle {
    HANDLE value{nullptr};
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }
    void reset() {
        if (value && value != INVALID_HANDLE_VALUE) CloseHandle(value);
        value = nullptr;
    }
    bool valid() const { return value && value != INVALID_HANDLE_VALUE; }
};

HANDLE open_null_device(bool for_writing) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(L"NUL", for_writing ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, OPEN_EXISTING, 0, nullptr);
}

// A pipe whose write end the child inherits and whose read end stays here.
bool make_pipe(Handle& read_end, Handle& write_end) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (!CreatePipe(&read_end.value, &write_end.value, &inherit, 0)) return false;
    return SetHandleInformation(read_end.value, HANDLE_FLAG_INHERIT, 0) != 0;
}

// Reads both pipes to their end together, without a thread: whatever either
// holds is taken as it comes, so a child that fills one pipe while we would
// wait on the other cannot dead-lock. Past the limit (when there is one) the
// child is killed. Answers whether that happened.
bool drain(HANDLE process, std::size_t limit, HANDLE out_pipe, HANDLE err_pipe, std::string& out,
           std::string& err) {
    HANDLE pipes[2] = {out_pipe, err_pipe};
    std::string* sinks[2] = {&out, &err};
    bool open[2] = {true, true};
    char buffer[65536];
    DWORD idle_wait = 0;
    while (open[0] || open[1]) {
        bool progress = false;
        for (int i = 0; i < 2; ++i) {
            if (!open[i]) continue;
            DWORD available = 0;
            if (!PeekNamedPipe(pipes[i], nullptr, 0, nullptr, &available, nullptr)) {
                open[i] = false; // broken pipe: the child and its heirs closed their end
                continue;
            }
            if (available == 0) continue;
            DWORD got = 0;
            DWORD wanted = std::min<DWORD>(available, sizeof buffer);
            if (!ReadFile(pipes[i], buffer, wanted, &got, nullptr) || got == 0) {
                open[i] = false;
                continue;
            }
            progress = true;
            if (limit != 0 && sinks[i]->size() + got > limit) {
                TerminateProcess(process, 137);
                return true;
            }
            sinks[i]->append(buffer, got);
        }
        if (progress) {
            idle_wait = 0;
        } else {
            // Nothing to read yet: wait a little longer each time, up to a
            // few milliseconds, so a quiet child costs next to nothing.
            idle_wait = std::min<DWORD>(idle_wait + 1, 10);
            Sleep(idle_wait);
        }
    }
    return false;
}

} // namespace

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const ProcessOptions& options) {
    ProcessResult result;
    auto holds_nul = [](const std::string& text) { return text.find('\0') != std::string::npos; };
    if (program.empty() || holds_nul(program) || std::any_of(args.begin(), args.end(), holds_nul)) {
        result.start_error = std::generic_category().message(EINVAL);
        return result;
    }
    std::wstring line;
    append_quoted(line, windows::widen(program));
    for (const auto& a : args) {
        line.push_back(L' ');
        append_quoted(line, windows::widen(a));
    }

    Handle input, out_read, out_write, err_read, err_write;
    if (options.empty_stdin) {
        input.value = open_null_device(false);
    } else {
        // The child gets its own inheritable copy of our standard input.
        HANDLE own = GetStdHandle(STD_INPUT_HANDLE);
        if (own && own != INVALID_HANDLE_VALUE)
            DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &input.value, 0, TRUE,
                            DUPLICATE_SAME_ACCESS);
    }
    if (options.output == OutputMode::Capture) {
        if (!make_pipe(out_read, out_write) || !make_pipe(err_read, err_write)) {
            result.start_error = windows::error_text(GetLastError());
            return result;
        }
    } else {
        out_write.value = open_null_device(true);
        err_write.value = open_null_device(true);
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.valid() ? input.value : nullptr;
    startup.hStdOutput = out_write.value;
    startup.hStdError = err_write.value;
    PROCESS_INFORMATION info{};
    // No application name: the system looks the program up as a command
    // line would (the executable's folder, the system folders, then PATH, with
    // ".exe" added when the name has no extension).
    BOOL created = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                  nullptr, &startup, &info);
    DWORD create_error = created ? 0 : GetLastError();
    // Only the child keeps its ends open, so our reads see the end of output
    // when it (and any program it started) is done.
    out_write.reset();
    err_write.reset();
    input.reset();
    if (!created) {
        result.not_found = create_error == ERROR_FILE_NOT_FOUND || create_error == ERROR_PATH_NOT_FOUND;
        result.start_error = windows::error_text(create_error);
        // Some texts name the program as "%1" (such as "%1 is not a valid
        // Win32 application"); the name is put in.
        if (auto at = result.start_error.find("%1"); at != std::string::npos)
            result.start_error.replace(at, 2, program);
        return result;
    }
    CloseHandle(info.hThread);
    result.started = true;
    if (options.output == OutputMode::Capture)
        result.capture_limited = drain(info.hProcess, options.capture_limit, out_read.value, err_read.value,
                                       result.out, result.err);

    if (WaitForSingleObject(info.hProcess, INFINITE) == WAIT_FAILED) {
        result.wait_failed = true;
        result.wait_error = windows::error_text(GetLastError());
        CloseHandle(info.hProcess);
        return result;
    }
    DWORD code = 0;
    if (GetExitCodeProcess(info.hProcess, &code)) result.exit_code = static_cast<int>(code);
    CloseHandle(info.hProcess);
    return result;
}

std::string executable_path() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return windows::narrow(buffer);
        }
        // Cut short: the path is longer than the buffer.
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace wexlin::platform
