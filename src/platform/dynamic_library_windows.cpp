#include "platform/dynamic_library.h"

#include <windows.h>

#include "platform/windows_text.h"

namespace wexlin::platform {

void* open_library(const char* name) {
    // No error dialog box when the library or one it needs is missing: the
    // caller reports the absence itself.
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryW(windows::widen(name).c_str());
    SetErrorMode(previous);
    return reinterpret_cast<void*>(module);
}

void* library_symbol(void* library, const char* name) {
    if (!library) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

} // namespace wexlin::platform
