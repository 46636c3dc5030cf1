# Sourced by the window-manager tests: a display of their own with openbox on it, a scratch
# folder ($work) for HOME and the settings, and the clean-up of both at the end.
# Usage: source session.sh; start_session WIDTHxHEIGHT TOOL...
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

start_session() { # screen size, then the tools the test needs beyond Xvfb, openbox, xdotool
  local screen=$1 tool
  shift
  for tool in Xvfb openbox xdotool "$@"; do
    command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
  done
  # The first free display number from 90 up.
  local display=90
  while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
  export DISPLAY=:$display
  Xvfb "$DISPLAY" -screen 0 "${screen}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
  HOME=$work openbox >"$work/openbox.log" 2>&1 &
  pids+=($!)
  sleep 1
  export HOME=$work
  export PORTIVA_SETTINGS_FILE=$work/settings.ini
  export QT_QPA_PLATFORM=xcb
}

wait_for_window() { # name; prints the id of the visible window of that name
  for _ in $(seq 200); do
    local id
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  echo "no window $1" >&2
  return 1
}
