#!/usr/bin/env bash
# The whole test suite: builds everything, then runs every test program in
# Wine under a virtual display, then the pure cores natively under the
# sanitizers with their fuzz targets (scripts/test-native.sh). Extra arguments
# go to ctest.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${VIPC_BUILD_DIR:-$repo/build}

"$repo/scripts/build.sh"
cd "$build"
. "$build/wine-env.sh"
echo "32-bit code runs here: $VIPC_I386_EXECUTION"
# A Wine server left from an earlier display would hand out a dead display.
wineserver -k 2>/dev/null || true
status=0
if ! xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure "$@"; then
  # Under the qemu-i386 emulation and a loaded machine, the test that
  # suspends every other thread of its process has been seen to hang once
  # (ThreadFreeze in engine_tests; it passes when run again): failed tests get
  # one more run, and a fault that is ours fails again.
  failed=$(sed 's/^[0-9]*://' Testing/Temporary/LastTestsFailed.log 2>/dev/null | paste -sd '|')
  echo "== running the failed tests once more: ${failed:-none listed}"
  wineserver -k 2>/dev/null || true
  if [ -n "$failed" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -R "^($failed)\$" || status=$?
  else
    status=1
  fi
fi
wineserver -k 2>/dev/null || true
# The pure cores natively, under the sanitizers, and their fuzz targets.
"$repo/scripts/test-native.sh" || status=$?
exit $status
