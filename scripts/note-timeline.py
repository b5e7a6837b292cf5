#!/usr/bin/env python3
"""Turns the table of `moltrin-render --list` into a time line of note names: a line per bar,
a column per sixteenth, the notes that begin there ("." where none does; a chord's notes
joined by "+"). For the README's example of what a pattern plays.

  moltrin-render --quiet --program 1 --list IN.mid OUT.mid | note-timeline.py [--ppq 960]
"""
import argparse
import sys

BEATS = 4  # the examples are in 4/4
SLOTS_PER_BEAT = 4


def read_table(lines, ppq):
    """{(bar, slot): [note names]} from the rows "bar:beat:tick  ch  note  vel  length"."""
    notes = {}
    for line in lines:
        fields = line.split()
        if len(fields) < 3 or fields[0].count(":") != 2:
            continue  # the header, or anything that is no note
        bar, beat, tick = (int(x) for x in fields[0].split(":"))
        slot = (beat - 1) * SLOTS_PER_BEAT + tick * SLOTS_PER_BEAT // ppq
        notes.setdefault((bar, slot), []).append(fields[2])
    return notes


def timeline(notes):
    if not notes:
        return ["(no notes)"]
    bars = range(min(b for b, _ in notes), max(b for b, _ in notes) + 1)
    slots = BEATS * SLOTS_PER_BEAT
    cells = {key: "+".join(names) for key, names in notes.items()}
    width = max(2, *(len(c) for c in cells.values()))
    label = len(f"bar {bars[-1]}") + 2

    def line(head, texts):
        groups = [" ".join(t.ljust(width) for t in texts[i:i + SLOTS_PER_BEAT])
                  for i in range(0, slots, SLOTS_PER_BEAT)]
        return (head.ljust(label) + "  ".join(groups)).rstrip()

    header = [str(b + 1) if s == 0 else "" for b in range(BEATS) for s in range(SLOTS_PER_BEAT)]
    out = [line("beat", header)]
    for bar in bars:
        out.append(line(f"bar {bar}", [cells.get((bar, s), ".") for s in range(slots)]))
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ppq", type=int, default=960, help="ticks a quarter note in the table (default 960)")
    args = parser.parse_args()
    print("\n".join(timeline(read_table(sys.stdin, args.ppq))))


if __name__ == "__main__":
    main()
