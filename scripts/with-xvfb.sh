#!/usr/bin/env bash
# Runs a command with DISPLAY set to an Xvfb of its own, started here and stopped after, so
# the editor's window tests need no desktop. The display number is Xvfb's own choice; it does
# not reset when its last client goes, so tests that open and close connections never meet it
# restarting. The screen is a 4K one, room for the editor at 300 % (2427 x 1608).
set -uo pipefail
tmp=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 3840x2160x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 1 200); do
  [ -s "$tmp/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$tmp/display" ]; then
  echo "Xvfb did not start:"; cat "$tmp/xvfb.log"
  kill "$xvfb" 2>/dev/null; rm -rf "$tmp"; exit 1
fi
export DISPLAY=":$(head -n 1 "$tmp/display")"
"$@"
rc=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
rm -rf "$tmp"
exit $rc
