#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh
cd "${BUILD_DIR:-build}"
ctest --output-on-failure --no-tests=error -j"$(nproc)"
