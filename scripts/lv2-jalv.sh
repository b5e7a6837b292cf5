#!/usr/bin/env bash
# jalv, a real LV2 host, opens the bundle with its UI embedded, under an X display and a JACK
# server of this script's own (the dummy driver: no sound card), and a screenshot is taken.
# Passes when jalv found the plug-in by its URI, embedded the editor (a window of 809 x 536 in
# jalv's) and reported no error.
# Usage: lv2-jalv.sh BUNDLE-FOLDER SCREENSHOT.png   (run inside scripts/with-xvfb.sh)
set -uo pipefail
bundle=$(cd "${1:?usage: lv2-jalv.sh BUNDLE-FOLDER SCREENSHOT.png}" && pwd)
shot=${2:?usage: lv2-jalv.sh BUNDLE-FOLDER SCREENSHOT.png}
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run inside scripts/with-xvfb.sh"; exit 1; }
for tool in jalv.gtk3 jackd xwininfo import; do
  command -v $tool >/dev/null || { echo "$tool is missing: run scripts/deps.sh"; exit 1; }
done
tmp=$(mktemp -d)
jack=""; jalv=""
cleanup() {
  [ -n "$jalv" ] && kill "$jalv" 2>/dev/null && wait "$jalv" 2>/dev/null
  [ -n "$jack" ] && kill "$jack" 2>/dev/null && wait "$jack" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
mkdir "$tmp/lv2"
ln -s "$bundle" "$tmp/lv2/moltrin.lv2"
export LV2_PATH="$tmp/lv2" JACK_DEFAULT_SERVER="moltrin-jalv-$$" JACK_NO_AUDIO_RESERVATION=1 HOME="$tmp"
jackd --no-realtime -d dummy -r 48000 -p 512 >"$tmp/jack.log" 2>&1 &
jack=$!
sleep 1
jalv.gtk3 urn:moltrin:arpeggiator >"$tmp/jalv.log" 2>&1 &
jalv=$!
# The editor is embedded when a window of its size lives in jalv's.
found=""
for _ in $(seq 1 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q ' 809x536+'; then found=yes; break; fi
  kill -0 "$jalv" 2>/dev/null || break
  sleep 0.1
done
sleep 1  # the first paints
mkdir -p "$(dirname "$shot")"
import -window root -crop "$(xwininfo -root -tree | awk '/"Moltrin"/ {print $0}' | grep -oE '[0-9]+x[0-9]+\+[0-9]+\+[0-9]+' | head -n 1)" "$shot" 2>/dev/null ||
  import -window root "$shot"
echo "jalv's output:"; sed 's/^/  /' "$tmp/jalv.log"
status=0
[ -n "$found" ] || { echo "no editor window of 809 x 536 inside jalv's"; status=1; }
grep -qiE '^error|failed|not found' "$tmp/jalv.log" && { echo "jalv reported an error"; status=1; }
[ -s "$shot" ] && echo "screenshot: $shot" || { echo "no screenshot"; status=1; }
exit $status
