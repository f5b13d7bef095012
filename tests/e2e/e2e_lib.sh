# Shared set-up of the end-to-end tests: a private X server, a private store, and helpers to
# find, read and drive windows with xdotool. Sourced by each test script.
#   $1 of the test script: the build directory that holds app/main/tarnix and tools/kxadmin/kxadmin
set -euo pipefail

BUILD=$(cd "${1:?build directory}" && pwd)
TARNIX=$BUILD/app/main/tarnix
KXADMIN=$BUILD/tools/kxadmin/kxadmin
SHOTS=$BUILD/tests/e2e/screenshots
mkdir -p "$SHOTS"

WORK=$(mktemp -d)
export KX_DATA_DIR=$WORK/kx
unset KX_DEFAULT_QMGR
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$WORK
XVFB_PID=""
APP_PID=""
WM_PID=""

cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -s "$WORK/stderr" ]; then
    echo "tarnix wrote to standard error:" >&2
    cat "$WORK/stderr" >&2
  fi
  exit 1
}

# Starts Xvfb on a display number it picks itself, so tests can run side by side. There is no
# window manager: windows have no frame, and the geometry xdotool reports is the window's own.
# -noreset: the server would otherwise reset when its last client leaves, and refuse the next
# program that connects meanwhile.
start_xvfb() {
  local fifo=$WORK/displayfd
  mkfifo "$fifo"
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 9>"$fifo" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  local number
  read -r number <"$fifo" || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
  export DISPLAY=:$number
}

# Starts openbox on the private display, so that windows get the frame and caption a desktop
# gives them; waits until it manages the screen.
start_window_manager() {
  openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
  WM_PID=$!
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return
    sleep 0.1
  done
  fail "openbox did not start: $(cat "$WORK/openbox.log")"
}

# The frame of a managed client window: "left right top bottom", as the window manager says.
frame_extents() {
  xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g'
}

# Starts tarnix with the given arguments in the background; its status lands in $WORK/status.
start_tarnix() {
  (
    status=0
    "$TARNIX" "$@" >"$WORK/stdout" 2>"$WORK/stderr" || status=$?
    echo "$status" >"$WORK/status"
  ) &
  APP_PID=$!
}

# Waits for the tarnix started last to end and prints its exit status.
tarnix_status() {
  for _ in $(seq 100); do
    [ -s "$WORK/status" ] && { cat "$WORK/status"; return; }
    sleep 0.1
  done
  fail "tarnix did not end; stderr: $(cat "$WORK/stderr")"
}

# Prints the ids of the visible windows whose title matches the regular expression $1, waiting
# up to five seconds for the first.
visible_windows() {
  for _ in $(seq 50); do
    local ids
    ids=$(xdotool search --onlyvisible --name "$1" 2>/dev/null || true)
    [ -n "$ids" ] && { echo "$ids"; return; }
    sleep 0.1
  done
}

# Prints the id of the visible monitor window of queue manager $1; fails the test when none shows.
monitor_window() {
  local id
  id=$(visible_windows "^$1\$")
  [ -n "$id" ] || fail "no monitor window"
  echo "$id"
}

# Every visible top-level window with a title, one "id title" a line.
all_titled_windows() {
  xdotool search --onlyvisible --name '.' 2>/dev/null | while read -r id; do
    echo "$id $(xdotool getwindowname "$id")"
  done
}

# Presses key $2 in window $1 until the window goes away: focus it, then type through the
# server's test extension. A window that was only just mapped may not take the first key yet.
press_key_until_gone() {
  for _ in $(seq 10); do
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    sleep 0.3
    xdotool key "$2"
    sleep 0.5
    xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
  done
  fail "window $1 did not close on $2"
}

# X, Y (the client area's top-left on the screen), WIDTH and HEIGHT of window $1, as shell
# assignments. xdotool's position counts a window manager's frame twice, so xwininfo says it.
geometry_of() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {print "X=" $NF} /Absolute upper-left Y/ {
    print "Y=" $NF} /^ *Width:/ {print "WIDTH=" $NF} /^ *Height:/ {print "HEIGHT=" $NF}'
}

screenshot() {
  import -display "$DISPLAY" -window root "$SHOTS/$1.png"
}

# The text of the edit at screen point ($1, $2), read as a user would: click into it, select all,
# copy, and read the clipboard.
edit_text_at() {
  xdotool mousemove "$1" "$2" click 1
  sleep 0.2
  xdotool key ctrl+a ctrl+c
  sleep 0.2
  xclip -o -selection clipboard 2>/dev/null || true
}

# Waits up to ten seconds for the edit at ($1, $2) to show $3; prints what it showed last.
wait_for_text() {
  local seen=""
  for _ in $(seq 20); do
    seen=$(edit_text_at "$1" "$2")
    [ "$seen" = "$3" ] && break
    sleep 0.5
  done
  echo "$seen"
}

# How many pixels of the screenshot $1, in the rectangle $2 (WxH+X+Y), have the colour $3
# ("255,0,0").
pixels_of_colour() {
  convert "$1" -crop "$2" +repage -depth 8 txt:- | grep -c "($3)" || true
}

# Lays out the template $1 (monitor, options or chooser) on the real backend as tarnix does, at the scale
# in force, into $WORK/layout_$1 (see template_layout.cpp); fails when a label does not fit.
layout_of() {
  "$BUILD/tests/e2e/template_layout" "$1" >"$WORK/layout_$1" 2>>"$WORK/layout.log" ||
    fail "labels of the $1 template that do not fit: $(awk '$7 == "too-long"' "$WORK/layout_$1")"
}

# "X Y W H" of control $2 of template $1 within its window, in the display's pixels.
rect_of() {
  awk -v id="$2" '$1 == "scale" {s = $2}
    $1 == "control" && $2 == id {printf "%d %d %d %d\n", $3 * s, $4 * s, $5 * s, $6 * s; exit}' \
    "$WORK/layout_$1"
}

# "X Y", the centre of control $2 of template $1 within its window, in the display's pixels.
centre_of() {
  local x y w h
  read -r x y w h <<<"$(rect_of "$1" "$2")"
  echo "$((x + w / 2)) $((y + h / 2))"
}

# The colour "R,G,B" of role $2 (window or base) in template $1's layout.
colour_of() {
  awk -v role="$2" '$1 == "colour" && $2 == role {print $3}' "$WORK/layout_$1"
}
