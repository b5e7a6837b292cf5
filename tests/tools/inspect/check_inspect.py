#!/usr/bin/env python3
"""moltrin-inspect shows what a host of each format gets: by default the factory bank beside the
module, with --no-factory-bank the plug-in's own defaults; the saved state comes back identical.

Usage: check_inspect.py --inspect PATH --vst2 MODULE --clap MODULE [--lv2 BUNDLE]
"""
import argparse
import subprocess
import sys


def main():
    parser = argparse.ArgumentParser()
    for option in ("--inspect", "--vst2", "--clap"):
        parser.add_argument(option, required=True)
    parser.add_argument("--lv2")
    opts = parser.parse_args()
    failures = []
    passed = []

    def expect(ok, what):
        print(("ok: " if ok else "FAIL: ") + what)
        (passed if ok else failures).append(what)

    # Each format: what the bank gives, what the defaults give, and the round trip's words.
    formats = [("VST 2.x", opts.vst2, "[0] Up Classic", "[0] Program 1", "bytes read back identical"),
               ("CLAP", opts.clap, "holds 1 Up Classic", "holds 1 Program 1", "saved again identical")]
    if opts.lv2:
        formats.append(("LV2", opts.lv2, '0 "1 Up Classic"', '0 "1 Up Classic"', "saved again identical"))
    for name, path, banked, plain, roundTrip in formats:
        for bank in (True, False):
            args = [opts.inspect] + ([] if bank else ["--no-factory-bank"]) + [path]
            r = subprocess.run(args, capture_output=True, text=True, timeout=120)
            how = name + (" with the factory bank" if bank else " with --no-factory-bank")
            expect(r.returncode == 0 and not r.stderr, "%s: exit 0, nothing on stderr (%d %r)" % (how, r.returncode, r.stderr))
            expect((banked if bank else plain) in r.stdout, "%s: the programs shown" % how)
            expect(("the one beside the module" if bank else "none (--no-factory-bank)") in r.stdout,
                   "%s: says which bank" % how)
            expect(roundTrip in r.stdout, "%s: the state comes back identical" % how)
            expect("16 note-ons, 16 note-offs" in r.stdout, "%s: one bar played" % how)
    print("%d passed, %d failed" % (len(passed), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
