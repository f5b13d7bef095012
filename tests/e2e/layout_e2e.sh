#!/usr/bin/env bash
# The real tarnix binary on a desktop with a window manager, at QT_SCALE_FACTOR 1 and 2, with 1, 3
# and 5 queues: at its start size the window shows the last used row's name box whole and nothing
# of an unused row, and every label of the monitor's, the options dialog's and the chooser's
# templates fits its control or is stacked, measured with the dialog font. The options dialog
# offers no maximising or resizing.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb
start_window_manager

"$KXADMIN" create QM1 >/dev/null
"$KXADMIN" start QM1 >/dev/null
queues=(ORDERS.IN Q2 Q3 REPLIES.OUT Q5)
for q in "${queues[@]}"; do "$KXADMIN" define QM1 "$q" >/dev/null; done

# How many pixels of the window's client area, in the rectangle "X Y W H" of the window's own
# pixels cut to the client area, are of colour $2; prints "pixels-of-colour of all".
count_in_client() {
  local x y w h
  read -r x y w h <<<"$1"
  w=$((x + w > WIDTH ? WIDTH - x : w))
  h=$((y + h > HEIGHT ? HEIGHT - y : h))
  if [ "$w" -le 0 ] || [ "$h" -le 0 ]; then echo "0 0"; return; fi
  echo "$(pixels_of_colour "$WORK/client.png" "${w}x$h+$x+$y" "$2") $((w * h))"
}

for scale in 1 2; do
  export QT_SCALE_FACTOR=$scale
  layout_of monitor
  layout_of options
  layout_of chooser
  echo "scale $scale: labels stacked: $(awk '$7 == "stacked" {printf "%s ", $10}' "$WORK/layout_monitor")"
  background=$(colour_of monitor window)
  base=$(colour_of monitor base)
  for count in 1 3 5; do
    rm -f "$WORK/status"
    start_tarnix QM1 "${queues[@]:0:count}"
    window=$(monitor_window QM1)
    sleep 1
    eval "$(geometry_of "$window")"
    import -display "$DISPLAY" -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$WORK/client.png"
    cp "$WORK/client.png" "$SHOTS/layout_${scale}_$count.png"

    # The last used row's name box lies inside the client area and is drawn there to its bottom
    # edge: the box's colour, apart from the name's letters, along its last row of pixels.
    last=$((count - 1))
    read -r x y w h <<<"$(rect_of monitor $((1001 + 2 * last)))"
    echo "scale $scale, $count queue(s): client ${WIDTH}x$HEIGHT, last name box ${w}x$h+$x+$y"
    [ $((y + h)) -le "$HEIGHT" ] || fail "$count queue(s) at scale $scale: the last name box is cut"
    read -r drawn all <<<"$(count_in_client "$x $((y + h - 1)) $((w / 2)) 1" "$base")"
    [ "$drawn" -eq "$all" ] && [ "$all" -gt 0 ] ||
      fail "$count queue(s) at scale $scale: the last name box's bottom edge shows $drawn of $all"

    # Nothing of an unused row: where its controls would be, only the window's background (a
    # pixel of the layout in from each side, where a neighbour's edge may touch).
    for ((slot = count; slot < 5; slot++)); do
      for id in $((1010 + slot)) $((1000 + 2 * slot)) $((1022 + slot)) $((1001 + 2 * slot)); do
        read -r x y w h <<<"$(rect_of monitor "$id")"
        in=$((2 * scale))
        read -r plain all <<<"$(count_in_client "$((x + in)) $((y + in)) $((w - 2 * in)) $((h - 2 * in))" "$background")"
        [ "$plain" -eq "$all" ] ||
          fail "$count queue(s) at scale $scale: control $id of unused row $slot shows ($plain of $all plain)"
      done
    done

    # The options dialog: a fixed frame with caption and system menu, which the window manager
    # neither maximises nor resizes.
    if [ "$scale" -eq 1 ] && [ "$count" -eq 5 ]; then
      read -r ox oy <<<"$(centre_of monitor 1103)"
      xdotool mousemove $((X + ox)) $((Y + oy)) click 1 # "Opt"
      options=$(visible_windows '^Generate Options$')
      [ -n "$options" ] || fail "Opt did not open the options"
      sleep 0.5
      actions=$(xprop -id "$options" _NET_WM_ALLOWED_ACTIONS)
      echo "options dialog: $actions"
      if grep -Eq 'MAXIMIZE|RESIZE' <<<"$actions"; then
        fail "the options dialog can be maximised or resized"
      fi
      press_key_until_gone "$options" Escape
    fi
    press_key_until_gone "$window" Escape
    [ "$(tarnix_status)" -eq 0 ] || fail "closing the window: non-zero status"
  done
done

echo "PASS"
