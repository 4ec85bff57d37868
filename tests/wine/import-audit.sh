#!/usr/bin/env bash
# Checks that the built VRXUnInst.exe loads where the program is meant to run: a 32-bit GUI
# image (PE32, Intel 80386) with subsystem and OS version 4.0 (Windows 95 and NT 4.0 refuse an
# image whose subsystem version is higher), no delay-loaded imports, and a load-time import
# table that holds only what tests/wine/vrxuninst-imports.txt allows.
#
#   tests/wine/import-audit.sh [--native DIR] [--mingw DIR] [-- ALLOWLIST]
#
# The program is DIR/VRXUnInst.exe of the 32-bit build (build/mingw), built first unless
# VRX_NO_BUILD=1 (see harness.sh; the audit needs neither Wine nor a display). Prints a PASS or
# FAIL line per check and names every import that is not on the list; exit status 0 when every
# check passes.
set -uo pipefail
MINGW_PROGRAMS=(VRXUnInst)
SUITE_ARGS=ALLOWLIST
SUITE_DISPLAY=no
SUITE_WINE=no
# shellcheck source=harness.sh
. "$(dirname "$0")/harness.sh" "$@"
EXE=$MINGW/VRXUnInst.exe
LIST=${ARGS[0]:-$ROOT/tests/wine/vrxuninst-imports.txt}
OBJDUMP=i686-w64-mingw32-objdump

command -v "$OBJDUMP" >/dev/null ||
  { echo "FAIL import audit: $OBJDUMP is missing (Debian package binutils-mingw-w64-i686)"; exit 1; }
[[ -f "$LIST" ]] || { echo "FAIL import audit: no $LIST"; exit 1; }

headers=$("$OBJDUMP" -p "$EXE") || { echo "FAIL import audit: $OBJDUMP cannot read $EXE"; exit 1; }
field() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$headers"; }

format=$(sed -n 's/.*file format //p' <<<"$headers" | head -1)
magic=$(field Magic)
subsystem=$(field Subsystem)
if [[ "$format" == pei-i386 && "$magic" == 010b && "$subsystem" == 00000002 ]]; then
  pass "a PE32 GUI image for Intel 80386"
else
  fail "a PE32 GUI image for Intel 80386" "format $format, magic $magic, subsystem $subsystem"
fi

versions="subsystem $(field MajorSubsystemVersion).$(field MinorSubsystemVersion),"
versions+=" OS $(field MajorOSystemVersion).$(field MinorOSystemVersion)"
if [[ "$versions" == "subsystem 4.0, OS 4.0" ]]; then
  pass "subsystem and OS version 4.0"
else
  fail "subsystem and OS version 4.0" "$versions"
fi

delay=$(awk '$1 == "Entry" && $2 == "d" { print $3 "/" $4; exit }' <<<"$headers")
if [[ "$delay" == 00000000/00000000 ]]; then
  pass "no delay-loaded imports"
else
  fail "no delay-loaded imports" "delay import directory at $delay"
fi

# The import table as DLL!Function lines (DLL!#N for an import by ordinal); DLL names are
# compared without regard to case, as Windows finds DLLs.
imports=$(awk '
  /^The Import Tables/ { inside = 1; next }
  inside && /^The / && !/^The Import/ { inside = 0 }
  inside && /DLL Name:/ { dll = $3; next }
  inside && dll != "" && /^\t[0-9a-f]+\t/ {
    name = ($3 == "" || $3 == "<none>") ? "#" $2 : $3
    print tolower(dll) "!" name
  }' <<<"$headers" | sort -u)
allowed=$(sed 's/#.*//' "$LIST" | awk 'NF { split($1, p, "!"); print tolower(p[1]) "!" p[2] }' |
  sort -u)
count=$(grep -c . <<<"$imports")
if [[ $count -lt 20 ]]; then
  fail "the import table was read" "only $count imports found"
fi
unlisted=$(comm -23 <(echo "$imports") <(echo "$allowed"))
if [[ -z "$unlisted" ]]; then
  pass "all $count imports are on the list"
else
  fail "imports on the list" "not on $(basename "$LIST"):"
  sed 's/^/    /' <<<"$unlisted"
fi

# Every entry names the oldest systems: 95 or 98, and NT 4.0 or older; a 98 needs a reason.
bad=$(sed 's/[[:space:]]*$//' "$LIST" | awk '
  /^#/ || NF == 0 { next }
  {
    ok = ($2 == "95" || ($2 == "98" && index($0, "#") > 0)) && $3 == "NT" && $4 + 0 <= 4.0
    if (!ok) print "    " $0
  }')
if [[ -z "$bad" ]]; then
  pass "every allowed import is on Windows 95 or 98 and NT 4.0"
else
  fail "every allowed import is on Windows 95 or 98 and NT 4.0"
  echo "$bad"
fi

# Entries no longer imported are reported, not failed: the list may stay a little wider.
stale=$(comm -13 <(echo "$imports") <(echo "$allowed"))
[[ -n "$stale" ]] && echo "note: on the list but no longer imported: $(paste -sd' ' <<<"$stale")"

echo "$failures import checks failed"
[[ $failures -eq 0 ]]
