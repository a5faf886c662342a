#!/usr/bin/env bash
# Fails when any process still carries the desktop session's marker: a server, window manager,
# bus or game that a test started and did not stop.
set -euo pipefail
left=()
for env in /proc/[0-9]*/environ; do
  pid=${env#/proc/}
  pid=${pid%/environ}
  if tr '\0' '\n' <"$env" 2>/dev/null | grep -q '^POMURAN_TEST_SESSION='; then
    left+=("$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)")
  fi
done
if [ ${#left[@]} -gt 0 ]; then
  echo "still running after the tests:" >&2
  printf '  %s\n' "${left[@]}" >&2
  exit 1
fi
echo "no process of a test session is left"
