#!/usr/bin/env bash
# Runs every ctest suite of a label N times in a row and prints each suite's
# pass count and its slowest run: a suite that depends on timing is called
# done only when it passes every time. Each run keeps its ctest time-out, so
# a hang counts as a failure; the output of failed runs is kept.
#
#   scripts/repeat-tests.sh LABEL N [BUILD_DIR]     e.g. scripts/repeat-tests.sh gui 30
set -uo pipefail
cd "$(dirname "$0")/.."

label=${1:?usage: scripts/repeat-tests.sh LABEL N [BUILD_DIR]}
runs=${2:?usage: scripts/repeat-tests.sh LABEL N [BUILD_DIR]}
build=${3:-build}
logs=$(mktemp -d /tmp/repeat-tests.XXXXXX)

mapfile -t suites < <(ctest --test-dir "$build" -N -L "^${label}\$" | sed -n 's/^ *Test *#[0-9]*: //p')
if [ ${#suites[@]} -eq 0 ]; then
  echo "no test has the label $label in $build" >&2
  exit 2
fi

failed=0
for suite in "${suites[@]}"; do
  passed=0 slowest_ms=0
  for run in $(seq "$runs"); do
    began=$(date +%s%N)
    if ctest --test-dir "$build" -R "^${suite}\$" --output-on-failure >"$logs/$suite.$run.log" 2>&1; then
      passed=$((passed + 1))
      rm -f "$logs/$suite.$run.log"
    fi
    took_ms=$((($(date +%s%N) - began) / 1000000))
    [ "$took_ms" -gt "$slowest_ms" ] && slowest_ms=$took_ms
  done
  printf '%-24s %3d of %3d passed, slowest run %d.%d s\n' "$suite" "$passed" "$runs" \
    $((slowest_ms / 1000)) $((slowest_ms % 1000 / 100))
  [ "$passed" -eq "$runs" ] || failed=1
done
if [ "$failed" -eq 0 ]; then
  rm -rf "$logs"
else
  echo "the output of the failed runs is in $logs"
fi
exit "$failed"
