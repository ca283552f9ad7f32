#!/bin/sh
# Runs wexlin (the path in WEXLIN_BINARY) under Valgrind's memory checker:
# any invalid access, and any leak of memory no longer reachable at exit,
# gives status 99, which the golden runner reports as a failure.
exec valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect \
  --show-leak-kinds=definite,indirect --error-exitcode=99 "$WEXLIN_BINARY" "$@"
