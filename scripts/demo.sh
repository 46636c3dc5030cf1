#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on a demo database
# with the modem simulator on loopback.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build=${BUILD_DIR:-build}
demo=${PORTIVA_DEMO_DIR:-$HOME/.local/share/Portiva3/demo}
mkdir -p "$demo"
db="$demo/Brimo02.mdb"
if [ ! -f "$db" ]; then
  PORTIVA_ADMIN_PASSWORD=${PORTIVA_ADMIN_PASSWORD:-demo} "$build/Portiva3" --create-database "$db" --demo
fi
# The report windows create the grid printer by class id, so it must be registered.
"$build/tools/comreg/portiva-comreg" "$build/gridprint/libtabulon.so" >/dev/null
# The demo keeps its own settings beside its database, made once to reach the simulator.
export PORTIVA_SETTINGS_FILE=${PORTIVA_SETTINGS_FILE:-$demo/settings.ini}
if [ ! -f "$PORTIVA_SETTINGS_FILE" ]; then
  printf '[Settings]\nLastComPort=255\nHostName=127.0.0.1\nPort=2323\nKeySelect=+4791000001\n' \
    > "$PORTIVA_SETTINGS_FILE"
fi
sim_pid=""
if [ -x "$build/tools/modemsim/portiva-modemsim" ]; then
  sim_out=$(mktemp)
  "$build/tools/modemsim/portiva-modemsim" --tcp 2323 --config tools/modemsim/demo.conf \
    >"$sim_out" 2>&1 &
  sim_pid=$!
  trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; rm -f "$sim_out"' EXIT
  # The simulator says "TCP 127.0.0.1:2323" once it listens; the program connects only then.
  for _ in $(seq 100); do
    grep -q '^TCP 127.0.0.1:2323$' "$sim_out" && break
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! grep -q '^TCP 127.0.0.1:2323$' "$sim_out"; then
    echo "demo.sh: the modem simulator does not listen on 127.0.0.1:2323:" >&2
    cat "$sim_out" >&2
    echo "demo.sh: is another program using port 2323? (ss -ltnp 'sport = :2323')" >&2
    exit 1
  fi
fi
"$build/Portiva3" --database "$db"
