#!/usr/bin/env bash
# The Wine scenarios: the real 32-bit VRXUnInst.EXE in a prefix seeded from a machine image as a
# 32-bit setup leaves it, its end state (as the 32-bit program sees it) compared with the
# simulator's for the same image, and the next start of Windows. Windows NT mode runs in a 64-bit
# prefix (WoW64), Windows 98 mode in a 32-bit one (see harness.sh). One scenario plants the
# add-in in both views of the 64-bit registry and system folder and checks that the run takes
# exactly the 32-bit side's copy.
#
#   tests/wine/run-scenarios.sh [--native DIR] [--mingw DIR]
#
# The scenarios are the lines of scenarios.txt, then the ones written out below. Builds what it
# runs unless VRX_NO_BUILD=1 and runs under xvfb-run when no X display is given (see harness.sh).
# SCENARIOS, when set, names the ones to run. Exit status 0 when every scenario passes.
set -uo pipefail
MINGW_PROGRAMS=(VRXUnInst file_locker ui_driver)
NATIVE_PROGRAMS=(vrxuninst-sim vrx-image-diff)
# shellcheck source=harness.sh
. "$(dirname "$0")/harness.sh" "$@"
MACHINES="$ROOT/tests/wine/machines"

# run_scenario NAME IMAGE MODE REPLY RESTART WORDS...: seeds, runs, compares; with
# RESTART=restart, compares again after the next start of Windows.
run_scenario() {
  local name=$1 image=$2 mode=$3 reply=$4 restart=$5
  shift 5
  WORK="$WINE_DIR/$name.out"
  rm -rf "$WORK" && mkdir -p "$WORK"
  user_script "$reply" "$WORK/script"
  simulate "$image" "$WORK/sim" "$WORK/script" -- "$@"
  new_prefix "$name" "$mode"
  seed "$image"
  if ! run_program "$reply" "$@"; then
    fail "$name" "the program did not end"
    release_locks
    end_prefix
    return
  fi
  echo "     $name: the program ran $SECONDS_TAKEN s and asked $QUESTIONS questions"
  export_state "$WORK/wine"
  check_same "$name" "$image" "$WORK/sim" "$WORK/wine"
  release_locks
  if [ "$restart" = restart ]; then
    restart_windows
    simulate "$image" "$WORK/sim-restart" "$WORK/script" --restart -- "$@"
    export_state "$WORK/wine-restart"
    check_same "$name after the restart" "$image" "$WORK/sim-restart" "$WORK/wine-restart"
    [[ " $* " == *" NOREBOOT "* ]] || check_removed_itself "$name"
  fi
  end_prefix
}

# An unattended run that asks nothing (nt-all with no file in use): how long MSWORD NOREBOOT takes
# under Wine, the same end state as the simulator's, and not one question.
quiet() {
  local name=nt-msword-noreboot-quiet image="$WINE_DIR/nt-all-quiet"
  rm -rf "$image" && cp -r "$MACHINES/nt-all" "$image"
  sed -i '/^\[in-use\]$/,/^\[/{/^C:/d}' "$image/machine.ini"
  run_scenario "$name" "$image" nt no none MSWORD NOREBOOT
  if [ "${QUESTIONS:-1}" -eq 0 ]; then
    pass "$name: no question asked; MSWORD NOREBOOT took $SECONDS_TAKEN s under Wine"
  else
    fail "$name: no question asked" "$QUESTIONS questions"
  fi
}

# check_removed_itself NAME: after the restart, the program's own file is gone from the system
# folder it ran from.
check_removed_itself() {
  if [ -e "$SYS32_DRIVE/VRXUnInst.EXE" ]; then
    fail "$1: the program removed itself at the restart" "$SYS32_DRIVE/VRXUnInst.EXE is still there"
  else
    pass "$1: the program removed itself at the restart"
  fi
}

# The add-in in both views of a 64-bit Windows: nt-all as a 32-bit setup left it (32-bit regedit,
# syswow64), with VrxMenu.exe in use and the class key that takes the "Reboot" value, and
# nt-64bit-side as a 64-bit setup would have left it (64-bit regedit, system32), other contents
# under the same names. Every variant is removed and Windows restarted: the 32-bit side ends as
# the simulator says, the 64-bit side as it was.
both_views() {
  local name=nt-both-views image64="$MACHINES/nt-64bit-side"
  WORK="$WINE_DIR/$name.out"
  rm -rf "$WORK" && mkdir -p "$WORK"
  local image="$WORK/image"
  cp -r "$MACHINES/nt-all" "$image"
  sed -i 's/^\[in-use\]$/[in-use]\nC:\\windows\\system32\\VrxMenu.exe=1/' "$image/machine.ini"
  user_script yes "$WORK/script"
  local words=(MSWORD WPWIN7 WPWIN8 WPWIN9)
  simulate "$image" "$WORK/sim" "$WORK/script" -- "${words[@]}"
  simulate "$image" "$WORK/sim-restart" "$WORK/script" --restart -- "${words[@]}"

  new_prefix "$name" nt
  regedit64 /S "$(winpath "$image64/registry.reg")"
  "$BUILD/vrx-image-diff" --seed "$image64" --wine-drive "$PREFIX/drive_c" ||
    fail "$name: seeding the 64-bit side"
  seed "$image"
  if [ "$(cat "$SYS64_DRIVE/VRXUnInst.EXE")" != "MZ the 64-bit side" ] ||
    ! cmp -s "$MINGW/VRXUnInst.exe" "$SYS32_DRIVE/VRXUnInst.EXE"; then
    fail "$name: each side holds its own VRXUnInst.EXE"
  fi
  if ! run_program yes "${words[@]}"; then
    fail "$name" "the program did not end"
    release_locks
    end_prefix
    return
  fi
  # The "Reboot" value, read as a 32-bit program reads it.
  local clsid='HKCR\CLSID\{BF7A5B3D-566C-11D3-99AF-0010608026A6}\Programmable' reboot
  reboot=$(reg32 query "$clsid" /v Reboot 2>/dev/null | tr -d '\r' | awk '$1 == "Reboot" { print $2, $3 }')
  if [ "$reboot" = "REG_DWORD 0x1" ]; then
    pass "$name: the \"Reboot\" value is where a 32-bit program reads it ($reboot)"
  else
    fail "$name: the \"Reboot\" value is where a 32-bit program reads it" "found \"$reboot\""
  fi
  export_state "$WORK/wine32"
  check_same "$name: the 32-bit side" "$image" "$WORK/sim" "$WORK/wine32"
  check_64bit_side "$name: the 64-bit side is untouched" "$image64"
  release_locks
  restart_windows
  export_state "$WORK/wine32-restart"
  check_same "$name: the 32-bit side after the restart" "$image" "$WORK/sim-restart" \
    "$WORK/wine32-restart"
  check_removed_itself "$name"
  # The restart itself runs (and so removes) the 64-bit side's own RunOnce command.
  check_64bit_side "$name: the 64-bit side is untouched by the restart" "$image64" RunOnce
  end_prefix
}

# check_64bit_side NAME IMAGE64 [SKIPPED_ROOT]: the 64-bit view (64-bit regedit, system32) is the
# image as planted, but for the root whose name ends in SKIPPED_ROOT.
check_64bit_side() {
  local name=$1 image64=$2 skipped=${3:-} out="$WORK/wine64-$RANDOM" base f root
  export_state "$out" 64
  base=$(baseline 64)
  local args=(--before "$image64" --sim "$image64" --wine-drive "$PREFIX/drive_c")
  for f in "$out"/export*.reg; do args+=(--wine-reg "$f"); done
  for f in "$base"/export*.reg; do args+=(--baseline-reg "$f"); done
  for root in "${ROOTS[@]}"; do
    [ -n "$skipped" ] && [[ "$root" == *"\\$skipped" ]] && continue
    args+=(--root "$root")
  done
  if "$BUILD/vrx-image-diff" "${args[@]}" >"$out.diff" &&
    [ "$(cat "$SYS64_DRIVE/VRXUnInst.EXE" 2>/dev/null)" = "MZ the 64-bit side" ] &&
    [ "$(cat "$SYS64_DRIVE/VrxMenu.exe" 2>/dev/null)" = "MZ the 64-bit side" ]; then
    pass "$name"
  else
    fail "$name"
    sed 's/^/    /' "$out.diff"
    ls -la "$SYS64_DRIVE"/VRXUnInst.EXE "$SYS64_DRIVE"/VrxMenu.exe 2>&1 | sed 's/^/    /'
  fi
}

# A second copy says so and ends; the first goes on.
second_copy() {
  local name=$1 mode=$2 image=$3
  new_prefix "$name" "$mode"
  seed "$image"
  start_uninstaller &
  local first=$!
  ui wait "Docseal Uninstaller" 30 >/dev/null
  start_uninstaller MSWORD &
  local second=$!
  local text
  text=$(ui text VRXUnInst 20 2>/dev/null | tr -d '\r')
  ui answer VRXUnInst ok >/dev/null 2>&1
  local second_ended=no first_alive=no
  wait_until 5 ended "$second" && second_ended=yes
  ui wait "Docseal Uninstaller" 1 >/dev/null 2>&1 && first_alive=yes
  if [ "$text" = "You cannot start more than one copy" ] && [ $second_ended = yes ] &&
    [ $first_alive = yes ]; then
    pass "$name"
  else
    fail "$name" "message \"$text\", second copy ended: $second_ended, first still open: $first_alive"
  fi
  ui click "Docseal Uninstaller" Cancel >/dev/null 2>&1
  wait "$first" 2>/dev/null
  if [ -d "$PREFIX/drive_c/Docseal/Word/Stamps" ]; then pass "$name: nothing removed"; else
    fail "$name" "files were removed"; fi
  release_locks
  end_prefix
}

each_scenario
wanted nt-msword-noreboot-quiet && quiet
wanted nt-both-views && both_views
wanted nt-second-copy && second_copy nt-second-copy nt "$MACHINES/nt-all"
wanted win98-second-copy && second_copy win98-second-copy win98 "$MACHINES/98-all"

echo "$failures scenario checks failed"
[ "$failures" -eq 0 ]
