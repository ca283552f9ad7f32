#!/usr/bin/env bash
# Cross-compiles the Windows version, wexlin.exe with SDL2.dll beside it,
# into build/windows (or the folder given), with mingw-w64 on this machine.
# SDL2 and libsodium are built from Debian's source packages, fetched once
# into build/debian-sources; their builds are kept in the build folder and
# made only once. The build's output is shown when it fails.
#   scripts/windows-build.sh [BUILD_DIR] [CMAKE OPTIONS...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$root/build/windows}
shift || true
sources=$root/build/debian-sources

bash "$root/scripts/debian-source.sh" "$sources" libsdl2 libsodium

mkdir -p "$build_dir"
log=$build_dir/build.log
if ! { cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DWEXLIN_TESTS=OFF \
  -DWEXLIN_DEBIAN_SOURCES="$sources" "$@" &&
  cmake --build "$build_dir" -j 2; } >"$log" 2>&1; then
  tail -n 100 "$log" >&2
  echo "Windows build failed; the whole output is in $log" >&2
  exit 1
fi
echo "Built $build_dir/wexlin.exe and $build_dir/SDL2.dll"

# The Windows runtime is shipped beside the Linux wexlin of the release
# build, so building for Windows from Linux works offline; cmake --install
# of the release build installs it with the Linux one.
release_runtimes=$root/build/release/runtimes
mkdir -p "$release_runtimes"
cp "$build_dir"/runtimes/wexlin-*-windows-portable.tar.gz "$release_runtimes/"
echo "Shipped $(cd "$release_runtimes" && ls wexlin-*-windows-portable.tar.gz) in $release_runtimes"
