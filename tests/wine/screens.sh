#!/usr/bin/env bash
# Screenshots of every window of the real VRXUnInst.EXE under Wine, into build/screens/:
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
#   tests/wine/screens.sh [MINGW_BUILD_DIR [NATIVE_BUILD_DIR]]
#
# The builds default to build/mingw and build/native; VRXUnInst.exe and the native vrx-image-diff
# (which seeds the prefix's files) are built first unless VRX_NO_BUILD=1.
#
# Runs itself under xvfb-run when no X display is given. The prefix uses a Wine virtual desktop,
# so that Wine draws the window frames and captions itself. Needs xdotool and ImageMagick.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi
MINGW_DIR=${1:-$ROOT/build/mingw}
NATIVE_DIR=${2:-$ROOT/build/native}
if [ "${VRX_NO_BUILD:-0}" != 1 ]; then
  (cd "$ROOT" && cmake --preset mingw >/dev/null && cmake --build --preset mingw -j2 \
    --target VRXUnInst ui_driver file_locker) || exit 1
  (cd "$ROOT" && cmake --preset native >/dev/null && cmake --build --preset native -j2 \
    --target vrx-image-diff) || exit 1
fi
MINGW_DIR=$(cd "$MINGW_DIR" && pwd)
NATIVE_DIR=$(cd "$NATIVE_DIR" && pwd)
OUT=$ROOT/build/screens
mkdir -p "$OUT"
rm -f "$OUT"/*.png

# The Wine tools that the harness copies into a prefix; built here when the build has none.
TOOLS=$OUT/tools
mkdir -p "$TOOLS"
cp "$MINGW_DIR/VRXUnInst.exe" "$TOOLS/"
for tool in ui_driver file_locker; do
  if [ -f "$MINGW_DIR/$tool.exe" ]; then
    cp "$MINGW_DIR/$tool.exe" "$TOOLS/"
  elif [ ! -f "$TOOLS/$tool.exe" ]; then
    x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static "$ROOT/tools/wine/$tool.cpp" \
      -o "$TOOLS/$tool.exe" -lcomctl32 -lgdi32 || exit 1
  fi
done

BUILD=$NATIVE_DIR
MINGW=$TOOLS
# shellcheck source=harness.sh
. "$ROOT/tests/wine/harness.sh"
make_template

failures=0
shot() {
  sleep 0.7
  import -window root "$OUT/$1.png" || failures=$((failures + 1))
  echo "screens: $1.png"
}
step() {  # step WHAT COMMAND...: runs a step of the walk, counting it when it fails
  local what=$1
  shift
  if ! "$@" >/dev/null 2>&1; then
    echo "screens: $what failed" >&2
    failures=$((failures + 1))
  fi
}
virtual_desktop() {
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
  wineserver -k 2>/dev/null  # the desktop is chosen when the Wine session starts
  wineserver -w
}
finish() {  # finish PID: waits for the program to end, at most 20 s
  for _ in $(seq 100); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.2
  done
  echo "screens: the program did not end" >&2
  kill "$1" 2>/dev/null
  failures=$((failures + 1))
}

# 1. A machine without the add-in: nothing to choose; Cancel ends the program.
new_prefix screens-empty
virtual_desktop
cp "$TOOLS/VRXUnInst.exe" "$TOOLS/ui_driver.exe" "$PREFIX/drive_c/windows/"
wine 'C:\windows\VRXUnInst.exe' &
pid=$!
step "the wizard" ui wait "Docseal Uninstaller" 30
shot 01-selection-empty
step "Cancel" ui click "Docseal Uninstaller" Cancel
finish $pid
wineserver -k 2>/dev/null

# 2. Every variant installed, a Word stamp in use: the whole walk to the restart prompt.
new_prefix screens-all
virtual_desktop
seed "$ROOT/tests/wine/machines/nt-all"
wine 'C:\windows\system32\VRXUnInst.EXE' &
pid=$!
step "the wizard" ui wait "Docseal Uninstaller" 30
shot 02-selection
xdotool key Tab space  # from Cancel to the first enabled box, ticked
shot 03-ticked
step "Next" ui click "Docseal Uninstaller" "Next  >"
shot 04-confirmation
step "Finish" ui click "Docseal Uninstaller" Finish
questions=0
for _ in $(seq 300); do
  if ui text Docseal >/dev/null 2>&1; then
    [ $questions -eq 0 ] && shot 05-question
    questions=$((questions + 1))
    ui answer Docseal yes >/dev/null 2>&1
    sleep 0.5
    continue
  fi
  ui dump "Processing Uninstall" 2>/dev/null | grep -q '"Exit" .* visible' && break
  sleep 0.3
done
shot 06-finished
step "Details" ui click "Processing Uninstall" Details
shot 07-details
step "Exit" ui click "Processing Uninstall" Exit
step "the restart prompt" ui wait Finished 20
shot 08-restart
step "Don't Restart" ui click Finished "Don't Restart"
finish $pid
release_locks
wineserver -k 2>/dev/null

echo "screens: $(ls "$OUT"/*.png | wc -l) screenshots in $OUT, $failures failed steps"
[ $failures -eq 0 ]
