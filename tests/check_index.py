#!/usr/bin/env python3
"""The export index of docs/architecture.md against the tree.

Each row of the index must name an export of src/frame/exports.def with the
ordinal it has there, every export must have its row, every path given must
exist, the source file must define the export right under its banner
("// Name (ordinal N): ..."), and each test file listed must name the export.
Prints one line per problem and exits 1 when there is any.

    tests/check_index.py [--root DIR] [--doc FILE]
"""

import argparse
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
INDEX_HEADER = "| export | ordinal | source | native tests | Wine checks |"


def read_exports(exports_def):
    """{name: ordinal} of a module-definition file, the stdcall size left off."""
    exports = {}
    for line in exports_def.read_text().splitlines():
        match = re.match(r"\s+([A-Za-z_]\w*)(?:@\d+)?\s+@(\d+)\b", line)
        if match:
            exports[match.group(1)] = int(match.group(2))
    return exports


def read_index(doc):
    """The index rows: (line number, cells), or None when the table is missing."""
    lines = doc.read_text().splitlines()
    if INDEX_HEADER not in lines:
        return None
    rows = []
    number = lines.index(INDEX_HEADER) + 2  # past the header and its rule
    while number < len(lines) and lines[number].startswith("|"):
        cells = [cell.strip() for cell in lines[number].strip().strip("|").split("|")]
        rows.append((number + 1, cells))
        number += 1
    return rows


def paths_of(cell):
    """The paths a cell names in backticks."""
    return re.findall(r"`([^`]+/[^`]+)`", cell)


def check_row(root, exports, line, cells):
    where = f"index line {line}"
    if len(cells) != 5:
        return [f"{where}: {len(cells)} columns, expected 5"]
    name_cell, ordinal_cell, source_cell, native_cell, wine_cell = cells
    name = name_cell.strip("`")
    if name not in exports:
        return [f"{where}: {name} is not an export of src/frame/exports.def"]
    problems = []
    if ordinal_cell != str(exports[name]):
        problems.append(f"{where}: {name} has ordinal {exports[name]} in exports.def, "
                        f"not {ordinal_cell}")
    sources = paths_of(source_cell)
    if len(sources) != 1:
        problems.append(f"{where}: {name} needs exactly one source file")
    tests = paths_of(native_cell) + paths_of(wine_cell)
    if not paths_of(native_cell):
        problems.append(f"{where}: {name} has no native test")
    for path in sources + tests:
        if not (root / path).is_file():
            problems.append(f"{where}: {path} does not exist")
    for source in sources:
        if (root / source).is_file():
            text = (root / source).read_text()
            definition = re.search(
                rf"^// {name} \(ordinal (\d+)\): .+\nextern \"C\" \w+ KVX_(?:API|CDECL) {name}\(",
                text, re.M)
            if not definition:
                problems.append(f"{where}: {source} does not define {name} under its banner")
            elif definition.group(1) != str(exports[name]):
                problems.append(f"{where}: the banner of {name} in {source} says ordinal "
                                f"{definition.group(1)}")
    for test in tests:
        if (root / test).is_file() and not re.search(rf"\b{name}\b", (root / test).read_text()):
            problems.append(f"{where}: {test} does not name {name}")
    return problems


def check(root, doc):
    exports = read_exports(root / "src/frame/exports.def")
    if not exports:
        return ["src/frame/exports.def lists no export"]
    rows = read_index(doc)
    if rows is None:
        return [f"{doc}: no export index (a table headed {INDEX_HEADER})"]
    problems = []
    for line, cells in rows:
        problems += check_row(root, exports, line, cells)
    listed = [cells[0].strip("`") for _, cells in rows if cells]
    for name in sorted(exports, key=exports.get):
        if listed.count(name) != 1:
            problems.append(f"{name} (ordinal {exports[name]}) has {listed.count(name)} "
                            "rows in the index, expected 1")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", type=Path, default=ROOT)
    parser.add_argument("--doc", type=Path, help="default: ROOT/docs/architecture.md")
    args = parser.parse_args()
    doc = args.doc or args.root / "docs/architecture.md"
    problems = check(args.root, doc)
    for problem in problems:
        print(problem)
    if problems:
        return 1
    print(f"export index: {len(read_exports(args.root / 'src/frame/exports.def'))} exports, "
          "every path and ordinal as in the tree")
    return 0


if __name__ == "__main__":
    sys.exit(main())
