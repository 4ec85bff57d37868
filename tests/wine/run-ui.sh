#!/usr/bin/env bash
# The forms on real windows: runs ui_smoke.exe (tests/wine/ui_smoke.cpp) under Wine in a fresh
# prefix with a Wine virtual desktop, under xvfb-run when no X display is given. Builds
# build/mingw/ui_smoke.exe first unless VRX_NO_BUILD=1; VRX_UI_SMOKE names another build of it.
# Arguments go to the test program (--gtest_filter=...). Exit status: the test program's.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi
if [[ "${VRX_NO_BUILD:-0}" != 1 ]]; then
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw -j2 --target ui_smoke
fi
exe="${VRX_UI_SMOKE:-$root/build/mingw/ui_smoke.exe}"
[[ -f "$exe" ]] || { echo "missing $exe" >&2; exit 1; }

export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all WINEARCH=win64
template="$root/build/wine-template"  # shared with run-contract.sh
if [[ ! -f "$template/.vrx-ready" ]]; then
  rm -rf "$template"
  echo "== making the Wine prefix template (once; takes a minute)"
  WINEPREFIX="$template" wineboot -i >/dev/null 2>&1
  WINEPREFIX="$template" wineserver -w
  touch "$template/.vrx-ready"
fi
export WINEPREFIX="${VRX_UI_PREFIX:-/tmp/vrx-wine-ui-test}"
rm -rf "$WINEPREFIX"
cp -a --reflink=auto "$template" "$WINEPREFIX"
# A virtual desktop: Wine then activates and focuses windows at once, as Windows does, instead
# of waiting for an X window manager that is not there.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
wineserver -k 2>/dev/null || true
wineserver -w
status=0
wine "$exe" "$@" || status=$?
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
rm -rf "$WINEPREFIX"
exit $status
