#!/usr/bin/env bash
# The pictures of docs/ and the README's time line of notes, each made by one command from what
# the Linux build makes. docs/README.md shows each command as `list` prints it.
#
# Usage:
#   docs-pictures.sh make [BUILD_DIR [NAME...]]   make them anew into docs/ and the README (all by
#                                                 default; qtractor-clap runs Qtractor, 1-2 minutes)
#   docs-pictures.sh check BUILD_DIR NAME         make NAME into a scratch folder and compare it with
#                                                 the kept one; the new one and a picture of the
#                                                 difference stay in BUILD_DIR/docs-pictures/check-NAME
#   docs-pictures.sh listed                       every picture in docs/ has a command here, and
#                                                 docs/README.md shows each command as it is
#   docs-pictures.sh list                         each name with its command
#
# What a check compares:
#   - what our own code draws (moltrin-snapshot, the controls gallery, moltrin-render's piano
#     roll, the time line): everything, exactly;
#   - jalv: the picture is made anew, and the editor's window in it (the bottom 809 x 536,
#     under jalv's menu bar) must equal the kept one's exactly; jalv's menu bar is GTK's
#     drawing with the system's theme and fonts, not ours, and is not compared;
#   - Qtractor: not run (it is no package of scripts/deps.sh, and a run takes minutes); the
#     editor's window in the kept picture (Qtractor's run puts it at 760,430) must equal
#     exactly what moltrin-snapshot draws for the state that run leaves the editor in.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

names=(editor editor-200 editor-pages piano-roll controls-gallery lv2-jalv qtractor-clap timeline)
declare -A maker
# $B: the build folder; $OUT: the file made; $WORK: a folder for what the command needs besides.
snapshot='$B/tools/snapshot/moltrin-snapshot'
maker[editor]="$snapshot --program 16 --keys A4,C5,E5,G5 --row velocity \$OUT"
maker[editor-200]="$snapshot --zoom 200 --program 16 --keys A4,C5,E5,G5 --row velocity \$OUT"
maker[editor-pages]='$B/tools/bankgen/bankgen --out $WORK/two-bar-line.fxb docs/pages-example/01-two-bar-line.txt &&
  '"$snapshot"' --bank $WORK/two-bar-line.fxb --program 1 --keys C5,E5,G5,B5 --blocks 250 --row keys $OUT'
maker[piano-roll]='$B/tools/render/moltrin-render --quiet --program 1 --png $OUT data/examples/i-vi-iv-v.mid $WORK/up-classic.mid'
maker[controls-gallery]='$B/tests/controls_gallery $OUT'
maker[lv2-jalv]='bash scripts/with-xvfb.sh bash scripts/lv2-jalv.sh $B/moltrin.lv2 $OUT'
maker[qtractor-clap]='bash scripts/qtractor-check.sh $B && cp $B/qtractor/qtractor-moltrin.png $OUT'
# The time line prints on standard output.
maker[timeline]='$B/tools/render/moltrin-render --quiet --program 1 --list data/examples/i-vi-iv-v.mid $WORK/up-classic.mid |
  python3 scripts/note-timeline.py'
# The state Qtractor's run leaves the editor in: a fresh instance, the octave row's caption clicked.
qtractor_editor="$snapshot --row octave \$OUT"
editor_size=809x536

# COMMAND B OUT WORK: the command with its folders put in, as it is shown and run.
resolve() {
  local command=$1
  command=${command//'$B'/$2}
  command=${command//'$OUT'/$3}
  echo "${command//'$WORK'/$4}"
}

run() {  # COMMAND B OUT WORK
  mkdir -p "$4" "$(dirname "$3")"
  if [[ $1 == *'$OUT'* ]]; then bash -c "$(resolve "$@")"; else bash -c "$(resolve "$@")" >"$3"; fi
}

# The README's time line sits in a fenced block after the line naming this script.
readme_block() {
  awk '/<!-- made by scripts\/docs-pictures.sh: timeline -->/ {on = 1; next}
       on && /^```/ { if (inside) exit; inside = 1; next }
       inside' README.md
}

set_readme_block() {  # FILE holding the new block
  python3 - "$1" <<'PY'
import re, sys
new = open(sys.argv[1]).read().rstrip("\n")
text = open("README.md").read()
pattern = r"(<!-- made by scripts/docs-pictures.sh: timeline -->\n```\n).*?(\n```)"
updated, count = re.subn(pattern, lambda m: m.group(1) + new + m.group(2), text, flags=re.S)
if count != 1:
    sys.exit("README.md: the time line's block was not found")
open("README.md", "w").write(updated)
PY
}

# KEPT NEW DIFF [KEPT_CUT [NEW_CUT]]: the same pixels, in the part each cut (ImageMagick's
# options) leaves of its picture; DIFF shows where they differ.
same_pixels() {
  local kept=$1 new=$2 diff=$3 a=$1 b=$2 count
  [ -f "$kept" ] || { echo "$kept is missing"; return 1; }
  if [ -n "${4:-}${5:-}" ]; then
    a=${diff%.png}-kept.png b=${diff%.png}-now.png
    # shellcheck disable=SC2086  # a cut is several options
    convert "$kept" ${4:-} +repage "$a" && convert "$new" ${5:-} +repage "$b" || return 1
  fi
  if [ "$(identify -format '%wx%h' "$a")" != "$(identify -format '%wx%h' "$b")" ]; then
    echo "sizes differ: $(identify -format '%wx%h' "$a") kept, $(identify -format '%wx%h' "$b") now"
    return 1
  fi
  count=$(compare -metric AE "$a" "$b" "$diff" 2>&1)
  [ "$count" = 0 ] && return 0
  echo "$count pixels differ; where: $diff"
  return 1
}

check() {  # BUILD_DIR NAME
  local build=$1 name=$2 work
  work=$build/docs-pictures/check-$name
  rm -rf "$work"
  mkdir -p "$work"
  local new=$work/$name.png diff=$work/$name-difference.png
  case $name in
    qtractor-clap)
      run "$qtractor_editor" "$build" "$new" "$work" >"$work/output.txt" 2>&1 ||
        { cat "$work/output.txt"; echo "the editor's picture was not made"; return 1; }
      if ! same_pixels "docs/$name.png" "$new" "$diff" "-crop $editor_size+760+430"; then
        echo "the editor in docs/$name.png is not what $(resolve "$qtractor_editor" "$build" "$new" "$work") draws"
        return 1
      fi ;;
    timeline)
      run "${maker[$name]}" "$build" "$work/timeline.txt" "$work" || return 1
      if ! diff -u <(readme_block) "$work/timeline.txt"; then
        echo "README.md's time line is not what the render plays now (above: - kept, + now)"
        return 1
      fi ;;
    *)
      [ -n "${maker[$name]:-}" ] || { echo "no picture $name"; return 2; }
      run "${maker[$name]}" "$build" "$new" "$work" >"$work/output.txt" 2>&1 ||
        { cat "$work/output.txt"; echo "docs/$name.png could not be made"; return 1; }
      local cut=""
      [ "$name" = lv2-jalv ] && cut="-gravity South -crop $editor_size+0+0"
      if ! same_pixels "docs/$name.png" "$new" "$diff" "$cut" "$cut"; then
        echo "docs/$name.png differs from the one made now: $new"
        return 1
      fi ;;
  esac
  echo "docs: $name is current"
}

# A picture whose pixels are the same as the kept one's is left as it is (ImageMagick's
# screenshots carry the time they were taken).
make_pictures() {  # BUILD_DIR [NAME...]
  local build=$1 name status=0
  shift
  [ $# -gt 0 ] || set -- "${names[@]}"
  local work=$build/docs-pictures
  for name in "$@"; do
    [ -n "${maker[$name]:-}" ] || { echo "no picture $name (the names: ${names[*]})"; return 2; }
    echo "== $name"
    if [ "$name" = timeline ]; then
      run "${maker[$name]}" "$build" "$work/timeline.txt" "$work" && set_readme_block "$work/timeline.txt" || status=1
      continue
    fi
    local new=$work/$name.png
    rm -f "$new"
    if ! run "${maker[$name]}" "$build" "$new" "$work"; then
      echo "FAILED: $name"
      status=1
    elif [ -f "docs/$name.png" ] && same_pixels "docs/$name.png" "$new" "$work/$name-difference.png" >/dev/null; then
      echo "docs/$name.png: the same pixels"
    else
      cp "$new" "docs/$name.png"
      echo "docs/$name.png: made anew"
    fi
    # Where Qtractor put the editor is what its check cuts out: see that it holds.
    [ "$name" != qtractor-clap ] || check "$build" "$name" || status=1
  done
  return $status
}

# Each picture in docs/ has its command here, and docs/README.md shows every command as it is.
listed() {
  local status=0 file name shown
  for file in docs/*.png; do
    name=$(basename "$file" .png)
    [ -n "${maker[$name]:-}" ] || { echo "$file: no command makes it (scripts/docs-pictures.sh)"; status=1; }
  done
  for name in "${names[@]}"; do
    shown=$(resolve "${maker[$name]}" build/linux "docs/$name.png" build/linux/docs-pictures)
    if [[ $(<docs/README.md) != *"$shown"* ]]; then
      echo "docs/README.md does not show the command of $name:"
      echo "$shown"
      status=1
    fi
  done
  [ $status -ne 0 ] || echo "docs/README.md shows the command of every picture"
  return $status
}

case ${1:-} in
  make) make_pictures "${2:-build/linux}" "${@:3}" ;;
  check) [ $# -eq 3 ] || { echo "usage: docs-pictures.sh check BUILD_DIR NAME"; exit 2; }; check "$2" "$3" ;;
  listed) listed ;;
  list) for name in "${names[@]}"; do
          echo "$name: $(resolve "${maker[$name]}" build/linux "docs/$name.png" build/linux/docs-pictures)"
        done ;;
  *) sed -n '2,/^set /p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
