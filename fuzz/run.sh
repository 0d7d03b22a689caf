#!/bin/bash
# Builds the fuzzers in their own clang build and runs one of them from its
# seeds for a fixed time with a fixed seed. Any crash, leak or sanitizer
# report fails the run.
#   fuzz/run.sh BUILD_FOLDER fuzz_frame_reader|fuzz_note_decoder [SECONDS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:?build folder}"
fuzzer="${2:?fuzzer name}"
seconds="${3:-${QV_FUZZ_SECONDS:-60}}"
seeds="$here/seeds/${fuzzer#fuzz_}"

# Both fuzz tests may start at once: one builds while the other waits.
exec 9>"$build.lock"
flock 9
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
cmake --build "$build" --target "$fuzzer" >/dev/null
flock -u 9

# Work on a copy of the seeds: new inputs found on the way stay in the build.
corpus="$build/corpus-${fuzzer#fuzz_}"
mkdir -p "$corpus"
cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
"$build/$fuzzer" -seed=1 -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
  -artifact_prefix="$build/crash-${fuzzer#fuzz_}-" "$corpus"
