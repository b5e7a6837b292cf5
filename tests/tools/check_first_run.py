#!/usr/bin/python3
"""The command-line tools as a new user meets them: each answers --version and --help, and
each refusal is one line on standard error, naming the tool, with exit status 2 and nothing
written. moltrin-snapshot also lists the skin schemes it finds.

Usage: check_first_run.py --render PATH --snapshot PATH --inspect PATH --work DIR
"""
import argparse
import os
import re
import shutil
import subprocess
import sys


def main():
    parser = argparse.ArgumentParser()
    for tool in ("render", "snapshot", "inspect"):
        parser.add_argument("--" + tool, required=True)
    parser.add_argument("--work", required=True)
    opts = parser.parse_args()
    shutil.rmtree(opts.work, ignore_errors=True)
    os.makedirs(os.path.join(opts.work, "plugin", "skins"))
    with open(os.path.join(opts.work, "plugin", "skins", "mine.ini"), "w") as f:
        f.write("[Plain]\npanels_BackColor=$010203\n[Night]\npanels_BackColor=$0A0B0C\n")
    failures = []

    def expect(ok, what):
        if not ok:
            failures.append(what)
            print("FAILED:", what)

    tools = {"moltrin-render": opts.render, "moltrin-snapshot": opts.snapshot, "moltrin-inspect": opts.inspect}
    for name, path in tools.items():
        r = subprocess.run([path, "--version"], capture_output=True, text=True, timeout=60)
        expect(r.returncode == 0 and re.fullmatch(name + r" \d+\.\d+\.\d+\n", r.stdout) and not r.stderr,
               "%s --version: one line with the version: %r" % (name, r.stdout + r.stderr))
        for asked in ("--help", "-h"):
            r = subprocess.run([path, asked], capture_output=True, text=True, timeout=60)
            expect(r.returncode == 0 and r.stdout.lower().startswith("usage: " + name) and "--version" in r.stdout
                   and not r.stderr, "%s %s: the usage on standard output: %r" % (name, asked, r.stdout[:80]))

    out = os.path.join(opts.work, "out.png")
    refusals = [
        # tool, arguments, a part of the one line
        ("moltrin-render", ["--bogus"], "unknown option '--bogus' (see --help)"),
        ("moltrin-snapshot", ["--bogus", out], "unknown option --bogus (see --help)"),
        ("moltrin-snapshot", ["--page", "9", out], "--page takes a number from 1 to 4, not \"9\" (see --help)"),
        ("moltrin-snapshot", [], "no output file given (see --help)"),
        ("moltrin-snapshot", ["--keys", "H5", out], "--keys takes notes"),
        ("moltrin-snapshot", ["--bank", "missing.fxb", out], "missing.fxb: no such file"),
        ("moltrin-snapshot", ["--folder", os.path.join(opts.work, "plugin"), "--scheme", "Day", out],
         "no scheme \"Day\" (2 skin schemes found; --list-schemes names them)"),
        ("moltrin-snapshot", ["--folder", os.path.join(opts.work, "nowhere"), out], "nowhere: no such folder"),
        ("moltrin-snapshot", [os.path.join(opts.work, "out.jpg")], "writes PNG pictures only"),
        ("moltrin-snapshot", [os.path.join(opts.work, "nowhere", "out.png")],
         "cannot write the file (No such file or directory)"),
        ("moltrin-inspect", ["--bogus"], "unknown option --bogus (see --help)"),
        ("moltrin-inspect", ["missing.so"], "missing.so"),
        ("moltrin-inspect", ["a.so", "b.so"], "one module only, not also b.so (see --help)"),
    ]
    for name, args, says in refusals:
        r = subprocess.run([tools[name], *args], capture_output=True, text=True, timeout=120, cwd=opts.work)
        lines = r.stderr.splitlines()
        expect(r.returncode == 2 and len(lines) == 1 and lines[0].startswith(name + ": ") and says in lines[0]
               and not r.stdout, "%s %s: exit 2 and one line saying %r: %d %r %r" %
               (name, " ".join(args), says, r.returncode, r.stderr, r.stdout))
        expect(not os.path.exists(out), "%s %s: no picture written" % (name, " ".join(args)))

    r = subprocess.run([opts.snapshot, "--folder", os.path.join(opts.work, "plugin"), "--list-schemes"],
                       capture_output=True, text=True, timeout=60)
    expect(r.returncode == 0 and r.stdout.splitlines()[1:] == ["  0  the built-in colours", "  1  Plain  (mine.ini)",
                                                              "  2  Night  (mine.ini)"],
           "--list-schemes lists the built-in colours and each scheme by number: %r" % r.stdout)
    print("first_run: %s" % ("passed" if not failures else "%d failures" % len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
