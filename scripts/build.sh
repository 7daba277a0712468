#!/usr/bin/env bash
# Sets the machine up (once), then configures and builds into build/ (or $VIPC_BUILD_DIR).
# Extra arguments are build targets.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${VIPC_BUILD_DIR:-$repo/build}

"$repo/scripts/setup.sh"
# One build at a time in a build tree: two at once would race on its outputs.
mkdir -p "$build"
exec 9>"$build/.build-lock"
flock 9
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-i686-mingw.cmake" >/dev/null
fi
if [ $# -gt 0 ]; then
  targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$build" "${targets[@]}"
else
  cmake --build "$build"
fi
