#!/usr/bin/env bash
# The Word and WordPerfect clean-ups of the real VRXUnInst.EXE under Wine, against stand-ins for
# the word processors: fake_winword.exe (an automation server in the running object table that
# keeps its Normal template in a file and logs every call) and fake_wpwin.exe (records the command
# line it was started with).
#
#   tests/wine/word-scenarios.sh [--native DIR] [--mingw DIR]
#
# Every check runs in Windows NT mode (a 64-bit prefix, WoW64: the 32-bit program, Word's
# registration written as a 32-bit setup writes it) and in Windows 98 mode (a 32-bit prefix); see
# harness.sh. Builds VRXUnInst, fake_winword, fake_wpwin, ui_driver and word_wait_probe first
# unless VRX_NO_BUILD=1, and runs itself under xvfb-run when there is no X display. The calls each
# Word is expected to log are files of tests/wine/expected/, compared with the log by diff -u. The
# prefixes go under VRX_WORD_PREFIX (default build/wine/word). Prints a PASS or FAIL line per
# check; exit status 0 when every check passes.
set -uo pipefail
MINGW_PROGRAMS=(VRXUnInst fake_winword fake_wpwin ui_driver word_wait_probe)
# shellcheck source=harness.sh
. "$(dirname "$0")/harness.sh" "$@"
PREFIXES=${VRX_WORD_PREFIX:-$WINE_DIR/word}
WORD_CLASS='{000209FF-0000-0000-C000-000000000046}'

# expect NAME EXPECTED ACTUAL: one check of two texts, with both shown on failure.
expect() {
  if [[ "$2" == "$3" ]]; then
    pass "$1"
  else
    fail "$1"
    echo "    expected:"
    printf '%s\n' "$2" | sed 's/^/      /'
    echo "    got:"
    printf '%s\n' "$3" | sed 's/^/      /'
  fi
}

# expect_calls NAME EXPECTED_FILE ACTUAL: one check of the calls a Word logged against a file of
# tests/wine/expected/, with diff -u shown on failure.
expect_calls() {
  local expected="$ROOT/tests/wine/expected/$2" actual="$PREFIXES/$MODE_NAME-$2"
  printf '%s\n' "$3" >"$actual"
  if diff -u --label "expected/$2" --label "logged" "$expected" "$actual" >"$actual.diff"; then
    pass "$1"
  else
    fail "$1"
    sed 's/^/    /' "$actual.diff"
  fi
}

# word_prefix NAME: a fresh prefix of the current MODE with the uninstaller installed; sets
# DRIVE (its drive C:).
word_prefix() {
  WINE_DIR=$PREFIXES new_prefix "$1-$MODE_NAME" "$MODE_NAME"
  DRIVE="$PREFIX/drive_c"
  install_uninstaller
}

# crlf FILE LINE...: writes a Windows text file.
crlf() {
  local file=$1
  shift
  mkdir -p "$(dirname "$file")"
  printf '%s\r\n' "$@" >"$file"
}

# reg_import NAME LINE...: imports REGEDIT4 lines (backslashes in values doubled) into the
# prefix, as a 32-bit setup writes them.
reg_import() {
  local name=$1
  shift
  crlf "$DRIVE/$name.reg" REGEDIT4 "" "$@"
  regedit32 /S "C:\\$name.reg" >/dev/null 2>&1
  rm -f "$DRIVE/$name.reg"
}

# short_path PATH: GetShortPathName of an existing Windows path, as Wine's own cmd gives it. Wine's
# cmd leaves the last part of the path as it is, so PATH should end in a name that is short already.
short_path() {
  crlf "$DRIVE/short.bat" "@for %%I in (\"$1\") do @echo %%~sI"
  run32 'C:\windows\system32\cmd.exe' /c 'C:\short.bat' 2>/dev/null | tr -d '\r'
  rm -f "$DRIVE/short.bat"
}

# text FILE: a Windows text file without its carriage returns; nothing when it is missing.
text() { [[ -f "$1" ]] && tr -d '\r' <"$1"; }
ini_value() { text "$1" | sed -n "s/^$2=//p"; }

# run_uninstaller WORDS...: runs VRXUnInst.EXE with WORDS, answers "yes" to each of its questions
# (the add-in's folders that are not empty), and waits for it to end by itself; false when it has
# not ended within PLAY_SECONDS (it is then stopped). QUESTIONS counts the questions answered.
run_uninstaller() {
  start_uninstaller "$@" >/dev/null 2>&1 &
  local pid=$!
  play_until_ended "$pid" yes || return 1
  wait "$pid" 2>/dev/null
  return 0
}

# ---------------------------------------------------------------------------------------------
# Word: a running Word that refuses to quit once, then Word 97 and Word 2000, each started with
# /m, cleaned and quit.

# install_word DIR VERSION MENUBAR FILEMENU KEYS [SETTING...]: fake_winword.exe as DIR\winword.exe
# (DIR below C:\), with its settings and its Normal template.
install_word() {
  local dir="$DRIVE/$1" version=$2 menubar=$3 filemenu=$4 keys=$5
  shift 5
  mkdir -p "$dir"
  cp "$MINGW/fake_winword.exe" "$dir/winword.exe"
  crlf "$dir/fake_winword.ini" "version=$version" "$@"
  crlf "$dir/normal.ini" "[word$version]" "menubar=$menubar" "filemenu=$filemenu" "keys=$keys" \
    "other=kept as it is"
}

# shows_window LOG: the Word of the log has shown or hidden its window.
shows_window() { text "$1" | grep -q '^window '; }

# calls LOG REGEX: the lines of a Word's log that match, in order.
calls() { text "$1" | grep -E "$2"; }

# tick LOG WHAT: the clock reading of a Word's log at its start or exit.
tick() { text "$1" | sed -n "s/^tick at $2 //p"; }

# word_timing VERSION LOG: the figures of one Word's start, printed for the record, and the check
# that its document was found within the pauses the uninstaller makes (3 or 2 seconds and a few
# passes of its wait), far from the one-minute bound.
word_timing() {
  local start document busy
  start=$(tick "$2" start)
  document=$(text "$2" | sed -n 's/^tick at document name //p')
  busy=$(text "$2" | grep -c '^busy: ')
  if [[ -z "$start" || -z "$document" ]]; then
    fail "word $1: its document was found" "no timing in its log"
    return
  fi
  echo "    word $1: start to active document $((document - start)) ms, $busy busy rejections"
  if ((document - start < 15000)); then
    pass "word $1: found within the pauses, not at the bound"
  else
    fail "word $1: found within the pauses, not at the bound" "$((document - start)) ms"
  fi
}

word_scenario() {
  echo "== Word 97 and Word 2000, with a running Word that refuses to quit once"
  word_prefix word
  local bar97='File|Edit|View|Insert|Format|Tools|Table|Window|Docseal|Help'
  local bar2000='File|Edit|View|Insert|Format|Tools|Table|Window|Docseal|Help|Docseal'
  install_word Office97 97 "$bar97" 'New...|Open...|Docseal|View Docseal Manual|Exit' \
    '592:DocsealPrint|891:DocsealPrint'
  install_word Office2000 2000 "$bar2000" \
    'New...|Docseal|Open...|Docseal|View Docseal Manual|Exit' '891:DocsealPrint' \
    document_delay_ms=1500
  install_word OfficeRunning 97 "$bar97" 'New...|Open...|Docseal|View Docseal Manual|Exit' \
    '592:DocsealPrint|891:DocsealPrint' refuse_quit=1 document_delay_ms=0
  crlf "$DRIVE/Docseal/Docseal.txt" "Docseal 4.0"
  crlf "$DRIVE/Docseal/Setup.log" "installed"
  crlf "$DRIVE/Office97/Startup/Docseal.DOT" "template"
  crlf "$DRIVE/Office2000/Startup/Docseal.DOT" "template"
  reg_import word \
    '[HKEY_CLASSES_ROOT\Word.Application\CLSID]' "@=\"$WORD_CLASS\"" \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Office\8.0\Common\InstallRoot]' \
    '"OfficeBin"="C:\\Office97"' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Office\8.0\Word\InstallRoot]' \
    '"Path"="C:\\Office97"' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Office\9.0\Common\InstallRoot]' \
    '"Path"="C:\\Office2000"' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Office\9.0\Word\InstallRoot]' \
    '"Path"="C:\\Office2000"' \
    '[HKEY_LOCAL_MACHINE\Software\Docseal4\MSWord\Defaults]' \
    '"Source Directory"="C:\\Docseal"' \
    '[HKEY_LOCAL_MACHINE\Software\Docseal4\MSWord\Defaults\8]' \
    '"Startup Path"="C:\\Office97\\Startup"' \
    '[HKEY_LOCAL_MACHINE\Software\Docseal4\MSWord\Defaults\9]' \
    '"Startup Path"="C:\\Office2000\\Startup"'

  local running="$DRIVE/OfficeRunning/fake_winword.log"
  local log97="$DRIVE/Office97/fake_winword.log" log2000="$DRIVE/Office2000/fake_winword.log"
  # The user's Word is up, with its window, and has not registered yet: it does so only once the
  # uninstaller's windows take the activation from it.
  run32 'C:\OfficeRunning\winword.exe' >/dev/null 2>&1 &
  local running_pid=$!
  wait_until 30 shows_window "$running"
  if ! text "$running" | grep -qx 'window shown'; then
    fail "word: the running Word shows its window" "$(text "$running")"
    end_prefix
    return
  fi
  pass "word: the running Word shows its window"

  if run_uninstaller MSWORD NOREBOOT '/LOG=C:\vrx.log'; then
    pass "word: MSWORD NOREBOOT ends by itself ($QUESTIONS questions answered)"
  else
    fail "word: MSWORD NOREBOOT ends by itself" "still running after $PLAY_SECONDS seconds"
  fi
  expect "word: no Word was given up or left running" "" \
    "$(text "$DRIVE/vrx.log" | grep -aE '^Detail: .*Microsoft Word')"
  expect "word: the running Word registered once it lost the activation" \
    "registered" "$(text "$running" | grep -x registered)"

  # The running Word: maximized and asked to quit until it does, no more.
  expect_calls "word: the running Word is asked to quit twice" running-word-quit.calls \
    "$(calls "$running" '^Application\.(Activate|WindowState|Quit)')"
  echo "    the running Word: $(text "$running" | grep -c '^busy: ') busy rejections (its save prompt)"
  running_word_ended() { ended "$running_pid" && text "$running" | grep -qx exit; }
  if wait_until 5 running_word_ended; then
    pass "word: the running Word has ended"
  else
    fail "word: the running Word has ended"
  fi
  expect "word: the running Word's template is not saved" \
    "$(calls "$running" 'Save|Delete|KeyBindings')" ""

  local version dir log
  for version in 97 2000; do
    dir="C:\\Office$version"
    log="$DRIVE/Office$version/fake_winword.log"
    expect "word $version: started with /m" "start $(short_path "$dir\\winword.exe") /m" \
      "$(text "$log" | sed -n 's/^start //p' | head -1 | sed 's/^/start /')"
    if text "$log" | grep -q '^Document\.Name -> "Document1"$'; then
      pass "word $version: its document is waited for"
    else
      fail "word $version: its document is waited for" "no Name was read"
    fi
    expect "word $version: started hidden, registered after losing the activation" \
      "window hidden|(after losing the activation)" \
      "$(text "$log" | grep '^window [sh]' | head -1)|$(text "$log" |
        sed -n 's/^tick at registered [0-9]* //p')"
    word_timing "$version" "$log"
  done

  # Every caption is read in order; the menu bar's walk stops at its first Docseal. Then the menus,
  # the keys, the save and the quit, in order.
  local pattern='^(Application\.(CommandBars|BuildKeyCode|FindKey|Quit)|CommandBars\.Item|Control\.Delete|KeyBinding\(|KeyBindings\.Add|Template\.Save|revoked$|exit$)'
  for version in 97 2000; do
    log="$DRIVE/Office$version/fake_winword.log"
    expect_calls "word $version: captions read" "word$version-captions.calls" \
      "$(calls "$log" '^Control\.Caption')"
    expect_calls "word $version: menus, keys, save and quit, in order" \
      "word$version-cleanup.calls" "$(calls "$log" "$pattern")"
  done
  expect "word: no call was refused" "" \
    "$(cat "$running" "$log97" "$log2000" 2>/dev/null | tr -d '\r' |
      grep -E 'no member|no argument|wrong type|refused|missing|not callable|has quit')"

  # One Word at a time: the running one is gone before Word 97 starts, which is gone before
  # Word 2000 starts.
  local order
  order="$(tick "$running" exit) $(tick "$log97" start) $(tick "$log97" exit)"
  order+=" $(tick "$log2000" start)"
  if [[ $(wc -w <<<"$order") -eq 4 ]] && sort -n -c <(tr ' ' '\n' <<<"$order") 2>/dev/null; then
    pass "word: one Word at a time, Word 97 first"
  else
    fail "word: one Word at a time, Word 97 first" "ticks $order"
  fi

  # The Normal templates as the Words saved them.
  local ini
  for version in 97 2000; do
    ini="$DRIVE/Office$version/normal.ini"
    expect "word $version: File menu without Docseal" 'New...|Open...|Exit' \
      "$(ini_value "$ini" filemenu)"
    expect "word $version: both keys print" '592:FilePrint:2|891:FilePrint:2' \
      "$(ini_value "$ini" keys)"
    expect "word $version: other template lines kept" "[word$version]|kept as it is" \
      "$(text "$ini" | head -1)|$(ini_value "$ini" other)"
  done
  expect "word 97: menu bar without Docseal" 'File|Edit|View|Insert|Format|Tools|Table|Window|Help' \
    "$(ini_value "$DRIVE/Office97/normal.ini" menubar)"
  expect "word 2000: only the first Docseal of the menu bar goes" \
    'File|Edit|View|Insert|Format|Tools|Table|Window|Help|Docseal' \
    "$(ini_value "$DRIVE/Office2000/normal.ini" menubar)"
  expect "word: the running Word's template is untouched" "$bar97" \
    "$(ini_value "$DRIVE/OfficeRunning/normal.ini" menubar)"
  end_prefix
}

# ---------------------------------------------------------------------------------------------
# The wait for a new Word's document, by word_wait_probe.exe (the clean-up of one copy on the real
# API): with the focus call on BlankFrm the strict stand-in is found within the pauses; with the
# repaint call it never registers and the wait runs to its bound. Then the kinder stand-in of
# the switches, busy for longer than the first pause: the message filter's retries carry the
# calls through. Windows NT mode only: the wait to the bound takes a minute.

# probe CALL DIR VERSION: runs the probe; its output in PROBE. Through a file, not a pipe: the Word
# it starts inherits its output and may outlive it.
probe() {
  run32 'C:\word_wait_probe.exe' "$@" >"$DRIVE/probe.out" 2>/dev/null
  PROBE=$(text "$DRIVE/probe.out")
}

# reset_word DIR: the stand-in's Normal template and log as before any run.
reset_word() {
  local dir="$DRIVE/$1"
  rm -f "$dir/fake_winword.log"
  cp "$dir/normal.ini.orig" "$dir/normal.ini"
}

probe_scenario() {
  echo "== The wait for Word's document: the focus call, the repaint call, a busy Word"
  word_prefix probe
  cp "$MINGW/word_wait_probe.exe" "$DRIVE/word_wait_probe.exe"
  local bar='File|Edit|Docseal|Help' menu='New...|Docseal|View Docseal Manual|Exit'
  install_word Office97 97 "$bar" "$menu" '592:DocsealPrint|891:DocsealPrint'
  install_word Office2000 2000 "$bar" "$menu" '592:DocsealPrint|891:DocsealPrint'
  install_word OfficeBusy 97 "$bar" "$menu" '592:DocsealPrint|891:DocsealPrint' \
    register_at_once=1 busy_ms=4500
  local dir version log
  for dir in Office97 Office2000 OfficeBusy; do cp "$DRIVE/$dir/normal.ini" "$DRIVE/$dir/normal.ini.orig"; done
  reg_import word '[HKEY_CLASSES_ROOT\Word.Application\CLSID]' "@=\"$WORD_CLASS\""

  for entry in Office97:97 Office2000:2000; do
    dir=${entry%:*} version=${entry#*:}
    log="$DRIVE/$dir/fake_winword.log"
    probe focus "C:\\$dir" "$version"
    expect "probe $version, focus call: cleaned within the pauses, no detail line" "" \
      "$(grep -v '^seconds [0-9]*$' <<<"$PROBE")"
    expect "probe $version, focus call: both keys print" '592:FilePrint:2|891:FilePrint:2' \
      "$(ini_value "$DRIVE/$dir/normal.ini" keys)"
    word_timing "$version (probe)" "$log"

    reset_word "$dir"
    probe repaint "C:\\$dir" "$version"
    expect "probe $version, repaint call: the wait reaches its bound" \
      "detail Microsoft Word $version did not answer; its Docseal menus and keys may remain." \
      "$(grep '^detail' <<<"$PROBE")"
    local seconds
    seconds=$(sed -n 's/^seconds //p' <<<"$PROBE")
    if [[ -n "$seconds" ]] && ((seconds >= 60)); then
      pass "probe $version, repaint call: after the one-minute bound ($seconds s)"
    else
      fail "probe $version, repaint call: after the one-minute bound" "${seconds:-no} seconds"
    fi
    expect "probe $version, repaint call: Word never registered, its template untouched" \
      "|592:DocsealPrint|891:DocsealPrint" \
      "$(text "$log" | grep -x registered)|$(ini_value "$DRIVE/$dir/normal.ini" keys)"
    end_prefix  # the hidden Word that never answered
  done

  log="$DRIVE/OfficeBusy/fake_winword.log"
  probe focus 'C:\OfficeBusy' 97
  expect "probe, a Word busy past the first pause: cleaned, no detail line" "" \
    "$(grep -v '^seconds [0-9]*$' <<<"$PROBE")"
  expect "probe, a Word busy past the first pause: both keys print" \
    '592:FilePrint:2|891:FilePrint:2' "$(ini_value "$DRIVE/OfficeBusy/normal.ini" keys)"
  if text "$log" | grep -q '^busy: '; then
    pass "probe, a Word busy past the first pause: its rejections were retried"
  else
    fail "probe, a Word busy past the first pause: its rejections were retried" "none seen"
  fi
  word_timing "97 (register_at_once=1 busy_ms=4500)" "$log"
  end_prefix
}

# A Word of another user or session: its window is there but no object can be had. Nothing is
# forced, no copy is cleaned, and one detail line says so.
unreachable_scenario() {
  echo "== A Word that cannot be reached"
  word_prefix unreachable
  local bar='File|Edit|Docseal|Help' menu='New...|Docseal|View Docseal Manual|Exit'
  install_word Office97 97 "$bar" "$menu" '592:DocsealPrint'
  install_word OfficeOther 97 "$bar" "$menu" '592:DocsealPrint' never_register=1
  reg_import word \
    '[HKEY_CLASSES_ROOT\Word.Application\CLSID]' "@=\"$WORD_CLASS\"" \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Office\8.0\Common\InstallRoot]' \
    '"OfficeBin"="C:\\Office97"' \
    '[HKEY_LOCAL_MACHINE\Software\Docseal4\MSWord\Defaults]' \
    '"Source Directory"="C:\\Docseal"'
  run32 'C:\OfficeOther\winword.exe' >/dev/null 2>&1 &
  wait_until 30 shows_window "$DRIVE/OfficeOther/fake_winword.log"
  if run_uninstaller MSWORD NOREBOOT '/LOG=C:\vrx.log'; then
    pass "unreachable: MSWORD NOREBOOT ends by itself"
  else
    fail "unreachable: MSWORD NOREBOOT ends by itself" "still running after $PLAY_SECONDS seconds"
  fi
  expect "unreachable: one detail line" \
    "Detail: Microsoft Word was running and could not be closed, so its Docseal menus and keys may remain." \
    "$(text "$DRIVE/vrx.log" | grep -a '^Detail: .*Microsoft Word')"
  expect "unreachable: no Word started, nothing asked of the other" "|" \
    "$(text "$DRIVE/Office97/fake_winword.log")|$(text "$DRIVE/OfficeOther/fake_winword.log" |
      grep '^Application\.')"
  end_prefix
}

# ---------------------------------------------------------------------------------------------
# WordPerfect: the removal macro played by starting WordPerfect with /m-"...\StampRem.wcm".

# The three versions: variant, program directory, program file, start-up (macro) directory.
WP_VERSIONS=(
  "WPWIN7|C:\\Corel\\Office7\\WPWin7|WPWin.exe|C:\\Corel\\Office7\\Macros"
  "WPWIN8|C:\\Program Files\\Corel\\WordPerfect Suite 8\\Programs|WPWin8.exe|C:\\Program Files\\Corel\\WordPerfect Suite 8\\Macros\\WPWin"
  "WPWIN9|C:\\Program Files\\Corel\\WPWin9\\Programs|WPWin9.exe|C:\\Program Files\\Corel\\WPWin9\\Macros"
)

host_path() { printf '%s/%s' "$DRIVE" "$(sed 's/^C:\\//; s/\\/\//g' <<<"$1")"; }
reg_escape() { sed 's/\\/\\\\/g' <<<"$1"; }

# wp_keys VARIANT PROGRAM STARTUP: the variant's Defaults key.
wp_keys() {
  local n=${1#WPWIN}
  reg_import "wp$n" \
    "[HKEY_LOCAL_MACHINE\\Software\\Docseal4\\$1\\Defaults]" \
    "\"Source Directory\"=\"C:\\\\Docseal\\\\WP$n\"" \
    "\"Program Directory\"=\"$(reg_escape "$2")\"" \
    "\"Startup Directory\"=\"$(reg_escape "$3")\""
}

wordperfect_scenario() {
  echo "== WordPerfect 7, 8 and 9"
  word_prefix wordperfect
  local entry variant program file startup
  for entry in "${WP_VERSIONS[@]}"; do
    IFS='|' read -r variant program file startup <<<"$entry"
    mkdir -p "$(host_path "$program")"
    cp "$MINGW/fake_wpwin.exe" "$(host_path "$program")/$file"
    crlf "$(host_path "$startup")/StampRem.wcm" "removal macro"
    crlf "$DRIVE/Docseal/WP${variant#WPWIN}/Docseal.txt" "Docseal 4.0"
    wp_keys "$variant" "$program" "$startup"
  done

  local expected log other others
  for entry in "${WP_VERSIONS[@]}"; do
    IFS='|' read -r variant program file startup <<<"$entry"
    log="$(host_path "$program")/fake_wpwin.log"
    expected="$(short_path "$program\\$file") /m-\"$startup\\StampRem.wcm\""
    if [[ "$expected" == *" "*" /m-"* || "$expected" != [A-Z]:* ]]; then
      fail "$variant: a short program path" "$expected"
    fi
    if run_uninstaller "$variant" NOREBOOT; then
      pass "$variant: $variant NOREBOOT ends by itself ($QUESTIONS questions answered)"
    else
      fail "$variant: $variant NOREBOOT ends by itself" "still running after $PLAY_SECONDS seconds"
    fi
    expect "$variant: WordPerfect started once with the removal macro" "$expected" "$(text "$log")"
    # No other WordPerfect was started by this run.
    others=""
    for other in "${WP_VERSIONS[@]}"; do
      [[ "$other" == "$entry" ]] && continue
      IFS='|' read -r _ program _ _ <<<"$other"
      [[ -f "$(host_path "$program")/fake_wpwin.log" ]] && others+=" $program"
    done
    expect "$variant: no other WordPerfect started" "" "${others# }"
    # Moved aside, so that the next run's check sees only what that run started.
    IFS='|' read -r _ program _ _ <<<"$entry"
    [[ -f "$log" ]] && mv "$log" "$log.done"
  done

  # A WordPerfect whose program file is missing: the start fails and is passed over.
  IFS='|' read -r variant program file startup <<<"${WP_VERSIONS[0]}"
  rm -f "$(host_path "$program")/$file"
  wp_keys "$variant" "$program" "$startup"
  if run_uninstaller "$variant" NOREBOOT; then
    pass "$variant without its program: the run ends by itself"
  else
    fail "$variant without its program: the run ends by itself"
  fi
  expect "$variant without its program: nothing started" "" \
    "$(text "$(host_path "$program")/fake_wpwin.log")"
  end_prefix
}

for MODE_NAME in nt win98; do
  echo "== $MODE_NAME mode"
  CHECK_PREFIX="$MODE_NAME: "
  word_scenario
  if [[ $MODE_NAME == nt ]]; then
    probe_scenario
    unreachable_scenario
  fi
  wordperfect_scenario
done
rm -rf "$PREFIXES"

echo "$failures checks failed"
[[ $failures -eq 0 ]]
