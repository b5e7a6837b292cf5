#!/usr/bin/python3
"""Checks moltrin-render from the outside.

The input files are written byte by byte here (running status, system exclusive, meta
events, tempo changes, several tracks), the written files are read with python3-mido, and
the times are worked out again with exact fractions, so nothing of the tool's own reader,
writer or tempo arithmetic is trusted.

Usage: check_render.py CHECK --tool PATH --echo PATH --module PATH --work DIR
"""
import argparse
import json
import math
import os
import shutil
import subprocess
import sys
from fractions import Fraction

import mido

KEY_NAMES = ["C", "C#", "D", "Eb", "E", "F", "F#", "G", "G#", "A", "Bb", "B"]


# ---- Writing input files by hand -------------------------------------------------------

def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, 0x80 | (n & 0x7F))
        n >>= 7
    return bytes(out)


def chunk(kind, body):
    return kind + len(body).to_bytes(4, "big") + body


def smf(fmt, division, tracks):
    header = chunk(b"MThd", fmt.to_bytes(2, "big") + len(tracks).to_bytes(2, "big") + division.to_bytes(2, "big"))
    return header + b"".join(chunk(b"MTrk", t) for t in tracks)


def tempo_meta(delta, micros):
    return vlq(delta) + b"\xff\x51\x03" + micros.to_bytes(3, "big")


END = b"\x00\xff\x2f\x00"
DIVISION = 96
OUT_DIVISION = 960  # a coarser input is written at 960 ticks per quarter note
SCALE = OUT_DIVISION // DIVISION
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "data", "examples")


def song_file():
    """Type 1: a conductor track with tempo changes and a meter, and two note tracks."""
    conductor = (b"\x00\xff\x03\x05Tempo" + b"\x00\xff\x58\x04\x04\x02\x18\x08" + tempo_meta(0, 500000)
                 + tempo_meta(4 * DIVISION, 375000)      # 160 bpm from bar 2
                 + tempo_meta(3 * DIVISION + 17, 612345)  # an odd tempo at an odd tick
                 + END)
    melody = bytearray(b"\x00\xff\x01\x04text")
    melody += b"\x00\x90\x3c\x64"  # note on C5, then running status below
    for i, key in enumerate([0x40, 0x43, 0x48, 0x47, 0x43]):
        melody += vlq(DIVISION // 2) + bytes([key, 0x50 + i])           # running status note on
        melody += vlq(7) + bytes([key, 0x00])                           # note on velocity 0 = off
    melody += b"\x00\xf0\x05\x7e\x7f\x09\x01\xf7"                      # system exclusive
    melody += vlq(5) + b"\x90\x3c\x00"                                 # a status again after sysex
    melody += vlq(DIVISION) + b"\xb0\x07\x64" + vlq(1) + b"\xc0\x05"   # controller, program change
    melody += vlq(11) + b"\xe0\x00\x40" + END
    bass = bytearray()
    for i in range(6):
        bass += vlq(0 if i == 0 else DIVISION - 3) + bytes([0x91, 36 + i, 90])
        bass += vlq(3) + bytes([0x81, 36 + i, 0])
    bass += END
    return smf(1, DIVISION, [conductor, bytes(melody), bytes(bass)])


def preset_file(magic=b"CcnK", fx_magic=b"FPCh", fx_id=b"Kq4v", bank=False, current=0, first_byte=8):
    if bank:
        header = (magic + (37016).to_bytes(4, "big") + fx_magic + (2).to_bytes(4, "big") + fx_id
                  + (8).to_bytes(4, "big") + (64).to_bytes(4, "big") + current.to_bytes(4, "big") + bytes(124)
                  + (36864).to_bytes(4, "big"))
        return header + bytes([first_byte]) + bytes(36863)
    header = (magic + (628).to_bytes(4, "big") + fx_magic + (1).to_bytes(4, "big") + fx_id + (8).to_bytes(4, "big")
              + (576).to_bytes(4, "big") + b"Test".ljust(28, b"\0") + (576).to_bytes(4, "big"))
    return header + bytes([first_byte]) + bytes(575)


# ---- Independent readings --------------------------------------------------------------

def channel_messages(path):
    """(tick, bytes) of every channel message, tracks merged by time, ties in track order."""
    mid = mido.MidiFile(path)
    merged = []
    for t, track in enumerate(mid.tracks):
        tick = 0
        for order, msg in enumerate(track):
            tick += msg.time
            if not msg.is_meta and msg.type != "sysex":
                merged.append((tick, t, order, tuple(msg.bytes())))
    merged.sort()
    return [(tick, data) for tick, _, _, data in merged]


def track_messages(track):
    tick, out = 0, []
    for msg in track:
        tick += msg.time
        if not msg.is_meta and msg.type != "sysex":
            out.append((tick, tuple(msg.bytes())))
    return out


def tempo_map(path):
    mid = mido.MidiFile(path)
    changes = []
    for track in mid.tracks:
        tick = 0
        for msg in track:
            tick += msg.time
            if msg.type == "set_tempo":
                changes.append((tick, msg.tempo))
    changes.sort(key=lambda c: c[0])
    return changes


def song_end_tick(path):
    """The latest end of track of any track."""
    return max(sum(msg.time for msg in track) for track in mido.MidiFile(path).tracks)


def scaled(messages, factor=SCALE):
    return [(tick * factor, data) for tick, data in messages]


class Timeline:
    """Ticks and samples with exact fractions."""

    def __init__(self, changes, division, rate):
        self.division, self.rate = division, rate
        self.segments = [(0, 500000, Fraction(0))]  # tick, microseconds per quarter, seconds at start
        for tick, micros in changes:
            last_tick, last_micros, last_start = self.segments[-1]
            if tick == last_tick:
                self.segments[-1] = (tick, micros, last_start)
            else:
                start = last_start + Fraction((tick - last_tick) * last_micros, division * 1000000)
                self.segments.append((tick, micros, start))

    def seconds(self, tick):
        seg = [s for s in self.segments if s[0] <= tick][-1]
        return seg[2] + Fraction((tick - seg[0]) * seg[1], self.division * 1000000)

    def sample(self, tick):
        return math.floor(self.seconds(tick) * self.rate)

    def tick_at(self, sample):
        at = Fraction(sample, self.rate)
        seg = [s for s in self.segments if s[2] <= at][-1]
        return seg[0] + (at - seg[2]) * self.division * 1000000 / seg[1]

    def bpm_at(self, sample):
        at = Fraction(sample, self.rate)
        return 60e6 / [s for s in self.segments if s[2] <= at][-1][1]

    def bpm_at_tick(self, tick):
        return 60e6 / [s for s in self.segments if s[0] <= tick][-1][1]


# ---- Running the tool ------------------------------------------------------------------

class Checker:
    def __init__(self, opts):
        self.tool, self.echo, self.module = opts.tool, opts.echo, opts.module
        self.work = opts.work
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.failures = 0

    def path(self, name):
        return os.path.join(self.work, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def run(self, *args):
        return subprocess.run([self.tool, *args], capture_output=True, text=True, timeout=120)

    def expect(self, ok, what):
        if not ok:
            self.failures += 1
            print("FAILED:", what)

    def render_ok(self, *args):
        r = self.run(*args)
        if r.returncode != 0:
            raise SystemExit("render failed (%d): %s" % (r.returncode, r.stderr))
        return r


def echo_outputs(messages):
    """The echo plug-in's own reports are on channel 16; echoes keep the input channels."""
    return [(t, d) for t, d in messages if (d[0] & 0x0F) != 0x0F], [(t, d) for t, d in messages if (d[0] & 0x0F) == 0x0F]


def check_help(c):
    r = c.run("--help")
    c.expect(r.returncode == 0, "--help exits with 0")
    for option in ["--plugin", "--bank", "--preset", "--program", "--set", "--free-run", "--tail", "--sample-rate",
                   "--block-size", "--ppq", "--keep-input", "--png", "--list", "--json", "--quiet", "--version",
                   "--help"]:
        c.expect(option in r.stdout, "--help lists " + option)
    text = " ".join(r.stdout.split())
    for says in ["all 16 channels", "MIDIIn_Ch", "only CC1 (modulation), pitch bend, channel pressure",
                 "end of track", "is left out", "Eb5 or D#5", "any case"]:
        c.expect(says in text, "--help says %r" % says)
    r = c.run("--version")
    c.expect(r.returncode == 0 and r.stdout.startswith("moltrin-render ") and r.stdout.count("\n") == 1
             and r.stdout.split()[1][0].isdigit(), "--version prints one line with the number: %r" % r.stdout)


def snapshot(folder):
    """Every file below the folder with its bytes, to see what a run left behind."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            if not os.path.isfile(path):
                continue  # a FIFO is never opened: nothing would ever answer
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = f.read()
    return files


def check_errors(c):
    """Bad invocations: exit status 2, one line naming the file or option, and nothing written."""
    good = c.write("good.mid", song_file())
    c.write("text.mid", b"this is not a MIDI file\n")
    truncated = bytearray(song_file())
    c.write("truncated.mid", bytes(truncated[:len(truncated) - 20]))
    c.write("foreign.fxp", preset_file(fx_id=b"Abcd"))
    c.write("params.fxp", preset_file(fx_magic=b"FxCk"))
    c.write("bank.fxb", preset_file(bank=True, fx_magic=b"FBCh"))
    c.write("program.fxp", preset_file())
    c.write("cut.fxb", preset_file(bank=True, fx_magic=b"FBCh")[:1000])
    c.write("out.mid", b"left alone")
    os.symlink("good.mid", c.path("link-to-input.mid"))
    os.mkfifo(c.path("fifo.mid"))  # with no writer: opening it to read would wait for ever
    os.link(good, c.path("hard-link-to-input.mid"))
    long_name = "x" * 300 + ".png"  # longer than a file name may be: the write itself fails
    cases = [
        # name, arguments (files in the work folder by name), the message
        ("a missing file", ["missing.mid", "new.mid"], "missing.mid: no such file"),
        ("a file that is not MIDI", ["text.mid", "new.mid"], "text.mid: not a Standard MIDI File"),
        ("a truncated track", ["truncated.mid", "new.mid"], "truncated.mid: track 3 is truncated"),
        ("a FIFO as the input", ["fifo.mid", "new.mid"], "fifo.mid: not a regular file"),
        ("a FIFO as the program file", ["--preset", "fifo.mid", "good.mid", "new.mid"], "fifo.mid: not a regular file"),
        ("a FIFO as the output", ["good.mid", "fifo.mid"], "fifo.mid: cannot write the file (not a regular file)"),
        ("an unknown option", ["--bogus", "good.mid", "new.mid"], "unknown option '--bogus'"),
        ("a program out of range", ["--program", "65", "good.mid", "new.mid"], "--program: 65 is out of range 1..64"),
        ("another plug-in's preset", ["--preset", "foreign.fxp", "good.mid", "new.mid"],
         "foreign.fxp: another plug-in's program file"),
        ("a parameter-list preset", ["--preset", "params.fxp", "good.mid", "new.mid"],
         "params.fxp: unknown type 'FxCk', not a program file of this plug-in"),
        ("a bank given as a program", ["--preset", "bank.fxb", "good.mid", "new.mid"],
         "bank.fxb: a bank file, not a program file"),
        ("a program given as a bank", ["--bank", "program.fxp", "good.mid", "new.mid"],
         "program.fxp: a program file, not a bank file"),
        ("a MIDI file given as a preset", ["--preset", "good.mid", "good.mid", "new.mid"],
         "good.mid: a MIDI file, not a program file"),
        ("a bank cut short", ["--bank", "cut.fxb", "good.mid", "new.mid"], "cut.fxb: bank cut short"),
        ("an unknown parameter", ["--set", "Bogus=1", "good.mid", "new.mid"],
         "unknown parameter 'Bogus' (see --list-params)"),
        ("an unknown value", ["--set", "Sync=1/17", "good.mid", "new.mid"],
         "unknown value \"1/17\" for Sync (1/48 | 1/32"),
        ("a missing plug-in", ["--plugin", "nowhere.so", "good.mid", "new.mid"], "nowhere.so: no such file"),
        ("the output is the input", ["good.mid", "good.mid"], "good.mid: is the input file"),
        ("the output links to the input", ["good.mid", "link-to-input.mid"], "link-to-input.mid: is the input file"),
        ("the output is a hard link of the input", ["good.mid", "hard-link-to-input.mid"],
         "hard-link-to-input.mid: is the input file"),
        ("the output is the program file", ["--preset", "program.fxp", "good.mid", "program.fxp"],
         "program.fxp: is the program file"),
        ("the picture is the bank file", ["--bank", "bank.fxb", "--png", "bank.fxb", "good.mid", "new.mid"],
         "bank.fxb: is the bank file"),
        ("the JSON is the picture", ["--png", "roll.png", "--json", "roll.png", "good.mid", "new.mid"],
         "roll.png: is also the --png file"),
        ("the output is a folder", ["good.mid", "."], ".: is a folder"),
        ("an output in a missing folder", ["good.mid", "no-such-folder/out.mid"], "no-such-folder/out.mid: cannot write"),
        ("a picture that cannot be written", ["--png", long_name, "--json", "out.json", "good.mid", "new.mid"],
         long_name + ": cannot write the file"),
        ("a picture that cannot be written, over old files", ["--png", long_name, "good.mid", "out.mid"],
         long_name + ": cannot write the file"),
        ("--bank with --no-bank", ["--bank", "bank.fxb", "--no-bank", "good.mid", "new.mid"], "exclude each other"),
        ("a listing with files", ["--list-programs", "good.mid"], "take no file arguments"),
    ]
    print("%-52s %-5s %-12s %s" % ("bad invocation", "exit", "left behind", "message"))
    for name, args, says in cases:
        before = snapshot(c.work)
        full = [a if a.startswith("-") or a.isdigit() or "=" in a else c.path(a) for a in args]
        if "--plugin" not in args:
            full = ["--plugin", c.echo] + full
        r = c.run(*full)
        lines = r.stderr.strip().splitlines()
        after = snapshot(c.work)
        changed = sorted(f for f in set(before) | set(after) if before.get(f) != after.get(f))
        shown = r.stderr.strip().replace(c.work + "/", "").replace(long_name, "xxx(300 x).png")
        print("%-52s %-5d %-12s %s" % (name, r.returncode, ", ".join(changed) or "nothing", shown))
        c.expect(r.returncode == 2, "%s: exit status 2, got %d" % (name, r.returncode))
        c.expect(len(lines) == 1, "%s: one line on standard error, got %r" % (name, r.stderr))
        c.expect(says in r.stderr, "%s: message says %r, got %r" % (name, says, r.stderr))
        c.expect(not changed, "%s: files left behind or changed: %r" % (name, changed))

def check_echo_timing(c):
    """Every input event comes back on its own frame, and the file has it at 960 ticks per quarter."""
    src = c.write("song.mid", song_file())
    out, dump = c.path("out.mid"), c.path("out.json")
    rate, block = 44100, 64
    c.render_ok("--plugin", c.echo, "--keep-input", "--json", dump, "--block-size", str(block), src, out)
    mid = mido.MidiFile(out)
    c.expect(mid.type == 1 and len(mid.tracks) == 2, "--keep-input writes a type 1 file with two tracks")
    c.expect(mid.ticks_per_beat == OUT_DIVISION, "a 96-tick input is written at 960: %d" % mid.ticks_per_beat)

    written, kept = track_messages(mid.tracks[0]), track_messages(mid.tracks[1])
    inputs = channel_messages(src)
    c.expect(kept == scaled(inputs), "the second track holds the input at the output's resolution")

    with open(dump) as f:
        sent = json.load(f)
    c.expect([(e["tick"], tuple(e["data"][:len(d)])) for e, (_, d) in zip(sent["events"], written)] == written
             and len(sent["events"]) == len(written), "the file holds exactly what the plug-in sent")

    timeline = Timeline(tempo_map(src), DIVISION, rate)
    written_time = Timeline(tempo_map(out), OUT_DIVISION, rate)
    c.expect(tempo_map(out) == scaled(tempo_map(src)), "the output has the input's tempo map")
    echoes, reports = echo_outputs(written)
    echo_samples = [e["sample"] for e in sent["events"] if (e["data"][0] & 0x0F) != 0x0F]
    c.expect([d for _, d in echoes] == [d for _, d in inputs], "every input event is echoed once, in order")
    for (tick, data), (etick, _), sample in zip(inputs, echoes, echo_samples):
        if sample != timeline.sample(tick) or etick != round(written_time.tick_at(sample)):
            c.expect(False, "event %r at tick %d echoed at sample %d, tick %d; expected sample %d" %
                     (data, tick, sample, etick, timeline.sample(tick)))
            break

    # The echo marks the first block of each quarter note with the tempo it was told.
    marks = [(e["sample"], e["data"]) for e in sent["events"] if e["data"][0] == 0xAF]
    c.expect(len(marks) > 8, "quarter marks arrive while the transport plays")
    for sample, data in marks:
        quarter = data[1]
        ok = timeline.tick_at(sample) >= quarter * DIVISION
        ok = ok and (sample == 0 or timeline.tick_at(sample - block) < quarter * DIVISION)
        ok = ok and data[2] == round(timeline.bpm_at(sample) / 2)
        if not ok:
            c.expect(False, "quarter mark %r at sample %d disagrees with the tempo map" % (data, sample))
            break
    version = [d for _, d in reports if d[0] == 0xBF and d[1] == 115]
    flags = [d for _, d in reports if d[0] == 0xBF and d[1] == 114]
    c.expect(version and version[0][2] == 24, "the host answers version 2400")
    c.expect(flags and flags[0][2] == 7, "time info says playing, position and tempo valid")

    # Default tail: one cycle of the echo's 16 steps of 1/16, four quarters at the tempo where the song ends.
    song_end = song_end_tick(src)  # the conductor track's, after the last note
    last = timeline.sample(song_end)
    end = max(last + 1, last + round(4 * 60 / timeline.bpm_at_tick(song_end) * rate))
    c.expect(sent["end_tick"] == round(written_time.tick_at(end)), "the render stops one pattern cycle after the song")


def check_echo_setup(c):
    src = c.write("song.mid", song_file())
    bank = c.write("set.fxb", preset_file(bank=True, fx_magic=b"FBCh", current=9, first_byte=7))
    preset = c.write("set.fxp", preset_file(first_byte=8))
    out = c.path("out.mid")
    c.render_ok("--plugin", c.echo, "--bank", bank, "--program", "5", "--preset", preset,
                "--set", "Steps=8", "--set", "Velocity_5=120", "--set", "212=5",
                "--set", "Gate=50%", "--set", "Latch=on", "--set", "SortOrder=By Pitch", src, out)
    mid = mido.MidiFile(out)
    c.expect(mid.type == 0 and len(mid.tracks) == 1, "without --keep-input the output is type 0")
    first = [d for t, d in track_messages(mid.tracks[0]) if t == 0 and (d[0] & 0x0F) == 0x0F][:20]
    expected = [(0xBF, 118, 0), (0xBF, 117, 64), (0xBF, 116, 7),   # the bank's chunk
                (0xCF, 9), (0xCF, 4),                              # its current program, then --program 5
                (0xBF, 118, 1), (0xBF, 117, 1), (0xBF, 116, 8),    # the program file's chunk
                (0xEF, 210 & 127, 210 >> 7), (0xBF, 119, round(7 / 63 * 127)),
                (0xEF, 516 & 127, 516 >> 7), (0xBF, 119, 120),
                (0xEF, 212 & 127, 212 >> 7), (0xBF, 119, round(5 / 11 * 127)),
                (0xEF, 211 & 127, 211 >> 7), (0xBF, 119, round(49 / 99 * 127)),  # Gate 50 %, range 1..100
                (0xEF, 213 & 127, 213 >> 7), (0xBF, 119, 127),                    # Latch on
                (0xEF, 219 & 127, 219 >> 7), (0xBF, 119, round(2 / 7 * 127))]     # "by pitch", any case
    c.expect(first[:len(expected)] == expected, "set-up reaches the plug-in in order: %r" % first)


def check_free_run(c):
    src = c.write("song.mid", song_file())
    out, dump = c.path("out.mid"), c.path("out.json")
    c.render_ok("--plugin", c.echo, "--free-run", "--tail", "0.5", "--json", dump, src, out)
    with open(dump) as f:
        sent = json.load(f)
    c.expect(not [e for e in sent["events"] if e["data"][0] == 0xAF], "no song position moves while stopped")
    flags = [e["data"][2] for e in sent["events"] if e["data"][:2] == [0xBF, 114]]
    c.expect(flags == [6], "a stopped transport still reports position and tempo: %r" % flags)
    timeline = Timeline(tempo_map(src), DIVISION, 44100)
    last = timeline.sample(song_end_tick(src))
    written_time = Timeline(tempo_map(out), OUT_DIVISION, 44100)
    c.expect(sent["end_tick"] == round(written_time.tick_at(last + 22050)), "--tail 0.5 plays half a second on")


def check_module(c):
    """The real plug-in, found beside the tool, plays a file to the end."""
    c.expect(os.path.isfile(c.module), "the module is built at %s" % c.module)
    src = c.write("song.mid", song_file())
    out, dump = c.path("out.mid"), c.path("out.json")
    r = c.render_ok("--keep-input", "--json", dump, "--set", "Steps=8", "--set", "Sync=1/16", src, out)
    bank = os.path.join(os.path.dirname(os.path.realpath(c.module)), "Moltrin_FactoryBank.fxb")
    c.expect(r.stderr.splitlines()[0] == "moltrin-render: played the factory bank %s (--no-bank for none)" % bank,
             "the first message of a render names the factory bank beside the module: %r" % r.stderr)
    mid = mido.MidiFile(out)
    c.expect(mid.type == 1 and mid.ticks_per_beat == OUT_DIVISION, "the real module's output is readable")
    c.expect(track_messages(mid.tracks[1]) == scaled(channel_messages(src)), "the input track is kept")
    with open(dump) as f:
        sent = json.load(f)
    written = track_messages(mid.tracks[0])
    c.expect(len(written) == len(sent["events"]), "every event the module sent is written")
    # Each step is written on its own frame, whatever the block size: the 16ths fall on the grid.
    onsets = [t for t, d in written if d[0] & 0xF0 == 0x90 and d[2] > 0]
    c.expect(onsets and all(t % (OUT_DIVISION // 4) == 0 for t in onsets),
             "the steps lie on the 16th grid: %r" % onsets)
    # Steps 8 at 1/16 is two quarter notes; the render ends that long after the song.
    timeline = Timeline(tempo_map(src), DIVISION, 44100)
    last = timeline.sample(song_end_tick(src))
    end = max(last + 1, last + round(2 * 60 / timeline.bpm_at_tick(song_end_tick(src)) * 44100))
    c.expect(sent["end_tick"] == round(Timeline(tempo_map(out), OUT_DIVISION, 44100).tick_at(end)),
             "the default tail is the module's pattern cycle")


def unmatched_notes(messages):
    """Note-ons without a note-off, by channel and key (a note-off ends the earliest)."""
    sounding = {}
    for _, d in messages:
        kind, key = d[0] & 0xF0, (d[0] & 0x0F, d[1])
        if kind == 0x90 and d[2] > 0:
            sounding[key] = sounding.get(key, 0) + 1
        elif kind in (0x80, 0x90) and sounding.get(key):
            sounding[key] -= 1
    return {k: n for k, n in sounding.items() if n}


def held_chord_file(quarters, tempos=()):
    """C E G held from the start for a number of quarter notes; tempos: (quarter, micros)."""
    conductor = bytearray(tempo_meta(0, 500000))
    at = 0
    for quarter, micros in tempos:
        conductor += tempo_meta(quarter * DIVISION - at, micros)
        at = quarter * DIVISION
    notes = b"".join(b"\x00\x90" + bytes([k, 100]) for k in (60, 64, 67))
    notes += vlq(quarters * DIVISION) + b"\x80\x3c\x00" + b"".join(b"\x00\x80" + bytes([k, 0]) for k in (64, 67))
    return smf(1, DIVISION, [bytes(conductor) + END, notes + END])


TIED_PATTERN = ["--set", "Steps=64", "--set", "Sync=1/4", "--tail", "1"] + [
    a for step in range(1, 65) for a in ("--set", "Step_mode_%d=Tie" % step)]


def check_latched(c):
    """A latched program keeps playing after the keys are up: the end of the render ends it."""
    src = c.write("chord.mid", held_chord_file(4))
    out = c.path("out.mid")
    cases = [
        # name, arguments, whether the host had to end notes itself
        ("transport playing", ["--set", "Latch=on", "--set", "Gate=100%", "--tail", "1"], False),
        ("own clock, notes between steps", ["--free-run", "--set", "Latch=on", "--set", "Gate=50", "--tail", "1"],
         False),
        # The note sounding at the end ends with its step, a while after the end.
        ("own clock, a note always sounding", ["--free-run", "--set", "Latch=on", "--set", "Gate=100", "--tail", "1"],
         False),
        ("a factory program with latch", ["--program", "42", "--tail", "1"], False),
        # 64 steps of a quarter, every one tied: one note for 32 s, which only a stop ends.
        ("transport playing, a note tied through the pattern", ["--set", "Latch=on"] + TIED_PATTERN, False),
        ("own clock, a note tied through the pattern", ["--free-run", "--set", "Latch=on"] + TIED_PATTERN, True),
    ]
    for name, args, ended_by_host in cases:
        r = c.render_ok("--quiet", "--list", *args, src, out)
        messages = track_messages(mido.MidiFile(out).tracks[0])
        c.expect(any(d[0] & 0xF0 == 0x90 for _, d in messages), "%s: notes are played" % name)
        c.expect(not unmatched_notes(messages), "%s: every note has its note-off: %r" % (name, unmatched_notes(messages)))
        c.expect("open" not in r.stdout, "%s: the table shows no open note" % name)
        said = "ended at the last tick" in r.stderr
        c.expect(said == ended_by_host, "%s: the host says it ended notes only when it did: %r" % (name, r.stderr))
        if ended_by_host:
            last = max(t for t, _ in messages)
            c.expect(any(t == last and d[0] & 0xF0 == 0x80 for t, d in messages), "%s: ended at the last tick" % name)


def check_free_run_tempo(c):
    """With its own clock the plug-in keeps its step through the song's tempo change."""
    src = c.write("chord.mid", held_chord_file(8, tempos=[(4, 375000)]))  # 120, then 160 bpm
    out, dump = c.path("out.mid"), c.path("out.json")
    c.render_ok("--quiet", "--no-bank", "--free-run", "--block-size", "1", "--set", "Sync=1/16", "--set", "Gate=50",
                "--json", dump, src, out)
    with open(dump) as f:
        onsets = [e["sample"] for e in json.load(f)["events"] if e["data"][0] & 0xF0 == 0x90 and e["data"][2] > 0]
    gaps = sorted({b - a for a, b in zip(onsets, onsets[1:])})
    c.expect(len(onsets) >= 27, "the chord plays through the change: %d steps" % len(onsets))
    c.expect(gaps and gaps[0] >= 5512 and gaps[-1] <= 5513, "every step lasts a 16th at 120 bpm: %r" % gaps)


def check_listings(c):
    """The names --program and --set take, and the bank in use."""
    r = c.render_ok("--list-programs")
    lines = r.stdout.splitlines()
    c.expect(lines[0].startswith("Bank: ") and lines[0].endswith("Moltrin_FactoryBank.fxb"), "names the bank: %r" % lines[0])
    c.expect(lines[2].split() == ["1", "Up", "Classic"], "program 1 of the factory bank: %r" % lines[2])
    c.expect(sum(1 for l in lines if l[:3].strip().isdigit()) == 64, "all 64 programs are listed")
    c.expect(any(l.split()[:3] == ["47", "Bass", "Verse"] and l.split()[-1] == "2" for l in lines),
             "program 47 is in chain 2")
    c.expect(any(l.strip().startswith("chain 2: 47 Bass Verse A, 48 Bass Verse B") for l in lines),
             "chain 2 lists its programs")
    r = c.render_ok("--list-programs", "--no-bank")
    c.expect(r.stdout.splitlines()[2].split() == ["1", "Program", "1"], "without a bank the defaults are listed")
    r = c.render_ok("--list-params")
    rows = {l.split()[1]: l for l in r.stdout.splitlines()[1:]}
    c.expect(len(rows) > 360, "every parameter is listed: %d" % len(rows))
    c.expect("1/48 | 1/32" in rows.get("Sync", "") and "0..11" in rows.get("Sync", ""), "Sync: %r" % rows.get("Sync"))
    c.expect("C5 = 60" in rows.get("InRange_Low", ""), "note names say which note is C5")
    c.expect("0 = all" in rows.get("MIDIIn_Ch", ""), "MIDIIn_Ch names its 0")
    c.expect(rows.get("CurChain", "").split()[2:] == ["0..16", "---", "0", "=", "---"],
             "CurChain is listed as --set takes it, no chain too: %r" % rows.get("CurChain"))
    c.expect("Velocity_64" in rows, "step parameters are listed one by one")


def bar_beat_tick(tick, division):
    """4/4 throughout (the song's meter), ticks padded to the beat's width."""
    bar, rest = divmod(tick, 4 * division)
    beat, into = divmod(rest, division)
    return "%d:%d:%0*d" % (bar + 1, beat + 1, len(str(division - 1)), into)


def check_png_list(c):
    src = c.write("song.mid", song_file())
    out, png = c.path("out.mid"), c.path("roll.png")
    r = c.render_ok("--plugin", c.echo, "--list", "--png", png, src, out)
    with open(png, "rb") as f:
        head = f.read(24)
    c.expect(head[:8] == b"\x89PNG\r\n\x1a\n", "--png writes a PNG")
    width, height = int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")
    c.expect(200 < width <= 8000 and 100 < height < 2000, "the piano roll has a sensible size: %dx%d" % (width, height))

    # Rebuild the note rows from the written file: a note-off ends the earliest open note.
    written = mido.MidiFile(out)
    messages = track_messages(written.tracks[0])
    rows, open_notes = [], {}
    for tick, d in messages:
        kind, ch = d[0] & 0xF0, d[0] & 0x0F
        if kind == 0x90 and d[2] > 0:
            row = [bar_beat_tick(tick, written.ticks_per_beat), str(ch + 1), KEY_NAMES[d[1] % 12] + str(d[1] // 12),
                   str(d[2]), "open"]
            rows.append(row)
            open_notes.setdefault((ch, d[1]), []).append((tick, row))
        elif kind in (0x80, 0x90) and open_notes.get((ch, d[1])):
            start, row = open_notes[(ch, d[1])].pop(0)
            row[4] = str(tick - start)
    listed = [line.split() for line in r.stdout.splitlines()[1:]]
    notes = [l for l in listed if len(l) == 5 and l[2][0] in "CDEFGAB" and not l[2].startswith("CC")]
    c.expect(r.stdout.splitlines()[0].split() == ["time", "ch", "note", "vel", "length"], "the table has a header")
    c.expect(notes == rows, "the table lists every note: %r versus %r" % (notes[:3], rows[:3]))


# ---- The edges of a render: where it ends, its resolution, what it says -------------------

def chords_file(division, chords, end=None, channels=(0,)):
    """Type 0: each chord (keys, start quarter, quarters held or None for never let go) on
    every channel given; the end of track at quarter `end` (default: the last event)."""
    events = []
    for keys, start, held in chords:
        for ch in channels:
            for k in keys:
                events.append((start * division, 1, bytes([0x90 | ch, k, 100])))
                if held is not None:
                    events.append(((start + held) * division, 0, bytes([0x80 | ch, k, 0])))
    events.sort(key=lambda e: (e[0], e[1]))
    body, at = bytearray(tempo_meta(0, 500000)), 0
    for tick, _, data in events:
        body += vlq(tick - at) + data
        at = tick
    body += vlq(max(0, (end * division if end is not None else at) - at)) + b"\xff\x2f\x00"
    return smf(0, division, [bytes(body)])


def notes_in(path):
    """(start, length, key) of every note of the first track."""
    notes, sounding = [], {}
    for tick, d in track_messages(mido.MidiFile(path).tracks[0]):
        key = (d[0] & 0x0F, d[1])
        if d[0] & 0xF0 == 0x90 and d[2] > 0:
            sounding.setdefault(key, []).append(len(notes))
            notes.append([tick, None, d[1]])
        elif d[0] & 0xF0 in (0x80, 0x90) and sounding.get(key):
            note = notes[sounding[key].pop(0)]
            note[1] = tick - note[0]
    return [tuple(n) for n in notes]


AM7, C_MAJOR = (57, 60, 64, 67), (60, 64, 67)
SIXTEENTH = OUT_DIVISION // 4


def check_edges(c):
    """The real module: the song lasts to its end of track, no note is cut to nothing where
    the render stops, and a coarse file is written finely enough to hold a 16th."""
    am7_held = os.path.join(EXAMPLES, "am7-held.mid")
    cases = [
        # name, input, arguments, the last note's start (quarters), every note's length (ticks, or
        # None for "more than nothing")
        ("keys never let go, the end of track two bars on", chords_file(DIVISION, [(AM7, 0, None)], end=8),
         ["--no-bank"], 8 - 0.25, SIXTEENTH),
        ("a latched pattern whose tail ends on a step",
         chords_file(DIVISION, [(C_MAJOR, 0, 4)]),
         ["--no-bank", "--set", "Latch=on", "--set", "Gate=50", "--set", "Sync=1/16", "--tail", "1"],
         6 - 0.25, SIXTEENTH // 2),
        ("factory program 42 over am7-held.mid", None, ["--program", "42"], None, None),
        ("a file of one tick per quarter note", chords_file(1, [(C_MAJOR, 0, 4), (AM7, 4, 4)]),
         ["--no-bank"], 8 - 0.25, SIXTEENTH),
    ]
    print("%-52s %6s %6s %10s %s" % ("case", "notes", "ppq", "last note", "lengths"))
    for name, data, args, last_start, length in cases:
        src = c.write("in.mid", data) if data else am7_held
        out, dump = c.path("out.mid"), c.path("out.json")
        c.render_ok("--quiet", "--json", dump, *args, src, out)
        with open(dump) as f:
            end_tick = json.load(f)["end_tick"]
        notes = notes_in(out)
        lengths = sorted({n[1] for n in notes})
        print("%-52s %6d %6d %10s %s" % (name, len(notes), mido.MidiFile(out).ticks_per_beat,
                                          notes and notes[-1][0], lengths))
        c.expect(mido.MidiFile(out).ticks_per_beat == OUT_DIVISION, "%s: written at 960 ticks a quarter" % name)
        c.expect(notes and all(n[1] for n in notes), "%s: no note of zero length or left open: %r" % (name, lengths))
        c.expect(notes and notes[-1][0] < end_tick, "%s: no note begins at the end, tick %d" % (name, end_tick))
        if last_start is not None:
            c.expect(notes and notes[-1][0] == last_start * OUT_DIVISION,
                     "%s: the last note begins at quarter %s, not %s" % (name, last_start, notes[-1][0] / OUT_DIVISION))
        if length is not None:
            c.expect(lengths == [length], "%s: every note lasts %d ticks: %r" % (name, length, lengths))


def check_resolution(c):
    """The output's ticks per quarter note: the finer of the input's and 960, or --ppq."""
    rate = 44100
    cases = [
        # input ticks per quarter note, arguments, written ticks per quarter note
        (1, [], 960), (7, [], 960), (96, [], 960), (960, [], 960), (1920, [], 1920),
        (96, ["--ppq", "48"], 48), (96, ["--ppq", "1"], 1), (7, ["--ppq", "1000"], 1000),
    ]
    for division, args, expected in cases:
        name = "%d ticks a quarter%s" % (division, " with " + " ".join(args) if args else "")
        # A key on each of the first four quarters, held for a quarter: times any division holds.
        src = c.write("in.mid", chords_file(division, [((60 + q,), q, 1) for q in range(4)]))
        out = c.path("out.mid")
        c.render_ok("--plugin", c.echo, "--no-bank", "--quiet", "--keep-input", *args, src, out)
        mid = mido.MidiFile(out)
        c.expect(mid.ticks_per_beat == expected, "%s: written at %d, not %d" % (name, expected, mid.ticks_per_beat))
        given, written = Timeline([], division, rate), Timeline([], mid.ticks_per_beat, rate)
        want = [(round(written.tick_at(given.sample(t))), d) for t, d in channel_messages(src)]
        echoes, _ = echo_outputs(track_messages(mid.tracks[0]))
        c.expect(echoes == want, "%s: every echo at the input's time: %r, expected %r" % (name, echoes[:4], want[:4]))
        c.expect(track_messages(mid.tracks[1]) == want, "%s: the input track at the output's resolution" % name)


def check_messages(c):
    """After a render: a summary line unless --quiet; a warning when notes come on several channels
    and the plug-in listens to all, or on channel 10 alone (drums), and when --set sets a step the
    pattern never reaches."""
    cases = [
        # name, channels of the input, arguments, the lines on standard error ("summary" stands for it)
        ("one channel", (0,), [], ["summary"]),
        ("channels 1, 2 and 10", (0, 1, 9), [],
         ["moltrin-render: warning: the input has notes on channels 1, 2 and 10, and the plug-in plays them all "
          "as keys (--set MIDIIn_Ch=N hears channel N alone)", "summary"]),
        ("channels 1, 2 and 10, listening to 10", (0, 1, 9), ["--set", "MIDIIn_Ch=10"], ["summary"]),
        ("channels 1 and 10, quiet", (0, 9), ["--quiet"],
         ["moltrin-render: warning: the input has notes on channels 1 and 10, and the plug-in plays them all "
          "as keys (--set MIDIIn_Ch=N hears channel N alone)"]),
        ("one channel, quiet", (0,), ["--quiet"], []),
        ("channel 10 alone", (9,), [],
         ["moltrin-render: warning: the input's notes are all on channel 10, General MIDI's drums, and the plug-in "
          "plays them as keys", "summary"]),
        ("channel 10 alone, listening to 10, quiet", (9,), ["--set", "MIDIIn_Ch=10", "--quiet"],
         ["moltrin-render: warning: the input's notes are all on channel 10, General MIDI's drums, and the plug-in "
          "plays them as keys"]),
        ("steps past the pattern", (0,), ["--set", "Velocity_17=20", "--set", "Semitone_16=2",
                                          "--set", "Octave_64=1"],
         ["moltrin-render: warning: Velocity_17 and Octave_64 lie past the program's 16 steps (Steps) and will not "
          "play", "summary"]),
        ("a step past a shorter pattern, quiet", (0,), ["--set", "Steps=8", "--set", "Velocity_9=20", "--quiet"],
         ["moltrin-render: warning: Velocity_9 lies past the program's 8 steps (Steps) and will not play"]),
        ("with a picture and events", (0,), ["--png", "roll.png", "--json", "out.json"], ["summary"]),
    ]
    for name, channels, args, lines in cases:
        src = c.write("in.mid", chords_file(DIVISION, [(C_MAJOR, 0, 2), (AM7, 2, 2)], end=6, channels=channels))
        out = c.path("out.mid")
        full = [c.path(a) if a.endswith((".png", ".json")) else a for a in args]
        r = c.render_ok("--plugin", c.echo, "--no-bank", *full, src, out)
        # The echo plays every key back: 7 notes a channel, over 6 quarters and the echo's
        # four-quarter tail: 2.5 bars.
        files = [out] + [p for p in full if p.endswith((".png", ".json"))]
        summary = "moltrin-render: wrote %d notes, 2.5 bars, to %s" % (
            len(notes_in(out)), files[0] if len(files) == 1 else ", ".join(files[:-1]) + " and " + files[-1])
        expected = [summary if line == "summary" else line for line in lines]
        c.expect(r.stderr.splitlines() == expected, "%s: says %r, expected %r" % (name, r.stderr, expected))
        c.expect(len(notes_in(out)) == 7 * len(channels), "%s: the summary counts the notes written" % name)


CHECKS = {"help": check_help, "errors": check_errors, "echo_timing": check_echo_timing,
          "echo_setup": check_echo_setup, "free_run": check_free_run, "module": check_module,
          "png_list": check_png_list, "latched": check_latched, "free_run_tempo": check_free_run_tempo,
          "listings": check_listings, "edges": check_edges, "resolution": check_resolution,
          "messages": check_messages}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("check", choices=sorted(CHECKS))
    parser.add_argument("--tool", required=True)
    parser.add_argument("--echo", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--work", required=True)
    opts = parser.parse_args()
    checker = Checker(opts)
    CHECKS[opts.check](checker)
    print("%s: %s" % (opts.check, "passed" if checker.failures == 0 else "%d failures" % checker.failures))
    return 1 if checker.failures else 0


if __name__ == "__main__":
    sys.exit(main())
