#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
#   tools/run.sh            start the program on the machine's serial ports
#   tools/run.sh --sim      start it against the simulated controller and adapter
#                           box on one pseudo-terminal linked as COM1 in a private
#                           ports folder
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
# Only what is started: the program, and with --sim the simulator (the tests
# and benchmarks are tools/test.sh's).
if [ "${1:-}" = "--sim" ]; then
  bash tools/build.sh taron taron-sim
else
  bash tools/build.sh taron
fi
BIN="${BUILD_DIR:-build}/bin"
if [ "${1:-}" = "--sim" ]; then
  shift
  PORTS="$(mktemp -d)"
  "$BIN/taron-sim" --ports-dir "$PORTS" --com 1 &
  SIM=$!
  trap 'kill "$SIM" 2>/dev/null || true; wait "$SIM" 2>/dev/null || true; rm -rf "$PORTS"' EXIT
  for _ in $(seq 50); do
    [ -e "$PORTS/COM1" ] && break
    kill -0 "$SIM" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -e "$PORTS/COM1" ]; then
    echo "run.sh: the simulator did not start" >&2
    exit 1
  fi
  PORTS_DIR="$PORTS" "$BIN/taron" "$@"
else
  exec "$BIN/taron" "$@"
fi
