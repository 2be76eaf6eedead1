#!/usr/bin/env bash
# Starts the simulated printer on a pseudo-terminal and runs the best front
# end that is built against it.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bin
if [ ! -x "$bin/halvoran-sim" ]; then
  echo "demo: the simulated printer is not built yet"
  exit 1
fi
link=$(mktemp -u /tmp/halvoran-demo-XXXXXX)
"$bin/halvoran-sim" --pty --link "$link" &
sim=$!
trap 'kill $sim 2>/dev/null || true; rm -f "$link"' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
if [ -x "$bin/halvoran-config" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # "COM Port" and its port number point at the simulated printer: click Connect.
  echo "demo: the simulated printer is on $link; click Connect in the window"
  "$bin/halvoran-config" --device "$link"
elif [ -x "$bin/halvoran-cli" ]; then
  [ -x "$bin/halvoran-config" ] && echo "demo: no display for the window; the command-line tool shows the printer"
  "$bin/halvoran-cli" --interface com --device "$link" get /status.htm
else
  echo "demo: the simulated printer runs on $link; no front end is built yet"
fi
