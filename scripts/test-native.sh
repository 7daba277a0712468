#!/usr/bin/env bash
# The pure cores on the build machine: builds them natively with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer (tests/native into
# build-native/, beside the Windows build), runs their unit tests, makes the
# fuzzers' seeds from the Windows build's outputs, runs every fuzz target for
# a bounded time (VIPC_FUZZ_SECONDS, default 20) and replays every input of
# the crashers corpus (tests/fuzz/crashers/<target>/). Run by scripts/test.sh
# after the Windows suite; runs alone as well once build/ holds a build.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
windows=${VIPC_BUILD_DIR:-$repo/build}
native=${VIPC_NATIVE_BUILD_DIR:-$windows-native}
seconds=${VIPC_FUZZ_SECONDS:-20}
targets=(eldata option_stream debug_block map td32 jdbg x86 exports log_split brisole_reply
  dns_reply mail_texts html_page request_texts)

if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S "$repo/tests/native" -B "$native" -G Ninja -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DVIPC_WINDOWS_BIN="$windows/bin" >/dev/null
fi
cmake --build "$native"

passed=0
failed=0
count() { if [ "$1" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi; }

status=0
VIPC_WINDOWS_BIN="$windows/bin" "$native/bin/native_tests" --gtest_color=no || status=$?
count $status

fuzz="$native/fuzz"
rm -rf "$fuzz/seeds"
"$native/bin/fuzz_seeds" "$windows/bin" "$repo" "$fuzz/seeds"

for target in "${targets[@]}"; do
  program="$native/bin/fuzz_$target"
  work="$fuzz/$target"
  mkdir -p "$work/corpus" "$fuzz/seeds/$target"
  # The crashers first: each must run clean.
  crashers="$repo/tests/fuzz/crashers/$target"
  if [ -d "$crashers" ] && [ -n "$(ls -A "$crashers")" ]; then
    status=0
    "$program" -runs=1 "$crashers"/* >"$work/replay.log" 2>&1 || status=$?
    count $status
    if [ $status -eq 0 ]; then
      echo "fuzz $target: $(ls "$crashers" | wc -l) crashers replayed clean"
    else
      echo "fuzz $target: a crasher fails again:"; tail -30 "$work/replay.log"
    fi
  fi
  # Then the bounded run from the seeds and what earlier runs kept.
  status=0
  "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" "$fuzz/seeds/$target" >"$work/run.log" 2>&1 || status=$?
  count $status
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/run.log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/run.log")
  if [ $status -eq 0 ]; then
    echo "fuzz $target: ${runs:-?} inputs in ${seconds} s (${rate:-?} exec/s), clean"
  else
    echo "fuzz $target: FAILED; the input is kept as $work/crash-* (or leak-, timeout-, oom-):"
    grep -E -A25 'ERROR|runtime error|property failed|deadly signal' "$work/run.log" | head -40
  fi
done

echo "native: $passed passed, $failed failed"
[ $failed -eq 0 ]
