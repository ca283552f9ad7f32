# The Windows build's two libraries, compiled from Debian's own source
# packages (scripts/debian-source.sh fetches them): SDL2 as SDL2.dll, opened
# at run time like libSDL2 on Linux and shipped beside wexlin.exe, and
# libsodium as a static library. Each is built once, at configure time, into
# WEXLIN_WINDOWS_DEPS; a later configure finds the result and builds nothing.
set(WEXLIN_DEBIAN_SOURCES ${CMAKE_SOURCE_DIR}/build/debian-sources
    CACHE PATH "Folder with the unpacked Debian source packages libsdl2 and libsodium")
set(WEXLIN_WINDOWS_DEPS ${CMAKE_BINARY_DIR}/windows-deps
    CACHE PATH "Where the Windows builds of SDL2 and libsodium are kept")

function(wexlin_source_dir package out)
  file(GLOB candidates LIST_DIRECTORIES true ${WEXLIN_DEBIAN_SOURCES}/${package}/${package}-*)
  list(FILTER candidates EXCLUDE REGEX "\\.(tar|dsc|gz|xz)")
  if(NOT candidates)
    message(FATAL_ERROR "No Debian source of ${package} in ${WEXLIN_DEBIAN_SOURCES}; "
                        "run scripts/debian-source.sh ${WEXLIN_DEBIAN_SOURCES}")
  endif()
  list(GET candidates 0 dir)
  set(${out} ${dir} PARENT_SCOPE)
endfunction()

# Runs one step of a dependency's build, its output kept in a log that is
# shown when the step fails.
function(wexlin_dependency_step name log)
  file(MAKE_DIRECTORY ${WEXLIN_WINDOWS_DEPS})
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_FILE ${log} ERROR_FILE ${log})
  if(NOT rc EQUAL 0)
    file(STRINGS ${log} lines)
    list(LENGTH lines count)
    math(EXPR first "${count} - 40")
    if(first LESS 0)
      set(first 0)
    endif()
    list(SUBLIST lines ${first} -1 tail)
    list(JOIN tail "\n" tail)
    message(FATAL_ERROR "${name} failed (${rc}); the end of ${log}:\n${tail}")
  endif()
endfunction()

set(jobs 2)
set(triplet ${WEXLIN_MINGW_TRIPLET})

# SDL2.dll with SDL's own CMake build.
set(WEXLIN_SDL2_DLL ${WEXLIN_WINDOWS_DEPS}/sdl2/bin/SDL2.dll)
if(NOT EXISTS ${WEXLIN_SDL2_DLL})
  wexlin_source_dir(libsdl2 sdl2_source)
  message(STATUS "Cross-building SDL2.dll from ${sdl2_source} (once)")
  set(work ${WEXLIN_WINDOWS_DEPS}/sdl2-build)
  wexlin_dependency_step("Configuring SDL2" ${WEXLIN_WINDOWS_DEPS}/sdl2-configure.log
    ${CMAKE_COMMAND} -S ${sdl2_source} -B ${work} -G Ninja
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake
      -DCMAKE_BUILD_TYPE=Release
      -DCMAKE_INSTALL_PREFIX=${WEXLIN_WINDOWS_DEPS}/sdl2
      -DCMAKE_EXE_LINKER_FLAGS=
      -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON
      # The DLL must not need MinGW's runtime DLLs either.
      "-DCMAKE_SHARED_LINKER_FLAGS=-static-libgcc")
  wexlin_dependency_step("Building SDL2" ${WEXLIN_WINDOWS_DEPS}/sdl2-build.log
    ${CMAKE_COMMAND} --build ${work} -j ${jobs})
  wexlin_dependency_step("Installing SDL2" ${WEXLIN_WINDOWS_DEPS}/sdl2-install.log
    ${CMAKE_COMMAND} --install ${work})
endif()
set(WEXLIN_SDL2_INCLUDE_DIR ${WEXLIN_WINDOWS_DEPS}/sdl2/include/SDL2)

# libsodium with its autotools build. The Debian source is a git snapshot
# without a generated configure script; autoreconf makes it (the project's
# autogen.sh would also fetch newer config.guess and config.sub from the
# net, which a build must not do; automake's own serve).
set(sodium_prefix ${WEXLIN_WINDOWS_DEPS}/libsodium)
if(NOT EXISTS ${sodium_prefix}/lib/libsodium.a)
  wexlin_source_dir(libsodium sodium_source)
  message(STATUS "Cross-building libsodium from ${sodium_source} (once)")
  set(work ${WEXLIN_WINDOWS_DEPS}/libsodium-build)
  file(REMOVE_RECURSE ${work})
  file(COPY ${sodium_source}/ DESTINATION ${work})
  wexlin_dependency_step("Generating libsodium's configure" ${WEXLIN_WINDOWS_DEPS}/libsodium-autogen.log
    ${CMAKE_COMMAND} -E chdir ${work} autoreconf -ivf)
  wexlin_dependency_step("Configuring libsodium" ${WEXLIN_WINDOWS_DEPS}/libsodium-configure.log
    ${CMAKE_COMMAND} -E chdir ${work} env CC=${CMAKE_C_COMPILER} CFLAGS=-O2
      ./configure --host=${triplet} --prefix=${sodium_prefix}
      --disable-shared --enable-static --disable-dependency-tracking --disable-ssp)
  wexlin_dependency_step("Building libsodium" ${WEXLIN_WINDOWS_DEPS}/libsodium-build.log
    make -C ${work} -j ${jobs} install)
endif()
add_library(wexlin_sodium STATIC IMPORTED GLOBAL)
set_target_properties(wexlin_sodium PROPERTIES
  IMPORTED_LOCATION ${sodium_prefix}/lib/libsodium.a
  INTERFACE_INCLUDE_DIRECTORIES ${sodium_prefix}/include
  # The headers mark every function dllimport unless told the library is static.
  INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC
  INTERFACE_LINK_LIBRARIES advapi32)
add_library(PkgConfig::SODIUM ALIAS wexlin_sodium)

# Only SDL's headers are compiled against; the DLL is opened at run time.
add_library(wexlin_sdl2_headers INTERFACE)
target_include_directories(wexlin_sdl2_headers INTERFACE ${WEXLIN_SDL2_INCLUDE_DIR})
add_library(SDL2::SDL2 ALIAS wexlin_sdl2_headers)
