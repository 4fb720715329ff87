#!/bin/sh
# Fails when ctest runs fewer tests than the floor kept in tests/test-count-floor: a lost line
# in a CMake file drops tests silently. Removing tests on purpose lowers the floor in the
# same commit. Usage: check-test-floor.sh <build dir> [floor file]
set -eu
build=${1:?usage: check-test-floor.sh <build dir> [floor file]}
floor_file=${2:-$(dirname "$0")/../tests/test-count-floor}
floor=$(grep -v '^#' "$floor_file" | tr -d ' \n')
count=$(ctest --test-dir "$build" -N | sed -n 's/^Total Tests: //p')
if [ -z "$count" ] || [ "$count" -lt "$floor" ]; then
  echo "ctest runs ${count:-no} tests, fewer than the floor of $floor in $floor_file:" >&2
  echo "a test was lost, or tests were removed on purpose and the floor must come down with them" >&2
  exit 1
fi
echo "ctest runs $count tests (floor $floor)"
