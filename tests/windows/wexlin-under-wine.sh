#!/usr/bin/env bash
# Runs wexlin.exe of the Windows build folder under Wine, bounded in time, as
# if it were the Linux executable: the golden runner is handed this script.
#   wexlin-under-wine.sh BUILD_DIR [ARGS...]
set -euo pipefail
build_dir=$(cd "$1" && pwd)
shift
export WINEPREFIX=$build_dir/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec timeout -k 5 60 wine "$build_dir/wexlin.exe" "$@"
