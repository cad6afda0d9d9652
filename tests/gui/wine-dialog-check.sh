#!/usr/bin/env bash
# Cor2Tavik.exe under Wine on a private Xvfb display, driven by xdotool:
#   wine-dialog-check.sh Cor2Tavik.exe WineProbe.exe Cor2TavikEscaping.exe WORK_DIR [SHOTS_DIR]
# Cor2TavikEscaping.exe is the dialog with a job that throws.
# WORK_DIR keeps the Wine prefix between runs; SHOTS_DIR (or
# $COR2TAVIK_SHOTS), when given, receives a screenshot of each state.
# Waits poll with a deadline.
set -euo pipefail
exe=$1 probe=$2 escaping=$3 work=$4 shots=${5:-${COR2TAVIK_SHOTS:-}}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
work=$(cd "$work" && pwd)
export WINEPREFIX=$work/prefix WINEARCH=${WINEARCH:-win64} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= LC_ALL=C.UTF-8

# What was on the screen and which Wine processes ran, for a failure's log.
scene() {
  echo "windows:"
  for w in $(xdotool search --name . 2>/dev/null); do
    echo "  $w $(xdotool getwindowname "$w" 2>/dev/null)$(xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$w" && echo " (visible)")"
  done
  echo "processes:"
  ps -eo pid,etimes,stat,args | grep -iE 'wine|\.exe' | grep -v grep | sed 's/^/  /'
}
fail() {
  echo "FAIL: $*" >&2
  scene >&2 || true
  import -window root "$work/failure.png" 2>/dev/null && echo "screen: $work/failure.png" >&2
  exit 1
}
# within SECONDS COMMAND: whether COMMAND succeeds within that time
within() {
  local deadline=$((SECONDS + $1))
  until eval "$2" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}
poll() { within 60 "$1" || fail "timed out: $2"; }
shot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -window root "$shots/$1.png"; }; }
windows() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
# The controls' ids and texts of the window with caption $1; without $1,
# of the foreground window after a line with its caption.
texts() { wine "$probe" "$@" | tr -d '\r'; }

# A prefix of its own (WINEARCH: the program's), made before there is a
# display and again whenever Wine has changed.
"$here/../../scripts/wine-prefix" "$WINEPREFIX" "$WINEARCH"

rm -f "$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" >/dev/null 2>&1 &
xvfb=$!
cleanup() { wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; }
trap cleanup EXIT
poll '[ -s "$work/display" ]' "Xvfb"
export DISPLAY=:$(cat "$work/display")

# One server for all that follows, started first so that no later wine
# command leaves one holding our output open.
wineserver -p >/dev/null 2>&1
# The caption buttons' glyphs (fonts-wine has the font, the prefix does not list it).
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
iconv -f UTF-8 -t UTF-16 "$here/wine-fonts.reg" >"$work/fonts.reg"
wine regedit /S "$work/fonts.reg" >/dev/null 2>&1

data=$work/データ
rm -rf "$data" && mkdir -p "$data"
cp "$here/../../examples/"* "$data/"
mv "$data/model1.dat3" "$data/モデル1.dat3"
winpath() { echo "Z:$1" | tr / '\\'; }

# Starts the dialog (or the program $1). Once, on a machine that had just
# made the prefix, the dialog had not shown after a minute: then what the
# screen held is logged, and the program is started again.
start() {
  local attempt
  for attempt in 1 2; do
    wine "${1:-$exe}" >/dev/null 2>&1 &
    app=$!
    within 60 '[ "$(windows Cor2Tavik)" = 1 ]' && break
    [ $attempt = 1 ] || fail "timed out: the dialog"
    { echo "the dialog did not show within 60 s: starting it again"; scene; } >&2
    kill "$app" 2>/dev/null || true
    within 20 ended || true
  done
  main=$(xdotool search --onlyvisible --name '^Cor2Tavik$')
  focused
}
# Keys reach the dialog when it is Wine's foreground window and has the X
# focus. Without a window manager Wine does not always see to both when a
# window opens or closes: then a click on the caption and the X focus set
# as a window manager would.
focused() {
  poll '[ "$(texts | head -1)" = Cor2Tavik ] && [ "$(xdotool getwindowfocus)" = "$main" ] ||
        { xdotool mousemove --window "$main" 60 8 click 1 windowfocus "$main"; false; }' "the dialog's focus"
}
ended() { ! kill -0 "$app" 2>/dev/null; }
# Types into the focused path box and waits until the box holds the text.
# xdotool now and then loses a character it has to map to a key first
# (the Japanese ones): then the text is selected and typed again.
type_path() {
  typed=$1
  for attempt in 1 2 3; do
    xdotool type --delay 60 "$typed"
    within 10 '[ "$(texts Cor2Tavik | grep "^1005")" = "$(printf "1005\t%s" "$typed")" ]' && return
    echo "typing the path again (attempt $((attempt + 1)))" >&2
    xdotool key shift+Tab Tab  # tabbing into the box selects its text
  done
  fail "the typed path"
}

# The dialog and its texts.
start
shot dialog
texts Cor2Tavik >"$work/texts"
diff -u "$here/wine-dialog-texts.txt" "$work/texts" || fail "dialog texts"

# The system menu's last entry opens the About box; Esc closes it.
xdotool key alt+space
# The menu is a second window of the program's, without a caption.
poll '[ "$(xdotool search --onlyvisible --class "^cor2tavik.exe$" | wc -l)" = 2 ]' "the system menu"
shot system-menu
xdotool key Up Return
poll '[ "$(windows "Cor2Tavikのﾊﾞｰｼﾞｮﾝ情報")" = 1 ]' "the About box"
shot about
texts "Cor2Tavikのﾊﾞｰｼﾞｮﾝ情報" | grep -qxe $'-1\tCor2Tavik Version 1.0' || fail "About box texts"
xdotool key Return
poll '[ "$(windows "Cor2Tavikのﾊﾞｰｼﾞｮﾝ情報")" = 0 ]' "the About box closing"
focused

# After the About box, Alt+Space opens the menu again, and a right click in
# the dialog's body opens it too; neither presses the focused OK.
menu_open() { [ "$(xdotool search --onlyvisible --class "^cor2tavik.exe$" | wc -l)" = 2 ]; }
# Esc closes the menu a right click opened; after Alt+Space the first Esc
# goes back to the caption's menu mode and a second one leaves it.
for open in "mousemove --window $main 200 60 click 3" "key alt+space"; do
  xdotool $open
  poll menu_open "the system menu ($open)"
  shot "system-menu-${open##* }"
  if [ "$open" = "key alt+space" ]; then xdotool key Escape Escape; else xdotool key Escape; fi
  poll '! menu_open' "the system menu closing"
  focused
  [ "$(windows Cor2Tavik)" = 1 ] || fail "a box after $open"
  ended && fail "the dialog ended after $open"
done

# The chooser opens with its title, in the folder of the path typed, here
# in double quotes; Esc leaves it.
xdotool key Tab Tab
type_path "\"$(winpath "$data/モデル1.dat3")\""
xdotool key Tab space
poll '[ "$(windows "COR2TAVIK初期画面")" = 1 ]' "the chooser"
shot chooser
texts "COR2TAVIK初期画面" >"$work/chooser-texts"
grep -qx "$(printf "1137\tデータ")" "$work/chooser-texts" || fail "the chooser's folder: $(cat "$work/chooser-texts")"
xdotool key Escape
poll '[ "$(windows "COR2TAVIK初期画面")" = 0 ]' "the chooser closing"
focused

# A missing model, dropped on the dialog: the error box over the dialog,
# which stays open.
missing=$(winpath "$data/ありません.dat3")
xdotool key shift+Tab  # from 参照 to the path box: Enter is then OK's
wine "$probe" --drop Cor2Tavik "$missing" || fail "the drop (status $?)"
poll '[ "$(texts Cor2Tavik | grep "^1005")" = "$(printf "1005\t%s" "$missing")" ]' "the dropped path in the box"
xdotool key Return
poll '[ "$(windows Cor2Tavik)" = 2 ]' "the error box"
shot error
texts | grep -qF "ファイル：$missing" || fail "error box text"
xdotool key Return
poll '[ "$(windows Cor2Tavik)" = 1 ]' "the error box closing"
focused
ended && fail "the dialog ended after a failure"
# The path box has the focus, its text selected: what is typed replaces it.
xdotool type --delay 60 x
poll '[ "$(texts Cor2Tavik | grep "^1005")" = "$(printf "1005\tx")" ]' "typing over the path after the error box"

# Esc ends the program without converting the model in the box.
xdotool key shift+Tab Tab  # tabbing into the box selects its text
type_path "$(winpath "$data/モデル1.dat3")"
xdotool key Escape
poll ended "the program ending on Esc"
[ ! -e "$data/モデル1.std" ] || fail "Esc wrote"

# A typed Japanese path and Enter write the .std and end the program.
start
xdotool key Tab Tab  # OK, ｷｬﾝｾﾙ, the path box
type_path "$(winpath "$data/モデル1.dat3")"
xdotool key Return
poll ended "the program ending after OK"
[ -s "$data/モデル1.std" ] || fail "no モデル1.std"

# A failure that escapes the job on the worker thread: the error box, and
# the dialog stays open.
start "$escaping"
xdotool key Tab Tab
type_path "$(winpath "$data/モデル1.dat3")"
xdotool key Return
poll '[ "$(windows Cor2Tavik)" = 2 ]' "the error box of a failure that escaped the job"
shot escaped
texts >"$work/escaped-texts"
grep -qF "理由：メモリが足りません" "$work/escaped-texts" || fail "escaped failure's text: $(cat "$work/escaped-texts")"
xdotool key Return
poll '[ "$(windows Cor2Tavik)" = 1 ]' "the error box closing"
focused
ended && fail "the dialog ended after a failure that escaped the job"
xdotool key Escape
poll ended "the program ending on Esc"
echo "dialog under Wine: passed"
