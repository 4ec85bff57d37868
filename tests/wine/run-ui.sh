#!/usr/bin/env bash
# The forms on real windows: runs the 32-bit ui_smoke.exe (tests/wine/ui_smoke*.cpp) under Wine
# with a Wine virtual desktop, in Windows NT mode (a 64-bit prefix, WoW64) at 96, 120 and 144
# pixels per inch, and in Windows 98 mode (a 32-bit prefix) at 96, under xvfb-run when no X
# display is given. Builds build/mingw/ui_smoke.exe
# first unless VRX_NO_BUILD=1; VRX_UI_SMOKE names another build of it, VRX_UI_PREFIX the prefix
# (default build/wine/ui). Arguments go to the test program (--gtest_filter=...).
# Exit status: 0 when both modes pass.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
if [[ -z "${DISPLAY:-}" ]]; then
  command -v xvfb-run >/dev/null ||
    { echo "FAIL run-ui.sh: xvfb-run is missing (Debian package xvfb)"; exit 1; }
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
if [[ "${VRX_NO_BUILD:-0}" != 1 ]]; then
  (cd "$ROOT" && cmake --preset mingw >/dev/null &&
    cmake --build --preset mingw -j2 --target ui_smoke) || exit 1
fi
# shellcheck source=harness.sh
. "$ROOT/tests/wine/harness.sh"
exe="${VRX_UI_SMOKE:-$MINGW/ui_smoke.exe}"
[[ -f "$exe" ]] || { echo "FAIL run-ui.sh: no $exe"; exit 1; }
prefix="${VRX_UI_PREFIX:-$WINE_DIR/ui}"

status=0
# run_at MODE DPI [ARGUMENTS...]: the suite in a fresh prefix of the mode at the DPI.
run_at() {
  local mode=$1 dpi=$2
  shift 2
  echo "== $mode mode, $dpi pixels per inch"
  make_template "$mode"
  wineserver -k 2>/dev/null || true
  clone_tree "$TEMPLATES/$mode" "$prefix"
  use_prefix "$prefix" "$mode"
  # A virtual desktop: Wine then activates and focuses windows at once, as Windows does, instead
  # of waiting for an X window manager that is not there. Large enough for the progress window
  # at 144 pixels per inch.
  reg32 add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  reg32 add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  reg32 add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w
  if run32 "$exe" "$@"; then
    echo "== $mode mode, $dpi pixels per inch: passed"
  else
    echo "== $mode mode, $dpi pixels per inch: FAILED"
    status=1
  fi
  end_prefix
}
run_at nt 96 "$@"
# The cases that do not depend on the DPI or the Windows version (the font broadcast waits out a
# window that does not answer) run once.
again=("$@")
[ $# -eq 0 ] && again=(--gtest_filter=-FontBroadcast.*)
run_at nt 120 "${again[@]}"
run_at nt 144 "${again[@]}"
run_at win98 96 "${again[@]}"
rm -rf "$prefix"
exit $status
