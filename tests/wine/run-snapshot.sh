#!/usr/bin/env bash
# /SNAPSHOT= and /WHATIF under Wine. For each scenario of scenarios.txt: the prefix is seeded
# from the machine image as there, then
#  - VRXUnInst.EXE /SNAPSHOT=C:\snap /QUIET WORDS writes a machine image and ends with 0, and the
#    prefix's registry (every key, as the 32-bit regedit exports it, and in NT mode the 64-bit
#    one too) and files (every one with its bytes) are the same before and after;
#  - VRXUnInst.EXE /WHATIF /QUIET /LOG=C:\whatif.log WORDS the same, its log names the what-if,
#    the run it would make and its exit code;
#  - the snapshot replayed with vrxuninst-sim and the same answers ends as the real run that
#    follows it ends (compared as run-scenarios.sh compares), and again after the next start of
#    Windows where the scenario restarts.
# Then the what-if window, once, with a person who answers Yes: its screenshot is saved as
# build/screens/what-if.png. How long the snapshot and the what-if take is printed.
#
#   tests/wine/run-snapshot.sh [--native DIR] [--mingw DIR]
#
# Builds what it runs unless VRX_NO_BUILD=1 and runs under xvfb-run when no X display is given
# (see harness.sh). SCENARIOS, when set, names the ones to run.
set -uo pipefail
MINGW_PROGRAMS=(VRXUnInst file_locker ui_driver)
NATIVE_PROGRAMS=(vrxuninst-sim vrx-image-diff)
# shellcheck source=harness.sh
. "$(dirname "$0")/harness.sh" "$@"
IMPORT=$(imagemagick import) || missing "ImageMagick's import" imagemagick
MACHINES="$ROOT/tests/wine/machines"

# timed_quiet WORDS...: the uninstaller with WORDS, to its end without a person; STATUS is its exit
# code and TAKEN how long it ran, in seconds.
timed_quiet() {
  local started=$EPOCHREALTIME
  start_uninstaller "$@" >/dev/null 2>&1
  STATUS=$?
  TAKEN=$(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }')
}

# fingerprint OUT: the whole registry as the 32-bit regedit exports it (and the 64-bit one in NT
# mode), and every folder and file of drive C: with its bytes' checksum, but the snapshot folder
# and the what-if log. Left out of the registry: the keys Wine's display driver writes whenever a
# program with windows starts (regedit itself too): below Control\Video, and its driver date in
# the display adapters' class key; and the settings Wine keeps for the session under its own
# "Temporary System Parameters".
fingerprint() {
  local out=$1 bits
  mkdir -p "$out"
  for bits in 32 64; do
    [ "$bits" = 64 ] && [ "$MODE" != nt ] && continue
    "regedit$bits" /E "$(winpath "$out/raw$bits.reg")" >/dev/null 2>&1
    iconv -f UTF-16LE -t UTF-8 "$out/raw$bits.reg" |
      awk -v video='[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\' \
        -v display='[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\' \
        '/^\[/ { skip = index($0, video) == 1 || index($0, "\\Software\\Wine\\Temporary System Parameters");
                display_key = index($0, display) == 1 }
         !skip && !(display_key && /^"DriverDateData"=/)' >"$out/all$bits.reg"
    rm -f "$out/raw$bits.reg"
  done
  (cd "$PREFIX/drive_c" && find . \( -path ./snap -o -path ./whatif.log \) -prune -o -print0 |
    LC_ALL=C sort -z | xargs -0 md5sum 2>&1 | sed 's/^md5sum: //') >"$out/files"
}

# same_fingerprint NAME BEFORE AFTER: one check.
same_fingerprint() {
  if diff -r "$2" "$3" >"$3.diff" 2>&1; then
    pass "$1"
  else
    fail "$1" "the prefix changed:"
    head -20 "$3.diff" | sed 's/^/    /'
  fi
}

# ansi_names DIR: Wine keeps Windows names on the host in UTF-8; a machine image holds the
# Windows-1252 bytes.
ansi_names() {
  local path base ansi
  while IFS= read -r -d '' path; do
    base=$(basename "$path")
    ansi=$(iconv -f UTF-8 -t CP1252 <<<"$base") || continue
    [ "$ansi" = "$base" ] || mv "$path" "$(dirname "$path")/$ansi"
  done < <(find "$1" -depth -mindepth 1 -print0)
}

# run_scenario NAME IMAGE MODE REPLY RESTART WORDS...
run_scenario() {
  local name=$1 image=$2 mode=$3 reply=$4 restart=$5
  shift 5
  WORK="$WINE_DIR/snap-$name.out"
  rm -rf "$WORK" && mkdir -p "$WORK"
  user_script "$reply" "$WORK/script"
  new_prefix "snap-$name" "$mode"
  # One Wine session from the seeding to the end: a new session is a start of Windows, which
  # would carry out Wininit.ini between two fingerprints.
  wineserver -p
  seed "$image"
  fingerprint "$WORK/before"

  timed_quiet /SNAPSHOT=C:\\snap /QUIET "$@"
  local snapshot_taken=$TAKEN
  if [ "$STATUS" -eq 0 ] && [ -f "$PREFIX/drive_c/snap/machine.ini" ]; then
    pass "$name: /SNAPSHOT= wrote an image and ended with 0 ($snapshot_taken s)"
  else
    fail "$name: /SNAPSHOT= wrote an image and ended with 0" "exit code $STATUS"
  fi
  fingerprint "$WORK/after-snapshot"
  same_fingerprint "$name: /SNAPSHOT= changed nothing" "$WORK/before" "$WORK/after-snapshot"

  timed_quiet /WHATIF /QUIET /LOG=C:\\whatif.log "$@"
  local log="$PREFIX/drive_c/whatif.log"
  if [ "$STATUS" -eq 0 ] && grep -q '^What-if: ' "$log" 2>/dev/null &&
    grep -q '^Exit code: ' "$log" && grep -q '^Summary of what the run would do' "$log"; then
    pass "$name: /WHATIF /QUIET logged the run it would make ($TAKEN s)"
  else
    fail "$name: /WHATIF /QUIET logged the run it would make" "exit code $STATUS"
    [ -f "$log" ] && head -5 "$log" | sed 's/^/    /'
  fi
  fingerprint "$WORK/after-whatif"
  same_fingerprint "$name: /WHATIF changed nothing" "$WORK/before" "$WORK/after-whatif"
  echo "     $name: snapshot $snapshot_taken s, what-if $TAKEN s"

  cp -r "$PREFIX/drive_c/snap" "$WORK/image"
  ansi_names "$WORK/image"
  rm -rf "$PREFIX/drive_c/snap" "$log"
  simulate "$WORK/image" "$WORK/sim" "$WORK/script" -- "$@" ||
    fail "$name: the snapshot replays" "$(tail -1 "$WORK/sim.txt")"
  if ! run_program "$reply" "$@"; then
    fail "$name" "the program did not end"
    release_locks
    end_prefix
    return
  fi
  export_state "$WORK/wine"
  check_same "$name: the snapshot replayed ends as the real run" "$WORK/image" "$WORK/sim" \
    "$WORK/wine"
  release_locks
  if [ "$restart" = restart ]; then
    wineserver -k && wineserver -w  # the session ends, so that the restart is one
    restart_windows
    simulate "$WORK/image" "$WORK/sim-restart" "$WORK/script" --restart -- "$@"
    export_state "$WORK/wine-restart"
    check_same "$name: the same after the restart" "$WORK/image" "$WORK/sim-restart" \
      "$WORK/wine-restart"
  fi
  end_prefix
}

# The what-if window, with a person who answers Yes and clicks Exit: it lists what the run would
# do, its screenshot goes to build/screens/what-if.png, Close ends the program, and the prefix is
# as it was.
what_if_window() {
  local name=what-if-window screens="$ROOT/build/screens" title="Docseal Uninstaller - What If"
  WORK="$WINE_DIR/snap-$name.out"
  rm -rf "$WORK" && mkdir -p "$WORK" "$screens"
  new_prefix "snap-$name" nt
  wineserver -p
  seed "$MACHINES/nt-all"
  fingerprint "$WORK/before"
  start_uninstaller MSWORD /WHATIF &
  local pid=$! shown=no
  # The user answers Yes and clicks Exit until the what-if window shows.
  what_if_shown() {
    ui wait "$title" >/dev/null 2>&1 && return 0
    play_once yes Exit
    return 1
  }
  QUESTIONS=0
  wait_until 60 what_if_shown && shown=yes
  ui dump "$title" 2>/dev/null | tr -d '\r' >"$WORK/window.txt"
  sleep 0.7
  "$IMPORT" -window root "$screens/what-if.png" || fail "$name: screenshot"
  if [ $shown = yes ] && grep -q 'Removed' "$WORK/window.txt" &&
    grep -q 'The uninstaller would end with exit code 0' "$WORK/window.txt"; then
    pass "$name: the window lists what the run would do"
  else
    fail "$name: the window lists what the run would do" "shown: $shown"
    sed 's/^/    /' "$WORK/window.txt" | head -20
  fi
  ui click "$title" Close >/dev/null 2>&1
  if wait_until 5 ended "$pid"; then
    pass "$name: Close ends the program"
  else
    fail "$name: Close ends the program"
    kill "$pid"
  fi
  fingerprint "$WORK/after"
  same_fingerprint "$name: nothing changed" "$WORK/before" "$WORK/after"
  release_locks
  end_prefix
}

each_scenario
wanted what-if-window && what_if_window

echo "$failures snapshot checks failed"
[ "$failures" -eq 0 ]
