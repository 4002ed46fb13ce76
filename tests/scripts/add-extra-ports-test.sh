#!/usr/bin/env bash
# Checks that adding ports to [PORTS] EXTRA keeps every other line of the
# settings file and never lists a path twice.
#   add-extra-ports-test.sh <path of add-extra-ports.sh>
set -euo pipefail
helper="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

expect() {  # name, expected text, file
  if ! diff -u <(printf '%s' "$2") "$3" >"$work/diff"; then
    echo "FAIL: $1"
    cat "$work/diff"
    failures=$((failures + 1))
  fi
}

# The shipped layout: a commented example line and no key yet. The key goes at
# the end of the section, before the blank lines that part it from the next one.
printf '; settings\n[STARTUP]\nCOUNTRY=UN\n\n[PORTS]\n; EXTRA=/dev/pts/3\n\n[TEST]\nITEM_SETTING=10101010\n' >"$work/a.ini"
bash "$helper" "$work/a.ini" /run/v/ttyVM0 /run/v/ttyVM1
expect "key added to the section" \
  $'; settings\n[STARTUP]\nCOUNTRY=UN\n\n[PORTS]\n; EXTRA=/dev/pts/3\nEXTRA=/run/v/ttyVM0,/run/v/ttyVM1\n\n[TEST]\nITEM_SETTING=10101010\n' \
  "$work/a.ini"

# A second start adds nothing that is listed already; a new path goes last.
bash "$helper" "$work/a.ini" /run/v/ttyVM1 /dev/ttyUSB0
expect "listed paths kept once" \
  $'; settings\n[STARTUP]\nCOUNTRY=UN\n\n[PORTS]\n; EXTRA=/dev/pts/3\nEXTRA=/run/v/ttyVM0,/run/v/ttyVM1,/dev/ttyUSB0\n\n[TEST]\nITEM_SETTING=10101010\n' \
  "$work/a.ini"

# Names are matched as the program's profile reader matches them: any case,
# blanks around them. Only the section [PORTS] is touched.
printf '[test]\nextra=keep\n[ ports ]\n  Extra = /dev/ttyS4 \n' >"$work/b.ini"
bash "$helper" "$work/b.ini" /dev/ttyS5
expect "existing key in any case" $'[test]\nextra=keep\n[ ports ]\n  Extra =/dev/ttyS4,/dev/ttyS5\n' "$work/b.ini"

# A file without the section gets it at its end.
printf '[STARTUP]\nCOUNTRY=UN\n' >"$work/c.ini"
bash "$helper" "$work/c.ini" /dev/pts/9
expect "section created" $'[STARTUP]\nCOUNTRY=UN\n\n[PORTS]\nEXTRA=/dev/pts/9\n' "$work/c.ini"

[ "$failures" -eq 0 ] || exit 1
echo "all passed"
