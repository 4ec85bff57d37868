#!/usr/bin/env bash
# The real VRXUnInst.EXE under Wine, driven by ui_driver.exe as a user would: every page and
# window checked (captions, enabled and visible controls, ticks, focus, the details list, window
# sizes), the end state compared with the simulator's for the same clicks and replies, and a
# screenshot of every window saved into build/screens/:
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
# and captions itself. Needs xdotool and ImageMagick. Prints a PASS or FAIL line per check; exit
# status 0 when every check passes.
set -uo pipefail
MINGW_PROGRAMS=(VRXUnInst ui_driver file_locker)
NATIVE_PROGRAMS=(vrxuninst-sim vrx-image-diff)
# shellcheck source=harness.sh
. "$(dirname "$0")/harness.sh" "$@"
command -v xdotool >/dev/null || missing xdotool xdotool
command -v import >/dev/null || missing "ImageMagick's import" imagemagick
OUT=$ROOT/build/screens
mkdir -p "$OUT"
rm -f "$OUT"/*.png
MACHINES=$ROOT/tests/wine/machines

WIZARD="Docseal Uninstaller"
PROGRESS="Processing Uninstall"
PROMPT="Finished"
# check NAME FILE PATTERN...: every extended regular expression matches a line of FILE (a dump).
check() {
  local name=$1 file=$2 missing=""
  shift 2
  for pattern in "$@"; do
    grep -qE -- "$pattern" "$file" || missing+=" [$pattern]"
  done
  if [ -z "$missing" ]; then
    pass "$name"
  else
    fail "$name" "no line matches$missing"
    sed 's/^/    /' "$file"
  fi
}
# dump WINDOW NAME: the window's controls into $WORK/NAME.txt.
dump() { ui dump "$1" 2>/dev/null | tr -d '\r' >"$WORK/$2.txt"; }
shot() {
  sleep 0.7
  import -window root "$OUT/$1$SHOT_SUFFIX.png" || fail "screenshot $1$SHOT_SUFFIX"
}
step() {  # step WHAT COMMAND...: one action of the walk; a failed action is a failed check
  local what=$1
  shift
  "$@" >/dev/null 2>&1 || fail "$what"
}
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
# box N: the line of check box N (0 to 3) in a dump of the wizard; the boxes are the last four
# controls in the tab order.
box() { printf 'Button "" id %d ' $((108 + $1)); }
# twips PIXELS_PER_INCH TWIPS: the pixels a length in twips takes on the screen.
twips() { echo $((($2 * $1 + 720) / 1440)); }
# answer_questions REPLY: answers each of the run's questions with REPLY until the progress
# window shows Exit; the texts of the questions go to $WORK/questions.txt, the first one is
# photographed when SHOOT is set.
answer_questions() {
  : >"$WORK/questions.txt"
  REPLY_WITH=$1
  wait_until 120 answered_to_exit || fail "the run ends on Exit"
}
answered_to_exit() {  # one look: a question answered (false), or Exit shown (true)
  if ui text Docseal >>"$WORK/questions.txt" 2>/dev/null; then
    [ -n "${SHOOT:-}" ] && shot 05-question && SHOOT=""
    ui answer Docseal "$REPLY_WITH" >/dev/null 2>&1
    sleep 0.3
    return 1
  fi
  ui dump "$PROGRESS" 2>/dev/null | grep -q '"Exit" .* visible'
}
# compare_with_sim NAME SCRIPT: the prefix's end state against the simulator's for the same clicks.
compare_with_sim() {
  "$BUILD/vrxuninst-sim" --machine "$IMAGE" --script "$2" --out "$WORK/sim" \
    >"$WORK/sim.txt" 2>&1 || { fail "$1" "the simulator failed"; return; }
  export_state "$WORK/wine"
  if compare "$IMAGE" "$WORK/sim" "$WORK/wine" >"$WORK/diff.txt"; then
    pass "$1"
  else
    fail "$1" "end state differs from the simulator's:"
    sed 's/^/    /' "$WORK/diff.txt"
  fi
}

# begin NAME: a fresh prefix of the walk's mode with a virtual desktop and a fresh work folder.
begin() {
  WORK=$WINE_DIR/$1-$WALK_MODE-$WALK_DPI
  rm -rf "$WORK" && mkdir -p "$WORK"
  new_prefix "$1-$WALK_MODE-$WALK_DPI" "$WALK_MODE"
  virtual_desktop
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
step "empty: the wizard opens" ui wait "$WIZARD" 30
shot 01-selection-empty
dump "$WIZARD" empty
check "empty: every box disabled, Next disabled, Back hidden" "$WORK/empty.txt" \
  "$(box 0)at .* disabled checked=0" "$(box 1)at .* disabled checked=0" \
  "$(box 2)at .* disabled checked=0" "$(box 3)at .* disabled checked=0" \
  '"Next  >" .* visible disabled' '"<  Back" .* hidden'
step "empty: Cancel" ui click "$WIZARD" Cancel
ends_by_itself $pid "empty: Cancel ends the program"
wineserver -k 2>/dev/null
}

# ---------------------------------------------------------------------------------------------
# 2. Every variant installed, a Word stamp in use. The whole walk: tick Word by keyboard, Next,
# Back, Next, Finish, Yes to the question, Details, Exit, the restart prompt, "Don't Restart".
walk_whole() {
begin wizard-walk
start_machine
step "walk: the wizard opens" ui wait "$WIZARD" 30
shot 02-selection
dump "$WIZARD" selection
# size WHAT DUMP: client, outer or dpi from the first line of a dump.
size() { sed -n "1s/.* $1 \([0-9x]*\).*/\1/p" "$2"; }
client_is() {  # client_is NAME DUMP WIDTH HEIGHT: the window's client area in twips
  local size dpi
  size=$(size client "$2")
  dpi=$(size dpi "$2")
  if [ "$size" = "$(twips "$dpi" "$3")x$(twips "$dpi" "$4")" ]; then
    pass "$1 ($size pixels at $dpi pixels per inch)"
  else
    fail "$1" "client $size at $dpi pixels per inch"
  fi
}
client_is "walk: the wizard's client area is 4425 by 2505 twips" "$WORK/selection.txt" 4425 2505
check "walk: the selection page as start-up leaves it" "$WORK/selection.txt" \
  '"Uninstall Docseal from the following:"' \
  '"Microsoft Word 97/2000" .* visible' '"WordPerfect 7" .* visible' \
  '"WordPerfect 8" .* visible' '"WordPerfect 9" .* visible' \
  "$(box 0)at .* enabled checked=0" "$(box 1)at .* enabled checked=0" \
  "$(box 2)at .* enabled checked=0" "$(box 3)at .* enabled checked=0" \
  '"Next  >" .* visible disabled' '"<  Back" .* hidden disabled' '"Cancel" .* enabled focused'
xdotool key Tab space  # from Cancel to the first box, ticked
shot 03-ticked
dump "$WIZARD" ticked
check "walk: a tick enables Next" "$WORK/ticked.txt" \
  "$(box 0)at .* checked=1 focused" "$(box 1)at .* checked=0" '"Next  >" .* visible enabled'
step "walk: Next" ui click "$WIZARD" "Next  >"
sleep 0.5
shot 04-confirmation
dump "$WIZARD" confirmation
check "walk: the confirmation page shows the ticked variant alone" "$WORK/confirmation.txt" \
  '"Click on Finish to Uninstall Docseal for:"' '"Finish" .* visible enabled focused' \
  '"<  Back" .* visible enabled' '"Microsoft Word 97/2000" .* visible' \
  '"WordPerfect 7" .* hidden' '"WordPerfect 8" .* hidden' '"WordPerfect 9" .* hidden' \
  "$(box 0)at .* visible disabled checked=1" "$(box 1)at .* hidden"
step "walk: Back" ui click "$WIZARD" "<  Back"
sleep 0.5
dump "$WIZARD" back
check "walk: Back returns to the selection page with the tick kept" "$WORK/back.txt" \
  '"Select the Software to Uninstall:"' '"Next  >" .* visible enabled' '"<  Back" .* hidden' \
  "$(box 0)at .* visible enabled checked=1" "$(box 3)at .* visible enabled checked=0"
step "walk: Next again" ui click "$WIZARD" "Next  >"
sleep 0.5
step "walk: Finish" ui click "$WIZARD" Finish
SHOOT=1 answer_questions yes
check "walk: the question names the folder" "$WORK/questions.txt" \
  $'^Directory not empty C:\\\\Docseal\\\\Word\\\\Stamps\rDo you want me to remove it\\?\r$'
shot 06-finished
dump "$PROGRESS" finished
client_is "walk: the progress window's client area is 8025 by 1275 twips" "$WORK/finished.txt" \
  8025 1275
before=$(size outer "$WORK/finished.txt")
check "walk: the finished progress window" "$WORK/finished.txt" \
  '"Uninstall complete\."' '"Details" .* visible enabled' '"Exit" .* visible enabled focused'
step "walk: Details" ui click "$PROGRESS" Details
sleep 0.5
shot 07-details
dump "$PROGRESS" details
after=$(size outer "$WORK/details.txt")
dpi=$(size dpi "$WORK/details.txt")
if [ "${after#*x}" = "$(twips "$dpi" 4770)" ] && [ "${after%x*}" = "${before%x*}" ]; then
  pass "walk: Details make the window 4770 twips high ($before to $after pixels)"
else
  fail "walk: Details make the window 4770 twips high" "$before to $after at $dpi pixels per inch"
fi
check "walk: the details list holds the lines, Details greyed" "$WORK/details.txt" \
  'ListBox .* visible enabled items=[1-9]' \
  'item "C:\\Docseal\\Word\\Stamps\\CONFID\.STB this file will be removed when you reboot' \
  '"Details" .* disabled'
step "walk: Exit" ui click "$PROGRESS" Exit
step "walk: the restart prompt opens" ui wait "$PROMPT" 20
shot 08-restart
dump "$PROMPT" prompt
client_is "walk: the restart prompt's client area is 4680 by 1680 twips" "$WORK/prompt.txt" \
  4680 1680
check "walk: the restart prompt, Restart Now focused" "$WORK/prompt.txt" \
  '"Restart Now" .* visible enabled focused' "\"Don't Restart\" .* visible enabled"
step "walk: Don't Restart" ui click "$PROMPT" "Don't Restart"
ends_by_itself $pid "walk: Don't Restart ends the program"
release_locks
cat >"$WORK/walk.script" <<'EOF'
answer yes
tick 0
click cmdNext
click cmdBack
click cmdNext
click cmdNext
click cmdDetails
click cmdExit
click cmdLater
EOF
compare_with_sim "walk: the end state is the simulator's" "$WORK/walk.script"
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
  step "restart: a notepad opens" ui wait "Untitled - Notepad" 30
}
start_machine start_notepad
step "restart: the wizard opens" ui wait "$WIZARD" 30
step "restart: tick Word" ui click-id "$WIZARD" 108
step "restart: tick WordPerfect 7" ui click-id "$WIZARD" 109
sleep 0.3
step "restart: Next" ui click "$WIZARD" "Next  >"
sleep 0.5
step "restart: Finish" ui click "$WIZARD" Finish
answer_questions no
kept=0
while IFS= read -r folder; do
  host="$PREFIX/drive_c/$(sed 's/^C:\\//; s/\\/\//g' <<<"$folder")"
  if [ -n "$(ls -A "$host" 2>/dev/null)" ]; then
    kept=$((kept + 1))
  else
    fail "restart: No keeps $folder with its files" "it is gone or empty"
  fi
done < <(tr '\r' '\n' <"$WORK/questions.txt" | sed -n 's/.*Directory not empty \(C:\\.*\)$/\1/p')
if [ $kept -ge 1 ]; then
  pass "restart: No keeps the folders asked about with their files ($kept)"
else
  fail "restart: No keeps the folders asked about" "no question was asked"
fi
step "restart: Exit" ui click "$PROGRESS" Exit
step "restart: the restart prompt opens" ui wait "$PROMPT" 20
cat >"$WORK/restart.script" <<'EOF'
answer no
answer no
tick 0
tick 1
click cmdNext
click cmdNext
click cmdExit
click cmdLater
EOF
# The state before the restart, compared with a simulator that declines it.
compare_with_sim "restart: the end state is the simulator's" "$WORK/restart.script"
step "restart: Restart Now" ui click "$PROMPT" "Restart Now"
ends_by_itself $pid "restart: Restart Now ends the program"
ends_by_itself $notepad "restart: Restart Now ends the Wine session"
wineserver -k 2>/dev/null
}

for walk in "nt 96" "win98 96" "nt 144"; do
  read -r WALK_MODE WALK_DPI <<<"$walk"
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
