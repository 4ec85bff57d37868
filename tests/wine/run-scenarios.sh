#!/usr/bin/env bash
# The Wine scenarios: the real VRXUnInst.EXE in a Wine prefix seeded from a machine image, its end
# state compared with the simulator's for the same image, and the next start of Windows.
#
#   tests/wine/run-scenarios.sh BUILD_DIR MINGW_BUILD_DIR
#
# Runs under an X server (xvfb-run). Exit status 0 when every scenario passes.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "$1" && pwd)
MINGW=$(cd "$2" && pwd)
MACHINES="$ROOT/tests/wine/machines"
# shellcheck source=harness.sh
. "$ROOT/tests/wine/harness.sh"


# run_program REPLY WORDS...: starts the uninstaller and plays the user until it ends: REPLY
# (yes or no) to every question, Exit on the finished progress window, "Don't Restart" on the
# restart prompt.
run_program() {
  local reply=$1
  shift
  wine 'C:\windows\system32\VRXUnInst.EXE' "$@" &
  local pid=$!
  for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || break
    ui answer Docseal "$reply" >/dev/null 2>&1 && continue
    ui click "Finished" "Don't Restart" >/dev/null 2>&1 && continue
    ui click "Processing Uninstall" Exit >/dev/null 2>&1
    sleep 0.3
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    return 1
  fi
  wait "$pid"
}

# simulate IMAGE OUT SCRIPT WORDS...: the same run on the simulator.
simulate() {
  local image=$1 out=$2 script=$3
  shift 3
  rm -rf "$out"
  "$BUILD/vrxuninst-sim" --machine "$image" --script "$script" --out "$out" -- "$@" >"$out.txt"
}

# run_scenario NAME IMAGE MODE REPLY RESTART WORDS...: seeds, runs, compares; with
# RESTART=restart, compares again after the next start of Windows.
run_scenario() {
  local name=$1 image=$2 mode=$3 reply=$4 restart=$5
  shift 5
  local work="$WINE_DIR/$name.out"
  rm -rf "$work" && mkdir -p "$work"
  for _ in $(seq 20); do echo "answer $reply"; done >"$work/script"
  printf 'click cmdExit\nclick cmdLater\n' >>"$work/script"
  simulate "$image" "$work/sim" "$work/script" "$@"
  new_prefix "$name"
  seed "$image" "$mode"
  if ! run_program "$reply" "$@"; then
    fail "$name" "the program did not end"
    return
  fi
  export_state "$work/wine"
  if compare "$image" "$work/sim" "$work/wine" >"$work/diff.txt"; then
    pass "$name"
  else
    fail "$name" "end state differs from the simulator's:"
    sed 's/^/    /' "$work/diff.txt"
  fi
  if [ "$restart" = restart ]; then
    release_locks
    wineboot -r >/dev/null 2>&1
    wineserver -w
    "$BUILD/vrxuninst-sim" --machine "$image" --script "$work/script" --restart \
      --out "$work/sim-restart" -- "$@" >/dev/null
    export_state "$work/wine-restart"
    if compare "$image" "$work/sim-restart" "$work/wine-restart" >"$work/diff-restart.txt"; then
      pass "$name after the restart"
    else
      fail "$name after the restart" "end state differs from the simulator's:"
      sed 's/^/    /' "$work/diff-restart.txt"
    fi
  else
    release_locks
  fi
  wineserver -k 2>/dev/null || true
}

make_template

# SCENARIOS, when set, names the ones to run (a space-separated list).
wanted() { [ -z "${SCENARIOS:-}" ] || [[ " $SCENARIOS " == *" $1 "* ]]; }
scenario() { wanted "$1" && run_scenario "$@"; }

scenario nt-msword-noreboot "$MACHINES/nt-all" nt yes none MSWORD NOREBOOT
scenario nt-wpwin8 "$MACHINES/nt-all" nt yes none WPWIN8
scenario nt-msword-restart "$MACHINES/nt-all" nt yes restart MSWORD
scenario win98-all-restart "$MACHINES/98-all" win98 yes restart MSWORD WPWIN7 WPWIN8 WPWIN9
scenario nt-hostile "$MACHINES/hostile" nt no none MSWORD NOREBOOT
# A folder named with a trailing dot, and a shared component counted under another case of "š".
scenario nt-path-rules "$MACHINES/path-rules" nt yes none WPWIN8 NOREBOOT

# A second copy says so and ends; the first goes on.
if wanted second-copy; then
new_prefix second-copy
seed "$MACHINES/nt-all" nt
wine 'C:\windows\system32\VRXUnInst.EXE' &
first=$!
ui wait "Docseal Uninstaller" 30 >/dev/null
wine 'C:\windows\system32\VRXUnInst.EXE' MSWORD &
second=$!
text=$(ui text VRXUnInst 2>/dev/null | tr -d '\r')
ui answer VRXUnInst ok >/dev/null 2>&1
for _ in $(seq 50); do kill -0 "$second" 2>/dev/null || break; sleep 0.2; done
second_ended=no
kill -0 "$second" 2>/dev/null || second_ended=yes
first_alive=no
ui wait "Docseal Uninstaller" 1 >/dev/null 2>&1 && first_alive=yes
if [ "$text" = "You cannot start more than one copy" ] && [ $second_ended = yes ] &&
  [ $first_alive = yes ]; then
  pass second-copy
else
  fail second-copy "message \"$text\", second copy ended: $second_ended, first still open: $first_alive"
fi
ui click "Docseal Uninstaller" Cancel >/dev/null 2>&1
wait "$first" 2>/dev/null
if [ -d "$PREFIX/drive_c/Docseal/Word/Stamps" ]; then pass "second-copy removed nothing"; else
  fail second-copy "files were removed"; fi
release_locks
wineserver -k 2>/dev/null || true
fi

echo "$failures scenarios failed"
[ "$failures" -eq 0 ]
