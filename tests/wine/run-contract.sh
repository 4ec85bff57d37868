#!/usr/bin/env bash
# Runs the registry and file-system contracts, and the backend's own cases, against the real
# 32-bit Windows backend under Wine: in Windows NT mode in a 64-bit prefix (WoW64, where the
# program sees the 32-bit view) and in Windows 98 mode in a 32-bit prefix (see harness.sh).
# Builds vrx_contract_tests.exe unless VRX_NO_BUILD=1 (see harness.sh); VRX_CONTRACT_PREFIX
# names the prefix (default build/wine/contract).
#
#   tests/wine/run-contract.sh [--native DIR] [--mingw DIR] [-- GTEST_ARGUMENTS...]
#
# Arguments after the folders go to the test program (--gtest_filter=...). Needs no X display.
# Exit status: 0 when both modes pass, 1 otherwise.
set -uo pipefail
MINGW_PROGRAMS=(vrx_contract_tests)
SUITE_ARGS="GTEST_ARGUMENTS..."
SUITE_DISPLAY=no
# shellcheck source=harness.sh
. "$(dirname "$0")/harness.sh" "$@"
exe="$MINGW/vrx_contract_tests.exe"
prefix="${VRX_CONTRACT_PREFIX:-$WINE_DIR/contract}"

failed=0
run_mode() {  # run_mode NAME MODE PLATFORM WOW64 ARGS...
  local name=$1 mode=$2 platform=$3 wow64=$4
  shift 4
  echo "== $name"
  make_template "$mode"
  wineserver -k 2>/dev/null || true
  clone_tree "$TEMPLATES/$mode" "$prefix"
  use_prefix "$prefix" "$mode"
  if VRX_EXPECT_PLATFORM="$platform" VRX_EXPECT_WOW64="$wow64" run32 "$exe" "$@"; then
    echo "== $name: passed"
  else
    echo "== $name: FAILED"
    failed=1
  fi
  end_prefix
}

run_mode "Windows NT mode, 32-bit view of a 64-bit prefix" nt 2 1 "${ARGS[@]}"
run_mode "Windows 98 mode, 32-bit prefix" win98 1 0 "${ARGS[@]}"
rm -rf "$prefix"
exit $failed
