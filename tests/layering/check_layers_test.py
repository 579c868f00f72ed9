#!/usr/bin/env python3
"""The layering check against trees made for it: each kind of breach is reported with its file and
line and fails the check; a tree that keeps the rules passes.

Usage: check_layers_test.py CHECK_LAYERS LAYER..."""
import pathlib
import subprocess
import sys
import tempfile

CHECK = sys.argv[1]
LAYERS = sys.argv[2:]
LOW, HIGH = LAYERS[0], LAYERS[-1]

CLEAN = {
    f"{LOW}/Base.h": "#pragma once\n#include <string>\n#include <vector>\n",
    f"{HIGH}/Top.cpp": f'#include "{HIGH}/Top.h"\n#include "{LOW}/Base.h"\n#include <map>\n',
    f"{HIGH}/Top.h": "#pragma once\n",
    "platform/linux/Os.cpp": f'#include <unistd.h>\n#include <QString>\n#include "{HIGH}/Top.h"\n',
    "gui/qt/View.cpp": '#include <QWidget>\n#include "platform/linux/Os.h"\n',
}

# Each breach: the file to add, its text, and what the report must name.
BREACHES = [
    ("a Qt header in the behaviour", f"{LOW}/Bad.h", "#pragma once\n#include <QString>\n", f"{LOW}/Bad.h:2: QString"),
    ("an OS header in the behaviour", f"{HIGH}/Bad.cpp", "\n#include <unistd.h>\n", f"{HIGH}/Bad.cpp:2: unistd.h"),
    ("a Windows header in the behaviour", f"{LOW}/Win.cpp", "#include <windows.h>\n", f"{LOW}/Win.cpp:1: windows.h"),
    ("a folder above its own", f"{LOW}/Up.cpp", f'#include "{HIGH}/Top.h"\n', f"{LOW}/Up.cpp:1: {HIGH}/Top.h"),
    ("the behaviour on a platform", f"{HIGH}/Plat.cpp", '#include "platform/linux/Os.h"\n', f"{HIGH}/Plat.cpp:1: platform/linux/Os.h"),
    ("a toolkit on the other platform", "gui/qt/Other.cpp", '#include "platform/win32/Os.h"\n', "gui/qt/Other.cpp:1: platform/win32/Os.h"),
    ("a folder the build does not know", "extra/Odd.cpp", "#include <string>\n", "extra/Odd.cpp:1: string"),
]


def run(tree):
    return subprocess.run([sys.executable, CHECK, str(tree), *LAYERS], capture_output=True, text=True)


def write(root, files):
    for name, text in files.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text)


def main():
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        clean = pathlib.Path(tmp) / "clean"
        write(clean, CLEAN)
        r = run(clean)
        if r.returncode != 0:
            failures.append(f"a tree that keeps the rules fails: {r.stdout}{r.stderr}")
        for i, (what, name, text, expected) in enumerate(BREACHES):
            tree = pathlib.Path(tmp) / f"breach{i}"
            write(tree, {**CLEAN, name: text})
            r = run(tree)
            if r.returncode != 1 or expected not in r.stdout or len(r.stdout.splitlines()) != 1:
                failures.append(f"{what}: exit {r.returncode}, report {r.stdout!r}, wanted one line naming {expected!r}")
    for f in failures:
        print("FAIL:", f)
    print(f"{len(BREACHES) + 1 - len(failures)} of {len(BREACHES) + 1} trees judged right")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
