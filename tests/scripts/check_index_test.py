#!/usr/bin/env python3
"""tests/check_index.py passes on the tree as it is and fails, naming the problem,
on an index or a tree altered in one place."""

import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
CHECKER = ROOT / "tests/check_index.py"
DOC = "docs/architecture.md"
PORTS_ROW = "| `GetPortsSelect` | 2 | `src/netlist/get_ports_select.cpp` |"


def run(root):
    result = subprocess.run([sys.executable, str(CHECKER), "--root", str(root)],
                            capture_output=True, text=True, check=False)
    return result.returncode, result.stdout


class CheckIndexTest(unittest.TestCase):
    def setUp(self):
        self.tree = Path(tempfile.mkdtemp(prefix="check_index_"))
        for folder in ("src", "docs"):
            shutil.copytree(ROOT / folder, self.tree / folder)
        shutil.copytree(ROOT / "tests", self.tree / "tests",
                        ignore=shutil.ignore_patterns("corpus", "*.png"))

    def tearDown(self):
        shutil.rmtree(self.tree)

    def replace(self, path, old, new):
        file = self.tree / path
        text = file.read_text()
        self.assertIn(old, text, f"{old!r} not in {path}: the case needs updating")
        file.write_text(text.replace(old, new, 1))

    def test_the_tree_as_it_is_passes(self):
        code, output = run(self.tree)
        self.assertEqual(code, 0, output)
        self.assertIn("12 exports", output)

    def test_each_alteration_fails_with_its_reason(self):
        cases = [
            ("a test path that does not exist", DOC,
             "`tests/netlist/get_ports_select_test.cpp`", "`tests/netlist/ports_select_test.cpp`",
             "tests/netlist/ports_select_test.cpp does not exist"),
            ("a source path that does not exist", DOC,
             "`src/identity/net_get_infos.cpp`", "`src/identity/machine_identity.cpp`",
             "src/identity/machine_identity.cpp does not exist"),
            ("an ordinal other than exports.def's", DOC,
             PORTS_ROW, PORTS_ROW.replace("| 2 |", "| 7 |"),
             "GetPortsSelect has ordinal 2 in exports.def, not 7"),
            ("an export without its row", DOC,
             PORTS_ROW, "| `GetPortSelect` | 2 | `src/netlist/get_ports_select.cpp` |",
             "GetPortSelect is not an export"),
            ("a source that does not define the export", DOC,
             "| `NetGetInfos` | 4 | `src/identity/net_get_infos.cpp` |",
             "| `NetGetInfos` | 4 | `src/ports/local_ports.cpp` |",
             "src/ports/local_ports.cpp does not define NetGetInfos"),
            ("a test file that does not name the export", DOC,
             "| `tests/identity/net_get_infos_test.cpp` |", "| `tests/ports/local_ports_test.cpp` |",
             "tests/ports/local_ports_test.cpp does not name NetGetInfos"),
            ("a banner with another ordinal", "src/netlist/get_ports_select.cpp",
             "// GetPortsSelect (ordinal 2):", "// GetPortsSelect (ordinal 7):",
             "the banner of GetPortsSelect in src/netlist/get_ports_select.cpp says ordinal 7"),
            ("a definition without its banner", "src/ports/local_ports.cpp",
             "// SetPortSettings (ordinal 3):", "// Opens a port's dialog:",
             "does not define SetPortSettings under its banner"),
            ("an export added to exports.def only", "src/frame/exports.def",
             "    GetPortsSelect@16 @2", "    GetPortsSelect@16 @2\n    GetPortsList@8 @14",
             "GetPortsList (ordinal 14) has 0 rows in the index"),
        ]
        for name, path, old, new, message in cases:
            with self.subTest(name):
                original = (self.tree / path).read_text()
                self.replace(path, old, new)
                code, output = run(self.tree)
                (self.tree / path).write_text(original)
                self.assertEqual(code, 1, output)
                self.assertIn(message, output)


if __name__ == "__main__":
    unittest.main()
