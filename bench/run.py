#!/usr/bin/python3
"""The subdivision benchmark: the main job on generated subdivisions, timed against ezdxf.

    bench/run.py [--trivane build/release/cli/trivane] [--lots 50 200 800] [--clutter 200]
                 [--keizoku] [--repeat 3] [--out build/bench] [--baseline OTHER_TRIVANE]

For each size: generates the drawing (bench/subdivision.py), then in the same run times ezdxf's
load + save of it, `trivane run` with an empty script (load + save), with every lot clicked with
"自動", and with the clicks and "作成" (the session). From the session's drawing: the triangles,
the split failures (each failed lot is run again alone, to tell the failures that come from the
lots split before it), triangles with a side under 0.001, and coverage: the sum of the triangle
areas against the lots' coordinate area, for the lots with straight edges and for those with an
arc frontage (whose split reads only the vertices: the arc's segment stays out), the slivers (a
height under 0.01) and how far the area table's areas, computed from the sides as printed, add up
away from the triangles' own. Times are processor time
(user + system; both sides run on one core), which a busy shared machine disturbs less than the
wall clock. Each trivane run, and ezdxf's load + save, is timed --repeat times and the fastest
counts: a click costs well under a millisecond, so one slow run of the 50-lot file would otherwise
move the time per click most, and one slow run of either side the load + save ratio.
With --baseline, another build of trivane (an older commit, say) is timed in the same run on the
same files, its empty script and its clicks, and the time per click of both is printed side by
side.
Not a pass/fail test: it prints figures.
"""
import argparse
import decimal
import math
import os
import resource
import subprocess
import sys
import time

import ezdxf

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import subdivision  # noqa: E402

FAILED = "分割に失敗しました"
NO_BOUNDARY = "境界を作成できません"


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def run(trivane, drawing, script, out, repeat=1):
    """The least processor time of `repeat` runs, and the output of the last (the runs are
    alike)."""
    best = math.inf
    for _ in range(repeat):
        start = children_cpu()
        done = subprocess.run([trivane, "run", drawing, script, "--out", out],
                              capture_output=True, text=True)
        best = min(best, children_cpu() - start)
        # 3: the session played to its end, but some click failed (counted below).
        if done.returncode not in (0, 3):
            sys.exit(f"trivane run failed ({done.returncode}): {done.stderr}")
    return best, done.stdout


def inside(ring, x, y):
    hit = False
    for (ax, ay), (bx, by) in zip(ring, ring[1:] + ring[:1]):
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            hit = not hit
    return hit


def triangles_of(path):
    """(centre, sides) of every number text with a triangle record."""
    out = []
    for e in ezdxf.readfile(path).modelspace().query("TEXT"):
        if not e.has_xdata("LT_TRIVANE"):
            continue
        sides = next(t.value for t in e.get_xdata("LT_TRIVANE") if t.code == 1010)
        at = e.dxf.align_point if e.dxf.hasattr("align_point") else e.dxf.insert
        out.append(((at[0], at[1]), tuple(sides)[:3]))
    return out


def printed(length):
    """A length as the table prints it at scale 1: two decimals, half up, from its decimal text."""
    return float(decimal.Decimal(repr(length)).quantize(decimal.Decimal("0.01"),
                                                         rounding=decimal.ROUND_HALF_UP))


def heron(a, b, c):
    s = (a + b + c) / 2
    return math.sqrt(max(0.0, s * (s - a) * (s - b) * (s - c)))


def measure(args, lots):
    base = subdivision.generate(lots, args.out, args.clutter,
                                settings=["set Keizoku 1"] if args.keizoku else [])
    dxf, records = base + ".dxf", __import__("json").load(open(base + ".json", encoding="utf-8"))
    empty = os.path.join(args.out, "empty.txt")
    with open(empty, "w", encoding="utf-8") as f:
        f.write("# load and save only\n")

    t_ezdxf = math.inf
    for _ in range(args.repeat):  # timed as trivane is: the fastest of --repeat runs
        start = time.process_time()
        ezdxf.readfile(dxf).saveas(base + ".ezdxf.dxf")
        t_ezdxf = min(t_ezdxf, time.process_time() - start)
    t_empty, _ = run(args.trivane, dxf, empty, base + ".empty.dxf", args.repeat)
    t_auto, _ = run(args.trivane, dxf, base + "-auto.txt", base + ".auto.dxf", args.repeat)
    t_session, log = run(args.trivane, dxf, base + ".txt", base + ".out.dxf", args.repeat)
    baseline_click = math.nan
    if args.baseline:
        b_empty, _ = run(args.baseline, dxf, empty, base + ".b-empty.dxf", args.repeat)
        b_auto, _ = run(args.baseline, dxf, base + "-auto.txt", base + ".b-auto.dxf", args.repeat)
        baseline_click = (b_auto - b_empty) / lots

    # The clicks in order: which failed, and whether the lot fails alone too.
    clicks = log.split("> click 自動")[1:]
    failed = [k for k, c in enumerate(clicks) if FAILED in c]
    no_boundary = [k for k, c in enumerate(clicks) if NO_BOUNDARY in c]
    lines = open(base + "-auto.txt", encoding="utf-8").read().splitlines()
    settings = [line for line in lines if line.startswith("set ")]
    script = [line for line in lines if not line.startswith("set ")]
    alone = 0
    for k in failed[: args.alone]:
        one = os.path.join(args.out, "one.txt")
        with open(one, "w", encoding="utf-8") as f:
            f.write("\n".join(settings + script[2 * k: 2 * k + 2]) + "\n")
        _, one_log = run(args.trivane, dxf, one, os.path.join(args.out, "one.dxf"))
        alone += FAILED in one_log

    triangles = triangles_of(base + ".out.dxf")
    short = sum(1 for _, s in triangles if min(s) < 0.001)
    # Slivers: a height under 0.01, the table's length precision at scale 1, where the area from
    # the rounded sides says little about the triangle's own. How far the table's areas (from the
    # sides as printed) add up away from the triangles' own.
    flat = sum(1 for _, s in triangles if 2 * heron(*s) / max(s) < 0.01)
    table_off = sum(heron(*map(printed, s)) - heron(*s) for _, s in triangles)
    covered = [0.0] * len(records)
    for (x, y), sides in triangles:
        for k, r in enumerate(records):
            ring = r["ring"]
            xs = [p[0] for p in ring]
            ys = [p[1] for p in ring]
            if min(xs) <= x <= max(xs) and min(ys) <= y <= max(ys) and inside(ring, x, y):
                covered[k] += heron(*sides)
                break
    split = set(range(len(records))) - set(failed) - set(no_boundary)

    def coverage(straight):
        ks = [k for k in split if records[k]["straight"] == straight]
        area = sum(records[k]["area"] for k in ks)
        return (sum(covered[k] for k in ks) / area if area else float("nan")), len(ks)

    return {
        "lots": lots, "entities": len(ezdxf.readfile(dxf).modelspace()),
        "triangles": len(triangles), "failed": len(failed),
        "failed_alone": alone, "checked_alone": min(len(failed), args.alone),
        "no_boundary": len(no_boundary), "short": short, "flat": flat, "table_off": table_off,
        "cover_straight": coverage(True), "cover_arc": coverage(False),
        "ezdxf": t_ezdxf, "empty": t_empty, "auto": t_auto, "session": t_session,
        "per_click": (t_auto - t_empty) / lots, "baseline_click": baseline_click,
    }


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--trivane", default=os.path.join(root, "build/release/cli/trivane"))
    parser.add_argument("--lots", type=int, nargs="+", default=[50, 200, 800])
    parser.add_argument("--clutter", type=int, default=200)
    parser.add_argument("--alone", type=int, default=20,
                        help="failed lots run again alone, at most (default 20)")
    parser.add_argument("--keizoku", action="store_true",
                        help='the well-shaped split on: "細長い三角形を避ける" (setting Keizoku)')
    parser.add_argument("--repeat", type=int, default=3,
                        help="runs of each trivane timing, the fastest counts (default 3)")
    parser.add_argument("--out", default=os.path.join(root, "build/bench"))
    parser.add_argument("--baseline", help="another trivane whose clicks are timed beside")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)

    results = [measure(args, n) for n in args.lots]
    print(f"{'lots':>5} {'entities':>8} {'triangles':>9} {'failed':>6} {'alone':>7} "
          f"{'no bnd':>6} {'<0.001':>6} {'cover straight':>15} {'cover arc':>14} "
          f"{'h<0.01':>6} {'table-own':>10}")
    for r in results:
        cs, ca = r["cover_straight"], r["cover_arc"]
        print(f"{r['lots']:>5} {r['entities']:>8} {r['triangles']:>9} {r['failed']:>6} "
              f"{r['failed_alone']:>3}/{r['checked_alone']:<3} {r['no_boundary']:>6} "
              f"{r['short']:>6} {cs[0]:>10.7f} ({cs[1]:>3}) {ca[0]:>9.5f} ({ca[1]:>3}) "
              f"{r['flat']:>6} {r['table_off']:>+10.2f}")
    print()
    print(f"{'lots':>5} {'ezdxf load+save':>15} {'trivane empty':>13} {'ratio':>6} "
          f"{'session':>8} {'ratio':>6} {'per click':>10}")
    for r in results:
        print(f"{r['lots']:>5} {r['ezdxf']:>13.2f} s {r['empty']:>11.2f} s "
              f"{r['ezdxf'] / r['empty']:>5.1f}x {r['session']:>6.2f} s "
              f"{r['session'] / r['ezdxf']:>5.2f}x {1000 * r['per_click']:>7.1f} ms")
    clicks = [r["per_click"] for r in results]
    print(f"\nper click, largest over smallest: {max(clicks) / min(clicks):.2f}")
    if args.baseline:
        print(f"\n{'lots':>5} {'per click':>10} {'baseline':>10} {'ratio':>6}")
        for r in results:
            print(f"{r['lots']:>5} {1000 * r['per_click']:>7.3f} ms {1000 * r['baseline_click']:>7.3f} ms "
                  f"{r['per_click'] / r['baseline_click']:>6.3f}")


if __name__ == "__main__":
    main()
