#!/usr/bin/env bash
# Runs the benchmark suite: wexlin beside python3 and lua5.4 on every
# workload. The set-up step installs what is missing (lua5.4, GNU time) and
# brings build/release/wexlin up to date first. Arguments go to run.py, for
# example: bash bench/run.sh --reps 5 --only 1,5
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
exec python3 "$root/bench/run.py" "$@"
