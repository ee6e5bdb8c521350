#!/usr/bin/env python3
"""Writes large, valid MAPGIS exchange files for benchmarks.

The output is deterministic for a given kind, size and seed: projected coordinates in
metres with six decimals, CRLF line ends and GBK text, as MAPGIS itself writes them.

    gen_mapgis.py wal --size-mb 100 --seed 1 -o big.wal
    gen_mapgis.py wan --lines 200 --nodes 1000 --seed 1 -o net.wan
"""

import argparse
import random
import sys

EOL = "\r\n"
# Easting/northing of a typical Gauss-Kruger zone with the zone number in front.
ORIGIN_X = 38500000.0
ORIGIN_Y = 3400000.0
NAMES = ["道路", "河流", "居民地", "学校", "医院", "水库", "山峰", "公园", "车站", "桥梁",
         "Road", "River", "中山路", "人民广场", "长江", "黄河"]


class Writer:
    """Collects lines and counts the bytes they take in GBK with CRLF."""

    def __init__(self, out):
        self.out = out
        self.size = 0

    def line(self, text):
        data = (text + EOL).encode("gbk")
        self.out.write(data)
        self.size += len(data)


def xy(x, y):
    return f"{x:.6f},{y:.6f}"


def write_wal(w, rng, size, header_count):
    # The item count on line 2 must be known before the items: write a generous count and
    # let the reader stop at the end of the file, or pass the exact count when it is known.
    w.line("WMAP`D22")
    w.line(str(header_count))
    item = 0
    while w.size < size:
        item += 1
        ltype = rng.randint(1, 8)
        color = rng.randint(1, 40)
        width = rng.choice([0.5, 1.0, 1.5, 2.0, 3.0, 5.0])
        w.line(f"{ltype},0,{color},{width:.1f},0,0,0,0,0")
        n = rng.randint(2, 50)
        w.line(str(n))
        x = ORIGIN_X + rng.uniform(0, 50000)
        y = ORIGIN_Y + rng.uniform(0, 50000)
        for _ in range(n):
            w.line(xy(x, y))
            x += rng.uniform(-50, 50)
            y += rng.uniform(-50, 50)
        w.line(f"{item},0.000000")
    return item


def wat_record(rng, item):
    x = ORIGIN_X + rng.uniform(0, 50000)
    y = ORIGIN_Y + rng.uniform(0, 50000)
    r = rng.random()
    color = rng.randint(1, 40)
    if r < 0.80:
        # Mostly plain annotation; a few spaced, vertical and super/subscript texts take
        # the other layout paths.
        text = rng.choice(NAMES)
        spacing, vertical = 0.0, 0
        layout = rng.random()
        if layout < 0.05:
            spacing = 0.5
        elif layout < 0.10:
            vertical = 1
        elif layout < 0.15:
            text = "m" + rng.choice(["#+2#=", "#-1#=", "#+2#=#-3#="]) + text
        h = rng.choice([2.5, 3.0, 4.0, 5.0])
        ang = rng.choice([0.0, 0.0, 0.0, 15.0, 45.0, 90.0])
        return (f"{xy(x, y)},{item},0,\"{text}\",{h:.2f},{h:.2f},{spacing:.2f},{ang:.2f},"
                f"{rng.randint(0, 4)},0,{rng.choice([0, 0, 3])},{vertical},{color},0,0")
    if r < 0.88:
        return (f"{xy(x, y)},{item},1,{rng.randint(1, 20)},{5.0:.2f},{5.0:.2f},"
                f"{rng.uniform(0, 360):.2f},0,{color},{1.0:.2f},0,0")
    if r < 0.92:
        return (f"{xy(x, y)},{item},3,{rng.uniform(5, 200):.6f},{rng.uniform(0, 360):.2f},"
                f"{rng.uniform(0, 360):.2f},1,{color},0,0")
    if r < 0.96:
        return (f"{xy(x, y)},{item},2,{rng.uniform(5, 200):.6f},{color},1,"
                f"{rng.randint(0, 1)},{rng.randint(1, 40)},0,0")
    text = rng.choice(NAMES) + rng.choice(NAMES)
    return (f"{xy(x, y)},{item},5,{text},{3.0:.2f},{3.0:.2f},0,0.00,1,0,0,0,"
            f"{3.0:.2f},0,0,{color},0,0")


def write_wat(w, rng, size, header_count):
    w.line("WMAP`D22")
    w.line(str(header_count))
    item = 0
    while w.size < size:
        item += 1
        w.line(wat_record(rng, item))
    return item


def arc_lines(w, rng, style, third, points, ident):
    w.line(style)
    w.line("0,0")
    w.line(third)
    w.line(str(len(points)))
    for px, py in points:
        w.line(xy(px, py))
    w.line(f"{ident},{rng.uniform(0, 1000):.6f}")


def edge_points(rng, x0, y0, x1, y1):
    n = rng.randint(2, 6)
    return [(x0 + (x1 - x0) * k / (n - 1), y0 + (y1 - y0) * k / (n - 1)) for k in range(n)]


def write_wap(w, rng, size):
    # A grid of nx * ny square areas: the arcs between neighbours are shared. The arc count
    # follows from the grid, so the grid is sized from the wanted file size first.
    bytes_per_cell = 495
    cells = max(1, size // bytes_per_cell)
    nx = max(1, int(cells ** 0.5))
    ny = max(1, cells // nx)
    step = 100.0

    def area(i, j):
        return j * nx + i + 1 if 0 <= i < nx and 0 <= j < ny else 0

    w.line("WMAP`D22")
    arcs = []  # (kind, i, j)
    for j in range(ny + 1):
        for i in range(nx):
            arcs.append(("h", i, j))
    for j in range(ny):
        for i in range(nx + 1):
            arcs.append(("v", i, j))
    w.line(str(len(arcs)))
    number = {}
    for k, (kind, i, j) in enumerate(arcs, start=1):
        number[(kind, i, j)] = k
        x0, y0 = ORIGIN_X + i * step, ORIGIN_Y + j * step
        if kind == "h":
            pts = edge_points(rng, x0, y0, x0 + step, y0)
            left, right = area(i, j), area(i, j - 1)
        else:
            pts = edge_points(rng, x0, y0, x0, y0 + step)
            left, right = area(i - 1, j), area(i, j)
        style = f"1,0,{rng.randint(1, 40)},1.0,0,0,0,0,0"
        arc_lines(w, rng, style, f"{left},{right}", pts, k)
    # Node section: one node per grid corner, listing the arcs that meet there.
    w.line(str((nx + 1) * (ny + 1) + 1))
    for j in range(ny + 1):
        for i in range(nx + 1):
            refs = [number[key] for key in (("h", i, j), ("h", i - 1, j), ("v", i, j), ("v", i, j - 1))
                    if key in number]
            w.line(f"{int(ORIGIN_X + i * step)},{int(ORIGIN_Y + j * step)}")
            w.line(str(len(refs) + 1))
            for r in refs:
                w.line(str(r))
    w.line(str(nx * ny))
    for j in range(ny):
        for i in range(nx):
            fill = rng.randint(1, 40)
            ident = area(i, j)
            w.line(f"{fill},{rng.randint(0, 7)},0.0,0.0,0.0,{rng.choice([0, fill])},0,0,{ident},0,0")
            refs = [number[("h", i, j)], number[("v", i + 1, j)], -number[("h", i, j + 1)],
                    -number[("v", i, j)], 0]
            w.line(str(len(refs)))
            for r in refs:
                w.line(str(r))
    return nx * ny


def write_wan(w, rng, lines, nodes):
    # Nodes on a random walk; arc k joins node k and node k + 1; each network line follows
    # a run of consecutive arcs.
    w.line("WMAP`D22")
    pts = []
    x, y = ORIGIN_X, ORIGIN_Y
    for _ in range(nodes):
        pts.append((x, y))
        x += rng.uniform(20, 200)
        y += rng.uniform(-100, 100)
    narcs = max(1, nodes - 1)
    w.line(str(narcs))
    for k in range(narcs):
        a, b = pts[k], pts[min(k + 1, nodes - 1)]
        style = f"{rng.randint(1, 8)},0,{rng.randint(1, 40)},{rng.choice([1, 2, 5])},0,0,0,0,0"
        arc_lines(w, rng, style, "0,0,0", edge_points(rng, a[0], a[1], b[0], b[1]), k + 1)
    w.line(str(nodes + 1))
    for k in range(nodes):
        refs = [r for r in (k, k + 1) if 1 <= r <= narcs]
        w.line(xy(*pts[k]))
        w.line(f"{len(refs)}N")
        for r in refs:
            w.line(str(r))
    w.line(str(lines))
    for line in range(lines):
        start = rng.randint(1, narcs)
        count = rng.randint(1, min(10, narcs - start + 1))
        w.line(f"0,0,{line + 1}")
        w.line(str(count))
        for r in range(start, start + count):
            w.line(str(r))
    return lines


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("kind", choices=["wal", "wat", "wap", "wan"])
    p.add_argument("--size-mb", type=float, default=10.0, help="approximate file size (wal, wat, wap)")
    p.add_argument("--lines", type=int, default=100, help="network lines (wan)")
    p.add_argument("--nodes", type=int, default=1000, help="network nodes (wan)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("-o", "--output", required=True)
    args = p.parse_args()
    rng = random.Random(args.seed)
    size = int(args.size_mb * 1024 * 1024)
    with open(args.output, "wb") as out:
        w = Writer(out)
        if args.kind == "wal":
            count = write_wal(w, rng, size, 2147483647)
        elif args.kind == "wat":
            count = write_wat(w, rng, size, 2147483647)
        elif args.kind == "wap":
            count = write_wap(w, rng, size)
        else:
            count = write_wan(w, rng, args.lines, args.nodes)
    if args.kind in ("wal", "wat"):
        fix_count(args.output, count)
    print(f"{args.output}: {count} items, {w.size} bytes", file=sys.stderr)


def fix_count(path, count):
    """Rewrites line 2 with the exact item count, keeping the file's length unchanged."""
    with open(path, "r+b") as f:
        first = f.readline()
        second_at = f.tell()
        second = f.readline()
        width = len(second) - len(EOL)
        text = str(count).ljust(width).encode("ascii")
        f.seek(second_at)
        f.write(text)


if __name__ == "__main__":
    main()
