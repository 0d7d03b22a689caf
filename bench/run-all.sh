#!/usr/bin/env bash
# Runs every benchmark of a build folder configured with -DQUORVANE_BENCH=ON
# -DQUORVANE_TESTS=ON, under the desktop harness (in a network namespace of
# its own when it may make one, so the engine's fixed ports are free), and
# prints one table: measure, aim, median, p90, max, verdict. A benchmark that
# could not measure shows as "not measured" with its reason, never as met.
# Exits 0 only when every aim was measured and met.
#   bench/run-all.sh BUILD [ctest arguments, e.g. -R Dictation]
set -uo pipefail

build="$(realpath "${1:?usage: bench/run-all.sh BUILD [ctest arguments]}")"
shift
source="$(cd "$(dirname "$0")/.." && pwd)"
results="$build/bench-results"

cmake --build "$build" || exit 1
mkdir -p "$results"
rm -f "$results"/*.json "$results/junit.xml"

# One benchmark at a time, so that none times another's load.
harness=("$source/scripts/run-tests.sh" "$build" -L bench -j 1 --output-junit "$results/junit.xml" "$@")
if unshare -n true 2>/dev/null; then
  unshare -n sh -c 'ip link set lo up && exec "$@"' harness "${harness[@]}" >"$results/run.log" 2>&1
else
  "${harness[@]}" >"$results/run.log" 2>&1
fi
echo "(each benchmark's own report: $results/run.log)"
exec /usr/bin/python3 "$source/bench/summarize.py" "$results" "$results/junit.xml" "$source/bench/aims.tsv"
