#!/usr/bin/env python3
"""Mutants of src/: small mistakes made on purpose, which the native tests must notice.

Each mutant changes one place of a library source that the native build compiles:
a relational operator flipped or moved by one, an integer constant off by one,
&& and || swapped, an if or while condition negated, a statement that calls a
platform function (src/frame/imports.allow) or SetLastError removed, a returned
value replaced. Comments, string and character literals, preprocessor lines and
asserts are never mutated.

The plan is reproducible: the same sources and --seed give the same mutants,
taken in turn from each folder of src/ so that every folder has its share.
Each mutant is built into a copy of the tree (build/mutants/tree, built in
build/mutants/build), so the work tree and build/native are never touched, even
when the run is stopped. The tests of the mutant's folder (TESTS_BY_AREA) run
with a time limit; a mutant is killed when they fail, survives when they pass.

It runs by hand, not in CI (one build per mutant is too slow for that):
    tests/mutants.py --list --count 300 --seed 1      # the plan, nothing built
    tests/mutants.py --count 40 --seed 1              # build and test 40 mutants
    tests/mutants.py --files 'src/netlist/*' --count 20
"""

import argparse
import bisect
import difflib
import fnmatch
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# The native tests (gtest filters of kvx_tests) that check each folder of src/.
# A folder missing here, or --all-tests, runs them all. appkit and frame serve
# every export, so every test checks them.
TESTS_BY_AREA = {
    "appkit": "*",
    "frame": "*",
    "install": "DriverDir*:DriverInstall*:DriverName*:PrinterInstall*:FaultSweep.*",
    "ports": "LocalPorts*:FaultSweep.*",
    "identity": "MachineIdentity*:FaultSweep.*",
    "netlist": "NetList*:NetworkPath*:NetworkCheck.*:HostHelpers*:Hostile*:BrowseNetworkDialog*:"
               "BrowseNodes*:FaultSweep.*",
    "connect_dialog": "ConnectDialog*:DialogHandoff*:FaultSweep.*",
    "printer_browser": "PrinterBrowser*:DialogHandoff*:FaultSweep.*",
    "browse_network": "BrowseNetworkDialog*:BrowseNodes*:InsertNetEntries*:*NextToken*:"
                      "HostileBrowse*:FaultSweep.*",
}
ALL_TESTS = "*"

# Warnings a mutant may bring about without being a different program in any
# way that matters (a parameter no longer read, && beside || without brackets):
# they stay warnings in the mutants' build, which is otherwise the native one.
MUTANT_WARNINGS = ("unused-parameter", "unused-variable", "unused-but-set-variable",
                   "unused-function", "parentheses", "type-limits")

# Build and test outcomes, in the order the report gives them.
KILLED, SURVIVED, TIMED_OUT, NOT_COMPILED = "killed", "survived", "timed out", "did not compile"
OUTCOMES = (KILLED, SURVIVED, TIMED_OUT, NOT_COMPILED)


@dataclass(frozen=True)
class Mutant:
    path: str  # relative to the root, e.g. src/netlist/net_enum.cpp
    start: int  # character offsets of the replaced text in the file
    end: int
    replacement: str
    operator: str
    line: int  # 1-based line of `start`

    @property
    def area(self):
        parts = self.path.split("/")
        return parts[1] if len(parts) > 2 else ""

    def apply(self, text):
        return text[:self.start] + self.replacement + text[self.end:]

    def diff(self, text):
        """The changed lines as '-' and '+' lines."""
        before = text.splitlines()
        after = self.apply(text).splitlines()
        lines = []
        for line in difflib.unified_diff(before, after, lineterm="", n=0):
            if line.startswith(("---", "+++", "@@")):
                continue
            lines.append(line)
        return lines


# --- What may be mutated -------------------------------------------------------

def mask(text):
    """The text with comments, string and character literals and preprocessor
    lines blanked (newlines kept), so offsets stay those of the text."""
    out = list(text)
    i, n = 0, len(text)
    at_line_start = True

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if at_line_start and c in " \t":
            i += 1
            continue
        if at_line_start and c == "#":
            j = i
            while j < n and (text[j] != "\n" or text[j - 1] == "\\"):
                j += 1
            blank(i, j)
            i = j
            continue
        at_line_start = c == "\n"
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isalnum()):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i, min(j + 1, n))
            i = j + 1
        else:
            i += 1
    return "".join(out)


SKIPPED_LINE = re.compile(r"\bassert\b|\bstatic_assert\b")


def matching_paren(masked, open_at):
    """Offset of the ')' that closes the '(' at open_at, or -1."""
    depth = 0
    for k in range(open_at, len(masked)):
        if masked[k] == "(":
            depth += 1
        elif masked[k] == ")":
            depth -= 1
            if depth == 0:
                return k
    return -1


def statement_end(masked, start):
    """Offset of the ';' that ends the statement starting at start (outside
    parentheses and braces), or -1."""
    depth = 0
    for k in range(start, len(masked)):
        ch = masked[k]
        if ch in "([{":
            depth += 1
        elif ch in ")]}":
            depth -= 1
            if depth < 0:
                return -1
        elif ch == ";" and depth == 0:
            return k
    return -1


RELATIONAL_SWAPS = {
    "<": (">=", "<="),
    "<=": (">", "<"),
    ">": ("<=", ">="),
    ">=": ("<", ">"),
    "==": ("!=",),
    "!=": ("==",),
}
# Binary operators stand between spaces (clang-format); template brackets and
# shifts never do.
RELATIONAL = re.compile(r"(?<= )(<=|>=|==|!=|<|>)(?= )")
LOGICAL = re.compile(r"(?<= )(&&|\|\|)(?= )")
INTEGER = re.compile(r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+)([uUlL]*)(?![\w.])")
CONDITION = re.compile(r"\b(if|while)\s*\(")
RETURN = re.compile(r"\breturn\b")
SWAPPED_RETURNS = {"true": "false", "false": "true", "TRUE": "FALSE", "FALSE": "TRUE"}
UNREPLACED_RETURNS = {"{}", "nullptr", "NULL", "*this"}


def integer_text(value, like):
    return hex(value).upper().replace("0X", "0x") if like.lower().startswith("0x") else str(value)


def find_mutants(path, text, platform_functions):
    """Every mutant of one source text, in the order they appear."""
    masked = mask(text)
    line_starts = [0] + [m.end() for m in re.finditer("\n", text)]

    def line_of(offset):
        return bisect.bisect_right(line_starts, offset)

    def line_text(offset):
        number = line_of(offset)
        end = line_starts[number] - 1 if number < len(line_starts) else len(text)
        return text[line_starts[number - 1]:end]

    found = []

    def add(start, end, replacement, operator):
        if SKIPPED_LINE.search(line_text(start)):
            return
        found.append(Mutant(path, start, end, replacement, operator, line_of(start)))

    for m in RELATIONAL.finditer(masked):
        for other in RELATIONAL_SWAPS[m.group(1)]:
            add(m.start(), m.end(), other, "relational")
    for m in LOGICAL.finditer(masked):
        add(m.start(), m.end(), "||" if m.group(1) == "&&" else "&&", "logical")
    for m in INTEGER.finditer(masked):
        digits = m.group(1)
        value = int(digits, 0)
        for changed in (value + 1, value - 1):
            if changed >= 0:
                add(m.start(1), m.end(1), integer_text(changed, digits), "constant")
    for m in CONDITION.finditer(masked):
        open_at = m.end() - 1
        close_at = matching_paren(masked, open_at)
        if close_at > open_at + 1:
            condition = text[open_at + 1:close_at]
            add(open_at + 1, close_at, f"!({condition})", "negate")
    calls = "|".join(sorted(platform_functions | {"SetLastError"}))
    call = re.compile(r"(?<![\w:.>])(::)?\b(" + calls + r")\s*\(")
    for m in call.finditer(masked):
        # Only a call that is a statement of its own: its result is not used.
        if not _starts_statement(masked, m.start()):
            continue
        close_at = matching_paren(masked, m.end() - 1)
        end = masked.find(";", close_at) if close_at >= 0 else -1
        if end < 0 or masked[close_at + 1:end].strip():
            continue
        add(m.start(), end + 1, "(void)0;", "call removed")
    for m in RETURN.finditer(masked):
        end = statement_end(masked, m.end())
        if end < 0:
            continue
        value = text[m.end():end].strip()
        if not value or value in UNREPLACED_RETURNS:
            continue
        value_start = m.end() + (len(text[m.end():end]) - len(text[m.end():end].lstrip()))
        value_end = value_start + len(value)
        if value in SWAPPED_RETURNS:
            replacement = SWAPPED_RETURNS[value]
        elif re.fullmatch(r"-?\d+[uUlL]*", value):
            replacement = "1" if int(value.rstrip("uUlL")) == 0 else "0"
        else:
            replacement = "{}"
        add(value_start, value_end, replacement, "return")
    found.sort(key=lambda mutant: (mutant.start, mutant.operator, mutant.replacement))
    return found


def _starts_statement(masked, start):
    """Whether a statement may begin at start: after ';', a brace, a label,
    else, do, or the condition of an if, while or for."""
    before = masked[:start].rstrip()
    if not before or before[-1] in ";{}:" or re.search(r"\b(else|do)$", before):
        return True
    if before[-1] != ")":
        return False
    depth = 0
    for k in range(len(before) - 1, -1, -1):
        if before[k] == ")":
            depth += 1
        elif before[k] == "(":
            depth -= 1
            if depth == 0:
                return re.search(r"\b(if|while|for)\s*$", before[:k]) is not None
    return False


# --- Which sources -------------------------------------------------------------

def platform_functions(root):
    names = set()
    for line in (root / "src/frame/imports.allow").read_text().splitlines():
        fields = line.split()
        if len(fields) >= 2 and not line.lstrip().startswith("#"):
            names.add(fields[1])
    return names


def native_sources(root):
    """The library sources the native build compiles, with the headers they
    include, as paths relative to the root."""
    cmake = re.sub(r"#[^\n]*", "", (root / "cmake/LibrarySources.cmake").read_text())
    listed = re.search(r"set\(\s*KVX_LIBRARY_SOURCES\b([^)]*)\)", cmake)
    if not listed:
        sys.exit("cmake/LibrarySources.cmake no longer sets KVX_LIBRARY_SOURCES")
    sources = sorted(set(re.findall(r"\bsrc/[\w/]+\.cpp\b", listed.group(1))))
    seen, pending = set(sources), list(sources)
    include = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
    while pending:
        path = pending.pop()
        for name in include.findall((root / path).read_text()):
            for candidate in (Path(path).parent / name, Path("src") / name):
                if (root / candidate).is_file() and candidate.parts[0] == "src":
                    key = candidate.as_posix()
                    if key not in seen:
                        seen.add(key)
                        pending.append(key)
                    break
    return sorted(seen)


def all_mutants(root, patterns=None, operators=None):
    functions = platform_functions(root)
    mutants = []
    for path in native_sources(root):
        if patterns and not any(fnmatch.fnmatch(path, p) for p in patterns):
            continue
        text = (root / path).read_text()
        mutants += [m for m in find_mutants(path, text, functions)
                    if not operators or m.operator in operators]
    return mutants


def plan(mutants, count, seed):
    """count mutants, taken in turn from each folder of src/ in an order the
    seed decides; in the order they will be built (by file, then place)."""
    rng = random.Random(seed)
    by_area = {}
    for mutant in mutants:
        by_area.setdefault(mutant.area, []).append(mutant)
    queues = []
    for area in sorted(by_area):
        queue = list(by_area[area])
        rng.shuffle(queue)
        queues.append(queue)
    chosen = []
    while len(chosen) < count and any(queues):
        for queue in queues:
            if queue and len(chosen) < count:
                chosen.append(queue.pop())
    return sorted(chosen, key=lambda m: (m.path, m.start, m.operator, m.replacement))


# --- Building and testing ------------------------------------------------------

class Stopped(Exception):
    pass


def _stop(signum, frame):
    raise Stopped()


def run(command, timeout, log, cwd=None):
    """Runs command in a process group of its own, killed whole on time-out or
    when the run is stopped; its output and how it ended are added to log.
    Returns the exit code, or None on time-out."""
    with open(log, "a") as out:
        out.write(f"$ {' '.join(command)}\n")
        out.flush()
        process = subprocess.Popen(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        code, ended = None, "stopped"
        try:
            code = process.wait(timeout=timeout)
            ended = f"exit {code}"
        except subprocess.TimeoutExpired:
            ended = f"killed after {timeout:.0f} s"
        finally:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
            out.write(f"[{ended}]\n")
        return code


def sync_tree(root, tree):
    """Makes tree a copy of the sources under root (not build/ nor .git),
    rewriting only files that differ so the copy's build stays incremental."""
    wanted = set()
    for folder, dirs, files in os.walk(root):
        relative = Path(folder).relative_to(root)
        if relative == Path("."):
            dirs[:] = [d for d in dirs if d not in ("build", ".git")]
        for name in files:
            if relative == Path(".") and name == ".git":
                continue
            source = Path(folder) / name
            target = tree / relative / name
            wanted.add(target)
            if target.is_file() and target.read_bytes() == source.read_bytes():
                continue
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(source, target)
            os.utime(target)  # newer than any object built from the old copy
    for folder, _, files in os.walk(tree):
        for name in files:
            if Path(folder) / name not in wanted:
                (Path(folder) / name).unlink()


class Runner:
    def __init__(self, root, work, jobs, build_timeout, test_timeout, all_tests):
        self.root = root
        self.tree = work / "tree"
        self.build = work / "build"
        self.logs = work / "logs"
        self.jobs = jobs
        self.build_timeout = build_timeout
        self.test_timeout = test_timeout
        self.all_tests = all_tests

    def prepare(self):
        self.logs.mkdir(parents=True, exist_ok=True)
        for old in self.logs.glob("*.log"):
            old.unlink()
        sync_tree(self.root, self.tree)
        flags = " ".join(f"-Wno-error={warning}" for warning in MUTANT_WARNINGS)
        configure = ["cmake", "-S", str(self.tree), "-B", str(self.build), "-G", "Unix Makefiles",
                     "-DCMAKE_BUILD_TYPE=Debug", f"-DCMAKE_CXX_FLAGS={flags}"]
        if run(configure, self.build_timeout, self.logs / "configure.log") != 0:
            sys.exit(f"configuring the copy failed: {self.logs / 'configure.log'}")
        if self.build_once(self.logs / "baseline-build.log") != 0:
            sys.exit(f"the unmutated tree does not build: {self.logs / 'baseline-build.log'}")
        if self.test_once(ALL_TESTS, self.logs / "baseline-tests.log") != 0:
            sys.exit(f"the unmutated tests fail: {self.logs / 'baseline-tests.log'}")

    def build_once(self, log):
        return run(["cmake", "--build", str(self.build), "--target", "kvx_tests", "-j",
                    str(self.jobs)], self.build_timeout, log)

    def test_once(self, gtest_filter, log):
        return run([str(self.build / "kvx_tests"), f"--gtest_filter={gtest_filter}",
                    "--gtest_brief=1"], self.test_timeout, log, cwd=self.build)

    def tests_for(self, mutant):
        return ALL_TESTS if self.all_tests else TESTS_BY_AREA.get(mutant.area, ALL_TESTS)

    def try_mutant(self, number, mutant, original):
        path = self.tree / mutant.path
        log = self.logs / f"mutant-{number:04}.log"
        log.unlink(missing_ok=True)
        try:
            path.write_text(mutant.apply(original))
            built = self.build_once(log)
            if built != 0:  # an error, or a build that did not end in time
                return NOT_COMPILED
            result = self.test_once(self.tests_for(mutant), log)
            if result is None:
                return TIMED_OUT
            return SURVIVED if result == 0 else KILLED
        finally:
            path.write_text(original)


def report(results, texts):
    """Per file: the outcomes; each survivor as its diff; a summary line."""
    by_file = {}
    for mutant, outcome in results:
        by_file.setdefault(mutant.path, []).append((mutant, outcome))
    print()
    print(f"{'file':48} {'killed':>7} {'survived':>9} {'timed out':>10} {'no build':>9}")
    for path in sorted(by_file):
        counts = [sum(1 for _, o in by_file[path] if o == kind) for kind in OUTCOMES]
        print(f"{path:48} {counts[0]:7} {counts[1]:9} {counts[2]:10} {counts[3]:9}")
    survivors = [(m, o) for m, o in results if o == SURVIVED]
    if survivors:
        print("\nsurvivors:")
        for mutant, _ in survivors:
            for line in mutant.diff(texts[mutant.path]):
                print(f"  {mutant.path}:{mutant.line}: ({mutant.operator}) {line}")
    print()
    print(summary_line(results))


def summary_line(results):
    counts = {kind: sum(1 for _, o in results if o == kind) for kind in OUTCOMES}
    compiled = counts[KILLED] + counts[SURVIVED] + counts[TIMED_OUT]
    detected = counts[KILLED] + counts[TIMED_OUT]
    rate = f"{100.0 * detected / compiled:.1f}%" if compiled else "n/a"
    return (f"mutants: {len(results)}, killed {counts[KILLED]}, survived {counts[SURVIVED]}, "
            f"timed out {counts[TIMED_OUT]}, did not compile {counts[NOT_COMPILED]}; "
            f"detected {detected} of {compiled} built ({rate})")


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=1, help="orders the mutants (default 1)")
    parser.add_argument("--count", type=int, default=40, help="how many mutants (default 40)")
    parser.add_argument("--files", action="append", metavar="GLOB",
                        help="only sources matching GLOB (e.g. 'src/netlist/*'); repeatable")
    parser.add_argument("--operators", action="append", metavar="NAME",
                        help="only these kinds: relational, logical, constant, negate, "
                             "'call removed', return; repeatable")
    parser.add_argument("--only", metavar="N,N,...",
                        help="only these numbers of the plan (as --list numbers them)")
    parser.add_argument("--list", action="store_true", help="print the plan, build nothing")
    parser.add_argument("--all-tests", action="store_true",
                        help="run every native test for each mutant, not only its folder's")
    parser.add_argument("--jobs", type=int, default=2, help="build jobs (default 2)")
    parser.add_argument("--nice", type=int, default=10, help="niceness of the run (default 10)")
    parser.add_argument("--test-timeout", type=float, default=60.0,
                        help="seconds the tests of one mutant may take (default 60)")
    parser.add_argument("--build-timeout", type=float, default=1800.0,
                        help="seconds one build may take (default 1800)")
    parser.add_argument("--work", type=Path, default=ROOT / "build/mutants",
                        help="the copy, its build and the logs (default build/mutants)")
    args = parser.parse_args(argv)

    mutants = all_mutants(ROOT, args.files, set(args.operators or ()))
    chosen = plan(mutants, args.count, args.seed)
    numbers = range(1, len(chosen) + 1)
    if args.only:
        picked = {int(n) for n in args.only.split(",")}
        numbers = [n for n in numbers if n in picked]
        chosen = [chosen[n - 1] for n in numbers]
    texts = {path: (ROOT / path).read_text() for path in {m.path for m in chosen}}
    if args.list:
        for number, mutant in zip(numbers, chosen):
            changed = " / ".join(mutant.diff(texts[mutant.path]))
            print(f"{number:4} {mutant.path}:{mutant.line} ({mutant.operator}) {changed}")
        areas = sorted({m.area for m in chosen})
        print(f"{len(chosen)} of {len(mutants)} mutants planned, seed {args.seed}, "
              f"over {len(areas)} folders: {', '.join(areas)}")
        return 0

    os.nice(args.nice)
    signal.signal(signal.SIGTERM, _stop)
    signal.signal(signal.SIGINT, _stop)
    runner = Runner(ROOT, args.work, args.jobs, args.build_timeout, args.test_timeout,
                    args.all_tests)
    results = []
    try:
        print(f"building the unmutated copy in {runner.build} ...", flush=True)
        runner.prepare()
        log = open(args.work / "results.txt", "w")
        for number, mutant in zip(numbers, chosen):
            started = time.monotonic()
            outcome = runner.try_mutant(number, mutant, texts[mutant.path])
            results.append((mutant, outcome))
            line = (f"[{number}] {outcome:15} {mutant.path}:{mutant.line} "
                    f"({mutant.operator}) {' / '.join(mutant.diff(texts[mutant.path]))} "
                    f"[{time.monotonic() - started:.0f} s]")
            print(line, flush=True)
            print(line, file=log, flush=True)
    except Stopped:
        print("\nstopped: the copy is restored; the results so far:", file=sys.stderr)
        report(results, texts)
        return 130
    report(results, texts)
    print(summary_line(results), file=open(args.work / "summary.txt", "w"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
