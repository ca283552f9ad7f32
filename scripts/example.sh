#!/usr/bin/env bash
# Set up, build, and run the example tour.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
cd "$root/examples"
"$root/build/release/wexlin" tour.wx
