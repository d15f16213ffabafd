#!/usr/bin/env bash
# Exits 1 with one line on standard error when the program would find no
# screen to show its window on: no X display (DISPLAY), no Wayland display
# (WAYLAND_DISPLAY) and no Qt platform chosen by the user (QT_QPA_PLATFORM).
# tools/run.sh asks before it installs and builds, tools/start.sh before it
# starts anything.
#   tools/need-display.sh NAME     NAME: the command that asks, for the line
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "${1:-taron}: no display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY is set (start it from a desktop session, or choose a Qt platform with QT_QPA_PLATFORM)" >&2
  exit 1
fi
