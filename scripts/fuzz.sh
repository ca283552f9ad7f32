#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehavior-
# Sanitizer) into build/fuzz and runs each for a bounded time, one target
# after another, in one process.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#
# Defaults: 20 seconds for every target. The seeds in fuzz/corpus/<target>/
# are only read; inputs that find new coverage go to build/fuzz/corpus/<target>/
# so later runs start from them. A finding (crash, sanitizer report, timeout,
# memory limit) is saved under build/fuzz/findings/<target>/ and makes the
# script fail. docs/reliability.md shows how to reproduce one.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-20}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(lexer_parser interpreter payload module_yaml pe_subsystem http_request)
fi

build=$root/build/fuzz
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DWEXLIN_FUZZ=ON -DWEXLIN_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz -- -j2 >/dev/null

failed=()
for target in "${targets[@]}"; do
  case $target in
    lexer_parser) options=(-max_len=65536 -dict="$root/fuzz/wexlin.dict") ;;
    interpreter) options=(-max_len=4096) ;;
    http_request) options=(-max_len=8192 -dict="$root/fuzz/http.dict") ;;
    *) options=(-max_len=8192) ;;
  esac
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  log=$build/logs/$target.log
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  echo "== fuzz $target for ${seconds}s"
  # Standard output and error of the code under test are closed (libFuzzer
  # keeps its own report); everything goes to the log.
  if "$build/fuzz/fuzz_$target" "${options[@]}" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2560 \
    -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1; then
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^Done" "$log" | tr '\n' ' '
    echo
  else
    echo "FINDING in $target: see $log and $findings/"
    tail -n 40 "$log"
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "fuzz targets with findings: ${failed[*]}"
  exit 1
fi
