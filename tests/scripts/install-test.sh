#!/usr/bin/env bash
# Checks that `cmake --install` of a built tree gives the program folder: the
# programs and the files of the source tree's config/ and Data/ (not their
# .gitkeep placeholders), byte for byte, and nothing else: no desktop entry or
# udev rules, which only the packages carry. The installed binaries may only look
# for libraries beside themselves, never in the build tree, so the folder runs
# wherever it is copied.
#   install-test.sh <build folder> <source folder>
set -euo pipefail
build="$1"
source="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $1"
  failures=$((failures + 1))
}

# Under DESTDIR, so that a file installed to an absolute path shows up here too
# instead of landing in this machine's /usr.
DESTDIR="$work/root" cmake --install "$build" --prefix /program >"$work/install.log"
program="$work/root/program"

{
  printf '%s\n' Corvid Tessel01.so veltra-cli veltra-sim
  (cd "$source" && find config Data -type f ! -name .gitkeep)
} | sed 's|^|program/|' | LC_ALL=C sort >"$work/expected"
(cd "$work/root" && find . ! -type d -printf '%P\n') | LC_ALL=C sort >"$work/installed"
if ! diff -u "$work/expected" "$work/installed" >"$work/diff"; then
  fail "the program folder holds other files than expected"
  cat "$work/diff"
fi

while read -r file; do
  case "$file" in
    config/* | Data/*)
      cmp -s "$source/$file" "$program/$file" || fail "$file differs from the source tree's"
      ;;
  esac
done < <(sed 's|^program/||' "$work/expected")

for binary in Corvid veltra-cli veltra-sim; do
  [ -x "$program/$binary" ] || fail "$binary is not executable"
done
for binary in Corvid Tessel01.so veltra-cli veltra-sim; do
  [ -f "$program/$binary" ] || continue
  readelf -d "$program/$binary" >"$work/dynamic" || { fail "$binary is no ELF file"; continue; }
  # Each search path entry is either $ORIGIN-relative or not there at all.
  while read -r entry; do
    case "$entry" in
      '$ORIGIN' | '$ORIGIN/'*) ;;
      *) fail "$binary searches $entry for libraries" ;;
    esac
  done < <(sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]$/\2/p' "$work/dynamic" | tr ':' '\n')
done

[ "$failures" -eq 0 ] || exit 1
echo "all passed"
