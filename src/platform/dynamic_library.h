// Libraries opened at run time (SDL, libedit): the program starts and runs
// scripts without them, and only the features that need one report its
// absence.
#pragma once

namespace wexlin::platform {

// Opens a shared library by file name, searched as the system searches for
// libraries (on Windows the executable's own folder comes first). Null when
// it cannot be opened. The library stays loaded for the life of the process.
void* open_library(const char* name);

// The address of a symbol of an opened library; null when it has none.
void* library_symbol(void* library, const char* name);

} // namespace wexlin::platform
