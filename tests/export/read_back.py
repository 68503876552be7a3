#!/usr/bin/env python3
"""Reads an exported file back with the program its users open it in and prints what it found,
one item a line, for the export tests to compare with the state they exported.

  read_back.py FILE.vtu   VTK's XML reader: point and cell counts, cell types, every array
                          (its name percent-encoded)
  read_back.py FILE.pvd   the collection's entries, each data set read by VTK's reader
  read_back.py FILE.msh   gmsh reads the file and saves it again; counts and groups of that
  read_back.py FILE.svg   an XML parser: the size, and each kind of element with its count,
                          colours and texts

Exit status 77 when the reader is not installed."""
import os
import subprocess
import sys
import tempfile
import urllib.parse
import xml.etree.ElementTree as ET

SKIP = 77


def vtk_reader():
    try:
        from vtkmodules.vtkIOXML import vtkXMLUnstructuredGridReader
    except ImportError:
        print("VTK's python reader (Debian python3-vtk9) is not installed")
        sys.exit(SKIP)
    return vtkXMLUnstructuredGridReader


def read_vtu(path):
    reader = vtk_reader()()
    reader.SetFileName(path)
    reader.Update()
    grid = reader.GetOutput()
    if reader.GetErrorCode() != 0 or grid.GetNumberOfPoints() == 0:
        sys.exit("vtk could not read " + path)
    return grid


def values(array):
    return " ".join(repr(array.GetValue(i)) for i in range(array.GetNumberOfValues()))


def dump_vtu(path):
    grid = read_vtu(path)
    print("points", grid.GetNumberOfPoints())
    print("cells", grid.GetNumberOfCells())
    print("types", " ".join(str(grid.GetCellType(i)) for i in range(grid.GetNumberOfCells())))
    print("coords", " ".join(repr(c) for i in range(grid.GetNumberOfPoints())
                             for c in grid.GetPoint(i)[:2]))
    for data, kind in ((grid.GetPointData(), "point"), (grid.GetCellData(), "cell"),
                       (grid.GetFieldData(), "field")):
        for k in range(data.GetNumberOfArrays()):
            array = data.GetAbstractArray(k)
            print(kind + ":" + urllib.parse.quote(array.GetName(), safe=""), values(array))


def dump_pvd(path):
    vtk_reader()
    root = ET.parse(path).getroot()
    folder = os.path.dirname(path)
    for entry in root.iter("DataSet"):
        grid = read_vtu(os.path.join(folder, entry.get("file")))
        print("dataset", entry.get("timestep"), entry.get("file"), grid.GetNumberOfPoints())


def dump_msh(path):
    try:
        subprocess.run(["gmsh", "--version"], capture_output=True, check=True)
    except (OSError, subprocess.CalledProcessError):
        print("gmsh (Debian gmsh) is not installed")
        sys.exit(SKIP)
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "again.msh")
        done = subprocess.run(["gmsh", "-v", "2", path, "-0", "-format", "msh22",
                               "-o", out], capture_output=True, text=True)
        if done.returncode != 0 or not os.path.exists(out):
            sys.exit("gmsh could not read " + path + ": " + done.stdout + done.stderr)
        lines = open(out).read().split("\n")
    section = None
    groups = {}
    names = {}
    nodes = 0
    for line in lines:
        if line.startswith("$"):
            section = line[1:]
            first = True
            continue
        if first:
            first = False
            if section == "Nodes":
                nodes = int(line)
            continue
        words = line.split()
        if section == "PhysicalNames" and words:
            names[(int(words[0]), int(words[1]))] = words[2].strip('"') + (
                " " + words[3].strip('"') if len(words) > 3 else "")
        if section == "Elements" and words:
            kind, physical = int(words[1]), int(words[3])
            dim = 1 if kind == 1 else 2
            key = (dim, physical)
            groups.setdefault(key, [0, set()])
            groups[key][0] += 1
            groups[key][1].add(kind)
    print("nodes", nodes)
    for key in sorted(groups):
        name = names.get(key, "?").replace(" ", "_")
        print("group:" + name, key[0], groups[key][0],
              ",".join(str(k) for k in sorted(groups[key][1])))


def dump_svg(path):
    root = ET.parse(path).getroot()
    ns = "{http://www.w3.org/2000/svg}"
    print("size", root.get("width"), root.get("height"))
    for kind, colour in (("line", "stroke"), ("polygon", "fill"), ("text", "fill")):
        found = list(root.iter(ns + kind))
        print(kind, len(found), ",".join(sorted({e.get(colour) for e in found})),
              *[e.text for e in found if kind == "text"])


def main():
    path = sys.argv[1]
    {".vtu": dump_vtu, ".pvd": dump_pvd, ".msh": dump_msh, ".svg": dump_svg}[os.path.splitext(path)[1]](path)


main()
