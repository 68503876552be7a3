#!/usr/bin/env python3
"""The largest displacement of the solids task in each .vtu file the workbench wrote, as a table.

    scripts/largest_displacement.py RUN.vtu ...

One line per file: its name without .vtu, the time of the results and the largest length of the
displacement vector over the nodes, with the node's coordinates. The displacement is the
three-component array "displacement" when the file has one, otherwise the pair of result
functions "displ UX" and "displ UY". Only Python's standard library is needed. Exit status 1
when a file cannot be read or holds no displacement.
"""
import math
import os
import sys
import xml.etree.ElementTree as ET


def arrays(path):
    """The named data arrays of the file (names as the program shows them) and the points."""
    named, points = {}, []
    for piece in ET.parse(path).getroot().iter():
        if piece.tag == "DataArray" and piece.get("format", "ascii") != "ascii":
            raise ValueError("holds data that is not written as text")
        if piece.tag == "Points":
            points = [float(v) for v in piece.find("DataArray").text.split()]
        elif piece.tag == "DataArray" and piece.get("Name"):
            name = piece.get("Name").replace("_", " ")
            named[name] = [float(v) for v in (piece.text or "").split()]
    return named, points


def largest(path):
    named, points = arrays(path)
    if "displacement" in named:
        u = named["displacement"]
        lengths = [math.hypot(u[3 * i], u[3 * i + 1]) for i in range(len(u) // 3)]
    elif "displ UX" in named and "displ UY" in named:
        lengths = [math.hypot(x, y) for x, y in zip(named["displ UX"], named["displ UY"])]
    else:
        raise ValueError("holds no displacement")
    if not lengths or any(math.isnan(v) for v in lengths):
        raise ValueError("holds a displacement that is not a number")
    i = max(range(len(lengths)), key=lengths.__getitem__)
    time = named.get("TimeValue", [float("nan")])[0]
    return time, lengths[i], points[3 * i], points[3 * i + 1]


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: largest_displacement.py RUN.vtu ...")
    print("%-20s %12s %14s %10s %10s" % ("run", "time", "displacement", "x", "y"))
    status = 0
    for path in sys.argv[1:]:
        name = os.path.basename(path)[: -len(".vtu")] if path.endswith(".vtu") else path
        try:
            print("%-20s %12.6g %14.6g %10.4g %10.4g" % ((name,) + largest(path)))
        except (OSError, ValueError, ET.ParseError, IndexError) as e:
            print("%-20s %s" % (name, "cannot be read: %s" % e))
            status = 1
    sys.exit(status)


if __name__ == "__main__":
    main()
