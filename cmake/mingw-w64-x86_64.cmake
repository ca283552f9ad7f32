# Cross-compiles Wexlin for 64-bit Windows with Debian's mingw-w64 (the posix
# thread model, whose C++ library has std::thread and std::mutex):
#   cmake -S . -B build/windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(WEXLIN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${WEXLIN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${WEXLIN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${WEXLIN_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${WEXLIN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything is linked in, the C and C++ runtimes and winpthreads too, so
# wexlin.exe needs no MinGW DLL beside it; only SDL2.dll, opened at run
# time, travels with it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
