#!/usr/bin/env bash
# The whole program on the plate with a hole of the sample dif/with_hole.dif (2 x 2, a hole of
# 24 sides round its centre), its cells made small enough for about N triangles: a batch run that
# reads the data, meshes the plate with generator GEN (3 or 4) and prepares the diffusion task
# (no steps), against gmsh's frontal-Delaunay algorithm (Mesh.Algorithm = 6) meshing the same
# polygon and a batch run preparing the same task on that mesh (generator 6).
#
#   bench/mesh_prepare_vs_gmsh.sh TIVOR [N] [GEN] [REPEATS]
#
# TIVOR is the program of a Release build; N defaults to 100000, GEN to 3, REPEATS to 3. The
# sample starts from the steady field (initc=1), a solve on the whole mesh; INITC=0 in the
# environment starts from its given values instead, which leaves the preparation alone. Prints
# the medians of the processor time (user + system) of each run and the ratios: gmsh's meshing
# alone, and gmsh's meshing with the preparation of its mesh, over the whole run of ours.
# KEEP_WORK=1 keeps the work directory (data files, keys and meshes) for profiling the runs.
set -euo pipefail
bin=$(realpath "$1")
n=${2:-100000}
gen=${3:-3}
repeats=${4:-3}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
[ -n "${KEEP_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work"/{dif,buf,images,lbr,hlp}
sample="$source_dir/examples/dif/with_hole.dif"

# The hole's 24 points (r z pairs) as the sample gives them.
hole=$(awk '/^ng=24/ { on = 1; next } on && /^del=/ { exit } on { sub(/^m=/, ""); print }' \
  "$sample" | tr -s ' \n' ' ')
area=$(python3 -c "
import sys
v = [float(x) for x in sys.argv[1].split()]
p = list(zip(v[0::2], v[1::2]))
print(4 - abs(sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(p, p[1:] + p[:1]))) / 2)" "$hole")
# Generator 3 and 4 make about 2 area / del^2 triangles; gmsh's cell is the side of the
# equilateral triangle of the same mean area.
del=$(awk -v a="$area" -v n="$n" 'BEGIN { printf "%.9f", sqrt(2 * a / n) }')
lc=$(awk -v a="$area" -v n="$n" 'BEGIN { printf "%.9f", sqrt(4 * a / (sqrt(3) * n)) }')
sed -e "s/^tipm=3 /tipm=$gen /" -e "s/^del=\.1 /del=$del /" -e "s/^del=\.1$/del=$del/" \
  -e "s/^initc=1 /initc=${INITC:-1} /" "$sample" >"$work/dif/ours.dif"
awk '/^ntel=1/ { print; print "m=3"; print "tipm=6"; print "file=plate.msh"; skip = 1; next }
     skip && /^turn=/ { skip = 0 }
     !skip' "$sample" | sed -e "s/^initc=1 /initc=${INITC:-1} /" >"$work/dif/gmsh.dif"
python3 - "$hole" "$lc" >"$work/plate.geo" <<'PY'
import sys
v = [float(x) for x in sys.argv[1].split()]
lc = sys.argv[2]
out = [f"lc = {lc};", "Mesh.Algorithm = 6;"]
def loop(points, first):
    for i, (r, z) in enumerate(points):
        out.append(f"Point({first + i}) = {{{r}, {z}, 0, lc}};")
    k = len(points)
    for i in range(k):
        out.append(f"Line({first + i}) = {{{first + i}, {first + (i + 1) % k}}};")
    out.append(f"Curve Loop({first}) = {{{', '.join(str(first + i) for i in range(k))}}};")
loop([(0, 0), (2, 0), (2, 2), (0, 2)], 1)
loop(list(zip(v[0::2], v[1::2]))[::-1], 101)
out.append("Plane Surface(1) = {1, 101};")
print("\n".join(out))
PY

pools=()
if ((n > 100000)); then
  pools=(--reals $((n * 350)) --integers $((n * 40)))
fi
cpu() { awk '{ print $1 + $2 }' "$work/time"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
: >"$work/ours.t"
: >"$work/mesh.t"
: >"$work/gmsh.t"
for ((k = 0; k < repeats; ++k)); do
  (cd "$work" && /usr/bin/time -o time -f '%U %S' "$bin" --batch dif/ours.dif --method 1 \
    --steps 0 "${pools[@]}" >ours.out)
  cpu >>"$work/ours.t"
  /usr/bin/time -o "$work/time" -f '%U %S' gmsh -2 "$work/plate.geo" -format msh41 \
    -o "$work/dif/plate.msh" -v 0 >/dev/null
  cpu >>"$work/mesh.t"
  (cd "$work" && /usr/bin/time -o time -f '%U %S' "$bin" --batch dif/gmsh.dif --method 1 \
    --steps 0 "${pools[@]}" >gmsh.out)
  cpu >>"$work/gmsh.t"
done
ours=$(median <"$work/ours.t")
mesh=$(median <"$work/mesh.t")
prep=$(median <"$work/gmsh.t")
echo "ours:  $(tail -1 "$work/ours.out")"
echo "gmsh:  $(tail -1 "$work/gmsh.out")"
awk -v o="$ours" -v m="$mesh" -v p="$prep" -v g="$gen" 'BEGIN {
  printf "generator %d, meshing and preparing:     %.3f s\n", g, o
  printf "gmsh meshing:                           %.3f s (%.1f times)\n", m, m / o
  printf "gmsh meshing, then preparing its mesh:  %.3f s (%.1f times)\n", m + p, (m + p) / o
}'
