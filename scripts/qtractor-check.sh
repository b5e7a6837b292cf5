#!/usr/bin/env bash
# `make qtractor-check`: moltrin.clap in a real CLAP host, Debian's Qtractor, on a display of its
# own. Installs what it needs when missing (qtractor, jackd2, xvfb, openbox, xdotool,
# imagemagick, x11-utils), then:
#   1. Qtractor's scanner (qtractor_plugin_scan) lists moltrin.clap with one MIDI in and one out;
#   2. Qtractor, started under Xvfb with a window manager and JACK on its dummy driver, opens a
#      session of ours (a MIDI track with Moltrin on it) and shows Moltrin's editor in its plug-in
#      window;
#   3. a click in the editor (the octave row's caption) reaches the host: Qtractor's parameter
#      "SelectedBar" changes from 2 to 1 in the session it saves, and its parameter view (the
#      plug-in's properties) shows the new value.
# Screenshots: BUILD_DIR/qtractor/*.png (qtractor-moltrin.png: the editor and the parameter view). Without an ALSA sequencer (/dev/snd/seq) Qtractor's
# audio/MIDI engine does not start (it says so in a dialog, which is dismissed): it can still
# scan, instantiate and show the plug-in, but plays nothing; the CLAP test host covers playback.
# Usage: qtractor-check.sh [BUILD_DIR]   (default build/linux)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/linux}" && pwd) || exit 2
work=$build/qtractor
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan

packages=(qtractor jackd2 xvfb openbox xdotool imagemagick x11-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" || exit 1
fi

[ -f "$build/host/moltrin.clap" ] || { echo "no $build/host/moltrin.clap: build first (make build-demo)"; exit 1; }
rm -rf "$work"
mkdir -p "$work/clap" "$work/config/rncbc.org" "$work/home"
# The session lives in a folder of its own under /tmp (Qtractor shows its path); a copy of what
# Qtractor saved stays in BUILD_DIR/qtractor.
sessions=$(mktemp -d /tmp/moltrin-qtractor.XXXXXX)
chmod 700 "$work/home"
# The module with its bank and skins, as a user installs it in ~/.clap.
cp -r "$build/host/moltrin.clap" "$build/host/skins" "$work/clap/"
[ -f "$build/host/Moltrin_FactoryBank.fxb" ] && cp "$build/host/Moltrin_FactoryBank.fxb" "$work/clap/"
failed=0
ok() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failed=1; }

# ---- 1. The scanner: CLAP|name|audio in:out|MIDI in:out|controls in:out|modes|file|index|id
scan=$(echo "CLAP:$work/clap/moltrin.clap" | timeout 60 "$scanner" 2>"$work/scan.log")
echo "$scan" >"$work/scan.txt"
IFS='|' read -r kind name audio midi controls _ <<<"$scan"
if [ "$kind" = CLAP ] && [ "$name" = Moltrin ] && [ "$midi" = 1:1 ] && [ "$audio" = 0:0 ]; then
  ok "qtractor_plugin_scan lists Moltrin: audio $audio, MIDI $midi, parameters ${controls%%:*}"
else
  fail "qtractor_plugin_scan answered: ${scan:-nothing} (see $work/scan.log)"
fi

# ---- 2. Qtractor under Xvfb with our session.
pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null; done
  wait 2>/dev/null
  cp "$sessions/moltrin.qtr" "$work/" 2>/dev/null
  rm -rf "$sessions"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/home
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
jackd --no-realtime -d dummy -r 48000 -p 1024 >"$work/jackd.log" 2>&1 &
pids+=($!)
sleep 2
cat >"$work/config/rncbc.org/Qtractor.conf" <<EOF
[AutoSave]
Enabled=false

[Options]
Display\\KeepEditorsOnTop=true

[Plugins]
ClapPaths=$work/clap
OpenEditor=true
EOF
session=$sessions/moltrin.qtr
sed -e "s|@DIR@|$sessions|g" -e "s|@CLAP@|$work/clap/moltrin.clap|g" \
  "$root/scripts/qtractor-session.qtr" >"$session"
(cd "$sessions" && exec qtractor "$session" >"$work/qtractor.log" 2>&1) &
pids+=($!)

window() {  # NAME PATTERN [SECONDS]: the first window whose name matches, waiting for it
  local id
  for _ in $(seq 1 $((${2:-20} * 4))); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.25
  done
  return 1
}
if error=$(window "^Error" 30); then
  if [ ! -e /dev/snd/seq ]; then
    echo "note: Qtractor's audio/MIDI engine did not start: this machine has no ALSA sequencer (/dev/snd/seq)"
  else
    echo "note: Qtractor reported an error at start; see the screenshot"
  fi
  import -window root "$work/qtractor-engine-error.png"
  xdotool windowactivate --sync "$error" key Return 2>/dev/null
fi
main=$(window "moltrin[.]qtr" 20) || {
  import -window root "$work/no-session.png"
  fail "Qtractor did not open the session; its windows:"
  xdotool search --name . 2>/dev/null | while read -r w; do echo "  $(xdotool getwindowname "$w")"; done
  exit 1
}
ok "Qtractor opened the session"

# The editor: Qtractor opens it with the plug-in (OpenEditor); else a double click on the plug-in
# in the track's list opens it.
editor=$(window "^Moltrin - Moltrin" 10)
if [ -z "$editor" ]; then
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove $((X + 176)) $((Y + 159)) click --repeat 2 --delay 100 1
  editor=$(window "^Moltrin - Moltrin" 10)
fi
[ -n "$editor" ] || { import -window root "$work/no-editor.png"; fail "Qtractor shows no editor of Moltrin"; exit 1; }
sleep 2
eval "$(xwininfo -id "$editor" | awk '/Absolute upper-left X/{print "EX=" $NF} /Absolute upper-left Y/{print "EY=" $NF} /Width:/{print "EW=" $NF} /Height:/{print "EH=" $NF}')"
if [ "$EW" = 809 ] && [ "$EH" = 536 ]; then
  ok "Qtractor shows Moltrin's editor in its plug-in window, 809 x 536"
else
  fail "the editor's window is $EW x $EH"
fi
import -window root "$work/qtractor-editor.png"

# ---- 3. A click on the octave row's caption: SelectedBar 2 -> 1.
xdotool windowactivate --sync "$editor" 2>/dev/null
sleep 0.5
xdotool mousemove $((EX + 257)) $((EY + 387))
sleep 0.3
xdotool click 1
sleep 1
xdotool windowactivate --sync "$main" key ctrl+s 2>/dev/null
sleep 3
bar=$(sed -n 's|.*<param [^>]*name="SelectedBar"[^>]*>\([0-9]*\)</param>.*|\1|p' "$session")
if [ "$bar" = 1 ]; then
  ok "the click reached Qtractor: its parameter SelectedBar is 1 in the session it saved"
else
  fail "Qtractor's SelectedBar is '${bar:-missing}' after the click (expected 1)"
fi
# Qtractor's parameter view of the plug-in (its properties form), beside the editor.
xdotool windowactivate --sync "$main" 2>/dev/null
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 176)) $((Y + 159)) click 3
sleep 1
xdotool mousemove $((X + 176 + 63)) $((Y + 159 + 263)) click 1  # "Properties..."
form=""
for _ in $(seq 1 40); do
  form=$(xdotool search --name "^Moltrin - Moltrin" 2>/dev/null | grep -vx "$editor" | head -n 1)
  [ -n "$form" ] && break
  sleep 0.25
done
if [ -n "$form" ]; then
  # The parameter view above the editor, both in sight.
  xdotool windowmove "$form" 20 40 windowmove "$editor" 760 430 2>/dev/null
  xdotool windowactivate --sync "$editor" 2>/dev/null
  xdotool windowactivate --sync "$form" 2>/dev/null
  sleep 2
  ok "Qtractor's parameter view of Moltrin is open beside the editor"
else
  fail "Qtractor's parameter view of Moltrin did not open"
fi
import -window root "$work/qtractor-moltrin.png"
echo "screenshots: $work/*.png"
exit $failed
