#!/usr/bin/env bash
# Fails when any process still carries the desktop session's marker of the given build folder:
# a server, window manager, bus or game that a test started and did not stop.
#   leftovers.sh BUILD
set -uo pipefail
marker="POMURAN_TEST_SESSION=${1:?usage: leftovers.sh BUILD} "
left=()
for env in /proc/[0-9]*/environ; do
  if grep -qazF "$marker" "$env" 2>/dev/null; then
    pid=${env#/proc/}
    pid=${pid%/environ}
    left+=("$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)")
  fi
done
# A session's folder, or a mount in it, such as the portal's document store.
left+=($(ls -d "$1"/session-* 2>/dev/null) $(grep -oF " $1/session-" /proc/self/mounts))
if [ ${#left[@]} -gt 0 ]; then
  echo "still running or left after the tests:" >&2
  printf '  %s\n' "${left[@]}" >&2
  exit 1
fi
echo "no process, folder or mount of a test session is left"
