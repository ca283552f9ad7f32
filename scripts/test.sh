#!/usr/bin/env bash
# Set up, then run every test twice: in the release build and in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer. Also checks formatting, and
# runs every fuzz target for a short bounded time (scripts/fuzz.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

# Colour escapes are part of the expected output of many tests.
unset NO_COLOR

bash "$root/scripts/setup.sh"

echo "== format check"
cd "$root"
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# The release run includes the windows/ tests: wexlin.exe under Wine.
echo "== Windows build"
bash "$root/scripts/windows-build.sh"

echo "== release build"
ctest --test-dir "$root/build/release" --output-on-failure -j "$jobs" --timeout 300

echo "== sanitizer build"
bash "$root/scripts/setup.sh" "$root/build/asan" -DWEXLIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build/asan" --output-on-failure -j "$jobs" --timeout 600 -LE windows

echo "== fuzz targets (20 seconds each)"
bash "$root/scripts/fuzz.sh" 20
