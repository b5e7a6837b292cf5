#!/usr/bin/python3
"""Checks of the demo and of its example files.

  demo      runs scripts/demo.sh against a build folder into a fresh folder: every file it
            names is a MIDI file with notes and a PNG picture, each table it prints is the
            start of its MIDI file, the programs differ, and the factory bank was loaded
  examples  the example files in the repository are what make_examples.py writes now
  chain     the Bass Verse chain (chain 2) over walking-bass.mid plays what the factory README
            says: a bass in the key of each held chord, Bass Verse B through the chord's tones

Usage: check_demo.py demo --script demo.sh --build BUILD_DIR
       check_demo.py examples --examples DIR
       check_demo.py chain --render MOLTRIN_RENDER --examples DIR
"""
import argparse
import filecmp
import os
import re
import struct
import subprocess
import sys
import tempfile

import mido

KEY_NAMES = ["C", "C#", "D", "Eb", "E", "F", "F#", "G", "G#", "A", "Bb", "B"]
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def note_name(note):
    return KEY_NAMES[note % 12] + str(note // 12)


def notes_of(path):
    """The (note, velocity) of every note-on in the file; fails on a note left sounding."""
    midi = mido.MidiFile(path)
    ons, sounding = [], {}
    for message in mido.merge_tracks(midi.tracks):
        if message.type == "note_on" and message.velocity > 0:
            ons.append((message.note, message.velocity))
            sounding[message.note] = sounding.get(message.note, 0) + 1
        elif message.type in ("note_on", "note_off"):
            sounding[message.note] = sounding.get(message.note, 0) - 1
    stuck = [note_name(n) for n, count in sounding.items() if count > 0]
    if stuck:
        fail(f"{path}: notes never released: {' '.join(stuck)}")
    return ons


def check_png(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != PNG_SIGNATURE or head[12:16] != b"IHDR":
        fail(f"{path} is not a PNG file")
    width, height = struct.unpack(">II", head[16:24])
    if width < 100 or height < 100:
        fail(f"{path}: a picture of {width} x {height} pixels")


def printed_sections(stdout):
    """Each '== Program N, ...' section's table rows as (note name, velocity)."""
    sections = re.split(r"^== Program ", stdout, flags=re.M)[1:]
    tables = []
    for section in sections:
        rows = re.findall(r"^\d+:\d+:\d+\s+\d+\s+(\S+)\s+(\d+)\s+\d+\s*$", section, flags=re.M)
        tables.append([(name, int(velocity)) for name, velocity in rows])
    return tables


def check_demo(script, build):
    with tempfile.TemporaryDirectory() as work:
        missing = subprocess.run(["bash", script, os.path.join(work, "no-build"), os.path.join(work, "unused")],
                                 capture_output=True, text=True)
        if missing.returncode == 0 or "missing" not in missing.stderr:
            fail("the demo runs on without a build: " + missing.stdout + missing.stderr)
        if os.path.exists(os.path.join(work, "unused")):
            fail("the demo made its output folder without a build")

        out = os.path.join(work, "demo output")  # a space in the path must do no harm
        run = subprocess.run(["bash", script, build, out], capture_output=True, text=True)
        if run.returncode != 0:
            fail(f"demo.sh exited with {run.returncode}:\n{run.stdout}\n{run.stderr}")
        named = re.search(r"^Wrote \d+ MIDI files .* to (.*)/:$", run.stdout, flags=re.M)
        if not named or os.path.realpath(named.group(1)) != os.path.realpath(out):
            fail("the demo does not end by naming its output folder:\n" + run.stdout)
        stems = re.findall(r"^  (\S+)\.mid  \1\.png$", run.stdout, flags=re.M)
        tables = printed_sections(run.stdout)
        if len(set(stems)) < 4 or len(set(stems)) != len(stems) or len(tables) != len(stems):
            fail(f"{len(stems)} renders listed, {len(tables)} tables printed, each file must be new:\n{run.stdout}")

        openings = {}
        for stem, table in zip(stems, tables):
            midi_path = os.path.join(out, stem + ".mid")
            for path in (midi_path, os.path.join(out, stem + ".png")):
                if not os.path.isfile(path) or os.path.getsize(path) == 0:
                    fail(f"{path} is missing or empty")
            check_png(os.path.join(out, stem + ".png"))
            played = [(note_name(n), v) for n, v in notes_of(midi_path)]
            if len(played) < 8:
                fail(f"{midi_path} holds {len(played)} notes")
            if not table or played[:len(table)] != table:
                fail(f"{stem}: the printed table {table} is not the start of its file {played[:len(table)]}")
            openings[stem] = tuple(played[:8])
        if len(set(openings.values())) != len(openings):
            fail(f"two renders open alike, so a program was not selected: {openings}")
        # The first factory program climbs through the held C major chord; the default
        # program a bank-less render would play repeats C5.
        up = [stem for stem in stems if stem.startswith("01-")]
        if not up or [name for name, _ in openings[up[0]][:4]] != ["C5", "E5", "G5", "C6"]:
            fail(f"Up Classic does not climb C5 E5 G5 C6: {openings.get(up[0]) if up else 'not rendered'}")


def check_examples(examples):
    with tempfile.TemporaryDirectory() as work:
        subprocess.run(["/usr/bin/python3", os.path.join(examples, "make_examples.py"), work], check=True)
        made = sorted(name for name in os.listdir(work) if name.endswith(".mid"))
        kept = sorted(name for name in os.listdir(examples) if name.endswith(".mid"))
        if made != kept:
            fail(f"the generator writes {made}, the repository holds {kept}")
        changed = [name for name in made if not filecmp.cmp(os.path.join(work, name), os.path.join(examples, name),
                                                          shallow=False)]
        if changed:
            fail("regenerate the examples (make_examples.py): these differ: " + " ".join(changed))


MAJOR_SCALE = (0, 2, 4, 5, 7, 9, 11)


def timed_notes_of(path):
    """(bar from 1, beat from 1, note) of every note-on in the file."""
    midi = mido.MidiFile(path)
    now, notes = 0, []
    for message in mido.merge_tracks(midi.tracks):
        now += message.time
        if message.type == "note_on" and message.velocity > 0:
            beat = now // midi.ticks_per_beat
            notes.append((beat // 4 + 1, beat % 4 + 1, message.note))
    return notes


def check_chain(render, examples):
    """walking-bass.mid holds C major for two bars, then F major, over a bass that walks in
    quarters; chain 2 plays Bass Verse A, B, A and the turnaround, one bar each. Every note is in
    the major key of the chord held, and the third-and-fifth steps of Bass Verse B (bar 2) land on
    the tones of the C major chord."""
    keys = {1: 0, 2: 0, 3: 5, 4: 5}  # bar: the root of the chord held
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "chain.mid")
        run = subprocess.run([render, "--quiet", "--set", "CurChain=2", os.path.join(examples, "walking-bass.mid"),
                              out], capture_output=True, text=True)
        if run.returncode != 0:
            fail(f"moltrin-render exited with {run.returncode}: {run.stderr}")
        notes = [n for n in timed_notes_of(out) if n[0] in keys]
    if len(notes) < 30:
        fail(f"the chain played {len(notes)} notes in four bars")
    strays = [f"{bar}:{beat} {note_name(note)}" for bar, beat, note in notes
              if (note - keys[bar]) % 12 not in MAJOR_SCALE]
    if strays:
        fail("notes outside the key of the chord held: " + " ".join(strays))
    # Bass Verse B: steps 6, 7 (beat 2) take the third, steps 9, 11 (beat 3) the fifth.
    off_chord = [f"2:{beat} {note_name(note)}" for bar, beat, note in notes
                 if bar == 2 and beat in (2, 3) and note % 12 not in (0, 4, 7)]
    if off_chord:
        fail("Bass Verse B leaves the C major chord on its third and fifth: " + " ".join(off_chord))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("check", choices=["demo", "examples", "chain"])
    parser.add_argument("--script")
    parser.add_argument("--build")
    parser.add_argument("--examples")
    parser.add_argument("--render")
    args = parser.parse_args()
    if args.check == "demo":
        check_demo(args.script, args.build)
    elif args.check == "chain":
        check_chain(args.render, args.examples)
    else:
        check_examples(args.examples)
    print("ok")


if __name__ == "__main__":
    main()
