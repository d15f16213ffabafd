#!/usr/bin/env bash
# Exits 1 with one line on standard error when the program would find no
# screen to show its window on: no Qt platform chosen by the user
# (QT_QPA_PLATFORM), and neither a Wayland compositor that answers on
# WAYLAND_DISPLAY nor an X server that answers on DISPLAY. A variable that is
# set is not enough: a display without its server makes the toolkit abort.
# tools/run.sh asks before it installs and builds, tools/start.sh before it
# starts anything, so the check uses only what a bare Debian has (bash and
# the Perl of the base system).
#   tools/need-display.sh NAME     NAME: the command that asks, for the line
NAME="${1:-taron}"
HINT="start it from a desktop session, or choose a Qt platform with QT_QPA_PLATFORM"
# How long a display may take to answer, in seconds.
WAIT=10

# Whether the X server of a display ("[host]:number[.screen]", as DISPLAY
# names it) answers a connection's opening request: any answer counts, also
# one that refuses a client without the user's cookie. Local displays are
# tried on their sockets (abstract, then in /tmp/.X11-unix), then on TCP as
# the toolkit's X library does; a host's on its TCP port 6000 + number.
x_server_answers() {
  perl -e '
    use strict;
    use IO::Socket::IP;
    use IO::Socket::UNIX;
    my ($display, $wait) = @ARGV;
    my ($protocol, $host, $number) = $display =~ m{^(?:([a-z]+)/)?(.*):(\d+)(?:\.\d+)?$} or exit 1;
    $protocol = "unix" if $host eq "unix";
    my @tries;
    if ($host eq "" || $protocol eq "unix") {
      push @tries, map { my $path = $_; sub { IO::Socket::UNIX->new(Type => SOCK_STREAM(), Peer => $path) } }
        ("\0/tmp/.X11-unix/X$number", "/tmp/.X11-unix/X$number");
    }
    if (($protocol // "tcp") ne "unix") {
      my $peer = $host eq "" ? "localhost" : $host;
      push @tries, sub { IO::Socket::IP->new(PeerHost => $peer, PeerPort => 6000 + $number, Timeout => $wait) };
    }
    $SIG{ALRM} = sub { exit 1 };
    for my $try (@tries) {
      my $socket = $try->() or next;
      # Byte order "l", protocol 11.0, no authorization: a server answers
      # with its first byte (0 refused, 1 accepted, 2 asks for more).
      alarm $wait;
      print {$socket} "l\0\x0b\0\0\0\0\0\0\0\0\0";
      $socket->flush;
      my $got = sysread($socket, my $answer, 1);
      alarm 0;
      exit 0 if $got;
    }
    exit 1;
  ' "$1" "$WAIT"
}

# Whether a Wayland compositor listens on the socket WAYLAND_DISPLAY names
# (a path, or a name in XDG_RUNTIME_DIR).
wayland_answers() {
  local socket="$1"
  case "$socket" in
    /*) ;;
    *) socket="${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/$socket" ;;
  esac
  [ -S "$socket" ] || return 1
  perl -e '
    use strict;
    use IO::Socket::UNIX;
    exit(IO::Socket::UNIX->new(Type => SOCK_STREAM(), Peer => $ARGV[0]) ? 0 : 1);
  ' "$socket"
}

refuse() {
  echo "$NAME: no display to show the window on: $1 ($HINT)" >&2
  exit 1
}

# A platform the user chose that is not a desktop's own (offscreen, vnc,
# eglfs, ...) is taken as chosen; "xcb" and "wayland" need their display.
# A list ("wayland;xcb") needs one of them; options follow a ":".
desktop_platforms=()
if [ -n "${QT_QPA_PLATFORM:-}" ]; then
  IFS=';' read -r -a chosen <<< "$QT_QPA_PLATFORM"
  for platform in "${chosen[@]}"; do
    platform="${platform%%:*}"
    case "$platform" in
      xcb | wayland | wayland-egl) desktop_platforms+=("$platform") ;;
      *) exit 0 ;;
    esac
  done
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  if [ -n "${QT_QPA_PLATFORM:-}" ]; then
    refuse "QT_QPA_PLATFORM=$QT_QPA_PLATFORM needs DISPLAY or WAYLAND_DISPLAY, and neither is set"
  fi
  refuse "neither DISPLAY nor WAYLAND_DISPLAY is set"
fi
wants() {
  [ "${#desktop_platforms[@]}" -eq 0 ] && return 0
  local platform
  for platform in "${desktop_platforms[@]}"; do
    case "$platform" in "$1"*) return 0 ;; esac
  done
  return 1
}
if [ -n "${WAYLAND_DISPLAY:-}" ] && wants wayland && wayland_answers "$WAYLAND_DISPLAY"; then
  exit 0
fi
if [ -n "${DISPLAY:-}" ] && wants xcb && x_server_answers "$DISPLAY"; then
  exit 0
fi
unanswered=()
[ -n "${WAYLAND_DISPLAY:-}" ] && wants wayland && unanswered+=("no Wayland compositor answers on WAYLAND_DISPLAY=$WAYLAND_DISPLAY")
[ -n "${DISPLAY:-}" ] && wants xcb && unanswered+=("no X server answers on DISPLAY=$DISPLAY")
if [ "${#unanswered[@]}" -eq 0 ]; then
  refuse "QT_QPA_PLATFORM=$QT_QPA_PLATFORM needs the display its platform names, and it is not set"
fi
message="${unanswered[0]}"
[ "${#unanswered[@]}" -gt 1 ] && message+=", and ${unanswered[1]}"
refuse "$message"
