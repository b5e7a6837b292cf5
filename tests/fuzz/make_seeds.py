#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora into tests/fuzz/corpus/: the factory bank as a bank
file and as a bank chunk, a program of it as a program file, a bare chunk and an old-format
record, the example MIDI files, host sessions encoded the way fuzz_hostsequence reads its
bytes, and CLAP states for fuzz_clapstate.

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

    for name, data in clap_states(bank):
        write("fuzz_clapstate", name, data)


if __name__ == "__main__":
    main()
