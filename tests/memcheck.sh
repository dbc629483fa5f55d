#!/usr/bin/env bash
# Runs the built program under valgrind's memcheck for every workload, on
# its normal path and on failure paths, and fails on any memory error or
# leak of the program's own.
# Usage: tests/memcheck.sh [path/to/zuzuzavev]
set -euo pipefail
program="$(realpath "${1:-build/default/zuzuzavev}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

head -c 1048576 /dev/urandom >data.dat
: >empty.dat
mkdir folder

runs=(
  ""
  "-future"
  "data.dat"
  "data.dat -r -detailed_debug -filesize 64k -pagesize 4k"
  "data.dat -r -unbuffered -debug -filesize 64k -pagesize 4k"
  "data.dat -r -ran -detailed_debug -filesize 64k -pagesize 4k"
  "data.dat -r -ran -unbuffered -filesize 64k -pagesize 4k"
  "data.dat -rw -detailed_debug -filesize 64k -pagesize 4k"
  "data.dat -r -sgio -detailed_debug -filesize 64k -pagesize 8k -numpages 4"
  "data.dat -r -sgio -filesize 8k -pagesize 2048 -numpages 2"
  "out.dat -w -detailed_debug -filesize 64k -pagesize 4k"
  "out.dat -w -unbuffered -writethru -filesize 64k -pagesize 4k"
  "out.dat -w -sgio -detailed_debug -filesize 64k -pagesize 8k -numpages 4"
  "out.dat -w -sgio -filesize 12k -pagesize 6144 -numpages 2"
  "missing.dat -r"
  "missing.dat -r -ran"
  "missing.dat -rw"
  "missing.dat -r -sgio -filesize 64k -numpages 2"
  "empty.dat -r -filesize 8k"
  "empty.dat -rw -filesize 8k"
  "folder -w -filesize 8k"
  "folder -w -sgio -filesize 64k -numpages 2"
  "data.dat -r -filesize 9000"
  "data.dat -pagesize 8KB"
)
failures=0
for arguments in "${runs[@]}"; do
  # shellcheck disable=SC2086
  if ! valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect \
      --show-leak-kinds=definite,indirect "$program" $arguments >/dev/null 2>memcheck.log; then
    echo "memcheck: errors for: zuzuzavev $arguments"
    cat memcheck.log
    failures=$((failures + 1))
  fi
done
echo "memcheck: $(( ${#runs[@]} - failures )) passed, $failures failed"
[ "$failures" -eq 0 ]
