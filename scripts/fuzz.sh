#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (and ASan + UBSan) and runs
# each over its corpus for a bounded time.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(HexReaderFuzz ParameterFileFuzz ProfileFuzz DispatchFuzz ReadBackFuzz)
fi

bash scripts/deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRA_FUZZ=ON \
  -DVELTRA_SANITIZE=address,undefined,fuzzer-no-link >/dev/null
cmake --build build-fuzz --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
for target in "${targets[@]}"; do
  work="build-fuzz/corpus/$target"
  mkdir -p "$work"
  echo "== $target for ${seconds}s"
  "build-fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "$work" "tests/fuzz/corpus/$target"
done
