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
  "$build/tools/modemsim/portiva-modemsim" --tcp 2323 --config tools/modemsim/demo.conf &
  sim_pid=$!
  trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null' EXIT
fi
"$build/Portiva3" --database "$db"
