#!/usr/bin/python3
"""Checks with ezdxf that a drawing saved by Trivane lost nothing of the drawing it was loaded from
(and, after a session, kept what the session left alone).

    check_roundtrip.py ORIGINAL SAVED [--changed HANDLE]... [--erased HANDLE]...
                       [--deleted-block NAME]... [--new TYPE=COUNT]... [--text TEXT]...
                       [--layer NAME]... [--xdata APP]...

- SAVED loads and its audit finds no error; every handle in it is unique and below $HANDSEED;
- every record of ORIGINAL is in SAVED under the same handle, of the same type, with the same
  attributes, extended data, reactors and extension dictionary, except: --changed records (and
  their vertices and attributes) may differ in their geometry and snap settings; --erased
  entities (with their vertices, attributes and SEQEND) are gone;
- the entity counts per type (model space, paper space and blocks) are those of ORIGINAL, minus
  the erased, plus the --new ones;
- no block named by --deleted-block is in SAVED;
- every text of ORIGINAL that was not erased is in SAVED, and each --text; each --layer exists;
- some entity of SAVED carries extended data of each --xdata application, which is registered.
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

# What a command may change of a record it touches: its geometry, and the snap settings of the
# active viewport.
GEOMETRY = {"start", "end", "insert", "align_point", "center", "radius", "text", "rotation",
            "height", "halign", "valign", "count", "elevation", "flags",
            "snap_on", "snap_base", "snap_spacing"}


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


def texts(doc, skip=()):
    found = collections.Counter()
    for e in doc.entitydb.values():
        if e.dxf.handle in skip:
            continue
        if e.dxftype() in ("TEXT", "MTEXT", "ATTRIB", "ATTDEF") and e.dxf.hasattr("text"):
            found[decode_dxf_unicode(e.dxf.text)] += 1
    return found


def type_counts(doc, skip=()):
    counts = collections.Counter()
    for block in doc.blocks:
        for e in block:
            if e.dxf.handle not in skip:
                counts[e.dxftype()] += 1
    return counts


def followers(doc, handle):
    """Handles of the VERTEX, ATTRIB and SEQEND records of an entity."""
    e = doc.entitydb.get(handle)
    out = set()
    if e is None or e.dxftype() not in ("POLYLINE", "INSERT"):
        return out
    for sub in e.vertices if e.dxftype() == "POLYLINE" else e.attribs:
        out.add(sub.dxf.handle)
    seqend = getattr(e, "seqend", None)
    if seqend is not None:
        out.add(seqend.dxf.handle)
    return out


def attribs(e):
    return {k: v for k, v in e.dxf.all_existing_dxf_attribs().items() if k != "owner"}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("original")
    parser.add_argument("saved")
    for name in ("changed", "erased", "deleted_block", "new", "text", "layer", "xdata"):
        parser.add_argument("--" + name.replace("_", "-"), dest=name, action="append", default=[])
    args = parser.parse_args()
    problems = []
    try:
        original = ezdxf.readfile(args.original)
        saved = ezdxf.readfile(args.saved)
    except Exception as exc:  # the file is the subject: any failure to load is the finding
        print(f"cannot load: {type(exc).__name__}: {exc}")
        return 1
    for error in saved.audit().errors:
        problems.append(f"audit error {error.code}: {error.message}")

    handles, seed = raw_handles(args.saved)
    duplicates = [h for h, n in collections.Counter(handles).items() if n > 1]
    if duplicates:
        problems.append(f"duplicate handles: {duplicates}")
    if handles and seed is not None and int(seed, 16) <= max(int(h, 16) for h in handles):
        problems.append(f"$HANDSEED {seed} is not above every handle")

    gone = set(args.erased)
    for handle in args.erased:
        gone |= followers(original, handle)
    erased_entities = set(args.erased)
    for name in args.deleted_block:
        if name in saved.blocks:
            problems.append(f"block {name!r} is still there")

    in_file = set(raw_handles(args.original)[0])
    for handle, e in original.entitydb.items():
        if handle not in in_file:
            continue  # made by ezdxf while loading
        other = saved.entitydb.get(handle)
        if handle in gone:
            if other is not None:
                problems.append(f"{e.dxftype()} #{handle} should be erased")
            continue
        if other is None:
            problems.append(f"{e.dxftype()} #{handle} is missing")
            continue
        if other.dxftype() != e.dxftype():
            problems.append(f"#{handle} was {e.dxftype()}, is {other.dxftype()}")
            continue
        a, b = attribs(e), attribs(other)
        # Links to records ezdxf made up while loading (plot styles and materials of an R12
        # file, layouts of a minimal file) get other handles in each load.
        linked = [k for k, v in a.items() if (k.endswith("_handle") or k == "layout")
                  and v not in in_file]
        for key in linked:
            a.pop(key)
            b.pop(key, None)
        if handle in args.changed or handle in {f for c in args.changed
                                                for f in followers(original, c)}:
            a = {k: v for k, v in a.items() if k not in GEOMETRY}
            b = {k: v for k, v in b.items() if k not in GEOMETRY}
        if a != b:
            diff = {k: (a.get(k), b.get(k)) for k in set(a) | set(b) if a.get(k) != b.get(k)}
            problems.append(f"{e.dxftype()} #{handle} attributes differ: {diff}")
        xa = dict(e.xdata.data) if e.xdata else {}
        xb = dict(other.xdata.data) if other.xdata else {}
        if xa != xb:
            problems.append(f"{e.dxftype()} #{handle} extended data differ: {xa} / {xb}")
        if e.reactors is not None and set(e.reactors.get()) != set(other.get_reactors()):
            problems.append(f"{e.dxftype()} #{handle} reactors differ")
        if e.has_extension_dict != other.has_extension_dict:
            problems.append(f"{e.dxftype()} #{handle} lost its extension dictionary")

    expected = type_counts(original, erased_entities)
    for item in args.new:
        kind, _, count = item.partition("=")
        expected[kind] += int(count)
    actual = type_counts(saved)
    expected = +expected
    if expected != actual:
        problems.append(f"entity counts differ: expected {dict(expected)}, found {dict(actual)}")

    missing = texts(original, gone) - texts(saved)
    if missing:
        problems.append(f"texts missing: {dict(missing)}")
    saved_texts = texts(saved)
    for text in args.text:
        if saved_texts[text] == 0:
            problems.append(f"text {text!r} not found; texts are {list(saved_texts)}")
    layer_names = {decode_dxf_unicode(layer.dxf.name) for layer in saved.layers}
    for name in args.layer:
        if name not in layer_names:
            problems.append(f"layer {name!r} not found; layers are {sorted(layer_names)}")
    for app in args.xdata:
        if app not in saved.appids:
            problems.append(f"application {app} is not registered")
        if not any(e.has_xdata(app) for e in saved.entitydb.values() if hasattr(e, "has_xdata")):
            problems.append(f"no entity carries extended data of {app}")

    for p in problems:
        print(p)
    if problems:
        return 1
    print(f"round trip OK: {args.saved} ({sum(actual.values())} entities)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
