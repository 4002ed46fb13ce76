#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
#   scripts/test.sh                          normal build in build/
#   scripts/test.sh --sanitize address,undefined   build in build-address-undefined/
#   scripts/test.sh --sanitize thread --label channel   only tests with that CTest label
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=""
label=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) sanitize="$2"; shift 2 ;;
    --label) label="$2"; shift 2 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

bash scripts/deps.sh

build=build
if [ -n "$sanitize" ]; then
  build="build-${sanitize//,/-}"
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTRA_WERROR=ON -DVELTRA_SANITIZE="$sanitize" >/dev/null
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"

args=(--test-dir "$build" --output-on-failure -j 2)
if [ -n "$label" ]; then
  args+=(-L "$label")
fi
ctest "${args[@]}"
