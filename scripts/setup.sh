#!/usr/bin/env bash
# Installs the Debian packages Wexlin needs (only those missing; silent when
# all are present) and builds the release binary into build/release.
#
# Package names alone do not say whether a machine can run every test: a
# package may be installed without the optional part a test relies on (an
# ImageMagick without its SVG coder, say), or a program may come from
# somewhere else entirely (a Python from pyenv without Pillow). So after the
# list in packages.txt, each capability the tests use is tried for real, and
# the package that provides it is installed when the try fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
updated=false

install_packages() {
  echo "Installing: $*"
  if [[ $updated == false ]]; then
    "${sudo_cmd[@]}" apt-get update -qq
    updated=true
  fi
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

missing=()
while read -r pkg; do
  [[ -z "$pkg" || "$pkg" == \#* ]] && continue
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done < "$root/scripts/packages.txt"
((${#missing[@]} == 0)) || install_packages "${missing[@]}"

# Each line: the package that provides a capability, then a command that
# succeeds only when the capability is there.
capabilities=(
  "curl|command -v curl"
  "tar|command -v tar"
  "xvfb|command -v Xvfb"
  "xdotool|command -v xdotool"
  # Debian's own path: a convert elsewhere on PATH may be a stand-in.
  "imagemagick|test -x /usr/bin/convert && test -x /usr/bin/import"
  "libmagickcore-6.q16-6-extra|convert -list format | grep -qE '^ +SVG'"
  "python3|test -x /usr/bin/python3"
  "unicode-data|for f in UnicodeData SpecialCasing PropList DerivedCoreProperties; do test -f /usr/share/unicode/\$f.txt || exit 1; done"
  "python3-pil|/usr/bin/python3 -c 'import PIL.Image'"
  "python3-pefile|/usr/bin/python3 -c 'import pefile'"
  "python3-pygame|/usr/bin/python3 -c 'import pygame'"
  "desktop-file-utils|command -v desktop-file-validate"
  "lua5.4|command -v lua5.4"
  "valgrind|command -v valgrind"
  "binutils|command -v objdump"
  "clang|command -v clang++"
  "clang-format|command -v clang-format"
  "libfuzzer-14-dev|ls /usr/lib/llvm-14/lib/libFuzzer.a"
  "libclang-rt-14-dev|ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.asan-x86_64.a /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a"
  "g++-mingw-w64-x86-64-posix|command -v x86_64-w64-mingw32-g++-posix"
  "wine|command -v wine"
  "wine64|test -x /usr/lib/wine/wine64"
  "dpkg-dev|command -v dpkg-source"
  "autoconf|command -v autoreconf"
  "automake|command -v automake"
  "libtool|command -v libtoolize"
  "nodejs|command -v node"
  "npm|command -v npm"
)
lacking=()
for entry in "${capabilities[@]}"; do
  pkg=${entry%%|*}
  check=${entry#*|}
  bash -c "$check" >/dev/null 2>&1 || lacking+=("$pkg")
done
if ((${#lacking[@]})); then
  install_packages "${lacking[@]}"
  still=()
  for entry in "${capabilities[@]}"; do
    bash -c "${entry#*|}" >/dev/null 2>&1 || still+=("${entry%%|*}")
  done
  if ((${#still[@]})); then
    echo "Still missing after installing (check these packages): ${still[*]}" >&2
    exit 1
  fi
fi

# The Debian sources the Windows build compiles (SDL2, libsodium), fetched
# once; deb-src entries are added when the machine has none.
bash "$root/scripts/debian-source.sh" "$root/build/debian-sources" libsdl2 libsodium

# The build's output is kept in a log and shown when the build fails, so an
# error in CI is visible without filling every log with compiler lines.
build_dir=${1:-$root/build/release}
shift || true
mkdir -p "$build_dir"
log=$build_dir/setup.log
if ! { cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" &&
  cmake --build "$build_dir"; } >"$log" 2>&1; then
  tail -n 100 "$log" >&2
  echo "Build failed; the whole output is in $log" >&2
  exit 1
fi
