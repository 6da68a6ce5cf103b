#!/usr/bin/env python3
"""Counts non-blank, non-comment lines of C++, Python and shell files, tests against code.

    scripts/linecount.py            totals per module and the ratio of test to code lines
Comments are // lines and /* */ blocks in C++, # lines in Python and shell.
"""
import os
import sys

CODE_DIRS = ["LabelKit", "views", "app", "tools"]
TEST_DIR = "tests"
SUFFIXES = (".cpp", ".h", ".py", ".sh")


def count(path):
    hashComments = path.endswith((".py", ".sh"))
    n = 0
    inBlock = False
    with open(path, encoding="utf-8", errors="replace") as f:
        for raw in f:
            line = raw.strip()
            if hashComments:
                if line and not line.startswith("#"):
                    n += 1
                continue
            if inBlock:
                end = line.find("*/")
                if end < 0:
                    continue
                inBlock = False
                line = line[end + 2:].strip()
            if line.startswith("/*"):
                end = line.find("*/", 2)
                if end < 0:
                    inBlock = True
                    continue
                line = line[end + 2:].strip()
            if line and not line.startswith("//"):
                n += 1
    return n


def module_counts(top):
    counts = {}
    for root, _, files in os.walk(top):
        for name in files:
            if name.endswith(SUFFIXES):
                rel = os.path.relpath(root, top).split(os.sep)[0]
                module = top if rel == "." else f"{top}/{rel}"
                counts[module] = counts.get(module, 0) + count(os.path.join(root, name))
    return counts


def main():
    os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    code = {}
    for d in CODE_DIRS:
        code.update(module_counts(d))
    tests = module_counts(TEST_DIR)
    for name, table in (("code", code), ("tests", tests)):
        for module in sorted(table):
            print(f"{table[module]:7d}  {module}")
        print(f"{sum(table.values()):7d}  {name} total\n")
    ratio = 100.0 * sum(tests.values()) / max(1, sum(code.values()))
    print(f"tests/code: {ratio:.1f} %")
    return 0


if __name__ == "__main__":
    sys.exit(main())
