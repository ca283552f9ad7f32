#include "platform/console.h"

#include <windows.h>

#include <shellapi.h>
#include <timeapi.h>

#include <cstdio>

#include "platform/windows_text.h"

namespace wexlin::platform {

namespace {

HANDLE handle_of(Stream stream) {
    return GetStdHandle(stream == Stream::Input    ? STD_INPUT_HANDLE
                        : stream == Stream::Output ? STD_OUTPUT_HANDLE
                                                   : STD_ERROR_HANDLE);
}

void enable_colour_sequences(HANDLE handle) {
    DWORD mode = 0;
    if (handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode))
        SetConsoleMode(handle, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

} // namespace

void prepare_console() {
    // Scripts print UTF-8 bytes; the console shows them as such instead of
    // in the OEM code page, and typed text arrives as UTF-8 too.
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
    // The C runtime buffers standard error when it is a pipe or a file;
    // unbuffered, as on other systems, an error line is out before the
    // standard output written after it.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    enable_colour_sequences(handle_of(Stream::Output));
    enable_colour_sequences(handle_of(Stream::Error));
    // The frame limiter sleeps a few milliseconds at a time; with the default
    // timer resolution of about 15.6 ms a 60 frames-per-second cap could
    // not be kept.
    timeBeginPeriod(1);
}

std::vector<std::string> command_line_arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    args.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        args.push_back(windows::narrow(wide[i]));
    LocalFree(wide);
    return args;
}

bool is_terminal(Stream stream) {
    DWORD mode = 0;
    HANDLE handle = handle_of(stream);
    return handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

} // namespace wexlin::platform
