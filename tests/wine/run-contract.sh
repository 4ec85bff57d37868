#!/usr/bin/env bash
# Runs the registry and file-system contracts against the real API under Wine: once in Wine's
# default Windows NT mode and once in Windows 98 mode (HKCU\Software\Wine "Version" = "win98").
# Builds build/mingw/vrx_contract_tests.exe unless VRX_NO_BUILD=1. The Wine prefix is made once
# into build/wine-template (wineboot -i) and copied afresh for every run.
# Exit status: 0 when both modes pass, 1 otherwise.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

if [[ "${VRX_NO_BUILD:-0}" != 1 ]]; then
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw -j2 --target vrx_contract_tests
fi
exe="$root/build/mingw/vrx_contract_tests.exe"
[[ -f "$exe" ]] || { echo "missing $exe" >&2; exit 1; }

export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all WINEARCH=win64
template="$root/build/wine-template"
if [[ ! -f "$template/.vrx-ready" ]]; then
  rm -rf "$template"
  echo "== making the Wine prefix template (once; takes a minute)"
  WINEPREFIX="$template" wineboot -i >/dev/null 2>&1
  WINEPREFIX="$template" wineserver -w
  touch "$template/.vrx-ready"
fi

prefix="${VRX_CONTRACT_PREFIX:-/tmp/vrx-wine-contract}"
failed=0
run_mode() {  # mode-name platform-id [Wine version]
  local name=$1 platform=$2 version=${3:-}
  echo "== $name"
  rm -rf "$prefix"
  cp -a --reflink=auto "$template" "$prefix"
  export WINEPREFIX="$prefix"
  if [[ -n "$version" ]]; then
    wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$version" /f >/dev/null 2>&1
  fi
  if VRX_EXPECT_PLATFORM="$platform" wine "$exe" "${@:4}"; then
    echo "== $name: passed"
  else
    echo "== $name: FAILED"
    failed=1
  fi
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

run_mode "Windows NT mode" 2 "" "$@"
run_mode "Windows 98 mode" 1 win98 "$@"
rm -rf "$prefix"
exit $failed
