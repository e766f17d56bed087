#!/usr/bin/env python3
"""The planner of tests/mutants.py: which places of a source it mutates and how,
what it leaves alone, and that its plan is reproducible and reaches every folder."""

import importlib.util
import sys
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
_spec = importlib.util.spec_from_file_location("mutants", ROOT / "tests/mutants.py")
mutants = importlib.util.module_from_spec(_spec)
sys.modules["mutants"] = mutants
_spec.loader.exec_module(mutants)

PLATFORM = {"GlobalFree", "WNetCloseEnum", "GlobalLock"}


def mutated(source, operator):
    """The sources the planner makes of `source` with one kind of mutant."""
    found = mutants.find_mutants("src/area/file.cpp", source, PLATFORM)
    return sorted(m.apply(source) for m in found if m.operator == operator)


class FindMutantsTest(unittest.TestCase):
    CASES = [
        # (name, source, operator, the mutated sources expected)
        ("less flipped and moved by one", "bool f(int a) { return a < 4; }\n", "relational",
         ["bool f(int a) { return a <= 4; }\n", "bool f(int a) { return a >= 4; }\n"]),
        ("equality flipped", "if (a == b)\n    g();\n", "relational", ["if (a != b)\n    g();\n"]),
        ("template brackets and shifts are no operators",
         "auto p = static_cast<char*>(q) + (x << 2) + (y >> 1);\n", "relational", []),
        ("and swapped for or", "if (a && b)\n    g();\n", "logical", ["if (a || b)\n    g();\n"]),
        ("constant off by one both ways", "int n = 10;\n", "constant", ["int n = 11;\n", "int n = 9;\n"]),
        ("zero only goes up; hex stays hex", "x = 0; y = 0xFF;\n", "constant",
         ["x = 0; y = 0xFE;\n", "x = 0; y = 0x100;\n", "x = 1; y = 0xFF;\n"]),
        ("digits inside names and decimals are no constants", "kvx32(1.5);\n", "constant", []),
        ("condition over two lines negated", "while (a &&\n       f(b))\n    g();\n", "negate",
         ["while (!(a &&\n       f(b)))\n    g();\n"]),
        ("a platform call as a statement removed",
         "void f() {\n    if (h)\n        ::WNetCloseEnum(h);\n    GlobalFree(b);\n}\n", "call removed",
         ["void f() {\n    if (h)\n        (void)0;\n    GlobalFree(b);\n}\n",
          "void f() {\n    if (h)\n        ::WNetCloseEnum(h);\n    (void)0;\n}\n"]),
        ("SetLastError removed", "{ SetLastError(0); }\n", "call removed", ["{ (void)0; }\n"]),
        ("a call whose result is used is kept, as is a call of another function",
         "if (!GlobalLock(b))\n    return;\np = GlobalLock(b);\nGlobalFreeAll(b);\nobj.GlobalFree(b);\n",
         "call removed", []),
        ("returns replaced",
         "bool a() { return true; }\nint b() { return 0; }\nint c() { return -1; }\nS d() { return make(); }\n",
         "return",
         ["bool a() { return false; }\nint b() { return 0; }\nint c() { return -1; }\nS d() { return make(); }\n",
          "bool a() { return true; }\nint b() { return 0; }\nint c() { return -1; }\nS d() { return {}; }\n",
          "bool a() { return true; }\nint b() { return 0; }\nint c() { return 0; }\nS d() { return make(); }\n",
          "bool a() { return true; }\nint b() { return 1; }\nint c() { return -1; }\nS d() { return make(); }\n"]),
        ("values that are already empty are not replaced",
         "X& f() { return *this; }\nP g() { return nullptr; }\nS h() { return {}; }\nvoid i() { return; }\n",
         "return", []),
    ]

    def test_mutants_of_each_kind(self):
        for name, source, operator, expected in self.CASES:
            with self.subTest(name):
                self.assertEqual(mutated(source, operator), sorted(expected))

    LEFT_ALONE = [
        ("comments", "// if (a < b) return 1;\n/* x == 2 && y */\n"),
        ("strings and characters", 'f("a < b && c == 1", \'<\');\n'),
        ("preprocessor lines", "#if KVX_LEVEL > 1 && KVX_OTHER == 2\n#define N (3 + \\\n  4)\n"),
        ("asserts", "static_assert(sizeof(T) == 12, \"size\");\nassert(a < b);\n"),
    ]

    def test_places_left_alone(self):
        for name, source in self.LEFT_ALONE:
            with self.subTest(name):
                self.assertEqual(mutants.find_mutants("src/a/b.cpp", source, PLATFORM), [])

    def test_line_and_diff_name_the_place(self):
        source = "int f() {\n    // a < b\n    return n > 2;\n}\n"
        found = [m for m in mutants.find_mutants("src/a/b.cpp", source, PLATFORM)
                 if m.operator == "relational"]
        self.assertEqual({m.line for m in found}, {3})
        self.assertIn(["-    return n > 2;", "+    return n >= 2;"], [m.diff(source) for m in found])


class PlanTest(unittest.TestCase):
    def fake(self, area, count):
        return [mutants.Mutant(f"src/{area}/x.cpp", k, k + 1, "1", "constant", k + 1)
                for k in range(count)]

    def test_every_folder_has_its_turn(self):
        pool = self.fake("big", 100) + self.fake("small", 3) + self.fake("mid", 10)
        for count, expected in [(3, {"big": 1, "mid": 1, "small": 1}),
                                (12, {"big": 5, "mid": 4, "small": 3}),
                                (500, {"big": 100, "mid": 10, "small": 3})]:
            with self.subTest(count=count):
                chosen = mutants.plan(pool, count, seed=7)
                areas = {}
                for m in chosen:
                    areas[m.area] = areas.get(m.area, 0) + 1
                self.assertEqual(areas, expected)
                self.assertEqual(len(set(chosen)), len(chosen))

    def test_the_seed_decides_the_plan(self):
        pool = self.fake("a", 50) + self.fake("b", 50)
        self.assertEqual(mutants.plan(pool, 20, seed=1), mutants.plan(pool, 20, seed=1))
        self.assertNotEqual(mutants.plan(pool, 20, seed=1), mutants.plan(pool, 20, seed=2))

    def test_the_library_gives_300_mutants_over_every_folder(self):
        sources = mutants.native_sources(ROOT)
        self.assertNotIn("src/frame/dll_main.cpp", sources)
        self.assertFalse([s for s in sources if s.startswith("src/runtime/")])
        folders = {p.name for p in (ROOT / "src").iterdir() if p.is_dir()} - {"runtime"}
        chosen = mutants.plan(mutants.all_mutants(ROOT), 300, seed=1)
        self.assertEqual(len(chosen), 300)
        self.assertEqual({m.area for m in chosen}, folders)
        for m in chosen:
            text = (ROOT / m.path).read_text()
            self.assertNotEqual(m.apply(text), text, m)


class ResultsTest(unittest.TestCase):
    def test_summary_counts_each_outcome(self):
        m = mutants.Mutant("src/a/b.cpp", 0, 1, "1", "constant", 1)
        results = [(m, mutants.KILLED)] * 7 + [(m, mutants.TIMED_OUT)] + \
                  [(m, mutants.SURVIVED)] * 2 + [(m, mutants.NOT_COMPILED)] * 3
        self.assertEqual(mutants.summary_line(results),
                         "mutants: 13, killed 7, survived 2, timed out 1, did not compile 3; "
                         "detected 8 of 10 built (80.0%)")


if __name__ == "__main__":
    unittest.main()
