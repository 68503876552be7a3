#!/usr/bin/env bash
# Generators 3 and 4 beside gmsh's frontal-Delaunay algorithm (Mesh.Algorithm = 6) on the same
# polygons: the unit square, the unit disk and the 2 x 2 plate with a round hole of radius 0.5
# (circles as polygons of sides about one cell, as bench/mesh_triangulation_bench.cpp makes
# them), at about N triangles each.
#
#   bench/mesh_vs_gmsh.sh BENCH [N ...]
#
# BENCH is the bench_mesh_triangulation program of a Release build; N are among 10000, 100000
# and 1000000 (default: 10000 100000). gmsh meshes each polygon with the cell size of
# generator 3 (the side of an equilateral triangle of the mean area) and writes the mesh, whose
# triangles are measured here; its rate counts the triangles per second of its processor time
# (user + system, reading the .geo and writing the mesh included). Prints one table: mesh,
# triangles, triangles per second, smallest angle, mean and worst radius ratio
# (2 inradius / circumradius).
set -euo pipefail
bench=$(realpath "$1")
shift
sizes=("${@:-10000 100000}")
read -r -a sizes <<<"${sizes[*]}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The .geo of one shape (square, disk, plate) at about n triangles.
geo() {
  python3 - "$1" "$2" <<'PY'
import math, sys
shape, n = sys.argv[1], float(sys.argv[2])
area = {"square": 1.0, "disk": math.pi, "plate": 4 - math.pi / 4}[shape]
lc = math.sqrt(area / (n * math.sqrt(3) / 4))
out = [f"lc = {lc:.12g};", "Mesh.Algorithm = 6;"]
count = [0]
def loop(points):
    first = count[0] + 1
    for x, y in points:
        count[0] += 1
        out.append(f"Point({count[0]}) = {{{x:.12g}, {y:.12g}, 0, lc}};")
    k = len(points)
    for i in range(k):
        out.append(f"Line({first + i}) = {{{first + i}, {first + (i + 1) % k}}};")
    out.append(f"Curve Loop({first}) = {{{', '.join(str(first + i) for i in range(k))}}};")
    return first
def circle(xc, yc, r):
    k = max(16, round(2 * math.pi * r / lc))
    return [(xc + r * math.cos(2 * math.pi * i / k), yc + r * math.sin(2 * math.pi * i / k))
            for i in range(k)]
if shape == "square":
    loops = [loop([(0, 0), (1, 0), (1, 1), (0, 1)])]
elif shape == "disk":
    loops = [loop(circle(0, 0, 1))]
else:
    loops = [loop([(0, 0), (2, 0), (2, 2), (0, 2)]), loop(circle(1, 1, 0.5)[::-1])]
out.append(f"Plane Surface(1) = {{{', '.join(map(str, loops))}}};")
print("\n".join(out))
PY
}

# Triangles, smallest angle, mean and worst radius ratio of the triangles of a .msh (format 2).
quality() {
  python3 - "$1" <<'PY'
import math, sys
lines = open(sys.argv[1]).read().split("\n")
i = lines.index("$Nodes")
nodes = {}
for line in lines[i + 2:i + 2 + int(lines[i + 1])]:
    f = line.split()
    nodes[f[0]] = (float(f[1]), float(f[2]))
i = lines.index("$Elements")
count, smallest, total, worst = 0, 180.0, 0.0, 1.0
for line in lines[i + 2:i + 2 + int(lines[i + 1])]:
    f = line.split()
    if f[1] != "2":
        continue
    a, b, c = (nodes[k] for k in f[-3:])
    la, lb, lc = math.dist(b, c), math.dist(a, c), math.dist(a, b)
    twice = abs((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]))
    ratio = 4 * twice * twice / ((la + lb + lc) * la * lb * lc)
    for o, p, q in ((a, b, c), (b, c, a), (c, a, b)):
        u, v = (p[0] - o[0], p[1] - o[1]), (q[0] - o[0], q[1] - o[1])
        ang = math.degrees(math.atan2(abs(u[0] * v[1] - u[1] * v[0]), u[0] * v[0] + u[1] * v[1]))
        smallest = min(smallest, ang)
    count += 1
    total += ratio
    worst = min(worst, ratio)
print(count, f"{smallest:.1f}", f"{total / count:.4f}", f"{worst:.4f}")
PY
}

printf '%-26s %10s %12s %9s %8s %8s\n' mesh triangles "triangles/s" "min angle" "mean RR" "worst RR"
for n in "${sizes[@]}"; do
  for shape in square disk plate; do
    geo "$shape" "$n" >"$work/$shape.geo"
    /usr/bin/time -o "$work/time" -f "%U %S" gmsh -2 "$work/$shape.geo" -format msh2 \
      -o "$work/$shape.msh" -v 0 >/dev/null
    cpu=$(awk '{ print $1 + $2 }' "$work/time")
    read -r tri small mean worst < <(quality "$work/$shape.msh")
    rate=$(awk -v t="$tri" -v c="$cpu" 'BEGIN { printf "%.0fk", t / c / 1000 }')
    printf '%-26s %10s %12s %9s %8s %8s\n' "gmsh $shape $n" "$tri" "$rate" "$small" "$mean" "$worst"
  done
  # The bench prints its counters with SI prefixes (k, M, m, u).
  "$bench" --benchmark_filter="shape:[012]/n:$n/" --benchmark_min_time=0 2>/dev/null |
    grep '^BM_' | awk -v n="$n" '
      function value(text) {
        scale = text ~ /k$/ ? 1e3 : text ~ /M$/ ? 1e6 : text ~ /m$/ ? 1e-3 : text ~ /u$/ ? 1e-6 : 1
        return (text + 0) * scale
      }
      {
        split($1, part, "/"); sub("gen:", "", part[2]); sub("shape:", "", part[3])
        name = "generator " part[2] " " (part[3] == 0 ? "square" : part[3] == 1 ? "disk" : "plate") " " n
        for (i = 2; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
        sub("/s$", "", v["tri_per_s"])
        printf "%-26s %10.0f %11.0fk %9.1f %8.4f %8.4f\n", name, value(v["triangles"]),
          value(v["tri_per_s"]) / 1000, v["min_angle"], value(v["mean_ratio"]), value(v["worst_ratio"])
      }'
done
