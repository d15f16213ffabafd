#!/usr/bin/env bash
# Starts the program as last built (tools/run.sh installs, builds and then
# starts it this way):
#   tools/start.sh          on the machine's serial ports
#   tools/start.sh --sim    against the simulated controller and adapter box on
#                           one pseudo-terminal linked as COM1 in a private
#                           ports folder
# The --sim run keeps its settings apart: it starts from a copy of the user's
# settings file without the port and the off-line choice, so the simulated
# controller on COM1 is connected whatever an earlier run saved, and what the
# run changes (language, off-line, port) never reaches the user's own file.
# Only the settings are private: the run keeps the user's folders (its data
# folder in the user's documents folder, wherever the desktop puts that).
# BUILD_DIR names the build folder (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/need-display.sh start.sh || exit 1
BIN="${BUILD_DIR:-build}/bin"
SIM_MODE=0
if [ "${1:-}" = "--sim" ]; then
  SIM_MODE=1
  shift
fi
PROGRAMS=(taron)
BUILD_COMMAND="bash tools/run.sh"
if [ "$SIM_MODE" = 1 ]; then
  PROGRAMS+=(taron-sim)
  BUILD_COMMAND+=" --sim"
fi
for program in "${PROGRAMS[@]}"; do
  if [ ! -x "$BIN/$program" ]; then
    echo "start.sh: $BIN/$program is not built yet; build and start with: $BUILD_COMMAND" >&2
    exit 1
  fi
done
if [ "$SIM_MODE" = 0 ]; then
  exec "$BIN/taron" "$@"
fi

# The user's configuration folder: $XDG_CONFIG_HOME (when absolute) or
# ~/.config.
user_config() {
  local config="${XDG_CONFIG_HOME:-}"
  case "$config" in
    /*) ;;
    *) config="${HOME:+$HOME/.config}" ;;
  esac
  echo "$config"
}

# The user's settings file, where the program looks for it: taron.INI in the
# configuration folder, or beside the program when that folder cannot be
# written.
user_settings() {
  local config
  config="$(user_config)"
  if [ -n "$config" ] && [ -f "$config/taron.INI" ]; then
    echo "$config/taron.INI"
  elif [ -f "$BIN/taron.INI" ] && { [ -z "$config" ] || [ ! -w "$config" ]; }; then
    echo "$BIN/taron.INI"
  fi
}

PRIVATE="$(mktemp -d)"
PORTS="$PRIVATE/ports"
mkdir -p "$PORTS" "$PRIVATE/config"
SIM=""
cleanup() {
  if [ -n "$SIM" ]; then
    kill "$SIM" 2>/dev/null || true
    wait "$SIM" 2>/dev/null || true
  fi
  rm -rf "$PRIVATE"
}
trap cleanup EXIT

# Section [Settings] less its port and off-line keys (names in any case, CR LF
# kept); every other section and key as the user has it.
SETTINGS="$(user_settings)"
if [ -n "$SETTINGS" ]; then
  LC_ALL=C awk '
    { key = $0; sub(/\r$/, "", key); gsub(/^[ \t]+|[ \t]+$/, "", key); key = tolower(key) }
    key ~ /^\[.*\]$/ { section = key }
    section == "[settings]" && key ~ /^(commultiport|offlinemode)[ \t]*=/ { next }
    { print }
  ' "$SETTINGS" > "$PRIVATE/config/taron.INI"
fi
# The desktop's folder names (documents, ...) stay the user's, so that the
# program's data folder is the one the user's own runs use.
USER_CONFIG="$(user_config)"
for names in user-dirs.dirs user-dirs.locale; do
  if [ -n "$USER_CONFIG" ] && [ -f "$USER_CONFIG/$names" ]; then
    cp "$USER_CONFIG/$names" "$PRIVATE/config/$names"
  fi
done

"$BIN/taron-sim" --ports-dir "$PORTS" --com 1 --program-started &
SIM=$!
# The simulator links COM1 once it serves; a busy machine may take a while
# (given up after two minutes).
for _ in $(seq 1200); do
  [ -e "$PORTS/COM1" ] && break
  kill -0 "$SIM" 2>/dev/null || break
  sleep 0.1
done
if [ ! -e "$PORTS/COM1" ]; then
  echo "start.sh: the simulator did not start" >&2
  exit 1
fi
PORTS_DIR="$PORTS" XDG_CONFIG_HOME="$PRIVATE/config" "$BIN/taron" "$@"
