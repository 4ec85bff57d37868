# Functions for the Wine scenarios: a prefix per scenario, seeded from a machine image, the real
# VRXUnInst.EXE run in it, and its end state compared with the simulator's for the same image.
# Sourced by run-scenarios.sh and run-wizard.sh; expects ROOT (the source tree), BUILD (the
# native build) and MINGW (the MinGW build) to be set.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE_DIR="$BUILD/wine"
# The same template as the contract tests use.
TEMPLATE="$ROOT/build/wine-template"

# The Windows form of a host path.
winpath() { winepath -w "$1" 2>/dev/null; }

# A prefix made once and copied for every scenario.
make_template() {
  mkdir -p "$WINE_DIR"
  if [ ! -f "$TEMPLATE/.vrx-ready" ]; then
    rm -rf "$TEMPLATE"
    WINEPREFIX="$TEMPLATE" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$TEMPLATE" wineserver -w
    touch "$TEMPLATE/.vrx-ready"
  fi
}

# new_prefix NAME: a fresh copy of the template; sets WINEPREFIX and PREFIX.
new_prefix() {
  PREFIX="$WINE_DIR/$1"
  WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true
  rm -rf "$PREFIX"
  cp -a --reflink=auto "$TEMPLATE" "$PREFIX"
  export WINEPREFIX="$PREFIX"
}

# ini_section IMAGE SECTION: the key=value lines of one section of machine.ini.
ini_section() {
  awk -v want="[$2]" '/^\[/ { inside = ($0 == want); next } inside && /=/ { print }' "$1/machine.ini"
}

# seed IMAGE [win98]: the image's registry, files, attributes and Windows version; the uninstaller
# in the system folder; file_locker.exe holding the image's files in use.
seed() {
  local image=$1 mode=${2:-nt}
  if [ "$mode" = win98 ]; then
    wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null
  fi
  wine regedit /S "$(winpath "$image/registry.reg")"
  "$BUILD/vrx-image-diff" --seed "$image" --wine-drive "$PREFIX/drive_c"
  while IFS='=' read -r path letters; do
    local flags=""
    case $letters in *R*) flags="$flags +R" ;; esac
    case $letters in *H*) flags="$flags +H" ;; esac
    case $letters in *S*) flags="$flags +S" ;; esac
    # shellcheck disable=SC2086
    wine attrib $flags "$path" >/dev/null
  done < <(ini_section "$image" attributes)
  cp "$MINGW/VRXUnInst.exe" "$PREFIX/drive_c/windows/system32/VRXUnInst.EXE"
  cp "$MINGW/file_locker.exe" "$MINGW/ui_driver.exe" "$PREFIX/drive_c/windows/"
  local locked=()
  while IFS='=' read -r path flag; do
    [ "$flag" = 1 ] && locked+=("$path")
  done < <(ini_section "$image" in-use)
  rm -f "$PREFIX/locker.ready" "$PREFIX/locker.stop"
  if [ "${#locked[@]}" -gt 0 ]; then
    wine 'C:\windows\file_locker.exe' --ready 'C:\locker.ready' --stop 'C:\locker.stop' \
      "${locked[@]}" &
    for _ in $(seq 100); do [ -f "$PREFIX/drive_c/locker.ready" ] && break; sleep 0.2; done
    rm -f "$PREFIX/drive_c/locker.ready"
  fi
}

# release_locks: lets file_locker.exe go.
release_locks() {
  touch "$PREFIX/drive_c/locker.stop"
  sleep 1
  rm -f "$PREFIX/drive_c/locker.stop"
}

ui() { wine 'C:\windows\ui_driver.exe' "$@"; }

# pass NAME, fail NAME [WHY]: one PASS or FAIL line; `failures` counts the failures.
failures=0
pass() { echo "PASS $1"; }
fail() {
  echo "FAIL $1${2:+: $2}"
  failures=$((failures + 1))
}

# export_state OUT: the registry roots the uninstaller touches, as regedit exports them.
ROOTS=(
  'HKEY_LOCAL_MACHINE\Software\Docseal4'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDLLs'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\RunOnce'
  'HKEY_CLASSES_ROOT\CLSID\{BF7A5B3D-566C-11D3-99AF-0010608026A6}'
)
export_state() {
  local out=$1 i=0
  mkdir -p "$out"
  for root in "${ROOTS[@]}"; do
    i=$((i + 1))
    wine regedit /E "$(winpath "$out/export$i.reg")" "$root" >/dev/null 2>&1 || true
  done
}

# compare IMAGE SIM_OUT EXPORTS [--ignore PATH]...: the Wine prefix against the simulator; what
# the template prefix itself holds under the roots is Wine's own.
compare() {
  local image=$1 sim=$2 exports=$3
  shift 3
  if [ ! -d "$WINE_DIR/baseline" ]; then
    (export WINEPREFIX="$TEMPLATE"; export_state "$WINE_DIR/baseline"; wineserver -w)
  fi
  local args=(--before "$image" --sim "$sim" --wine-drive "$PREFIX/drive_c")
  for f in "$exports"/export*.reg; do args+=(--wine-reg "$f"); done
  for f in "$WINE_DIR"/baseline/export*.reg; do args+=(--baseline-reg "$f"); done
  for root in "${ROOTS[@]}"; do args+=(--root "$root"); done
  "$BUILD/vrx-image-diff" "${args[@]}" "$@"
}
