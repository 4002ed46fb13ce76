#!/usr/bin/env bash
# Builds everything in build/ and starts the host program from its program
# folder, build/bin/, where it looks for Tessel01.so, config/ and Data/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRA_WERROR=ON >/dev/null
cmake --build build
exec build/bin/Corvid "$@"
