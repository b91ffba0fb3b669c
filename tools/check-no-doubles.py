#!/usr/bin/env python3
"""Checks that no test double is built into the program or its libraries.

check-no-doubles.py <program or library>...

Reads the names of the classes and structs declared in tests/doubles and
lists, with nm, the symbols of each file given; a symbol that belongs to one
of those types (its members, its vtable or type info) is a fault.  Ends with
status 1 and names each fault, 2 when nm is missing or a file cannot be
read."""

import os
import re
import shutil
import subprocess
import sys

DECLARATION = re.compile(r"^\s*(?:class|struct)\s+(\w+)\b(?!\s*;)", re.M)


def double_names(root):
    names = set()
    for folder, _, files in os.walk(os.path.join(root, "tests", "doubles")):
        for name in files:
            if name.endswith(".h"):
                with open(os.path.join(folder, name), encoding="utf-8") as f:
                    names.update(DECLARATION.findall(f.read()))
    return names


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    if not shutil.which("nm"):
        print("nm fehlt")
        return 2
    root = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
    names = double_names(root)
    pattern = re.compile(r"\bhsa::(?:\w+::)*(" + "|".join(sorted(names)) + r")\b")
    faults = []
    for path in sys.argv[1:]:
        run = subprocess.run(["nm", "-C", path], capture_output=True, text=True)
        if run.returncode != 0:
            print(f"{path}: {run.stderr.strip()}")
            return 2
        found = sorted({m.group(1) for m in pattern.finditer(run.stdout)})
        for name in found:
            faults.append(f"{os.path.basename(path)}: {name}")
    for f in faults:
        print(f)
    print(f"{len(names)} doubles looked for in {len(sys.argv) - 1} files, {len(faults)} found")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
