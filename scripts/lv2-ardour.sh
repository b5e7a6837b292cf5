#!/usr/bin/env bash
# Ardour 7 plays a MIDI region through the LV2 bundle, headless (scripts/lv2-ardour.lua), and the
# arpeggio comes out on the expected samples: the factory bank's first program ("Up Classic":
# 1/16, four steps, keys from the lowest up, the lowest an octave higher as the fourth) over a
# C major triad at 120 quarter notes a minute and 48 kHz is a note every 6000 samples, on the
# song's sixteenths, from the first sixteenth at or after the keys go down to the last before
# they go up, each step's pitch and velocity by its place in the bar. Then a factory preset
# applied through Ardour (step rows and all, which only the plug-in's state holds), the session
# saved, closed and loaded again: the same notes as before it closed.
# Usage: lv2-ardour.sh BUNDLE-FOLDER
set -uo pipefail
bundle=$(cd "${1:?usage: lv2-ardour.sh BUNDLE-FOLDER}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
command -v ardour7-lua >/dev/null || { echo "ardour7-lua is missing: install the package ardour"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/lv2" "$tmp/session"
ln -s "$bundle" "$tmp/lv2/moltrin.lv2"
LV2_PATH="$tmp/lv2" MOLTRIN_SESSION="$tmp/session" HOME="$tmp" \
  timeout 110 ardour7-lua "$here/lv2-ardour.lua" >"$tmp/out.txt" 2>"$tmp/err.txt"
status=$?
grep -E '^(keys|arp|preset|reloaded) ' "$tmp/out.txt" >"$tmp/notes.txt"
if [ $status -ne 0 ]; then
  echo "ardour7-lua failed ($status):"; cat "$tmp/out.txt" "$tmp/err.txt"; exit 1
fi
python3 - "$tmp/notes.txt" <<'PY'
import sys
takes = {"keys": [], "arp": [], "preset": [], "reloaded": []}
for line in open(sys.argv[1]):
    f = line.split()
    if f[1] != "no":
        takes[f[0]].append(tuple(int(x) for x in f[1:]))
keys, arp = takes["keys"], takes["arp"]
if len(keys) != 3:
    sys.exit(f"expected the triad in the keys' region, found {keys}")
down, up = max(k[2] for k in keys), min(k[3] for k in keys)
step = 6000
pattern = [(60, 110), (64, 80), (67, 92), (72, 80)]  # by the step's place in the bar
first = -(-down // step)
expected = [(pattern[s % 4][0], pattern[s % 4][1], s * step) for s in range(first, (up - 1) // step + 1)]
got = [(p, v, on) for p, v, on, off in arp]
print(f"keys down at sample {down}, up at {up}; {len(got)} notes sent through Moltrin:")
for p, v, on, off in arp:
    print(f"  note {p} velocity {v} from sample {on} to {off}")
if got != expected:
    print("expected:")
    for p, v, on in expected:
        print(f"  note {p} velocity {v} at sample {on}")
    sys.exit("the arpeggio is not on the expected samples")
print("every note on its sixteenth, with its step's pitch and velocity")
onsets = lambda take: [(p, v, on) for p, v, on, off in take]
preset, reloaded = onsets(takes["preset"]), onsets(takes["reloaded"])
print(f"with the preset Alberti Bass: {len(preset)} notes; after the session was saved and loaded again: {len(reloaded)}")
for (p, v, on), again in zip(preset, reloaded + [None] * len(preset)):
    print(f"  note {p} velocity {v} at sample {on}" + ("" if again == (p, v, on) else f"   after loading: {again}"))
if not preset or preset == got:
    sys.exit("the preset changed nothing")
if reloaded != preset:
    sys.exit("the session loaded again plays otherwise: the state was not restored")
print("the session loaded again plays the preset's program as before")
PY
