#!/usr/bin/python3
"""Counts the tests of one run for scripts/test.sh, each test once.

  count-tests.py junit FILE         a ctest JUnit file (--output-junit); an entry that ran a
                                    GoogleTest program counts as its cases
  count-tests.py gtest FILE STATUS  the output of a GoogleTest program and its exit status

Prints "PASSED FAILED SKIPPED" on the first line, then the name of each failure.
"""
import re
import sys
import xml.etree.ElementTree as ET

# A case line, also as ctest -V prints it ("12: [ RUN      ] Suite.Case").
CASE = re.compile(r"^(?:\d+: )?\[ *(RUN|OK|FAILED|SKIPPED) *\] ([^ ,]+\.[^ ,]+)")


def gtest_cases(text):
    """(passed, failures, skipped) of the GoogleTest cases in the text; None when it shows none."""
    started, ended, passed, skipped, failures = [], set(), 0, 0, []
    for line in text.splitlines():
        match = CASE.match(line)
        if not match:
            continue
        kind, name = match.groups()
        if kind == "RUN":
            started.append(name)
        elif name not in ended:  # the summary names each failure again
            ended.add(name)
            if kind == "OK":
                passed += 1
            elif kind == "SKIPPED":
                skipped += 1
            else:
                failures.append(name)
    if not started and not ended:
        return None
    # A case that started and never ended took its program down.
    failures += [name + " (did not finish)" for name in started if name not in ended]
    return passed, failures, skipped


def count_junit(path):
    passed, failures, skipped = 0, [], 0
    for case in ET.parse(path).getroot().iter("testcase"):
        name, status = case.get("name"), case.get("status")
        if status in ("notrun", "disabled") or case.find("skipped") is not None:
            skipped += 1
            continue
        cases = gtest_cases(case.findtext("system-out") or "")
        if cases is None:
            passed += status == "run"
            failures += [name] if status != "run" else []
            continue
        passed += cases[0]
        failures += cases[1]
        skipped += cases[2]
        if status != "run" and not cases[1]:
            failures.append(name + " (failed after its cases)")
    return passed, failures, skipped


def count_gtest(path, status):
    with open(path, errors="replace") as f:
        cases = gtest_cases(f.read())
    if cases is None:
        return 0, ["(ran no tests, status %d)" % status], 0
    passed, failures, skipped = cases
    if status != 0 and not failures:
        failures.append("(status %d after its cases)" % status)
    return passed, failures, skipped


def main():
    if sys.argv[1] == "junit":
        passed, failures, skipped = count_junit(sys.argv[2])
    else:
        passed, failures, skipped = count_gtest(sys.argv[2], int(sys.argv[3]))
    print(passed, len(failures), skipped)
    for name in failures:
        print(name)


if __name__ == "__main__":
    main()
