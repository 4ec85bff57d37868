#!/usr/bin/env bash
# The real VRXUnInst.EXE under Wine, walked as a user would by wizard_walk.exe
# (tests/wine/wizard_walk.cpp), which checks every page and window against the forms as the
# program builds them (captions, enabled and visible controls, ticks, focus, the details list,
# window sizes in twips at the screen's DPI). This script makes and seeds the prefixes, starts the
# program, checks that it ends, compares the end state with the simulator's for the same clicks
# and replies, and saves the walk's screenshot of every window into build/screens/:
#
#   01-selection-empty.png    the wizard on a machine without the add-in (all boxes disabled)
#   02-selection.png          the wizard on the nt-all machine (every box enabled)
#   03-ticked.png             the first box ticked by keyboard: Next enabled
#   04-confirmation.png       after Next: the ticked variant alone, Back and Finish
#   05-question.png           a question of the run over the progress window
#   06-finished.png           the progress window at the end: Details and Exit
#   07-details.png            after Details: the window enlarged with the list, Details greyed
#   08-restart.png            the restart prompt, "Restart Now" focused
#
# Every walk runs in Windows NT mode (a 64-bit prefix, WoW64, on the nt-all machine) and in
# Windows 98 mode (a 32-bit prefix, on the 98-all machine) at 96 pixels per inch, and the whole
# walk once more in NT mode at 144 (a screen at 150 %); see harness.sh. The screenshots are NT
# mode's at 96; Windows 98 mode's go beside them with "-98" before ".png", those at 144 with
# "-144".
#
#   tests/wine/run-wizard.sh [--native DIR] [--mingw DIR]
#
# Builds what it runs unless VRX_NO_BUILD=1 and runs under xvfb-run when no X display is given
# (see harness.sh). The prefixes use a Wine virtual desktop, so that Wine draws the window frames
# and captions itself. Needs ImageMagick for the screenshots. Prints a PASS or FAIL line per
# check; exit status 0 when every check passes.
set -uo pipefail
MINGW_PROGRAMS=(VRXUnInst ui_driver file_locker wizard_walk)
NATIVE_PROGRAMS=(vrxuninst-sim vrx-image-diff)
# shellcheck source=harness.sh
. "$(dirname "$0")/harness.sh" "$@"
CONVERT=$(imagemagick convert) || missing "ImageMagick's convert" imagemagick
OUT=$ROOT/build/screens
mkdir -p "$OUT"
rm -f "$OUT"/*.png
MACHINES=$ROOT/tests/wine/machines

virtual_desktop() {  # at WALK_DPI pixels per inch, large enough for the progress window at 144
  reg32 add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  reg32 add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  reg32 add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$WALK_DPI" /f \
    >/dev/null 2>&1
  wineserver -k 2>/dev/null  # the desktop and its DPI are chosen when the Wine session starts
  wineserver -w
}
ends_by_itself() {  # ends_by_itself PID NAME: the program ends by itself within 20 s
  if wait_until 20 ended "$1"; then
    pass "$2"
    return 0
  fi
  fail "$2" "still running"
  kill "$1" 2>/dev/null
  return 1
}
# play WALK [SHOTS]: wizard_walk.exe's walk, its checks among this script's; with SHOTS, its
# screenshots converted into build/screens.
play() {
  local shots="$PREFIX/drive_c/shots" status=0 bmp
  mkdir -p "$shots"
  if [ $# -gt 1 ]; then
    run32 'C:\windows\wizard_walk.exe' "$1" 'C:\shots' "$SHOT_SUFFIX" || status=$?
  else
    run32 'C:\windows\wizard_walk.exe' "$1" || status=$?
  fi >"$WORK/walk-$1.txt" 2>&1
  tr -d '\r' <"$WORK/walk-$1.txt" | sed "s/^\(PASS\|FAIL\) /\1 ${CHECK_PREFIX:-}/"
  failures=$((failures + $(grep -c '^FAIL' "$WORK/walk-$1.txt")))
  [ "$status" -le 1 ] || fail "wizard_walk.exe $1 ran to its end" "exit status $status"
  for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    "$CONVERT" "$bmp" "$OUT/$(basename "$bmp" .bmp).png" || fail "screenshot $(basename "$bmp" .bmp)"
    rm -f "$bmp"
  done
}
# begin NAME: a fresh prefix of the walk's mode with a virtual desktop and a fresh work folder.
begin() {
  WORK=$WINE_DIR/$1-$WALK_MODE-$WALK_DPI
  rm -rf "$WORK" && mkdir -p "$WORK"
  new_prefix "$1-$WALK_MODE-$WALK_DPI" "$WALK_MODE"
  virtual_desktop
  cp "$MINGW/wizard_walk.exe" "$PREFIX/drive_c/windows/"
}
# start_machine [COMMAND...]: the walk's machine seeded, COMMAND run, then the uninstaller
# started; sets pid.
start_machine() {
  seed "$IMAGE"
  "$@"
  start_uninstaller &
  pid=$!
}

# ---------------------------------------------------------------------------------------------
# 1. A machine without the add-in: nothing to choose; Cancel ends the program.
walk_empty() {
  begin wizard-empty
  install_uninstaller
  start_uninstaller &
  pid=$!
  play empty shots
  ends_by_itself $pid "empty: Cancel ends the program"
  wineserver -k 2>/dev/null
}

# ---------------------------------------------------------------------------------------------
# 2. Every variant installed, a Word stamp in use. The whole walk: tick Word by keyboard, Next,
# Back, Next, Finish, Yes to the question, Details, Exit, the restart prompt, "Don't Restart".
walk_whole() {
  begin wizard-walk
  start_machine
  play whole shots
  ends_by_itself $pid "walk: Don't Restart ends the program"
  release_locks
  cat >"$WORK/walk.script" <<'SCRIPT'
answer yes
tick 0
click cmdNext
click cmdBack
click cmdNext
click cmdNext
click cmdDetails
click cmdExit
click cmdLater
SCRIPT
  same_as_sim "walk: the end state is the simulator's" "$IMAGE" "$WORK/walk.script"
  wineserver -k 2>/dev/null
}

# ---------------------------------------------------------------------------------------------
# 3. Word and WordPerfect 7 ticked by mouse, No to every question, "Restart Now": the folders the
# user kept stay with their files, and the Wine session ends, a notepad started before it with it.
walk_restart() {
  begin wizard-restart
  start_notepad() {
    run32 'C:\windows\system32\notepad.exe' >/dev/null 2>&1 &
    notepad=$!
    ui wait "Untitled - Notepad" 30 >/dev/null 2>&1 || fail "restart: a notepad opens"
  }
  start_machine start_notepad
  play restart
  cat >"$WORK/restart.script" <<'SCRIPT'
answer no
answer no
tick 0
tick 1
click cmdNext
click cmdNext
click cmdExit
click cmdLater
SCRIPT
  # The state before the restart, compared with a simulator that declines it.
  same_as_sim "restart: the end state is the simulator's" "$IMAGE" "$WORK/restart.script"
  play restart-now
  ends_by_itself $pid "restart: Restart Now ends the program"
  ends_by_itself $notepad "restart: Restart Now ends the Wine session"
  wineserver -k 2>/dev/null
}

for setting in "nt 96" "win98 96" "nt 144"; do
  read -r WALK_MODE WALK_DPI <<<"$setting"
  echo "== $WALK_MODE mode, $WALK_DPI pixels per inch"
  CHECK_PREFIX="$WALK_MODE $WALK_DPI: "
  IMAGE=$MACHINES/nt-all SHOT_SUFFIX=""
  [ "$WALK_MODE" = win98 ] && IMAGE=$MACHINES/98-all SHOT_SUFFIX=-98
  [ "$WALK_DPI" = 144 ] && SHOT_SUFFIX=-144
  if [ "$WALK_DPI" = 96 ]; then
    walk_empty
    walk_whole
    walk_restart
  else
    walk_whole
  fi
done

echo "screens: $(ls "$OUT"/*.png 2>/dev/null | wc -l) screenshots in $OUT"
echo "$failures checks failed"
[ $failures -eq 0 ]
