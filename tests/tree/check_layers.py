#!/usr/bin/env python3
"""Checks that the source folders form a strict stack: each folder includes
only folders below it, the core never includes Qt, and the engine includes
nothing of the editor (the editor reaches the engine only through its public
header engine/tessel.h). Exit status 1 lists every include that goes up."""
import pathlib
import re
import sys

# Floor of each folder; a folder may include its own files and lower floors.
FLOORS = {
    "base": 0,
    "wave": 1,
    "formats": 2, "dsp": 2,
    "audio": 3, "sampler": 3, "analysis": 3,
    "script": 4,
    "app": 5,
}
CORE = {"base", "wave", "formats", "dsp", "audio", "sampler", "analysis", "script"}
ENGINE_PUBLIC = "engine/tessel.h"
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^(Q[A-Za-z0-9]+|Qt[A-Za-z0-9]+/)")


def faults_of(root: pathlib.Path):
    for folder in list(FLOORS) + ["engine"]:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp", ".c"):
                continue
            rel = path.relative_to(root)
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                bracket, target = m.groups()
                where = f"{rel}:{number}: {target}"
                if bracket == "<":
                    if folder in CORE | {"engine"} and QT_HEADER.match(target):
                        yield f"{where}: the core never includes Qt"
                    continue
                top = target.split("/", 1)[0]
                if folder == "engine":
                    if top in FLOORS:
                        yield f"{where}: the engine includes nothing of the editor"
                    continue
                if top == "engine":
                    if target != ENGINE_PUBLIC:
                        yield f"{where}: only {ENGINE_PUBLIC} of the engine may be included"
                    continue
                if top not in FLOORS or top == folder:
                    continue
                if FLOORS[top] >= FLOORS[folder]:
                    yield f"{where}: {folder}/ may not include {top}/ (not below it)"


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    faults = list(faults_of(root))
    for fault in faults:
        print(fault)
    print(f"{len(faults)} include(s) against the folder stack")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
