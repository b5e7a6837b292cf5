#!/usr/bin/env bash
# Moltrin's VST 2.x editor in Ardour 7's GUI, on settings whose automation lanes record: Ardour
# idles the editor on a thread of its own, where its automation code must not run (it crashed
# there on the first click in Touch or Latch), so the plug-in tells it of the user's gestures from
# the audio thread. One session (scripts/vst2-ardour-touch.lua) with two MIDI tracks, "Touch"
# and "Latch", each with Moltrin, its lane of "Steps" in the track's mode and its editor open with
# the session. With the transport stopped, a click on "steps ›" in the Latch track's editor; then
# Play, and in each editor the arrow held down three times; Stop. Ardour must still be running
# after each, and the session it saves must hold in each lane the values clicked: in Touch each
# hold's 5 steps where the lane has 4, in Latch 5 from the stopped click from the song's start,
# then 6, 7 and 8 from the holds. (Write cannot be set up by a file: Ardour saves a lane in Write
# as Off.)
# Ardour runs on its Dummy backend with settings of its own (no wizard, no audio setup dialog);
# its transport and its save go through its OSC surface on a free port of this machine; the
# mouse is xdotool's. About 40 s here.
# Usage: vst2-ardour-touch.sh MODULE-FOLDER   (build/linux/host: moltrin.so with its bank), on an
# X display (scripts/with-xvfb.sh gives one).
set -uo pipefail
module=$(cd "${1:?usage: vst2-ardour-touch.sh MODULE-FOLDER}" && pwd)/moltrin.so
here=$(cd "$(dirname "$0")" && pwd)
for tool in ardour ardour7-lua xdotool xwininfo python3; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (packages ardour, xdotool, x11-utils, python3)"; exit 1; }
done
scanner=$(ls /usr/lib/ardour*/ardour-vst-scanner 2>/dev/null | head -n 1)
[ -x "$scanner" ] || { echo "Ardour's VST scanner is missing"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "no X display: run it under scripts/with-xvfb.sh"; exit 1; }
[ -f "$module" ] || { echo "no $module"; exit 1; }

tmp=$(mktemp -d)
ardour_pid=""
stop_ardour() {
  [ -n "$ardour_pid" ] || return
  kill "$ardour_pid" 2>/dev/null
  for _ in $(seq 1 50); do kill -0 "$ardour_pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$ardour_pid" 2>/dev/null
  ardour_pid=""
}
trap 'stop_ardour; rm -rf "$tmp"' EXIT
fail() {
  echo "FAILED: $*"
  echo "--- Ardour's output (end)"; tail -n 25 "$tmp/ardour.log" 2>/dev/null
  exit 1
}

# The module as a user installs it, scanned as Ardour scans it (the cache must be newer).
mkdir -p "$tmp/vst" "$tmp/home" "$tmp/config/ardour7" "$tmp/cache" "$tmp/session"
cp "$module" "$(dirname "$module")/Moltrin_FactoryBank.fxb" "$tmp/vst/" 2>/dev/null || cp "$module" "$tmp/vst/"
touch -d '-1 minute' "$tmp/vst/moltrin.so"
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_CACHE_HOME=$tmp/cache LXVST_PATH=$tmp/vst LV2_PATH=/nonexistent
LD_LIBRARY_PATH=$(dirname "$scanner") "$scanner" -q -f "$tmp/vst/moltrin.so" || fail "Ardour's scanner refused moltrin.so"

# Ardour's settings: past its first-run wizard, its Dummy backend chosen, OSC on a free port.
osc_port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
touch "$tmp/config/ardour7/.a7"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<instant>\n  <no-memory-warning/>\n</instant>\n' >"$tmp/config/ardour7/instant.xml"
cat >"$tmp/config/ardour7/config" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
    <Option name="osc-port" value="$osc_port"/>
    <Option name="plugin-path-lxvst" value="$tmp/vst"/>
    <Option name="periodic-safety-backups" value="0"/>
  </Config>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="None (Dummy)" driver="" device="Silence" input-device="" output-device="" sample-rate="48000" buffer-size="1024" n-periods="2" input-latency="0" output-latency="0" lm-input="" lm-output="" active="1" use-buffered-io="0" midi-option="" lru="1">
          <MIDIDevices/>
        </State>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
  <ControlProtocols>
    <Protocol name="Open Sound Control (OSC)" active="1"/>
  </ControlProtocols>
</Ardour>
EOF

MOLTRIN_SESSION=$tmp/session timeout 100 ardour7-lua "$here/vst2-ardour-touch.lua" >"$tmp/lua.log" 2>&1
session=$tmp/session/moltrin/moltrin.ardour
grep -q "session made" "$tmp/lua.log" || { cat "$tmp/lua.log"; fail "the session was not made"; }
python3 "$here/vst2-ardour-touch.py" prepare "$session" || fail "the session could not be prepared"

ardour "$session" >"$tmp/ardour.log" 2>&1 &
ardour_pid=$!
alive() { kill -0 "$ardour_pid" 2>/dev/null; }
osc() { python3 "$here/vst2-ardour-touch.py" osc "$osc_port" "$1"; }

# Each track's editor: the 809 x 536 window inside Ardour's window "TRACK: Moltrin ...".
tracks=(Touch Latch)
editors=("" "")
editor_of() { local i; for i in 0 1; do [ "${tracks[$i]}" = "$1" ] && echo "${editors[$i]}"; done; }
for _ in $(seq 1 120); do
  found=0
  for i in 0 1; do
    if [ -z "${editors[$i]}" ]; then
      top=$(xdotool search --onlyvisible --name "^${tracks[$i]}: Moltrin" 2>/dev/null | head -n 1)
      [ -n "$top" ] && editors[$i]=$(xwininfo -tree -id "$top" | awk '/ 809x536\+/{print $1; exit}')
    fi
    [ -n "${editors[$i]}" ] && found=$((found + 1))
  done
  [ $found -eq 2 ] && break
  alive || fail "Ardour ended while loading the session"
  sleep 1
done
[ $found -eq 2 ] || fail "Moltrin's editors did not open (${editors[*]})"
sleep 3  # the editors bind and paint on their first idle ticks

# The ">" of "steps", pressed for `hold` seconds.
press_steps() {
  local window=$1 hold=$2 x y
  eval "$(xwininfo -id "$window" | awk '/Absolute upper-left X/{print "x="$4} /Absolute upper-left Y/{print "y="$4}')"
  xdotool mousemove $((x + 81)) $((y + 230)) sleep 0.2 mousedown 1 sleep "$hold" mouseup 1
  sleep 0.5
}

press_steps "$(editor_of Latch)" 0.1
sleep 1
alive || fail "Ardour crashed on a click in the editor with the lane in Latch and the transport stopped"
osc /transport_play
sleep 2
for round in 1 2 3; do
  for track in "${tracks[@]}"; do
    press_steps "$(editor_of "$track")" 0.6
    alive || fail "Ardour crashed on a click in the editor with the lane in $track, playing (round $round)"
  done
done
sleep 1
osc /transport_stop
sleep 2
before=$(stat -c %Y "$session")
sleep 1
osc /save_state
for _ in $(seq 1 50); do [ "$(stat -c %Y "$session")" != "$before" ] && break; sleep 0.2; done
sleep 1
alive || fail "Ardour ended"
[ "$(stat -c %Y "$session")" != "$before" ] || fail "Ardour did not save the session"
stop_ardour

echo "Ardour ran on; each lane of \"Steps\" after the take (position in ticks:steps):"
python3 "$here/vst2-ardour-touch.py" lanes "$session" | tee "$tmp/lanes.txt"
python3 - "$tmp/lanes.txt" <<'PY'
import sys
lanes = {f[0]: (f[1], [tuple(int(v) for v in p.split(":")) for p in f[2:]])
         for f in (line.split() for line in open(sys.argv[1]))}
problems = []
for track in ("Touch", "Latch"):
    if lanes.get(track, ("?",))[0] != track:
        problems.append(f"{track}: the lane is in {lanes.get(track, ('none',))[0]}")
touch = [v for _, v in lanes.get("Touch", ("", []))[1]]
takes = sum(1 for a, b in zip(touch, touch[1:]) if (a, b) == (4, 5))
print(f"Touch: {takes} of 3 holds recorded")
if takes != 3:
    problems.append(f"Touch: {takes} of the 3 holds recorded")
latch = [v for _, v in lanes.get("Latch", ("", []))[1]]
if not (latch[:1] == [5] and all(v in latch for v in (6, 7, 8))):
    problems.append(f"Latch: the values clicked (5 while stopped, then 6, 7, 8) are not all recorded: {latch}")
if problems:
    sys.exit("\n".join(problems))
print("every lane holds the values clicked")
PY
