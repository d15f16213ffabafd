#!/usr/bin/env bash
# Configures and builds in ./build.
#   tools/build.sh                 everything: the program, the simulator, the
#                                  tests and the benchmarks
#   tools/build.sh TARGET...       only the targets named (and what they need),
#                                  e.g. tools/build.sh taron taron-sim
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "$#" -gt 0 ]; then
  cmake --build "$BUILD_DIR" -j"$(nproc)" --target "$@"
else
  cmake --build "$BUILD_DIR" -j"$(nproc)"
fi
