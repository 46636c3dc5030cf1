#!/usr/bin/env bash
# The real program under Xvfb with a window manager (openbox): the main window is opened and
# closed several times, and after each run the stored geometry must be what the run began with.
# Offscreen windows have no frame, so only a window manager shows whether the frame is counted
# once. Usage: window_geometry.sh PORTIVA3 [ROUNDS]
set -euo pipefail
program=$1
rounds=${2:-10}
source "$(dirname "$0")/session.sh"
start_session 1600x1200
PORTIVA_ADMIN_PASSWORD=geometry "$program" --create-database "$work/site.mdb" >/dev/null
# No modem: the run has no connection box. The size is the one the fault was seen with.
printf '[Settings]\nLastComPort=0\nMainLeft=1500\nMainTop=1200\nMainWidth=13500\nMainHeight=10500\n' \
  >"$PORTIVA_SETTINGS_FILE"

stored() { sed -n "s/^$1=//p" "$PORTIVA_SETTINGS_FILE" | tr -d '\r'; }
geometry() { echo "$(stored MainLeft) $(stored MainTop) $(stored MainWidth) $(stored MainHeight)"; }

first=$(geometry)
echo "stored before the first run: $first"
for round in $(seq "$rounds"); do
  "$program" --database "$work/site.mdb" >"$work/run$round.log" 2>&1 &
  app=$!
  login=$(wait_for_window Login)
  xdotool windowactivate --sync "$login" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 20 Forvaltermann
  xdotool key Tab
  xdotool type --delay 20 geometry
  xdotool key Return
  main=$(wait_for_window Portiva3)
  # The splash closes after three seconds; the main window is then framed and settled.
  sleep 4.5
  xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers alt+F4
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$app" 2>/dev/null; then
    echo "round $round: the program did not end"; kill "$app"; exit 1
  fi
  now=$(geometry)
  echo "stored after run $round: $now"
  read -r l0 t0 w0 h0 <<<"$first"
  read -r l t w h <<<"$now"
  # One pixel is 15 twips at 96 dpi.
  for pair in "$l0 $l" "$t0 $t" "$w0 $w" "$h0 $h"; do
    read -r a b <<<"$pair"
    d=$((a - b)); d=${d#-}
    if [ "$d" -gt 15 ]; then echo "round $round: geometry moved from $first to $now"; exit 1; fi
  done
done
echo "geometry kept over $rounds runs"
