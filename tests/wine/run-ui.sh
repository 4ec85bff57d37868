#!/usr/bin/env bash
# The forms on real windows: runs the 32-bit ui_smoke.exe (tests/wine/ui_smoke*.cpp) under Wine
# with a Wine virtual desktop, in Windows NT mode (a 64-bit prefix, WoW64) at 96, 120 and 144
# pixels per inch, and in Windows 98 mode (a 32-bit prefix) at 96.
#
#   tests/wine/run-ui.sh [--native DIR] [--mingw DIR] [-- GTEST_ARGUMENTS...]
#
# Builds ui_smoke.exe first unless VRX_NO_BUILD=1, and runs under xvfb-run when no X display is
# given (see harness.sh). VRX_UI_SMOKE names another build of it, VRX_UI_PREFIX the prefix
# (default build/wine/ui). Arguments after the folders go to the test program (--gtest_filter=...).
# Exit status: 0 when both modes pass.
set -uo pipefail
MINGW_PROGRAMS=(ui_smoke)
[[ -n ${VRX_UI_SMOKE:-} ]] && MINGW_PROGRAMS=()
SUITE_ARGS="GTEST_ARGUMENTS..."
# shellcheck source=harness.sh
. "$(dirname "$0")/harness.sh" "$@"
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
run_at nt 96 "${ARGS[@]}"
# The cases that do not depend on the DPI or the Windows version (the font broadcast waits out a
# window that does not answer) run once.
again=("${ARGS[@]}")
[ ${#ARGS[@]} -eq 0 ] && again=(--gtest_filter=-FontBroadcast.*)
run_at nt 120 "${again[@]}"
run_at nt 144 "${again[@]}"
run_at win98 96 "${again[@]}"
rm -rf "$prefix"
exit $status
