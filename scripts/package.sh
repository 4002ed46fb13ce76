#!/usr/bin/env bash
# Builds the Debian packages into build-package/:
#   veltra-downloader_<version>_<arch>.deb        the program folder in /opt/veltra-downloader
#   veltra-downloader-udev_<version>_all.deb      the optional rules for USB serial adapters
# A Release build of the programs only; the tests are not built.
set -euo pipefail
cd "$(dirname "$0")/.."

# dpkg-shlibdeps works out the package's library dependencies; CPack finds the
# binaries it has to look at with file.
bash scripts/deps.sh dpkg-dev file

build=build-package
# -O2, as Debian builds its own packages: at -O3 GCC 12 reports a -Wrestrict
# overlap inside std::string's operator+ that cannot happen.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DVELTRA_WERROR=ON -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" --target Corvid Tessel01 veltra-cli veltra-sim
(cd "$build" && cpack -G DEB)
ls -1 "$build"/*.deb
