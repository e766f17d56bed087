#!/usr/bin/env python3
"""What kvxctl's help states holds: its exit codes and their meanings are the
README's table, and each Windows release it offers (--windows) is one the
simulated machine runs.

usage: check_help.py KVXCTL README.md   (exit 1 naming each difference)
"""
import re
import subprocess
import sys


def help_section(text, title):
    """The rows of one section of the help: {first column: summary lines joined}."""
    rows, key, inside = {}, None, False
    for line in text.splitlines():
        if not line.strip():
            inside = False
        elif not line.startswith(" "):
            inside = line.rstrip() == title + ":"
        elif inside:
            match = re.match(r"  (\S+(?: \S+)*?)(?:\s{2,}(.*))?$", line)
            if line.startswith("  ") and not line.startswith("   ") and match:
                key = match.group(1)
                rows[key] = match.group(2) or ""
            elif key is not None:
                rows[key] = (rows[key] + " " + line.strip()).strip()
    return rows


def readme_exit_codes(text):
    """The table under the heading row "| code | meaning |"."""
    table = text.split("\n| code | meaning |\n", 1)[-1].split("\n\n", 1)[0]
    rows = re.findall(r"^\| (\d+) \| (.+?) \|$", table, re.MULTILINE)
    return {code: meaning.replace("`", "") for code, meaning in rows}


def main(kvxctl, readme):
    text = subprocess.run([kvxctl, "--help"], capture_output=True, text=True, check=True).stdout
    faults = []
    stated = help_section(text, "exit codes")
    documented = readme_exit_codes(open(readme, encoding="utf-8").read())
    if not stated:
        faults.append("kvxctl --help lists no exit codes")
    for code in sorted(set(stated) | set(documented), key=int):
        if stated.get(code) != documented.get(code):
            faults.append(f"exit code {code}: --help says {stated.get(code)!r}, "
                          f"the README {documented.get(code)!r}")
    options = help_section(text, "options")
    releases = options.get("--windows RELEASE", "").split(":")[-1].split()
    if "--windows RELEASE" in options and not releases:
        faults.append("--windows names no release")
    for release in releases:
        run = subprocess.run([kvxctl, "--windows", release, "platform"], capture_output=True)
        if run.returncode != 0:
            faults.append(f"--windows {release}: exit {run.returncode}")
    for fault in faults:
        print("FAIL:", fault)
    if not faults:
        print(f"{len(stated)} exit codes as the README states them; {len(releases)} releases run")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
