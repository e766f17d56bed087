#!/usr/bin/env python3
"""The figures of tests/coverage.sh: totals and least covered files from gcovr's
summary, and every line and branch no test reaches, with its source, from
gcovr's JSON report.

    tests/coverage_summary.py REPORT_DIR ROOT [LEAST]

Prints the totals and the LEAST (default 10) least covered files, and writes
REPORT_DIR/uncovered.txt.
"""

import json
import sys
from pathlib import Path


def figure(covered, total):
    percent = 100.0 * covered / total if total else 100.0
    return f"{percent:5.1f}% ({covered:,} of {total:,})"


def missed(entry):
    """Lines and branches a file leaves unreached, the work left in it."""
    return entry["line_total"] - entry["line_covered"] + entry["branch_total"] - entry["branch_covered"]


def uncovered(files, root):
    """One block per file: each line never run and each branch never taken."""
    out = []
    for entry in sorted(files, key=lambda f: f["file"]):
        source = (root / entry["file"]).read_text().splitlines()
        rows = []
        for line in entry["lines"]:
            if line["gcovr/noncode"] or line["gcovr/excluded"]:
                continue
            number = line["line_number"]
            text = source[number - 1].strip() if number <= len(source) else ""
            if line["count"] == 0:
                rows.append(f"  {number:5}  never run            {text}")
                continue
            branches = line["branches"]
            untaken = [str(k) for k, b in enumerate(branches) if b["count"] == 0]
            if untaken:
                which = f"branch {','.join(untaken)} of {len(branches)}"
                rows.append(f"  {number:5}  {which:19}  {text}")
        if rows:
            out.append(entry["file"])
            out += rows
    return out


def main():
    report, root = Path(sys.argv[1]), Path(sys.argv[2])
    least = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    summary = json.loads((report / "summary.json").read_text())
    details = json.loads((report / "coverage.json").read_text())

    print("\ncoverage of src/ by the native tests")
    for kind, label in (("line", "lines"), ("function", "functions"), ("branch", "branches")):
        print(f"  {label:9}  {figure(summary[kind + '_covered'], summary[kind + '_total'])}")
    files = [f for f in summary["files"] if missed(f) > 0]
    files.sort(key=lambda f: (-missed(f), f["filename"]))
    print(f"least covered files ({len(files)} with something unreached):")
    for f in files[:least]:
        print(f"  {f['filename']:46} lines {figure(f['line_covered'], f['line_total'])}"
              f"  branches {figure(f['branch_covered'], f['branch_total'])}")
    listing = uncovered(details["files"], root)
    (report / "uncovered.txt").write_text("\n".join(listing) + "\n")


if __name__ == "__main__":
    main()
