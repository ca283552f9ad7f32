# Installation and the Debian package.
#
#   cmake --install build/release --prefix /usr/local   # wexlin on a prefix
#   cmake --build build/release --target package        # build/release/wexlin_<version>_<arch>.deb
#
# Installed: bin/wexlin, and under share/doc/wexlin the README, the guides
# of docs/ and the examples; the VS Code extension folder goes to
# share/wexlin/editors/vscode.

include(GNUInstallDirs)

if(WIN32)
  # A Windows installation is a folder: wexlin.exe with SDL2.dll beside it,
  # and the documentation.
  install(TARGETS wexlin RUNTIME DESTINATION .)
  install(FILES ${WEXLIN_SDL2_DLL} DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION doc)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION doc)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION doc/examples)
  return()
endif()

install(TARGETS wexlin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/editors/vscode/ DESTINATION ${CMAKE_INSTALL_DATADIR}/wexlin/editors/vscode
        PATTERN node_modules EXCLUDE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wexlin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Wexlin")
set(CPACK_PACKAGE_CONTACT "Wexlin developers <wexlin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Small scripting language for games and tools, with its whole tool chain")
set(CPACK_PACKAGE_DESCRIPTION
    "One executable, wexlin, runs .wx scripts, offers a REPL with line editing, draws through SDL2, \
serves and fetches plain HTTP, works with files and programs, installs modules from a registry and \
bundles a script into a standalone executable.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION interpreters)
# The linked libraries (the C library, libsodium) are found by
# dpkg-shlibdeps. SDL2 is opened at run time on the first window and libedit
# when the REPL starts, so they are named here (SDL2 of the version the build
# found); install, upgrade and build run curl and tar. The Unicode tables are
# compiled in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(WEXLIN_OPENED_LIBRARIES "libedit2")
if(SDL2_VERSION)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0 (>= ${SDL2_VERSION}), ${WEXLIN_OPENED_LIBRARIES}, curl, tar")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0, ${WEXLIN_OPENED_LIBRARIES}, curl, tar")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "imagemagick")
include(CPack)
