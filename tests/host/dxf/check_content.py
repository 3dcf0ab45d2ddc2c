#!/usr/bin/python3
"""Checks with ezdxf that drawings saved by Trivane hold what their originals hold.

    check_content.py ORIGINAL SAVED [ORIGINAL SAVED]...
    check_content.py @LIST            (LIST: one "ORIGINAL<tab>SAVED" pair a line)

For each pair: SAVED loads with ezdxf's strict reader and its audit finds no error that the
audit of ORIGINAL does not find too; ORIGINAL is read with ezdxf's recover mode (which also reads
damaged files); both have the same blocks, and in each block (model and paper space included) the
same number of entities per type and layer. An ORIGINAL that ezdxf cannot read at all is skipped
(and listed). Prints one line per pair that differs, naming the original, and a summary; exits 1
when any differs.
"""
import collections
import re
import sys

import ezdxf
from ezdxf import recover


def decode_dxf_unicode(text):
    """The characters of "\\U+XXXX" escapes (ezdxf 0.18 leaves them in files before R2007)."""
    return re.sub(r"\\[Uu]\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), text)


def content(doc):
    """{block name: Counter((type, layer))}, names and layers folded as a CAD compares them."""
    out = {}
    for block in doc.blocks:
        counts = collections.Counter()
        for e in block:
            layer = decode_dxf_unicode(e.dxf.get("layer", "0")).upper()
            counts[(e.dxftype(), layer)] += 1
        out[decode_dxf_unicode(block.name).upper()] = counts
    return out


def differences(a, b):
    found = []
    for name in sorted(set(a) | set(b)):
        if name not in b:
            found.append(f"block {name} is missing")
        elif name not in a:
            found.append(f"block {name} was not in the original")
        elif a[name] != b[name]:
            lost = dict(a[name] - b[name])
            gained = dict(b[name] - a[name])
            found.append(f"block {name}: lost {lost}, gained {gained}")
    return found


class Unreadable(Exception):
    """ezdxf cannot read the original itself: there is nothing to compare with."""


def check(original_path, saved_path):
    try:
        original, original_audit = recover.readfile(original_path)
    except Exception as exc:  # the original is not ours to judge
        raise Unreadable(f"{type(exc).__name__}: {exc}") from exc
    try:
        saved = ezdxf.readfile(saved_path)
    except Exception as exc:
        return [f"ezdxf's strict reader refuses the saved file: {type(exc).__name__}: {exc}"]
    known = {(e.code, e.message) for e in original_audit.errors}
    problems = [f"audit error {e.code}: {e.message}" for e in saved.audit().errors
                if (e.code, e.message) not in known]
    return problems + differences(content(original), content(saved))


def main(argv):
    if len(argv) == 1 and argv[0].startswith("@"):
        with open(argv[0][1:], encoding="utf-8") as f:
            argv = [name for line in f if line.strip() for name in line.rstrip("\n").split("\t")]
    if not argv or len(argv) % 2:
        print(__doc__)
        return 2
    failed = 0
    skipped = 0
    for original, saved in zip(argv[0::2], argv[1::2]):
        try:
            problems = check(original, saved)
        except Unreadable as exc:
            skipped += 1
            print(f"{original}: skipped, ezdxf cannot read it: {exc}")
            continue
        if problems:
            failed += 1
            print(f"{original}: " + "; ".join(problems[:5]))
    compared = len(argv) // 2 - skipped
    print(f"{compared - failed} of {compared} drawings keep their content"
          + (f" ({skipped} skipped)" if skipped else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
