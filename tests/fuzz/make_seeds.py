#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora into tests/fuzz/corpus/: the factory bank as a bank
file and as a bank chunk, a program of it as a program file, a bare chunk and an old-format
record, the example MIDI files, and host sessions encoded the way fuzz_hostsequence,
fuzz_clapsequence and fuzz_lv2sequence read their bytes,
and CLAP states for fuzz_clapstate.

    python3 tests/fuzz/make_seeds.py build/linux/host/Moltrin_FactoryBank.fxb
"""
import pathlib
import struct
import sys

HERE = pathlib.Path(__file__).resolve().parent
CORPUS = HERE / "corpus"


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(bytes(data))


class Session:
    """The choices of fuzz_hostsequence as bytes (see TFuzzInput in FuzzInput.h)."""

    def __init__(self, start=True):
        self.out = bytearray([1 if start else 0])

    def int_(self, lo, hi, v):
        span, width = hi - lo + 1, 0
        while 256 ** width < span:
            width += 1
        self.out += (v - lo).to_bytes(width, "big") if width else b""

    def step(self, kind):
        self.int_(0, 11, kind)

    def events(self, messages, delta=0):
        self.step(2)
        self.int_(0, 24, len(messages))
        for m in messages:
            self.out += bytes([0])  # a MIDI event
            self.out += bytes([1])  # a delta inside the block
            self.int_(0, 1023, delta)
            self.out += bytes(m)
        self.out += bytes([1])  # a list, not null

    def blocks(self, count, frames, replacing=True):
        self.step(5)
        self.int_(1, 16, count)
        self.out += bytes([1])
        self.int_(0, 8192, frames)
        self.out += bytes([1 if replacing else 0])

    def time(self, kind, raw=None):
        self.step(7)
        self.int_(0, 7, kind)
        if raw is not None:
            self.out += raw

    def param(self, tag, value):
        self.step(8)
        self.out += bytes([1])
        self.int_(0, 575, tag)
        self.out += bytes([0, value])  # value / 255

    def program(self, index):
        self.step(10)
        self.int_(-2, 66, index)

    def chunk(self, preset, action):
        self.step(11)
        self.out += bytes([1 if preset else 0])
        self.int_(0, 2, action)


class ClapSession:
    """The choices of fuzz_clapsequence as bytes (see TFuzzInput in FuzzInput.h)."""

    def __init__(self, clap_notes=False, active=True):
        self.out = bytearray([(1 if clap_notes else 0) | (0 if active else 2)])

    int_ = Session.int_

    def double(self, lo, hi, v):
        self.out += bytes([0])  # a sane value
        self.int_(0, 65535, round((v - lo) / (hi - lo) * 65535))

    def frame(self, f):
        self.out += bytes([1])
        self.int_(0, 8191, f)

    def step(self, kind):
        self.int_(0, 11, kind)

    def note(self, on, channel, key, velocity=0.8, frame=0):
        self.step(0)
        self.out += bytes([1 if on else 0])
        self.int_(-1, 16, channel)
        self.int_(-1, 128, key)
        self.double(0, 1, velocity)
        self.frame(frame)

    def midi(self, status, data1, data2, frame=0):
        self.step(2)
        self.out += bytes([status, data1, data2])
        self.frame(frame)

    def offs_for_every_key(self, count, frame):
        self.step(3)
        self.frame(frame)
        self.out += bytes([1])
        self.int_(1, 4, count)

    def midi_flood(self, count, kind, data2, frame):
        self.step(3)
        self.frame(frame)
        self.out += bytes([0])
        self.int_(0, 8192, count)
        self.out += bytes([kind, data2])

    def param(self, tag, value, frame=0):
        self.step(4)
        self.int_(0, 3, 2)
        self.int_(0, 575, tag)
        self.double(-2, 130, value)
        self.int_(0, 7, 1)  # inside the block, not through flush
        self.frame(frame)

    def transport(self, playing, ppq=None, tempo=None, frame=None):
        self.step(5)
        self.out += bytes([1 if playing else 0])
        for value, lo, hi in ((ppq, -16, 1024), (tempo, 20, 300)):
            self.out += bytes([0 if value is None else 1])
            if value is not None:
                self.double(lo, hi, value)
        self.out += bytes([0 if frame is None else 1])
        if frame is not None:
            self.frame(frame)

    def blocks(self, count, frames):
        self.step(6)
        self.int_(1, 16, count)
        self.out += bytes([1])
        self.int_(0, 8192, frames)

    def room(self, events):
        self.step(8)
        self.int_(-1, 64, events)

    def lifecycle(self, action):
        self.step(10)
        self.int_(0, 5, action)


def clap_sessions():
    # Thru notes held, then three note-offs for every key on every channel at frame 5: 6144
    # messages at one frame, more than a block keeps.
    s = ClapSession()
    s.param(3, 0)   # the arpeggiator off
    s.param(4, 1)   # thru on
    for channel, key in ((0, 60), (1, 64), (2, 67)):
        s.note(True, channel, key, frame=channel)
    s.blocks(1, 256)
    s.offs_for_every_key(3, 5)
    s.blocks(2, 256)
    yield "flood-offs-for-every-key-at-one-frame", s.out

    # Fast chords at full gate into an output list that takes two events a block, over
    # transport starts and stops inside blocks.
    s = ClapSession()
    s.param(212, 0)   # the fastest steps
    s.param(211, 100)  # full gate
    s.room(2)
    for key in (48, 55, 60, 64, 67):
        s.note(True, 0, key, frame=key)
    s.transport(True, ppq=0, tempo=240)
    s.blocks(8, 4096)
    s.transport(False, frame=300)
    s.transport(True, frame=900)
    s.blocks(4, 2048)
    s.room(0)  # the list takes nothing while the notes end: their offs are owed
    for key in (48, 55, 60, 64, 67):
        s.note(False, 0, key, frame=100)
    s.transport(False)
    s.blocks(6, 1024)
    yield "small-output-list-transport", s.out

    # Notes sounding through when the output list stops taking anything: the keys go up, and
    # the offs the list refused are owed until it has room again.
    s = ClapSession()
    s.param(3, 0)
    s.param(4, 1)
    for key in (60, 64, 67):
        s.note(True, 0, key)
    s.blocks(1, 256)
    s.room(0)
    for key in (60, 64, 67):
        s.note(False, 0, key, frame=10)
    s.blocks(3, 256)
    yield "refused-offs-owed", s.out

    # A flood of controllers and key-ups of keys never held before the held keys go up, in CLAP
    # notes, with a deactivation while they sound.
    s = ClapSession(clap_notes=True)
    s.param(3, 0)
    s.param(4, 1)
    for key in (60, 62, 64):
        s.note(True, 0, key)
    s.blocks(1, 64)
    s.midi_flood(5000, 0xB0, 64, 7)
    s.midi_flood(5000, 0x80, 0, 7)
    s.note(False, 0, 62, frame=7)
    s.blocks(1, 64)
    s.lifecycle(0)
    s.blocks(2, 64)
    yield "controller-flood-deactivate", s.out


class Lv2Session:
    """The choices of fuzz_lv2sequence as bytes (see TFuzzInput in FuzzInput.h)."""

    PORTS = {"arp_enabled": 5, "midi_thru": 6, "gate": 14, "sync": 15, "latch": 16}
    PORT_COUNT = 34

    def __init__(self):
        self.out = bytearray()

    int_ = Session.int_
    double = ClapSession.double
    frame = ClapSession.frame

    def step(self, kind):
        self.int_(0, 11, kind)

    def midi(self, message, frame=0):
        self.step(0)
        self.int_(0, 4, len(message))
        self.out += bytes(message)
        self.frame(frame)

    def position(self, playing, bpm, beat, frame=0):
        self.step(4)
        self.out += bytes([1])
        self.double(20, 300, bpm)
        self.out += bytes([1])     # a speed: 1 while playing, else 0
        if playing:
            self.out += bytes([1])
        else:
            self.out += bytes([0])
            self.double(-1, 2, 0)
        self.out += bytes([0])     # no bar
        self.out += bytes([0])     # no bar beat
        self.out += bytes([0])     # no beats per bar
        self.out += bytes([0])     # no beat unit
        self.out += bytes([1])
        self.double(0, 800, beat)
        self.out += bytes([0])     # no frame
        self.frame(frame)

    def port(self, symbol, value):
        self.step(6)
        self.int_(0, self.PORT_COUNT, self.PORTS[symbol])
        self.out += bytes([1])
        self.int_(-2, 130, value)

    def blocks(self, count, frames):
        self.step(7)
        self.int_(1, 16, count)
        self.out += bytes([1])
        self.int_(0, 8192, frames)

    def output_room(self, events):
        self.step(9)
        self.out += bytes([1])
        self.int_(0, 8, events)

    def flood(self, count, kind, data2, frame):
        self.step(3)
        self.frame(frame)
        self.int_(0, 8192, count)
        self.out += bytes([kind, data2])


def lv2_sessions():
    # Fast chords at full gate with the keys through as well, into an output buffer of two
    # events, over transport starts and stops inside blocks.
    s = Lv2Session()
    s.port("sync", 0)
    s.port("gate", 100)
    s.port("midi_thru", 1)
    s.output_room(2)
    for key in (48, 55, 60, 64, 67):
        s.midi((0x90, key, 100), frame=key)
    s.position(True, 240, 0)
    s.blocks(8, 4096)
    s.position(False, 240, 8, frame=300)
    s.position(True, 240, 8, frame=900)
    s.blocks(4, 2048)
    s.midi((0x80, 60, 0), frame=100)
    s.position(False, 240, 20)
    s.blocks(6, 1024)
    s.output_room(0)
    s.blocks(3, 512)
    yield "small-output-buffer-transport", s.out

    # Thru notes, then 5000 controllers and the key-ups at one frame, more than a segment keeps.
    s = Lv2Session()
    s.port("arp_enabled", 0)
    s.port("midi_thru", 1)
    for key in (60, 62, 64):
        s.midi((0x90, key, 100))
    s.blocks(1, 64)
    s.flood(5000, 0xB0, 64, 7)
    s.position(True, 120, 4, frame=7)
    for key in (60, 62, 64):
        s.midi((0x80, key, 0), frame=7)
    s.blocks(2, 64)
    yield "flood-at-a-position", s.out


def sessions():
    s = Session()
    s.events([(0x90, 60, 100), (0x90, 64, 90), (0x90, 67, 80)])
    s.time(0)  # play
    s.blocks(16, 512)
    s.chunk(False, 0)
    s.param(213, 255)  # latch on
    s.events([(0x80, 60, 0), (0x80, 64, 0), (0x80, 67, 0)])
    s.blocks(16, 1024)
    s.program(5)
    s.blocks(8, 4096)
    s.time(0)  # stop: the own clock
    s.blocks(16, 256)
    s.chunk(False, 1)
    s.blocks(4, 8192)
    yield "session-play-latch-program", s.out

    s = Session(start=False)  # a host that never opens the plug-in
    s.time(1, bytes([200]))   # a hostile tempo
    s.events([(0x90, 60, 100), (0xC0, 3, 0), (0xB0, 1, 64)], delta=1000)
    s.blocks(3, 0)
    s.blocks(3, 8192, replacing=False)
    s.param(212, 255)
    s.time(3, bytes([201]))   # a sample rate of 0
    s.blocks(5, 1)
    yield "session-unopened-hostile-time", s.out

    s = Session()
    s.param(3, 0)  # arpeggiator off: thru notes
    s.events([(0x91, 48, 100), (0x92, 50, 100)])
    s.param(1, 128)  # input channel
    s.blocks(2, 64)
    s.chunk(True, 0)
    s.param(3, 255)
    s.chunk(True, 1)
    s.events([(0x81, 48, 0), (0x92, 50, 0)])
    s.blocks(2, 64)
    yield "session-thru-channels-chunk", s.out

    s = Session()  # a key struck twice and let go once, then the host's panic
    s.events([(0x90, 60, 100), (0x90, 64, 90), (0x90, 60, 110)])
    s.blocks(8, 512)
    s.events([(0x80, 60, 0)])
    s.blocks(8, 512)
    s.param(213, 255)  # latch on over the key still held
    s.events([(0xB0, 123, 0)])  # all notes off
    s.blocks(4, 512)
    s.events([(0x91, 67, 100), (0x91, 67, 100), (0x81, 67, 0)])
    s.param(3, 0)  # thru
    s.events([(0x91, 72, 100), (0x91, 72, 100)])
    s.events([(0xB5, 120, 0)], delta=100)  # all sound off
    s.blocks(8, 1024)
    yield "session-double-key-panic", s.out

    s = Session()  # values sent again, a chain with its settings in one block, PatternShift
    s.events([(0x90, 60, 100), (0x90, 64, 90)])
    s.time(0)  # play
    s.blocks(8, 512)
    for tag, value in ((3, 255), (213, 0), (18, 0), (232, 128)):
        s.param(tag, value)
        s.param(tag, value)
    s.param(18, 64)  # a chain
    s.param(85, 40)  # its first slot
    s.param(81, 30)  # its program change
    s.blocks(4, 512)
    s.param(232, 160)
    s.param(232, 96)
    s.program(5)
    s.param(232, 96)
    s.blocks(8, 2048)
    yield "session-resend-chain-shift", s.out


def clap_states(bank):
    """States for fuzz_clapstate, whose first byte 0x80 mends the checksum: a chain in force
    whose section was never initialised."""
    chunk = bytearray(bank)
    chunk[17] = 8   # NumChains
    chunk[18] = 3   # CurChain
    chunk[3 * 576 + 80:3 * 576 + 150] = bytes(70)  # chain 3: no section
    header = b"MLTN" + struct.pack("<IiII", 1, 0, len(chunk), 0)
    yield "chain-without-section", bytes([0x83, 0]) + header + chunk


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    fxb = pathlib.Path(sys.argv[1]).read_bytes()
    assert fxb[:4] == b"CcnK" and len(fxb) == 37024, "not the factory bank file"
    bank = fxb[160:]
    program = bytearray(bank[576:1152])  # the second program, with the globals of the first
    program[0:80] = bank[0:80]
    old = bytearray(512)
    old[0] = 7
    old[10:27] = program[210:227]
    old[64:384] = program[256:576]
    old[384:434] = program[150:200]

    write("fuzz_chunk", "bank-factory", b"\x00" + bank)
    write("fuzz_chunk", "program-factory-2", b"\x01" + program)
    write("fuzz_chunk", "program-over-current-and-bank", b"\x07\x05" + program)
    write("fuzz_chunk", "program-format7", b"\x01" + old)

    fxp = bytearray(b"CcnK" + struct.pack(">I", 628) + b"FPCh" + struct.pack(">I", 1) + b"Kq4v"
                    + struct.pack(">II", 8, 576))
    name = bytes(program[151:151 + min(program[150], 27)])
    fxp += name + bytes(28 - len(name)) + struct.pack(">I", 576) + program
    write("fuzz_presetfile", "bank-factory.fxb", b"\x01" + fxb)
    write("fuzz_presetfile", "program.fxp", b"\x00" + fxp)
    write("fuzz_presetfile", "program-bare-chunk", b"\x00" + program)
    write("fuzz_presetfile", "program-format7.fxp", b"\x00" + fxp[:60] + old)
    write("fuzz_presetfile", "bank-reversed-magic.fxb", b"\x03\x09" + b"KncC" + fxb[4:])

    for mid in sorted((HERE.parent.parent / "data" / "examples").glob("*.mid")):
        write("fuzz_midifile", mid.name, mid.read_bytes())

    for name, data in sessions():
        write("fuzz_hostsequence", name, data)
    for name, data in clap_sessions():
        write("fuzz_clapsequence", name, data)
    for name, data in lv2_sessions():
        write("fuzz_lv2sequence", name, data)

    for name, data in clap_states(bank):
        write("fuzz_clapstate", name, data)


if __name__ == "__main__":
    main()
