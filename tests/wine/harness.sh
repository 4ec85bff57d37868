# The one harness of every Wine suite. A suite starts with
#
#   MINGW_PROGRAMS=(...) NATIVE_PROGRAMS=(...)   # what it runs, by CMake target name
#   . "$(dirname "$0")/harness.sh" "$@"
#
# and so takes the same arguments as every other suite:
#
#   SUITE [--native DIR] [--mingw DIR] [-- ARGUMENTS...]
#
# DIR defaults to build/native (vrxuninst-sim, vrx-image-diff) and build/mingw (the 32-bit
# programs). Other ARGUMENTS land in ARGS; a suite that has no use for them (SUITE_ARGS unset)
# refuses them. Unless VRX_NO_BUILD=1, the programs the suite names are built first (through the
# preset where DIR is the default, in DIR otherwise); then the suite runs itself again under
# xvfb-run when there is no X display (SUITE_DISPLAY=no: it needs none), and stops with a FAIL line
# when a program it names is missing. SUITE_WINE=no leaves Wine out (the import audit).
#
# Then the Wine side: the loaders, the prefix templates, a prefix per test seeded as a 32-bit setup
# leaves a machine, the programs started as the program under test sees them, and the end state
# read back from the same view. Sets ROOT (the source tree), BUILD (the native build) and MINGW
# (the 32-bit build).
#
# Two modes, each with its own template prefix (made once, under build/wine-templates):
#   nt     a 64-bit prefix with wine32 (WoW64), as today's Windows: the program is 32-bit, so its
#          C:\windows\system32 is the prefix's syswow64 and HKLM\Software its Wow6432Node.
#   win98  a 32-bit prefix (WINEARCH=win32) whose Windows version is "win98": Windows 98 never had
#          a 64-bit side, so its system folder, Wininit.ini and the restart see one view.
# Prefixes are the template's hard links for Wine's own program files and copies of the rest, so
# a new one costs a fraction of a second; nothing may write into a program file of the template.
#
# Every program is started through the loader of its own bitness (run32, run64), by the path the
# program sees: `wine` itself may be either loader, and Wine's loader picks its own bitness of a
# built-in program (regedit, reg, wineboot) whatever path it is given.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
SUITE=$(basename "$0")
SUITE_CALL=("$@")

# usage WHY: a suite called with arguments it does not take says how to call it and stops.
usage() {
  echo "FAIL $SUITE: $1" >&2
  echo "usage: $SUITE [--native DIR] [--mingw DIR]${SUITE_ARGS:+ [-- $SUITE_ARGS]}" >&2
  exit 2
}

BUILD=$ROOT/build/native
MINGW=$ROOT/build/mingw
ARGS=()
while (($# > 0)); do
  case $1 in
    --native | --mingw)
      (($# >= 2)) || usage "$1 wants a folder"
      if [[ $1 == --native ]]; then BUILD=$2; else MINGW=$2; fi
      shift 2
      ;;
    --native=*) BUILD=${1#*=} && shift ;;
    --mingw=*) MINGW=${1#*=} && shift ;;
    --) shift && ARGS+=("$@") && break ;;
    *) ARGS+=("$1") && shift ;;
  esac
done
[[ ${#ARGS[@]} -eq 0 || -n ${SUITE_ARGS:-} ]] || usage "unknown argument ${ARGS[0]}"
[[ -v MINGW_PROGRAMS ]] || MINGW_PROGRAMS=()
[[ -v NATIVE_PROGRAMS ]] || NATIVE_PROGRAMS=()

# build_in PRESET DIR TARGET...: the targets, through the preset when DIR is the preset's folder.
build_in() {
  local preset=$1 dir=$2
  shift 2
  (($# > 0)) || return 0
  if [[ $(realpath -m "$dir") == $(realpath -m "$ROOT/build/$preset") ]]; then
    (cd "$ROOT" && cmake --preset "$preset" >/dev/null &&
      cmake --build --preset "$preset" -j2 --target "$@" >/dev/null)
  else
    cmake --build "$dir" -j2 --target "$@" >/dev/null
  fi || { echo "FAIL $SUITE: building $* in $dir"; exit 1; }
}
if [[ ${VRX_NO_BUILD:-0} != 1 ]]; then
  build_in mingw "$MINGW" "${MINGW_PROGRAMS[@]}"
  build_in native "$BUILD" "${NATIVE_PROGRAMS[@]}"
fi
if [[ -z ${DISPLAY:-} && ${SUITE_DISPLAY:-yes} != no ]]; then
  [[ -x /usr/bin/xvfb-run ]] ||
    { echo "FAIL $SUITE: /usr/bin/xvfb-run is missing (Debian package xvfb)"; exit 1; }
  [[ -x /usr/bin/xauth ]] ||
    { echo "FAIL $SUITE: /usr/bin/xauth is missing (Debian package xauth)"; exit 1; }
  VRX_NO_BUILD=1 exec /usr/bin/xvfb-run -a -s "-screen 0 1024x768x24" "$0" "${SUITE_CALL[@]}"
fi

# require_programs NAME...: programs (or DLLs) of the 32-bit build that a suite needs.
require_programs() {
  local name
  for name in "$@"; do
    [ -f "$MINGW/$name.exe" ] || [ -f "$MINGW/$name.dll" ] ||
      { echo "FAIL $SUITE: no $MINGW/$name.exe (cmake --build --preset mingw)"; exit 1; }
  done
}
# absolute DIR: the folder as an absolute path; stops the suite when there is none.
absolute() { (cd "$1" 2>/dev/null && pwd) || { echo "FAIL $SUITE: no folder $1" >&2; exit 1; }; }
# Where the builds are, as absolute paths; every program the suite named is there.
MINGW=$(absolute "$MINGW") || exit 1
require_programs "${MINGW_PROGRAMS[@]}"
if ((${#NATIVE_PROGRAMS[@]} > 0)); then
  BUILD=$(absolute "$BUILD") || exit 1
  for name in "${NATIVE_PROGRAMS[@]}"; do
    [ -x "$BUILD/$name" ] ||
      { echo "FAIL $SUITE: no $BUILD/$name (cmake --build --preset native)"; exit 1; }
  done
fi

# pass NAME, fail NAME [WHY]: one PASS or FAIL line, after CHECK_PREFIX (the mode, where a suite
# runs its checks in both); `failures` counts the failures.
failures=0
pass() { echo "PASS ${CHECK_PREFIX:-}$1"; }
fail() {
  echo "FAIL ${CHECK_PREFIX:-}$1${2:+: $2}"
  failures=$((failures + 1))
}

# wait_until SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds (true) or SECONDS have
# passed (false); COMMAND runs at least once.
wait_until() {
  local now deadline
  now=${EPOCHREALTIME//[!0-9]/}
  deadline=$((now + ${1%.*} * 1000000))
  shift
  while :; do
    "$@" && return 0
    now=${EPOCHREALTIME//[!0-9]/}
    ((now < deadline)) || return 1
    sleep 0.2
  done
}
# ended PID: the process PID is not running (any more).
ended() { ! kill -0 "$1" 2>/dev/null; }

[[ ${SUITE_WINE:-yes} == no ]] && return 0

export WINEDEBUG=-all
# No Mono, no Gecko; and no debugger: a program that crashes ends at once with its fault code
# instead of waiting in winedbg until the suite times out.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset WINEARCH
WINE_DIR=${VRX_WINE_DIR:-$ROOT/build/wine}
TEMPLATES=${VRX_WINE_TEMPLATES:-$ROOT/build/wine-templates}
mkdir -p "$WINE_DIR" "$TEMPLATES"

# missing WHAT PACKAGE: a suite that cannot run says so, fails and stops.
missing() {
  echo "FAIL $SUITE: $1 is missing (Debian package $2; scripts/setup.sh --wine installs it)"
  exit 1
}

# imagemagick TOOL: the path of ImageMagick's TOOL (convert, import): the Debian package's own
# TOOL-im6.q16 (or -im7.q16), else TOOL on PATH, whichever first says it is ImageMagick: another
# program, or a stand-in, may answer to the plain name. False when there is none.
imagemagick() {
  local name path
  for name in "$1-im6.q16" "$1-im7.q16" "$1"; do
    path=$(command -v "$name") || continue
    if [[ $("$path" -version 2>/dev/null) == "Version: ImageMagick "* ]]; then
      echo "$path"
      return 0
    fi
  done
  return 1
}

# elf_bits FILE: 32 or 64 for an ELF executable, nothing for anything else (a shell script).
elf_bits() {
  local head
  head=$(od -An -tx1 -N5 "$1" 2>/dev/null | tr -d ' \n')
  case $head in 7f454c4601) echo 32 ;; 7f454c4602) echo 64 ;; esac
}

# The two loaders. VRX_WINE32 and VRX_WINE64 name them where they live elsewhere.
find_loaders() {
  WINE32="" WINE64=""
  local candidate real bits
  for candidate in "${VRX_WINE32:-}" "${VRX_WINE64:-}" /usr/lib/wine/wine /usr/lib/wine/wine64 \
    "$(command -v wine 2>/dev/null)" "$(command -v wine64 2>/dev/null)" \
    "$(command -v wine32 2>/dev/null)"; do
    [ -n "$candidate" ] || continue
    real=$(readlink -f "$candidate" 2>/dev/null) || continue
    [ -x "$real" ] || continue
    bits=$(elf_bits "$real")
    if [ "$bits" = 32 ] && [ -z "$WINE32" ]; then WINE32=$real; fi
    if [ "$bits" = 64 ] && [ -z "$WINE64" ]; then WINE64=$real; fi
  done
  [ -n "$WINE32" ] || missing "the 32-bit Wine loader" "wine32:i386"
  [ -n "$WINE64" ] || missing "the 64-bit Wine loader" "wine64"
  # A kernel that runs no 32-bit programs (ia32_emulation off) has the loader but cannot start it:
  # then nothing of the 32-bit side runs, and every check would fail or, worse, pass unrun.
  local why
  why=$("$WINE32" --version 2>&1 >/dev/null) || {
    echo "FAIL $SUITE: the 32-bit Wine loader $WINE32 does not start here (${why##*: }): this" \
      "kernel runs no 32-bit programs (booted with ia32_emulation off?)"
    exit 1
  }
  command -v wineserver >/dev/null || missing wineserver wine
  command -v winepath >/dev/null || missing winepath wine
}
find_loaders

run32() { "$WINE32" "$@"; }
run64() { "$WINE64" "$@"; }

# The Windows form of a host path.
winpath() { winepath -w "$1" 2>/dev/null; }

# make_template MODE: the template prefix of a mode, made once (and again when Wine changes).
make_template() {
  local mode=$1 dir="$TEMPLATES/$1" stamp
  stamp="$("$WINE32" --version 2>/dev/null) $(basename "$WINE32") $(basename "$WINE64")"
  exec 9>"$TEMPLATES/.lock"
  flock 9
  if [ "$(cat "$dir/.vrx-ready" 2>/dev/null)" != "$stamp" ]; then
    echo "== making the $mode Wine prefix template (once; takes a minute)"
    rm -rf "$dir" "$TEMPLATES/$mode.baseline"*
    if [ "$mode" = nt ]; then
      WINEARCH=win64 WINEPREFIX="$dir" "$WINE64" wineboot.exe -i >/dev/null 2>&1
    else
      WINEARCH=win32 WINEPREFIX="$dir" "$WINE32" wineboot.exe -i >/dev/null 2>&1
      WINEPREFIX="$dir" "$WINE32" reg.exe add 'HKCU\Software\Wine' /v Version /d win98 /f \
        >/dev/null 2>&1
    fi
    WINEPREFIX="$dir" wineserver -w
    if [ "$mode" = nt ] && [ ! -d "$dir/drive_c/windows/syswow64" ]; then
      rm -rf "$dir"
      missing "the 32-bit side of the 64-bit prefix (no syswow64)" "wine32:i386"
    fi
    echo "$stamp" >"$dir/.vrx-ready"
  fi
  flock -u 9
}

# clone_tree FROM TO: TO as a copy of FROM, with Wine's program files shared as hard links.
clone_tree() {
  rm -rf "$2"
  mkdir -p "$(dirname "$2")"
  cp -al "$1" "$2" || return 1
  (cd "$1" && find . -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' \
    -o -iname '*.sys' -o -iname '*.ocx' -o -iname '*.acm' -o -iname '*.cpl' -o -iname '*.tlb' \
    -o -iname '*.nls' -o -iname '*.ax' -o -iname '*.ds' -o -iname '*.vxd' -o -iname '*.com' \
    -o -iname '*.msstyles' \) -print0 | xargs -0 -r cp -a --parents --remove-destination -t "$2")
}

# use_prefix DIR MODE: the mode's facts for an existing prefix; sets WINEPREFIX, PREFIX, MODE,
# SYS32_DRIVE (the host folder that a 32-bit program sees as C:\windows\system32) and SYS32 (its
# Windows path as a program that starts another names it: Wine looks for the program to start
# before it knows its bitness, so without redirection), REGEDIT32 and, in NT mode, REGEDIT64 and
# SYS64_DRIVE (the 64-bit side's system32).
use_prefix() {
  PREFIX=$1 MODE=$2
  export WINEPREFIX="$PREFIX"
  if [ "$MODE" = nt ]; then
    SYS32='C:\windows\syswow64'
    SYS32_DRIVE="$PREFIX/drive_c/windows/syswow64"
    SYS64_DRIVE="$PREFIX/drive_c/windows/system32"
    REGEDIT32='C:\windows\syswow64\regedit.exe'
    REGEDIT64='C:\windows\regedit.exe'
    REDIRECT=(--redirect 'C:\windows\system32=C:\windows\syswow64')
  else
    SYS32='C:\windows\system32'
    SYS32_DRIVE="$PREFIX/drive_c/windows/system32"
    SYS64_DRIVE=""
    REGEDIT32='C:\windows\regedit.exe'
    REGEDIT64=""
    REDIRECT=()
  fi
}

# new_prefix NAME MODE: a fresh prefix of the mode below WINE_DIR.
new_prefix() {
  make_template "$2"
  local dir="$WINE_DIR/$1"
  WINEPREFIX="$dir" wineserver -k 2>/dev/null || true
  clone_tree "$TEMPLATES/$2" "$dir" || { echo "FAIL cannot copy the $2 template to $dir"; exit 1; }
  use_prefix "$dir" "$2"
}

# end_prefix: stops what still runs in the prefix.
end_prefix() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

regedit32() { run32 "$REGEDIT32" "$@"; }
regedit64() { run64 "$REGEDIT64" "$@"; }
reg32() { run32 'C:\windows\system32\reg.exe' "$@"; }
reg64() { run64 'C:\windows\system32\reg.exe' "$@"; }

# restart_windows: the next start of Windows, done by the system's own bitness.
restart_windows() {
  if [ "$MODE" = nt ]; then
    run64 'C:\windows\system32\wineboot.exe' -r >/dev/null 2>&1
  else
    run32 'C:\windows\system32\wineboot.exe' -r >/dev/null 2>&1
  fi
  wineserver -w
}

# install_uninstaller: VRXUnInst.EXE in the system folder the program sees, the tools in
# C:\windows (seen alike by both sides).
install_uninstaller() {
  cp "$MINGW/VRXUnInst.exe" "$SYS32_DRIVE/VRXUnInst.EXE"
  local tool
  for tool in file_locker ui_driver; do
    [ -f "$MINGW/$tool.exe" ] && cp "$MINGW/$tool.exe" "$PREFIX/drive_c/windows/"
  done
  return 0
}

# start_uninstaller WORDS...: the program as it is installed, in the foreground of the caller.
start_uninstaller() { run32 "$SYS32\\VRXUnInst.EXE" "$@"; }

ui() { run32 'C:\windows\ui_driver.exe' "$@"; }

# ini_section IMAGE SECTION: the key=value lines of one section of machine.ini.
ini_section() {
  awk -v want="[$2]" '/^\[/ { inside = ($0 == want); next } inside && /=/ { print }' "$1/machine.ini"
}

# seed IMAGE: the image's registry through the 32-bit regedit, its files (the system folder's into
# the one the program sees), attributes, the uninstaller installed, and file_locker.exe holding
# the image's files in use.
seed() {
  local image=$1
  regedit32 /S "$(winpath "$image/registry.reg")"
  "$BUILD/vrx-image-diff" --seed "$image" --wine-drive "$PREFIX/drive_c" "${REDIRECT[@]}" ||
    fail "seeding $image"
  local path letters flags
  while IFS='=' read -r path letters; do
    flags=""
    case $letters in *R*) flags="$flags +R" ;; esac
    case $letters in *H*) flags="$flags +H" ;; esac
    case $letters in *S*) flags="$flags +S" ;; esac
    # shellcheck disable=SC2086
    run32 'C:\windows\system32\attrib.exe' $flags "$path" >/dev/null
  done < <(ini_section "$image" attributes)
  install_uninstaller
  local locked=() flag
  while IFS='=' read -r path flag; do
    [ "$flag" = 1 ] && locked+=("$path")
  done < <(ini_section "$image" in-use)
  rm -f "$PREFIX/drive_c/locker.ready" "$PREFIX/drive_c/locker.stop"
  if [ "${#locked[@]}" -gt 0 ]; then
    run32 'C:\windows\file_locker.exe' --ready 'C:\locker.ready' --stop 'C:\locker.stop' \
      "${locked[@]}" &
    wait_until 10 test -f "$PREFIX/drive_c/locker.ready" ||
      fail "file_locker.exe holds the image's files"
    rm -f "$PREFIX/drive_c/locker.ready"
  fi
}

# release_locks: lets file_locker.exe go, and waits a little for it to end.
no_job_running() { [ -z "$(jobs -pr)" ]; }
release_locks() {
  [ -n "$(jobs -p)" ] || return 0
  touch "$PREFIX/drive_c/locker.stop"
  wait_until 5 no_job_running
  rm -f "$PREFIX/drive_c/locker.stop"
}

# export_state OUT [64]: the registry roots the uninstaller touches, as the 32-bit regedit (or,
# with 64, the 64-bit one) exports them.
ROOTS=(
  'HKEY_LOCAL_MACHINE\Software\Docseal4'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDLLs'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\RunOnce'
  'HKEY_CLASSES_ROOT\CLSID\{BF7A5B3D-566C-11D3-99AF-0010608026A6}'
)
export_state() {
  local out=$1 bits=${2:-32} i=0 root
  mkdir -p "$out"
  for root in "${ROOTS[@]}"; do
    i=$((i + 1))
    "regedit$bits" /E "$(winpath "$out/export$i.reg")" "$root" >/dev/null 2>&1 || true
  done
}

# baseline [64]: what the mode's template itself holds under the roots (Wine's own), exported
# once per template from a copy of it.
baseline() {
  local bits=${1:-32} out="$TEMPLATES/$MODE.baseline${1:-}"
  if [ ! -f "$out/.done" ]; then
    (
      clone_tree "$TEMPLATES/$MODE" "$WINE_DIR/baseline-$MODE" &&
        use_prefix "$WINE_DIR/baseline-$MODE" "$MODE" && export_state "$out" "$bits"
      end_prefix
    ) >/dev/null
    rm -rf "$WINE_DIR/baseline-$MODE"
    touch "$out/.done"
  fi
  echo "$out"
}

# compare IMAGE SIM_OUT EXPORTS [OPTION]...: the Wine prefix, as the 32-bit program sees it,
# against the simulator's image after the same run.
compare() {
  local image=$1 sim=$2 exports=$3 base f root
  shift 3
  base=$(baseline)
  local args=(--before "$image" --sim "$sim" --wine-drive "$PREFIX/drive_c" "${REDIRECT[@]}")
  for f in "$exports"/export*.reg; do args+=(--wine-reg "$f"); done
  for f in "$base"/export*.reg; do args+=(--baseline-reg "$f"); done
  for root in "${ROOTS[@]}"; do args+=(--root "$root"); done
  "$BUILD/vrx-image-diff" "${args[@]}" "$@"
}

# simulate IMAGE OUT SCRIPT [OPTION]... [-- WORDS...]: the same run on the simulator, its machine
# afterwards in OUT and its transcript in OUT.txt; false when the simulator fails.
simulate() {
  local image=$1 out=$2 script=$3
  shift 3
  rm -rf "$out"
  "$BUILD/vrxuninst-sim" --machine "$image" --script "$script" --out "$out" "$@" >"$out.txt" 2>&1
}

# check_same NAME IMAGE SIM EXPORTS: one comparison with the simulator, the difference shown on
# failure.
check_same() {
  local diff
  diff="$WORK/$(tr ' /:' '___' <<<"$1").diff"
  if compare "$2" "$3" "$4" >"$diff"; then
    pass "$1"
  else
    fail "$1" "end state differs from the simulator's:"
    sed 's/^/    /' "$diff"
  fi
}

# same_as_sim NAME IMAGE SCRIPT [-- WORDS...]: the prefix's end state, exported now, against the
# simulator's after the same run.
same_as_sim() {
  local name=$1 image=$2 script=$3
  shift 3
  simulate "$image" "$WORK/sim" "$script" "$@" || { fail "$name" "the simulator failed"; return; }
  export_state "$WORK/wine"
  check_same "$name" "$image" "$WORK/sim" "$WORK/wine"
}

# user_script REPLY FILE: the simulator's script of the user that run_program plays: REPLY to every
# question, Exit, then "Don't Restart".
user_script() {
  {
    for _ in $(seq 20); do echo "answer $1"; done
    printf 'click cmdExit\nclick cmdLater\n'
  } >"$2"
}

# wanted NAME: SCENARIOS, when set, names NAME (a space-separated list).
wanted() { [ -z "${SCENARIOS:-}" ] || [[ " $SCENARIOS " == *" $1 "* ]]; }

# each_scenario: run_scenario NAME IMAGE_DIR MODE REPLY RESTART WORDS... for every wanted line of
# scenarios.txt, in its order. The table is read on its own descriptor: the scenarios' programs
# keep standard input.
each_scenario() {
  local name image mode reply restart words
  while read -r -u 7 name image mode reply restart words; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    wanted "$name" || continue
    # shellcheck disable=SC2086  # the words are one per blank-separated field
    run_scenario "$name" "$ROOT/tests/wine/machines/$image" "$mode" "$reply" "$restart" $words
  done 7<"$ROOT/tests/wine/scenarios.txt"
}

# play_once REPLY [EXIT_BUTTON]: one look at the program's windows as its user would give it:
# REPLY (yes, no or ok) to a question (counted in QUESTIONS), "Don't Restart" on the restart prompt
# and EXIT_BUTTON (none when empty) on the finished progress window. True when it did one of them.
play_once() {
  if ui answer Docseal "$1" >/dev/null 2>&1; then
    QUESTIONS=$((QUESTIONS + 1))
    return 0
  fi
  ui click "Finished" "Don't Restart" >/dev/null 2>&1 && return 0
  [ -n "${2:-}" ] && ui click "Processing Uninstall" "$2" >/dev/null 2>&1
}

# play_until_ended PID REPLY [EXIT_BUTTON]: plays the user (play_once) until the process PID has
# ended; false when it still runs after PLAY_SECONDS (it is then stopped). QUESTIONS counts the
# questions answered.
PLAY_SECONDS=180
play_until_ended() {
  PLAYED=("$@")
  QUESTIONS=0
  wait_until "$PLAY_SECONDS" played_to_the_end && return 0
  kill "$1" 2>/dev/null
  return 1
}
# played_to_the_end: true once the process has ended; else one look (play_once), and false.
played_to_the_end() {
  ended "${PLAYED[0]}" && return 0
  play_once "${PLAYED[@]:1}"
  return 1
}

# run_program REPLY WORDS...: starts the uninstaller and plays the user until it ends: REPLY (yes
# or no) to every question, Exit on the finished progress window, "Don't Restart" on the restart
# prompt; false when it has not ended after PLAY_SECONDS (it is then stopped). With NOREBOOT
# the progress window closes by itself and Exit is left alone: a click in the moment between Exit
# showing and the window closing runs Exit's handler as well, which writes the Programmable key's
# "Reboot" value, a race that no simulator script replays. SECONDS_TAKEN is how long it ran,
# QUESTIONS how many questions it asked.
run_program() {
  local reply=$1 started=$EPOCHREALTIME word exit_button=Exit
  shift
  for word in "$@"; do [ "${word^^}" = NOREBOOT ] && exit_button=""; done
  start_uninstaller "$@" &
  local pid=$!
  play_until_ended "$pid" "$reply" "$exit_button" || return 1
  SECONDS_TAKEN=$(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')
  wait "$pid"
}
