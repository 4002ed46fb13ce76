#!/usr/bin/env bash
# Adds device paths to the [PORTS] EXTRA list of a settings file:
#   scripts/add-extra-ports.sh build/bin/config/VTDown.ini /dev/pts/3 /dev/pts/4
# Paths already listed stay where they are and are not repeated; every other
# line of the file is kept as it was. The section and the key are created when
# the file lacks them. The file is replaced in one rename.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 SETTINGS_FILE DEVICE_PATH..." >&2
  exit 2
fi
file="$1"
shift
new_paths="$(IFS=,; echo "$*")"

# Section and key names are matched without regard to case and to the blanks
# around them, as the program's own profile reader matches them.
tmp="$(mktemp "$file.XXXXXX")"
trap 'rm -f "$tmp"' EXIT
awk -v add="$new_paths" '
  function trim(s) { gsub(/^[ \t]+|[ \t\r]+$/, "", s); return s }
  function merged(old,    list, n, i, seen, out, p) {
    out = ""
    n = split(old "," add, list, ",")
    for (i = 1; i <= n; i++) {
      p = trim(list[i])
      if (p == "" || (p in seen)) continue
      seen[p] = 1
      out = out (out == "" ? "" : ",") p
    }
    return out
  }
  function flush_blanks() { for (; blanks > 0; blanks--) print "" }
  function add_key() { print "EXTRA=" merged(""); done = 1 }
  {
    line = $0
    t = trim(line)
    if (t ~ /^\[.*\]$/) {
      if (in_ports && !done) add_key()
      flush_blanks()
      name = toupper(trim(substr(t, 2, length(t) - 2)))
      in_ports = (name == "PORTS")
      seen_ports = seen_ports || in_ports
      print line
      next
    }
    if (in_ports && !done && t == "") { blanks++; next }
    flush_blanks()
    eq = index(line, "=")
    if (in_ports && !done && t !~ /^;/ && eq > 0 && toupper(trim(substr(line, 1, eq - 1))) == "EXTRA") {
      print substr(line, 1, eq) merged(substr(line, eq + 1))
      done = 1
      next
    }
    print line
  }
  END {
    if (in_ports && !done) add_key()
    flush_blanks()
    if (!seen_ports) { print ""; print "[PORTS]"; add_key() }
  }
' "$file" >"$tmp"
chmod --reference="$file" "$tmp"
mv "$tmp" "$file"
trap - EXIT
