#!/usr/bin/env bash
# Fetches Debian source packages (by default libsdl2 and libsodium, which the
# Windows build compiles with mingw-w64) into a cache folder, once:
#   scripts/debian-source.sh CACHE_DIR [PACKAGE...]
# Each package ends up unpacked in CACHE_DIR/<package>/<package>-<version>.
#
# Source packages come from the machine's own apt sources. When none of them
# offers sources, a deb-src entry is added for every binary entry of this
# release, with the same addresses, so nothing here names a host.
set -euo pipefail
cache=${1:?cache folder}
shift
packages=("$@")
((${#packages[@]})) || packages=(libsdl2 libsodium)
mkdir -p "$cache"
as_root=()
[[ $(id -u) -ne 0 ]] && as_root=(sudo)

sources_have_src() {
  grep -qsE '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list && return 0
  grep -qsE '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources && return 0
  return 1
}

enable_sources() {
  local codename target
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  target=/etc/apt/sources.list.d/wexlin-deb-src.sources
  {
    # One-line format: every "deb" line of this release becomes a deb-src line.
    { cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
      awk -v codename="$codename" '
        $1 == "deb" {
          for (i = 2; i <= NF; i++) if ($i !~ /^\[/ && $i !~ /=/ && $i !~ /\]$/) break
          suite = $(i + 1)
          if (suite == codename || index(suite, codename "-") == 1) {
            line = $0; sub(/^deb/, "deb-src", line); print line
          }
        }' | sort -u | sed 's/^/## /'
    # deb822 format: every paragraph of this release with "Types: deb" is
    # repeated with "Types: deb-src".
    { cat /etc/apt/sources.list.d/*.sources 2>/dev/null || true; } |
      awk -v codename="$codename" '
        function flush() {
          if (para != "" && binary && suite_ok) { sub(/Types:[^\n]*/, "Types: deb-src", para); printf "%s\n", para }
          para = ""; binary = 0; suite_ok = 0
        }
        /^[[:space:]]*$/ { flush(); next }
        /^#/ { next }
        { para = para $0 "\n" }
        /^Types:/ { for (i = 2; i <= NF; i++) if ($i == "deb") binary = 1 }
        /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == codename || index($i, codename "-") == 1) suite_ok = 1 }
        END { flush() }'
  } >"${TMPDIR:-/tmp}/wexlin-deb-src.new"
  # The one-line entries were marked so they could be told apart: they go to
  # a .list file of their own, the rest stays in deb822 form.
  local new=${TMPDIR:-/tmp}/wexlin-deb-src.new
  grep '^## ' "$new" | sed 's/^## //' >"$new.list" || true
  grep -v '^## ' "$new" >"$new.sources" || true
  [[ -s "$new.list" ]] && "${as_root[@]}" cp "$new.list" "${target%.sources}.list"
  [[ -s "$new.sources" ]] && "${as_root[@]}" cp "$new.sources" "$target"
  rm -f "$new" "$new.list" "$new.sources"
  if ! sources_have_src; then
    echo "No apt source of this release to derive a deb-src entry from" >&2
    return 1
  fi
  echo "Enabled Debian source packages (${target%.sources}.*)"
  "${as_root[@]}" apt-get update -qq
}

for pkg in "${packages[@]}"; do
  if compgen -G "$cache/$pkg/$pkg-*/" >/dev/null; then
    continue
  fi
  sources_have_src || enable_sources
  command -v dpkg-source >/dev/null || "${as_root[@]}" apt-get install -y -qq --no-install-recommends dpkg-dev >/dev/null
  echo "Fetching the Debian source of $pkg"
  rm -rf "$cache/$pkg.part"
  mkdir -p "$cache/$pkg.part"
  if ! (cd "$cache/$pkg.part" && apt-get source -qq "$pkg" >fetch.log 2>&1); then
    # The package lists may predate the deb-src entry.
    "${as_root[@]}" apt-get update -qq
    (cd "$cache/$pkg.part" && apt-get source -qq "$pkg" >fetch.log 2>&1) || {
      cat "$cache/$pkg.part/fetch.log" >&2
      echo "Could not fetch the source of $pkg" >&2
      exit 1
    }
  fi
  rm -rf "$cache/$pkg"
  mv "$cache/$pkg.part" "$cache/$pkg"
done
