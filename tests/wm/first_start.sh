#!/usr/bin/env bash
# A newcomer's first start of the real program under Xvfb with openbox: no database where the
# program looks (the message names the file and the two options), then a database with a
# network modem that refuses the connection (a box naming host and port, soon, and "no modem"),
# the first main window sized by its controls, F1 on a desktop with no HTML viewer, and a serial
# port that is not there, told in Swedish.
# A box's text is read as the operator can copy it: selected with the mouse, then Ctrl+C.
# Usage: first_start.sh PORTIVA3
set -euo pipefail
program=$(readlink -f "$1")
source "$(dirname "$0")/session.sh"
start_session 1280x1024 xclip xwininfo
# No program on PATH can open an HTML file: the desktop has no viewer.
mkdir -p "$work/nobin"

find_box() { # text; the text of the first visible "Portiva3" box that holds it, if any
  local id text
  for id in $(xdotool search --onlyvisible --name '^Portiva3$' 2>/dev/null); do
    text=$(box_text "$id")
    case "$text" in *"$1"*) echo "$text"; return 0 ;; esac
  done
  return 1
}
wait_for_box() { # text; waits up to 20 s for find_box
  for _ in $(seq 60); do
    find_box "$1" && return 0
    sleep 0.2
  done
  return 1
}
box_text() { # window id; the box's text as the operator can copy it: selected, Ctrl+C
  local x y w h
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
  read -r x y w h < <(xwininfo -id "$1" |
    awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width/{w=$NF} /Height/{h=$NF} END{print x, y, w, h}')
  [ "$h" -lt 400 ] || return 0 # the main window, not a box
  printf '' | xclip -selection clipboard
  # From the text's first letter to the box's far corner: the whole text.
  xdotool mousemove $((x + 32)) $((y + 13)) mousedown 1
  sleep 0.1
  xdotool mousemove $((x + w / 2)) $((y + h / 2))
  sleep 0.1
  xdotool mousemove $((x + w - 2)) $((y + h - 2)) mouseup 1
  sleep 0.1
  xdotool key --clearmodifiers ctrl+c
  sleep 0.2
  xclip -o -selection clipboard 2>/dev/null || true
}
fail() { echo "FAIL: $*"; exit 1; }
ends() { # pid; waits for the program to end
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  kill "$1"; fail "the program did not end"
}
login() {
  local id
  id=$(wait_for_window Login)
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 20 Forvaltermann
  xdotool key Tab
  xdotool type --delay 20 first
  xdotool key Return
}

# 1. No database: the program started in an empty folder, as from a fresh account.
mkdir -p "$work/fresh"
(cd "$work/fresh" && PATH=$work/nobin exec "$program") >"$work/run1.log" 2>&1 &
app=$!
pids+=("$app") # a failed check must not leave it running
text=$(wait_for_box Brimo02.mdb) || fail "no message on the missing database"
echo "$text" | grep -qF "$work/fresh/Brimo02.mdb" || fail "no file named: $text"
echo "$text" | grep -qF -- "--database FILE" || fail "no --database: $text"
echo "$text" | grep -qF -- "--create-database FILE" || fail "no --create-database: $text"
echo "no database: the message names $work/fresh/Brimo02.mdb and both options"
xdotool key Return
login_window=$(wait_for_window Login)
xdotool windowactivate --sync "$login_window" >/dev/null 2>&1 || true
xdotool key Escape
ends "$app"

# 2. A database whose network modem refuses: a loopback port nobody listens on.
PORTIVA_ADMIN_PASSWORD=first "$program" --create-database "$work/site.mdb" >/dev/null
port=""
for candidate in $(shuf -i 20000-60000 -n 50); do
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then port=$candidate; break; fi
done
[ -n "$port" ] || fail "no loopback port without a listener"

printf '[Settings]\nLastComPort=255\nHostName=127.0.0.1\nPort=%s\n' "$port" >"$PORTIVA_SETTINGS_FILE"
PATH=$work/nobin "$program" --database "$work/site.mdb" >"$work/run2.log" 2>&1 &
app=$!
pids+=("$app")
login
# The load asks before it connects ("Kobler til: ..."), then says why it could not.
wait_for_box "Kobler til" >/dev/null || fail "no connection question"
started=$(date +%s)
xdotool key Return
refusal=$(wait_for_box nettverksmodemet) || fail "no box on the refused connection"
waited=$(($(date +%s) - started))
echo "$refusal" | grep -qF "127.0.0.1, port $port (tilkoblingen ble avvist)" ||
  fail "no refusal naming host and port: $refusal"
[ "$waited" -le 8 ] || fail "the refusal took $waited s"
echo "refused connection: said within $waited s, naming 127.0.0.1 port $port"
xdotool key Return
main=$(wait_for_window Portiva3)
sleep 1
read -r width height < <(xdotool getwindowgeometry "$main" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
# The part's default was 431 x 408 pixels, most of the panels behind scroll bars.
[ "$width" -gt 600 ] && [ "$height" -gt 450 ] || fail "first window only ${width}x$height"
[ "$width" -le 1280 ] && [ "$height" -le 1024 ] || fail "first window ${width}x$height beyond the screen"
echo "first start: the main window is ${width}x$height"

# 3. F1 with no viewer: the program's own help window.
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
xdotool key --clearmodifiers F1
help=$(wait_for_window Hjelp) || fail "F1 showed no help window"
xdotool windowactivate --sync "$help" >/dev/null 2>&1 || true
xdotool key --clearmodifiers Escape
echo "F1 without a viewer: the help window opened"
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
xdotool key --clearmodifiers alt+F4
ends "$app"
grep -q '^MainWidth=' "$PORTIVA_SETTINGS_FILE" || fail "no size stored at the close"

# 4. A serial port that is not there, in Swedish: the box names the device and says why.
device=$work/ttyUSB-none
printf '[Settings]\nCountryCode=46\nLastComPort=7\nSerialDevice7=%s\n' "$device" >"$PORTIVA_SETTINGS_FILE"
PATH=$work/nobin "$program" --database "$work/site.mdb" >"$work/run3.log" 2>&1 &
app=$!
pids+=("$app")
login
said=$(wait_for_box "öppnades inte") || fail "no box on the missing serial port"
echo "$said" | grep -qF "Modemporten $device öppnades inte: porten finns inte." ||
  fail "not the Swedish text naming the device: $said"
echo "missing serial port: said in Swedish, naming $device"
xdotool key Return
main=$(wait_for_window Portiva3)
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
xdotool key --clearmodifiers alt+F4
ends "$app"
echo "first start seen as a newcomer sees it"
