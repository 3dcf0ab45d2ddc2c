#!/usr/bin/python3
"""Checks with ezdxf that a drawing saved by Trivane lost nothing of the drawing it was loaded from.

    check_roundtrip.py ORIGINAL SAVED [--changed HANDLE]... [--new TYPE=COUNT]...
                       [--text TEXT]... [--layer NAME]...

- SAVED loads and its audit finds no error; every handle in it is unique and below $HANDSEED;
- every record of ORIGINAL is in SAVED under the same handle, of the same type, with the same
  attributes, extended data, reactors and extension dictionary; records named by --changed may
  differ in their geometry only;
- the entity counts per type (model space, paper space and blocks) are those of ORIGINAL plus the
  --new ones;
- every text of ORIGINAL and each --text is in SAVED; each --layer exists there.
Exits 1 and lists what differs otherwise.
"""
import argparse
import collections
import re
import sys

import ezdxf


def decode_dxf_unicode(text):
    """The characters of "\\U+XXXX" escapes (ezdxf 0.18 leaves them in R2000 files)."""
    return re.sub(r"\\[Uu]\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), text)

GEOMETRY = {"start", "end", "insert", "align_point", "center", "radius", "text", "rotation",
            "height", "halign", "valign", "count", "elevation", "flags"}


def raw_handles(path):
    """(handles in file order, $HANDSEED) read straight from the tags."""
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    pairs = [(lines[i].strip(), lines[i + 1].rstrip(b"\r")) for i in range(0, len(lines) - 1, 2)]
    handles = []
    seed = None
    for i, (code, value) in enumerate(pairs):
        if code in (b"5", b"105") and i > 0 and pairs[i - 1] != (b"9", b"$HANDSEED"):
            if value.strip():
                handles.append(value.decode("ascii"))
        if code == b"9" and value == b"$HANDSEED":
            seed = pairs[i + 1][1].decode("ascii")
    return handles, seed


def texts(doc):
    found = collections.Counter()
    for e in doc.entitydb.values():
        if e.dxftype() in ("TEXT", "MTEXT", "ATTRIB", "ATTDEF") and e.dxf.hasattr("text"):
            found[decode_dxf_unicode(e.dxf.text)] += 1
    return found


def type_counts(doc):
    counts = collections.Counter()
    for block in doc.blocks:
        for e in block:
            counts[e.dxftype()] += 1
    return counts


def attribs(e):
    return {k: v for k, v in e.dxf.all_existing_dxf_attribs().items() if k != "owner"}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("original")
    parser.add_argument("saved")
    parser.add_argument("--changed", action="append", default=[])
    parser.add_argument("--new", action="append", default=[])
    parser.add_argument("--text", action="append", default=[])
    parser.add_argument("--layer", action="append", default=[])
    args = parser.parse_args()
    problems = []

    try:
        original = ezdxf.readfile(args.original)
        saved = ezdxf.readfile(args.saved)
    except Exception as exc:
        print(f"cannot load: {type(exc).__name__}: {exc}")
        return 1
    auditor = saved.audit()
    for error in auditor.errors:
        problems.append(f"audit error {error.code}: {error.message}")

    handles, seed = raw_handles(args.saved)
    duplicates = [h for h, n in collections.Counter(handles).items() if n > 1]
    if duplicates:
        problems.append(f"duplicate handles: {duplicates}")
    if handles and seed is not None:
        top = max(int(h, 16) for h in handles)
        if int(seed, 16) <= top:
            problems.append(f"$HANDSEED {seed} is not above the largest handle {top:X}")

    in_original_file = set(raw_handles(args.original)[0])
    for handle, e in original.entitydb.items():
        if handle not in in_original_file:
            continue  # made by ezdxf while loading, not part of the file
        other = saved.entitydb.get(handle)
        if other is None:
            problems.append(f"{e.dxftype()} #{handle} is missing")
            continue
        if other.dxftype() != e.dxftype():
            problems.append(f"#{handle} was {e.dxftype()}, is {other.dxftype()}")
            continue
        a, b = attribs(e), attribs(other)
        # Links to records ezdxf made up while loading (plot styles and materials of an R12
        # file) get other handles in each load.
        for key in [k for k, v in a.items() if k.endswith("_handle") and v not in in_original_file]:
            a.pop(key)
            b.pop(key, None)
        if handle in args.changed:
            a = {k: v for k, v in a.items() if k not in GEOMETRY}
            b = {k: v for k, v in b.items() if k not in GEOMETRY}
        if a != b:
            diff = {k: (a.get(k), b.get(k)) for k in set(a) | set(b) if a.get(k) != b.get(k)}
            problems.append(f"{e.dxftype()} #{handle} attributes differ: {diff}")
        xa = e.xdata.data if e.xdata else {}
        xb = other.xdata.data if other.xdata else {}
        if dict(xa) != dict(xb):
            problems.append(f"{e.dxftype()} #{handle} extended data differ: {dict(xa)} / {dict(xb)}")
        if e.reactors is not None and set(e.reactors.get()) != set(other.get_reactors()):
            problems.append(f"{e.dxftype()} #{handle} reactors differ")
        if e.has_extension_dict != other.has_extension_dict:
            problems.append(f"{e.dxftype()} #{handle} lost its extension dictionary")

    expected = type_counts(original)
    for item in args.new:
        kind, _, count = item.partition("=")
        expected[kind] += int(count)
    actual = type_counts(saved)
    if expected != actual:
        problems.append(f"entity counts differ: expected {dict(expected)}, found {dict(actual)}")

    missing = texts(original) - texts(saved)
    if missing:
        problems.append(f"texts missing: {dict(missing)}")
    saved_texts = texts(saved)
    for text in args.text:
        if saved_texts[text] == 0:
            problems.append(f"new text {text!r} not found; texts are {list(saved_texts)}")
    layer_names = {decode_dxf_unicode(layer.dxf.name) for layer in saved.layers}
    for name in args.layer:
        if name not in layer_names:
            problems.append(f"layer {name!r} not found; layers are {sorted(layer_names)}")

    for p in problems:
        print(p)
    if problems:
        return 1
    print(f"round trip OK: {args.saved} ({sum(actual.values())} entities)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
