#!/usr/bin/env python3
"""Counts the suite's results from CTest's JUnit files: N passed, N failed, N skipped.

A CTest test that runs a GoogleTest program holding many cases (each Windows test program runs
under Wine as one CTest test) counts by the cases its output reports, skipped ones included; any
other test counts once, by its CTest status (exit code 77 is a skip)."""
import re
import sys
import xml.etree.ElementTree as ET

GTEST = {
    "passed": re.compile(r"^\[  PASSED  \] (\d+) tests?\.", re.M),
    "skipped": re.compile(r"^\[  SKIPPED \] (\d+) tests?, listed below:", re.M),
    "failed": re.compile(r"^\[  FAILED  \] (\d+) tests?, listed below:", re.M),
}


def count(path, totals):
    for case in ET.parse(path).getroot().iter("testcase"):
        out = case.findtext("system-out") or ""
        found = {k: sum(int(n) for n in r.findall(out)) for k, r in GTEST.items()}
        status = case.get("status")
        ctest_failed = case.find("failure") is not None or status == "fail"
        ctest_skipped = case.find("skipped") is not None or status in ("notrun", "disabled")
        if any(found.values()):
            for k, n in found.items():
                totals[k] += n
            if ctest_failed and not found["failed"]:
                totals["failed"] += 1  # the program failed outside its cases (a crash, a timeout)
        elif ctest_skipped:
            totals["skipped"] += 1
        elif ctest_failed:
            totals["failed"] += 1
        else:
            totals["passed"] += 1


def main(paths):
    totals = {"passed": 0, "failed": 0, "skipped": 0}
    for p in paths:
        try:
            count(p, totals)
        except (OSError, ET.ParseError) as e:
            print(f"test-summary: {p}: {e}", file=sys.stderr)
            totals["failed"] += 1
    print(f"{totals['passed']} passed, {totals['failed']} failed, {totals['skipped']} skipped")
    return 1 if totals["failed"] else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
