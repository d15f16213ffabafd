#!/usr/bin/env bash
# Runs one fuzz target under libFuzzer with the address and undefined-behaviour
# sanitizers:
#
#   bash tools/fuzz.sh NAME SECONDS
#
# NAME is a target of tests/fuzz/ (NAME from NAMEFuzz.cpp; "fuzz_NAME" works
# too). Installs clang, its sanitizer runtimes and llvm-symbolizer (so that a
# finding names its functions and lines) when missing, configures a
# clang build with TARON_FUZZ=ON in build-fuzz/ (BUILD_DIR overrides), builds
# the target, and fuzzes a fresh copy of its corpus for SECONDS. Inputs
# that crash, hang or break a check land in build-fuzz/fuzz-runs/NAME/findings/;
# the run's log is build-fuzz/fuzz-runs/NAME/log. Exits 1 when there are
# findings. An input that is only slow (under the hang limit, as a busy
# machine makes the largest ones) is no finding. JOBS sets the build's parallelism (default 3); extra libFuzzer
# options can follow the two arguments.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 2 ]; then
  echo "usage: $0 NAME SECONDS [libFuzzer options]" >&2
  exit 2
fi
NAME="${1#fuzz_}"
SECONDS_TO_RUN="$2"
shift 2
if [ ! -f "tests/fuzz/${NAME}Fuzz.cpp" ]; then
  echo "no fuzz target tests/fuzz/${NAME}Fuzz.cpp; there are:" >&2
  ls tests/fuzz/*Fuzz.cpp | sed 's|.*/||; s|Fuzz\.cpp$||' >&2
  exit 2
fi

# clang with libFuzzer and the sanitizer runtimes.
probe_clang() {
  command -v clang++ >/dev/null 2>&1 || return 1
  local dir
  dir="$(mktemp -d)"
  printf '%s\n' 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' \
    > "$dir/probe.cpp"
  clang++ -fsanitize=fuzzer,address,undefined "$dir/probe.cpp" -o "$dir/probe" >/dev/null 2>&1
  local rc=$?
  rm -rf "$dir"
  return $rc
}
# The symbolizer turns a finding's addresses into functions and lines: on
# the PATH (Debian's "llvm"), or beside clang of the same version.
find_symbolizer() {
  local found
  found="$(command -v llvm-symbolizer 2>/dev/null)" \
    || found="$(clang++ -print-prog-name=llvm-symbolizer 2>/dev/null)"
  [ -n "$found" ] && [ -x "$found" ] || return 1
  echo "$found"
}
if ! probe_clang || ! find_symbolizer >/dev/null; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends clang libclang-rt-dev llvm
  probe_clang || { echo "clang cannot build libFuzzer programs" >&2; exit 1; }
fi
SYMBOLIZER="$(find_symbolizer)" || { echo "no llvm-symbolizer: findings would show bare addresses" >&2; exit 1; }
bash tools/install-deps.sh

BUILD_DIR="${BUILD_DIR:-build-fuzz}"
LAUNCHER=()
if command -v ccache >/dev/null 2>&1; then
  LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTARON_FUZZ=ON -DTARON_BUILD_BENCH=OFF "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j"${JOBS:-3}" --target "fuzz_${NAME}"

RUN="$BUILD_DIR/fuzz-runs/$NAME"
rm -rf "$RUN"
mkdir -p "$RUN/corpus" "$RUN/findings"
cp -r "tests/fuzz/corpus/$NAME/." "$RUN/corpus/"

export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
# Every sanitizer's report names functions and lines.
export ASAN_SYMBOLIZER_PATH="${ASAN_SYMBOLIZER_PATH:-$SYMBOLIZER}"
export PATH="$(dirname "$SYMBOLIZER"):$PATH"
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# An input still running after 60 s is a hang. The largest card a reader
# takes (a memo at its line cap) runs about 6 s under the sanitizers on an idle
# machine, so a tighter limit would report a busy machine as a hang. Slow
# inputs are reported (as "slow-unit-*") only from the hang limit on: one
# below it is no finding.
HANG_SECONDS=60
set +e
"$BUILD_DIR/bin/fuzz_${NAME}" -max_total_time="$SECONDS_TO_RUN" -timeout="$HANG_SECONDS" \
  -report_slow_units="$HANG_SECONDS" -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$RUN/findings/" "$@" "$RUN/corpus" > "$RUN/log" 2>&1
rc=$?
set -e

stat() { sed -n "s/^stat::$1: *//p" "$RUN/log" | tail -1; }
# Crashes, hangs, leaks, memory limits and broken checks; a slow input
# written when extra options lower the slow-report limit is listed apart.
found() { find "$RUN/findings" -type f "$@"; }
findings=$(found ! -name 'slow-unit-*' | wc -l)
echo "fuzz_${NAME}: $(stat number_of_executed_units) runs in ${SECONDS_TO_RUN} s," \
     "$(stat average_exec_per_sec) executions per second," \
     "$(stat new_units_added) new inputs, peak memory $(stat peak_rss_mb) MB," \
     "$findings finding(s) (libFuzzer exit $rc)"
slow=$(found -name 'slow-unit-*')
if [ -n "$slow" ]; then
  echo "slow inputs (under the ${HANG_SECONDS} s hang limit, no finding):"
  echo "$slow"
fi
if [ "$findings" -gt 0 ] || [ "$rc" -ne 0 ]; then
  found ! -name 'slow-unit-*'
  grep -E "ERROR|runtime error|check failed|SUMMARY" "$RUN/log" | head -20
  echo "log: $RUN/log"
  exit 1
fi
