#!/usr/bin/env bash
# What a screen reader finds in the game, read over the real accessibility bus.
#   tests/e2e/atspi.sh GAME
# Starts a private X server with a window manager, a private D-Bus session with its own
# accessibility bus, then the game, and lets atspi_check.py read it. Everything it started is
# stopped on the way out, whether the check passed or not.
set -euo pipefail

game=${1:?usage: atspi.sh GAME}
here=$(cd "$(dirname "$0")" && pwd)
launcher=/usr/libexec/at-spi-bus-launcher
python=/usr/bin/python3  # the system one, which has pyatspi

missing=()
for tool in Xvfb openbox xprop xdotool dbus-daemon dbus-send "$launcher" "$python"; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
"$python" -c 'import pyatspi' 2>/dev/null || missing+=(pyatspi)
if [ ${#missing[@]} -gt 0 ]; then
  echo "missing: ${missing[*]} (Debian: xvfb openbox x11-utils xdotool dbus at-spi2-core" \
    "python3-pyatspi)" >&2
  # A build machine must have them all; elsewhere the check is skipped.
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi

# Each background job gets a process group of its own, so stopping a job also stops what it
# started, such as the accessibility bus's own dbus-daemon.
set -m
tmp=$(mktemp -d)
jobs_started=()
stopall() {
  local pid
  for pid in "${jobs_started[@]}"; do kill -TERM -- "-$pid" 2>/dev/null || true; done
  for pid in "${jobs_started[@]}"; do
    for _ in $(seq 30); do kill -0 -- "-$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL -- "-$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap stopall EXIT
trap 'exit 130' INT TERM HUP

waitfor() {  # waitfor WHAT COMMAND...: retries the command for up to 15 s
  local what=$1
  shift
  for _ in $(seq 150); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "$what did not start" >&2
  exit 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$tmp/display" \
  >/dev/null 2>&1 &
jobs_started+=($!)
waitfor Xvfb grep -q . "$tmp/display"
export DISPLAY=":$(cat "$tmp/display")"
export XDG_RUNTIME_DIR=$tmp XDG_CONFIG_HOME=$tmp/config XDG_CACHE_HOME=$tmp/cache
unset QT_QPA_PLATFORM WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS

openbox --sm-disable >/dev/null 2>&1 &
jobs_started+=($!)
waitfor openbox sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

dbus-daemon --session --nofork --print-address=3 3>"$tmp/bus" >/dev/null 2>&1 &
jobs_started+=($!)
waitfor dbus-daemon grep -q . "$tmp/bus"
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
export DBUS_SESSION_BUS_ADDRESS

"$launcher" --launch-immediately --a11y=1 >/dev/null 2>&1 &
jobs_started+=($!)
waitfor at-spi-bus-launcher sh -c 'dbus-send --session --print-reply --dest=org.a11y.Bus \
  /org/a11y/bus org.a11y.Bus.GetAddress | grep -q unix:'

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$game" >"$tmp/game.log" 2>&1 &
gamepid=$!
jobs_started+=($gamepid)

status=0
timeout 60 "$python" "$here/atspi_check.py" "$gamepid" || status=$?
[ $status -eq 0 ] || sed 's/^/game: /' "$tmp/game.log" >&2
exit $status
