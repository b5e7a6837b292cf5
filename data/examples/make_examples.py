#!/usr/bin/python3
"""Writes the example MIDI files the demo plays through the plug-in.

Each file is type 0, 96 ticks per quarter note, 120 bpm in 4/4, on channel 1. Chords are
held for whole bars, as a player resting on a keyboard would, so that the arpeggiator has
something steady to work on. Running it again gives the same bytes.

Usage: make_examples.py [OUTPUT_DIR]   (default: this script's folder)
"""
import os
import sys

import mido

TICKS_PER_BEAT = 96
BAR = 4 * TICKS_PER_BEAT
VELOCITY = 96

# MIDI note numbers; the plug-in names note 60 "C5".
C4, F4, G4, A4, B4 = 48, 53, 55, 57, 59
C5, D5, E5, G5, A5 = 60, 62, 64, 67, 69
C6, E6, F6 = 72, 76, 77


def song(name, notes):
    """notes: (start tick, length in ticks, note) in any order; returns a type 0 file."""
    events = []
    for start, length, note in notes:
        events.append((start, 1, note, VELOCITY))
        events.append((start + length, 0, note, 0))  # at a shared tick, note-offs go first
    events.sort()
    track = mido.MidiTrack([
        mido.MetaMessage("track_name", name=name, time=0),
        mido.MetaMessage("time_signature", numerator=4, denominator=4, time=0),
        mido.MetaMessage("set_tempo", tempo=mido.bpm2tempo(120), time=0),
    ])
    now = 0
    for tick, is_on, note, velocity in events:
        kind = "note_on" if is_on else "note_off"
        track.append(mido.Message(kind, note=note, velocity=velocity, time=tick - now))
        now = tick
    track.append(mido.MetaMessage("end_of_track", time=0))
    midi = mido.MidiFile(type=0, ticks_per_beat=TICKS_PER_BEAT)
    midi.tracks.append(track)
    return midi


def held_chords(chords, bars_each=1):
    """One chord per bar (or per bars_each bars), each held to the end of its bars."""
    length = bars_each * BAR
    return [(i * length, length, note) for i, chord in enumerate(chords) for note in chord]


def pop_progression():
    """I-vi-IV-V in C, root position around middle C: C, Am, F, G."""
    return song("I-vi-IV-V in C", held_chords([
        (C5, E5, G5), (A4, C5, E5), (F4, A4, C5), (G4, B4, D5)]))


def minor_seventh():
    """A minor seventh held for two bars."""
    return song("Am7 held", held_chords([(A4, C5, E5, G5)], bars_each=2))


def walking_bass():
    """Chords held in the right hand over a bass that walks in quarter notes: C and F, two bars
    each. The bass is the lowest key, so it is what bass patterns take from each beat; it
    stays below the chords."""
    notes = held_chords([(G5, C6, E6), (A5, C6, F6)], bars_each=2)
    walk = [C4 + step for step in (0, 4, 7, 9, 12, 9, 7, 4, 5, 9, 12, 14, 17, 14, 12, 9)]
    notes += [(i * TICKS_PER_BEAT, TICKS_PER_BEAT, note) for i, note in enumerate(walk)]
    return song("Walking bass under C and F", notes)


EXAMPLES = {
    "i-vi-iv-v.mid": pop_progression,
    "am7-held.mid": minor_seventh,
    "walking-bass.mid": walking_bass,
}


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out_dir, exist_ok=True)
    for file_name, make in EXAMPLES.items():
        make().save(os.path.join(out_dir, file_name))


if __name__ == "__main__":
    main()
