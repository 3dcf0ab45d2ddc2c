#!/usr/bin/python3
"""Generates a subdivision drawing for the benchmark, with its session script and its lots.

    bench/subdivision.py LOTS OUT_DIR [--clutter PER_LOT] [--seed N]

Writes OUT_DIR/lots-LOTS.dxf (DXF R2000, code page 932), OUT_DIR/lots-LOTS.txt (every lot with
"自動", then "作成"), OUT_DIR/lots-LOTS-auto.txt (the clicks without the table) and
OUT_DIR/lots-LOTS.json (each lot's outline and area). The scripts first set what a surveyor sets
for a drawing in metres (the defaults are for millimetres): scale 1, and text heights, marker
radius, row height and column widths in metres.

The lots lie in rows and share their edges: corners jittered, up to two vertices inside each edge
(some a few centimetres off the straight line), shared exactly by both neighbours. Every lot is
drawn whole, half of them as closed polylines and half as loose lines, so shared edges are drawn
twice. The lots of the first row front a curved road: that side is an arc (a bulge of the
polyline, or an ARC). Survey clutter: points, spot-height texts and small circles (PER_LOT of them
per lot, 200 by default), anywhere in the area.
"""
import argparse
import json
import math
import os
import random

import ezdxf
from ezdxf.math import bulge_to_arc

X0, Y0 = -35123.4567, 12345.6789  # plane coordinates of a survey, in metres
WIDTH, DEPTH = 18.0, 25.0
FRONT_BULGE = 0.08
# The window's settings for a drawing in metres, printed at about 1:250.
SETTINGS = ["set Syakudo 0", "set M_Taka1 0.35", "set N_Taka1 0.45", "set Hankei1 0.6",
            "set M_Taka2 0.8", "set G_Taka 1.6", "set Haba1 3,6,6,6,9"]


def generate(lots, out_dir, clutter=200, seed=1, settings=()):
    rnd = random.Random(seed)
    cols = max(1, math.ceil(math.sqrt(lots * DEPTH / WIDTH)))
    rows = math.ceil(lots / cols)

    corner = {}
    for i in range(cols + 1):
        for j in range(rows + 1):
            corner[i, j] = (round(X0 + i * WIDTH + rnd.uniform(-2, 2), 4),
                            round(Y0 + j * DEPTH + rnd.uniform(-2, 2), 4))

    def inner(a, b):
        points = []
        for t in sorted(rnd.uniform(0.2, 0.8) for _ in range(rnd.randint(0, 2))):
            off = rnd.choice([0.0, 0.0, rnd.uniform(-0.05, 0.05)])
            dx, dy = b[0] - a[0], b[1] - a[1]
            n = math.hypot(dx, dy)
            points.append((a[0] + t * dx - off * dy / n, a[1] + t * dy + off * dx / n))
        return points

    # Each edge once, from its lower-left corner: both neighbours use the same points.
    horizontal = {(i, j): inner(corner[i, j], corner[i + 1, j])
                  for i in range(cols) for j in range(rows + 1)}
    vertical = {(i, j): inner(corner[i, j], corner[i, j + 1])
                for i in range(cols + 1) for j in range(rows)}

    doc = ezdxf.new("R2000")
    doc.header["$DWGCODEPAGE"] = "ANSI_932"
    doc.layers.add("LOT")
    doc.layers.add("SURVEY")
    msp = doc.modelspace()
    lot_records = []
    script = []
    n = 0
    for j in range(rows):
        for i in range(cols):
            if n == lots:
                break
            n += 1
            front = j == 0
            ring = [corner[i, j]]
            bulges = []
            if front:
                bulges.append(FRONT_BULGE)  # bulging out of the lot, towards the road
            else:
                ring += horizontal[i, j]
                bulges += [0.0] * (len(horizontal[i, j]) + 1)
            ring.append(corner[i + 1, j])
            ring += vertical[i + 1, j]
            ring.append(corner[i + 1, j + 1])
            ring += list(reversed(horizontal[i, j + 1]))
            ring.append(corner[i, j + 1])
            ring += list(reversed(vertical[i, j]))
            bulges += [0.0] * (len(ring) - len(bulges))
            attrs = {"layer": "LOT"}
            if n % 2:
                pl = msp.add_lwpolyline([(x, y, 0, 0, b) for (x, y), b in zip(ring, bulges)],
                                        format="xyseb", dxfattribs=attrs)
                pl.closed = True
            else:
                for k, (a, b) in enumerate(zip(ring, ring[1:] + ring[:1])):
                    if bulges[k]:
                        centre, start, end, radius = bulge_to_arc(a, b, bulges[k])
                        msp.add_arc(centre, radius, math.degrees(start), math.degrees(end),
                                    dxfattribs=attrs)
                    else:
                        msp.add_line(a, b, dxfattribs=attrs)
            chord_area = 0.0
            for (ax, ay), (bx, by) in zip(ring, ring[1:] + ring[:1]):
                chord_area += ax * by - bx * ay
            chord_area /= 2.0
            arc_area = 0.0
            for k, b in enumerate(bulges):
                if b:
                    a, c = ring[k], ring[(k + 1) % len(ring)]
                    theta = 4 * math.atan(b)
                    r = math.dist(a, c) / (2 * math.sin(abs(theta) / 2))
                    arc_area += r * r / 2 * (theta - math.sin(theta))
            cx = sum(p[0] for p in ring[:]) / len(ring)
            cy = sum(p[1] for p in ring[:]) / len(ring)
            lot_records.append({"ring": ring, "straight": not front, "chord_area": chord_area,
                                "area": chord_area + arc_area})
            script.append("click 自動")
            script.append(f"point {cx:.4f},{cy:.4f}")

    low_x, low_y = X0 - 5, Y0 - 10
    high_x, high_y = X0 + cols * WIDTH + 5, Y0 + rows * DEPTH + 5
    for _ in range(clutter * lots):
        x, y = rnd.uniform(low_x, high_x), rnd.uniform(low_y, high_y)
        kind = rnd.random()
        if kind < 0.4:
            msp.add_point((x, y, rnd.uniform(10, 30)), dxfattribs={"layer": "SURVEY"})
        elif kind < 0.8:
            msp.add_text(f"{rnd.uniform(10, 30):.2f}", height=0.3,
                         dxfattribs={"layer": "SURVEY", "insert": (x, y)})
        else:
            msp.add_circle((x, y), 0.1, dxfattribs={"layer": "SURVEY"})

    os.makedirs(out_dir, exist_ok=True)
    base = os.path.join(out_dir, f"lots-{lots}")
    doc.saveas(base + ".dxf")
    with open(base + "-auto.txt", "w", encoding="utf-8") as f:
        f.write("\n".join(SETTINGS + list(settings) + script) + "\n")
    with open(base + ".txt", "w", encoding="utf-8") as f:
        f.write("\n".join(SETTINGS + list(settings) + script +
                          ["click 作成", f"point {high_x + 20:.4f},{high_y:.4f}"]) + "\n")
    with open(base + ".json", "w", encoding="utf-8") as f:
        json.dump(lot_records, f)
    return base


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("lots", type=int)
    parser.add_argument("out_dir")
    parser.add_argument("--clutter", type=int, default=200)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    print(generate(args.lots, args.out_dir, args.clutter, args.seed) + ".dxf")


if __name__ == "__main__":
    main()
