#!/usr/bin/env bash
# Builds what the tool needs in build/ and starts the host program from its
# program folder, build/bin/, where it finds Tessel01.so, config/ and Data/.
#
#   scripts/run.sh            with four virtual modules in their boot loader
#   scripts/run.sh --app      with four virtual modules in their application firmware
#   scripts/run.sh --no-sim   with the PC's own serial ports only
#
# The virtual modules sit behind the stable links $XDG_RUNTIME_DIR/veltra/ttyVM0
# to ttyVM3 (/tmp/veltra-<uid>/ without that variable), which are added to
# [PORTS] EXTRA of build/bin/config/VTDown.ini.
# When this script runs in a terminal, that terminal is their console: type
# "app 0" to restart the first module into its application firmware, "boot 0"
# to put it back into the boot loader, "state" to see all four. They stop when
# the tool does.
set -euo pipefail
cd "$(dirname "$0")/.."

sim=yes
start=--boot
case "${1:-}" in
  --no-sim) sim=no; shift ;;
  --app) start=--app; shift ;;
  --boot) shift ;;
esac

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: run it on a virtual one with  xvfb-run -a scripts/run.sh" >&2
  exit 1
fi

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRA_WERROR=ON >/dev/null
# Every build copies config/ and Data/ afresh into the program folder.
cmake --build build --target Corvid Tessel01 veltra-cli veltra-sim shipped_data

program="$PWD/build/bin"
# Short link paths, so that the port list and the status window can show
# which module a row is.
if [ -n "${XDG_RUNTIME_DIR:-}" ]; then
  links="$XDG_RUNTIME_DIR/veltra"
else
  links="/tmp/veltra-$(id -u)"
fi
modules=4

corvid_pid=""
sim_pid=""
# Called by the EXIT trap only.
# shellcheck disable=SC2317
stop() {
  if [ -n "$corvid_pid" ]; then
    kill -TERM "$corvid_pid" 2>/dev/null || true
    wait "$corvid_pid" 2>/dev/null || true
  fi
  if [ -n "$sim_pid" ]; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

if [ "$sim" = yes ]; then
  rm -f "$links"/ttyVM*
  if [ -t 0 ]; then
    "$program/veltra-sim" --modules "$modules" "$start" --link-dir "$links" --erase-ms 2000 <&0 &
  else
    "$program/veltra-sim" --modules "$modules" "$start" --link-dir "$links" --erase-ms 2000 &
  fi
  sim_pid=$!
  # The links appear in module order once the terminals are open.
  last="$links/ttyVM$((modules - 1))"
  for _ in $(seq 100); do
    [ -L "$last" ] && break
    kill -0 "$sim_pid" 2>/dev/null || { echo "veltra-sim did not start" >&2; exit 1; }
    sleep 0.1
  done
  [ -L "$last" ] || { echo "veltra-sim made no links in $links" >&2; exit 1; }
  ports=()
  for ((i = 0; i < modules; i++)); do
    ports+=("$links/ttyVM$i")
  done
  bash scripts/add-extra-ports.sh "$program/config/VTDown.ini" "${ports[@]}"
fi

"$program/Corvid" "$@" &
corvid_pid=$!
status=0
wait "$corvid_pid" || status=$?
corvid_pid=""
exit "$status"
