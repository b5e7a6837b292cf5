#!/usr/bin/env bash
# `make demo`: what a host sees of the built module, then the example chord progressions of
# data/examples played through a handful of factory programs with moltrin-render. Prints the
# first notes of each result and writes its MIDI file and piano roll picture, and a picture of
# the editor drawn by moltrin-snapshot.
# Usage: demo.sh [BUILD_DIR [OUTPUT_DIR]]   (defaults: build/linux, demo-output at the repo root)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build/linux}
out=${2:-$root/demo-output}
module=$build/host/moltrin.so
bank=$build/host/Moltrin_FactoryBank.fxb
render=$build/tools/render/moltrin-render
snapshot=$build/tools/snapshot/moltrin-snapshot
shown_notes=8

for file in "$module" "$bank" "$render" "$snapshot" "$build/tools/inspect/moltrin-inspect"; do
  [ -e "$file" ] || { echo "demo: $file is missing; build first (make build-linux)" >&2; exit 1; }
done
mkdir -p "$out"

echo "== The module as a host sees it"
identity=$("$build/tools/inspect/moltrin-inspect" "$module")
sed -n '1,9p' <<<"$identity"

# play PROGRAM EXAMPLE WHAT: renders data/examples/EXAMPLE.mid through factory program
# PROGRAM into OUTPUT_DIR/NN-name.mid and .png, named after the program's source file.
rendered=()
play() {
  local program=$1 example=$2 what=$3
  shift 3  # anything else goes to the renderer
  local source
  source=$(ls "$root"/data/factory/"$(printf '%02d' "$program")"-*.txt)
  local stem name
  stem=$(basename "$source" .txt)
  name=$(sed -n 's/^name: *//p' "$source")
  if [ $# -gt 0 ]; then stem="$stem-chain"; fi
  echo
  echo "== Program $program, $name${*:+ ($*)}, on $example.mid: $what"
  local table
  table=$("$render" --quiet --plugin "$module" --bank "$bank" --program "$program" "$@" \
    --list --png "$out/$stem.png" "$root/data/examples/$example.mid" "$out/$stem.mid")
  local notes=$(($(wc -l <<<"$table") - 1))
  head -n $((shown_notes + 1)) <<<"$table"
  [ "$notes" -le "$shown_notes" ] || echo "... $notes notes in all"
  rendered+=("$stem")
}

play 1 i-vi-iv-v "climbs through each chord of the progression"
play 10 i-vi-iv-v "the whole chord on the offbeats, pushed into the next bar"
play 29 am7-held "a riff kept in A minor pentatonic"
play 33 i-vi-iv-v "walks the scale of each chord it hears"
play 40 walking-bass "three 16ths after each beat on the walking bass"
play 47 walking-bass "the Bass Verse chain: a program per bar, verse A, B, A, turnaround" --set CurChain=2

"$snapshot" --program 1 --keys C5,E5,G5 "$out/editor.png" >/dev/null

shown=${out#"$PWD"/}
echo
echo "Wrote ${#rendered[@]} MIDI files and their piano rolls to ${shown%/}/:"
for stem in "${rendered[@]}"; do echo "  $stem.mid  $stem.png"; done
echo "and the editor playing Up Classic over a C chord, drawn by moltrin-snapshot: editor.png"
if [ -d "$build/moltrin.lv2" ]; then
  echo
  echo "The LV2 bundle is ${build#"$PWD"/}/moltrin.lv2: copy it into ~/.lv2/ for Ardour, Qtractor, Carla or jalv."
fi
