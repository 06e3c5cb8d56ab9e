#!/usr/bin/env bash
# The main window on a desktop of the given size: client size and centred
# position measured from outside, title, close box only, all controls and the
# pane on screen, and a close request that ends the program with exit code 0.
# Usage: window_test.sh BINARY WIDTHxHEIGHT PRODUCT_DOMAIN
source "$(dirname "$0")/lib.sh"
gui_private_network "$@"
binary=$1 desktop=$2 domain=$3
screen_w=${desktop%x*} screen_h=${desktop#*x}

gui_start_display "$desktop"
gui_open_app "$binary"
wid=$GUI_WID

# Title, exactly.
title=$(xdotool getwindowname "$wid")
[ "$title" = "Youtube to Mp4 - $domain" ] || gui_fail "title is '$title'"

# Client size: a third of the width, 0.8 of the height rounded.
want_w=$((screen_w / 3))
want_h=$(awk -v h="$screen_h" 'BEGIN { printf "%d", int(h * 0.8 + 0.5) }')
read -r x y w h <<<"$(gui_client_geometry "$wid")"
[ "$w $h" = "$want_w $want_h" ] || gui_fail "client area ${w}x${h}, expected ${want_w}x${want_h}"

# Centred with its frame: the frame's outer box is centred on the screen.
read -r left right top bottom <<<"$(gui_frame_extents "$wid")"
outer_w=$((w + left + right)) outer_h=$((h + top + bottom))
want_x=$(((screen_w - (outer_w < screen_w ? outer_w : screen_w)) / 2 + left))
want_y=$(((screen_h - (outer_h < screen_h ? outer_h : screen_h)) / 2 + top))
[ "$x $y" = "$want_x $want_y" ] || gui_fail "client area at $x,$y, expected $want_x,$want_y (frame $left $right $top $bottom)"

# Close box only: the window manager offers moving and closing, nothing else.
actions=$(xprop -id "$wid" _NET_WM_ALLOWED_ACTIONS)
for action in CLOSE MOVE; do
  grep -q "_NET_WM_ACTION_$action" <<<"$actions" || gui_fail "window cannot be ${action,,}d: $actions"
done
for action in RESIZE MAXIMIZE_HORZ MINIMIZE FULLSCREEN; do
  grep -q "_NET_WM_ACTION_$action" <<<"$actions" && gui_fail "window offers $action: $actions"
done

# The picture: every control inside the client area is drawn (not one flat
# colour), and the pane shows a white page (the browser may paint a moment
# after the controls). Kept for a look by eye.
shot="$GUI_ARTIFACTS/window-$desktop.png"
problem=""
picture_complete() {
  local control bx by bw bh mean
  gui_screenshot "$shot"
  for control in label field download openfolder progress pane; do
    read -r bx by bw bh <<<"$(gui_control_box "$control" "$w" "$h")"
    [ "$bx" -ge "$w" ] && continue             # wholly outside on narrow desktops
    [ $((bx + bw)) -gt "$w" ] && bw=$((w - bx))  # cut off at the client edge
    gui_region_varies "$shot" $((x + bx)) $((y + by)) "$bw" "$bh" || { problem="$control not drawn"; return 1; }
  done
  read -r bx by bw bh <<<"$(gui_control_box pane "$w" "$h")"
  mean=$(gui_region_mean "$shot" $((x + bx)) $((y + by + 60)) "$bw" $((bh - 60)))
  awk -v m="$mean" 'BEGIN { exit !(m > 0.97) }' || { problem="pane is not a white page (mean $mean)"; return 1; }
}
gui_wait_for 20 picture_complete || gui_fail "$problem (see $shot)"

gui_close "$wid"
gui_wait_exit 15
[ "$GUI_EXIT_CODE" = 0 ] || gui_fail "exit code $GUI_EXIT_CODE after the close request"
echo "ok: ${w}x${h} at $x,$y on $desktop, exit code 0"
