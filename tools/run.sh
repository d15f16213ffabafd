#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program (tools/start.sh
# starts it again without a build).
#   tools/run.sh            start the program on the machine's serial ports
#   tools/run.sh --sim      start it against the simulated controller and adapter
#                           box on one pseudo-terminal linked as COM1 in a private
#                           ports folder, with settings of its own (see
#                           tools/start.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
# Nothing is installed or built for a window that cannot be shown.
bash tools/need-display.sh run.sh || exit 1
bash tools/install-deps.sh
# Only what is started: the program, and with --sim the simulator (the tests
# and benchmarks are tools/test.sh's).
if [ "${1:-}" = "--sim" ]; then
  bash tools/build.sh taron taron-sim
else
  bash tools/build.sh taron
fi
exec bash tools/start.sh "$@"
