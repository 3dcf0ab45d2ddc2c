#!/usr/bin/python3
"""Loads a DXF file with ezdxf and runs its audit.

    audit.py [--strict] FILE...

Prints what the audit reports. Exits 1 when a file does not load or the audit finds an error;
with --strict also when the audit had to fix something.
"""
import sys

import ezdxf


def audit(path, strict):
    try:
        doc = ezdxf.readfile(path)
    except Exception as exc:  # any load failure counts
        print(f"{path}: ezdxf cannot load it: {type(exc).__name__}: {exc}")
        return False
    auditor = doc.audit()
    ok = True
    for error in auditor.errors:
        print(f"{path}: audit error {error.code}: {error.message}")
        ok = False
    for fix in auditor.fixes:
        print(f"{path}: audit fixed {fix.code}: {fix.message}")
        if strict:
            ok = False
    if ok:
        print(f"{path}: audit passed ({doc.dxfversion}, {len(doc.modelspace())} model-space entities)")
    return ok


def main(argv):
    strict = "--strict" in argv
    paths = [a for a in argv if a != "--strict"]
    if not paths:
        print(__doc__)
        return 2
    results = [audit(p, strict) for p in paths]
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
