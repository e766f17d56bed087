#!/usr/bin/env python3
"""kvxctl's files depend one way.

A module is a header and the source files that implement it: X.h with X.cpp and
every X_*.cpp (commands.h with commands_status.cpp, binding.h with
binding_dll.cpp and sim/binding_sim.cpp); a source file belongs to the header of
the longest such name, and main.cpp to none. A file that calls into another
module includes its header, so modules without an include cycle have no call
cycle either. Checked besides: the command-line basics and the JSON output
include nothing of kvxctl, and only files under sim/ include a header from sim/.

usage: check_layers.py TOOLS_KVXCTL_DIR   (exit 1 naming each fault)
"""
import pathlib
import re
import sys

BASICS = ("command_line", "json_output")  # include nothing of kvxctl
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def main(root):
    files = sorted(p for p in root.rglob("*") if p.suffix in (".h", ".cpp"))
    headers = {p.relative_to(root).as_posix(): p for p in files if p.suffix == ".h"}
    stems = {name[:-2].split("/")[-1]: name for name in headers}

    def module_of(path):
        stem = path.stem
        if path.suffix == ".h":
            return stem
        owners = [s for s in stems if stem == s or stem.startswith(s + "_")]
        return max(owners, key=len) if owners else stem

    faults = []
    edges = {}
    for path in files:
        source = path.relative_to(root).as_posix()
        module = module_of(path)
        edges.setdefault(module, set())
        for name in INCLUDE.findall(path.read_text(encoding="utf-8")):
            # Beside the file, else from tools/kvxctl/ (the include path).
            local = (path.parent / name).relative_to(root).as_posix()
            target = local if local in headers else name if name in headers else None
            if target is None:
                continue  # the library's and the platform's headers
            if target.startswith("sim/") and not source.startswith("sim/"):
                faults.append(f"{source} includes {target}: only the simulation includes sim/")
            used = module_of(headers[target])
            if used == module:
                continue
            if module in BASICS:
                faults.append(f"{source} includes {target}: {module} includes nothing of kvxctl")
            edges[module].add(used)

    # A depth-first walk; a module met again on the path closes a cycle.
    state, path = {}, []

    def visit(module):
        state[module] = "open"
        path.append(module)
        for used in sorted(edges.get(module, ())):
            if state.get(used) == "open":
                cycle = path[path.index(used):] + [used]
                faults.append("include cycle: " + " -> ".join(cycle))
            elif used not in state:
                visit(used)
        path.pop()
        state[module] = "done"

    for module in sorted(edges):
        if module not in state:
            visit(module)
    for fault in faults:
        print("FAIL:", fault)
    if not faults:
        print(f"{len(edges)} modules, {sum(map(len, edges.values()))} dependencies, no cycle")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent)))
