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
if [ -x "$bin/halvoran-config" ]; then
  "$bin/halvoran-config" --device "$link"
elif [ -x "$bin/halvoran-cli" ]; then
  "$bin/halvoran-cli" --interface com --device "$link" get /status.htm
else
  echo "demo: the simulated printer runs on $link; no front end is built yet"
fi
