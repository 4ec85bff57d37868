#!/usr/bin/env bash
# Checks that the built VRXUnInst.exe loads and runs where the program is meant to run: a 32-bit
# GUI image (PE32, Intel 80386) with subsystem and OS version 4.0 (Windows 95 and NT 4.0 refuse an
# image whose subsystem version is higher), no delay-loaded imports, a load-time import table that
# holds only what tests/wine/vrxuninst-imports.txt allows, msvcrt.dll imports that the first
# msvcrt.dll (4.20) has, and code with no instruction beyond the Pentium Pro's (MMX, 3DNow!, SSE
# and later, and the other instructions that came after it) but in the functions the list allows.
#
#   tests/wine/import-audit.sh [--native DIR] [--mingw DIR] [-- ALLOWLIST]
#
# The program is DIR/VRXUnInst.exe of the 32-bit build (build/mingw), its code read from
# VRXUnInst-symbols.exe, the same image with its symbols, built first unless VRX_NO_BUILD=1 (see
# harness.sh; the audit needs neither Wine nor a display). Prints a PASS or FAIL line per check,
# names every import that is not on the list and every function with such an instruction, and
# lists msvcrt.dll's imports by the msvcrt.dll that brought them; exit status 0 when every check
# passes.
set -uo pipefail
MINGW_PROGRAMS=(VRXUnInst VRXUnInst-symbols)
SUITE_ARGS=ALLOWLIST
SUITE_DISPLAY=no
SUITE_WINE=no
# shellcheck source=harness.sh
. "$(dirname "$0")/harness.sh" "$@"
EXE=$MINGW/VRXUnInst.exe
SYMBOLS=$MINGW/VRXUnInst-symbols.exe
LIST=${ARGS[0]:-$ROOT/tests/wine/vrxuninst-imports.txt}
BINUTILS=/usr/bin/i686-w64-mingw32-
OBJDUMP=${BINUTILS}objdump

# The tools by the paths their package installs them at, so that nothing else on PATH answers.
for tool in objdump objcopy nm c++filt; do
  [[ -x $BINUTILS$tool ]] || {
    echo "FAIL import audit: $BINUTILS$tool is missing (Debian package binutils-mingw-w64-i686)"
    exit 1
  }
done
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
allowed=$(sed 's/#.*//' "$LIST" | awk '$1 ~ /!/ { split($1, p, "!"); print tolower(p[1]) "!" p[2] }' |
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

# Every entry names the oldest systems: 95 or 98, and NT 4.0 or older; a 98 needs a reason. An
# msvcrt.dll entry names Windows 95 OSR2 and the msvcrt.dll that brought it, 4.20 at the latest.
bad=$(sed 's/[[:space:]]*$//' "$LIST" | awk '
  /^#/ || NF == 0 || $1 == "processor" { next }
  tolower($1) ~ /^msvcrt\.dll!/ {
    if (!($2 == "OSR2" && $3 == "NT" && $4 + 0 <= 4.0 && $5 ~ /^[0-9]+\.[0-9]+$/ && $5 + 0 <= 4.20))
      print "    " $0
    next
  }
  {
    ok = ($2 == "95" || ($2 == "98" && index($0, "#") > 0)) && $3 == "NT" && $4 + 0 <= 4.0 &&
      ($5 == "" || $5 == "#")
    if (!ok) print "    " $0
  }')
if [[ -z "$bad" ]]; then
  pass "every allowed import is on Windows 95 or 98 and NT 4.0, msvcrt.dll's in version 4.20"
else
  fail "every allowed import is on Windows 95 or 98 and NT 4.0, msvcrt.dll's in version 4.20"
  echo "$bad"
fi

# msvcrt.dll's imports by the oldest msvcrt.dll that exports them (the list's last column).
echo "msvcrt.dll imports, by the oldest msvcrt.dll that exports them:"
awk 'NR == FNR { split($1, p, "!"); if (tolower(p[1]) == "msvcrt.dll") version[p[2]] = $5; next }
  { split($0, p, "!"); v = version[p[2]] == "" ? "not on the list" : version[p[2]]; names[v] = names[v] " " p[2] }
  END { for (v in names) print "  " v ":" names[v] }' \
  <(sed 's/#.*//' "$LIST") <(grep '^msvcrt\.dll!' <<<"$imports") | fold -s -w 100 |
  sed '2,$s/^\([^ ]\)/    \1/; s/ *$//'

# Entries no longer imported are reported, not failed: the list may stay a little wider.
stale=$(comm -13 <(echo "$imports") <(echo "$allowed"))
[[ -n "$stale" ]] && echo "note: on the list but no longer imported: $(paste -sd' ' <<<"$stale")"

# The code. VRXUnInst-symbols.exe is the same link with its symbols: the same code, byte for byte.
text_of() { "${BINUTILS}objcopy" -O binary --only-section=.text "$1" /dev/stdout 2>/dev/null; }
if cmp -s <(text_of "$EXE") <(text_of "$SYMBOLS"); then
  pass "VRXUnInst-symbols.exe holds the program's code"
else
  fail "VRXUnInst-symbols.exe holds the program's code" "its .text differs from VRXUnInst.exe's"
fi

# Every instruction up to the constructor list, which the linker puts after the code (the rest
# of .text is data: the constructor and destructor lists and the exception tables), with the
# function it is in. Beyond the Pentium Pro: any MMX, 3DNow!, SSE or AVX register, and the other
# instructions that came later (SYSENTER and FXSAVE with the Pentium II, the fences, PREFETCH,
# POPCNT, LZCNT, CRC32, MOVBE, BMI, RDRAND, FISTTP of SSE3...). The Pentium Pro's own CMOV, FCOMI
# and FCMOV are fine; so is TZCNT, which is REP BSF and runs as BSF on a processor without BMI,
# and PAUSE, which is REP NOP.
code_end=$("${BINUTILS}nm" "$SYMBOLS" | awk '$3 == "___CTOR_LIST__" { print "0x" $1; exit }')
beyond=$("$OBJDUMP" -dC --no-show-raw-insn -j .text --stop-address="${code_end:-0}" "$SYMBOLS" |
  awk -F'\t' '
  /^[0-9a-f]+ <.*>:$/ { function_name = substr($0, index($0, "<") + 1); sub(/>:$/, "", function_name); next }
  NF >= 2 && $1 ~ /^ *[0-9a-f]+:$/ {
    n = split($2, word, " ")
    i = 1
    while (i < n && word[i] ~ /^(lock|rep|repz|repnz|repe|repne|data16|addr16|[c-gs]s|notrack|bnd)$/) i++
    if ($2 ~ /%([xyz]?mm[0-9]|k[0-7]|bnd[0-3])/ ||
        word[i] ~ /^(emms|femms|prefetch|[slm]fence|clflush|clwb|movnti|[ls]tmxcsr|fxsave|fxrstor|xsave|xrstor|xgetbv|xsetbv|sysenter|sysexit|syscall|sysret|rdrand|rdseed|rdtscp|rdpid|popcnt|lzcnt|crc32|movbe|andn|bextr|blsi|blsmsk|blsr|bzhi|mulx|pdep|pext|rorx|sarx|shlx|shrx|adcx|adox|monitor|mwait|cmpxchg16b|fisttp|xbegin|xend|xabort|xtest|vzero)/)
      print function_name "\t" word[i]
  }' | sort -u)
[[ -n $code_end ]] || fail "the code was read" "no ___CTOR_LIST__ in $(basename "$SYMBOLS")"
# A function of a section of its own is named by its section: .text$NAME, NAME demangled.
beyond=$(while IFS=$'\t' read -r name instruction; do
  [[ $name == .text* ]] && name=$("${BINUTILS}c++filt" -n "${name#.text[.$]}")
  printf '%s\t%s\n' "$name" "$instruction"
done <<<"$beyond" | sed '/^\t*$/d')
allowed_functions=$(sed -n 's/^processor[[:space:]]\+\([^#]*[^#[:space:]]\)[[:space:]]*#.*/\1/p' "$LIST")
found=$(cut -f1 <<<"$beyond" | sed '/^$/d' | sort -u)
unallowed=$(comm -23 <(echo "$found") <(sort -u <<<"$allowed_functions") | sed '/^$/d')
if [[ -z $unallowed ]]; then
  pass "no instruction beyond the Pentium Pro but in the $(grep -c . <<<"$found") functions allowed"
else
  fail "no instruction beyond the Pentium Pro" "in $(grep -c . <<<"$unallowed") functions:"
  while read -r name; do
    echo "    $name: $(awk -F'\t' -v f="$name" '$1 == f { print $2 }' <<<"$beyond" | paste -sd' ')"
  done <<<"$unallowed"
fi

echo "$failures import checks failed"
[[ $failures -eq 0 ]]
