#!/usr/bin/env bash
# Set-up step of the grammar test: Node.js and npm from Debian when they are
# missing, then the packages of package-lock.json into WORK/node_modules with
# npm ci (again only when the lock file changed). node_modules never lands in
# the source tree.
#
# Usage: setup_node.sh SOURCE_FOLDER WORK_FOLDER
set -euo pipefail
src=$1
work=$2

if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  echo "Installing nodejs and npm"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi

mkdir -p "$work"
if [[ ! -d "$work/node_modules" ]] || ! cmp -s "$src/package-lock.json" "$work/package-lock.json"; then
  rm -rf "$work/node_modules"
  cp "$src/package.json" "$src/package-lock.json" "$work/"
  (cd "$work" && npm ci --no-audit --no-fund --loglevel=error)
fi
