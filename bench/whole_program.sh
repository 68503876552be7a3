#!/usr/bin/env bash
# The whole program on the heat problem of the diffusion class, run headless from key scripts:
# a unit square of generator 2 in N x N cells (2 N^2 triangles), c1 = 1 at r = 0 and 0 at r = 1,
# zero flux elsewhere, c1 = 0 at the start, lumped mass, a fixed step of 0.3 h^2 / 6.
#
#   bench/whole_program.sh BINARY [N] [STEPS] [REPEATS]
#
# Runs "prepare" alone and "prepare, then go STEPS" REPEATS times each, alternating, and prints
# the medians of the processor time (user + system) and of the wall-clock time of both, and
# (with - without) / STEPS: the cost of one step of the running program, everything around the
# solve included. TIVOR_THREADS passes through to the program.
set -euo pipefail
bin=$(realpath "$1")
n=${2:-276}
steps=${3:-20}
repeats=${4:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work"/{dif,buf,images,lbr,hlp}

h=$(awk -v n="$n" 'BEGIN { printf "%.12f", 0.3 / (6.0 * n * n) }')
cat >"$work/dif/heat.dif" <<DATA
ntel=1
m=3
tipm=2
rz=0 0  0 .5  0 1  .5 1  1 1  1 .5  1 0  .5 0
nksi=$n
neta=$n
turn=0 0 0 0 0
nyt=0
rzcor=0
skl=0
scale=1 1
rzcor=0
symmetry=0
concent1=1
concent2=0
conc1=2
m=0 0 0 1 1 1
m=1 0 1 1 0 0
conc2=0
f0=0 0
diffc=1 0 0 1
fc1=0
fc2=0
cur=-$h
bet=0
sgl=0 0 0
initc=0
nthist=0
DATA

# Main-menu item k, the way the end-to-end tests choose it.
item() {
  local keys="<Home>"
  for ((i = 1; i < $1; ++i)); do keys+="<Down>"; done
  echo "$keys<Enter>"
}
start="<Enter><Enter>$(item 2)$(item 7)$(item 3)<Enter>$(item 4)<Down><Enter><Enter><Esc><Esc>"
prepare="$(item 5)<Enter><Enter><Enter>"
printf '%s\n' "$start$prepare<Esc><Enter>" >"$work/prepare.keys"
printf '%s\n' "$start$prepare$(item 6)$steps<Enter><Esc><Enter>" >"$work/steps.keys"

# Prints "processor-seconds wall-seconds" of one run.
run() {
  local t0 t1 out
  t0=$(date +%s.%N)
  /usr/bin/time -o "$work/time" -f '%U %S' "$bin" --headless --keys "$work/$1.keys" \
    --workdir "$work" >/dev/null 2>&1 || true
  out=$(tail -1 "$work/time")
  t1=$(date +%s.%N)
  awk -v o="$out" -v a="$t0" -v b="$t1" 'BEGIN { split(o, u, " "); print u[1] + u[2], b - a }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/prepare.t"
: >"$work/steps.t"
for ((k = 0; k < repeats; ++k)); do
  run prepare >>"$work/prepare.t"
  run steps >>"$work/steps.t"
done
cpu_p=$(cut -d' ' -f1 "$work/prepare.t" | median)
cpu_s=$(cut -d' ' -f1 "$work/steps.t" | median)
wall_p=$(cut -d' ' -f2 "$work/prepare.t" | median)
wall_s=$(cut -d' ' -f2 "$work/steps.t" | median)
awk -v n="$n" -v st="$steps" -v cp="$cpu_p" -v cs="$cpu_s" -v wp="$wall_p" -v ws="$wall_s" 'BEGIN {
  printf "n=%d triangles=%d steps=%d\n", n, 2 * n * n, st
  printf "prepare: cpu %.3f s wall %.3f s; prepare+steps: cpu %.3f s wall %.3f s\n", cp, wp, cs, ws
  printf "per step: cpu %.3f ms wall %.3f ms\n", (cs - cp) / st * 1000, (ws - wp) / st * 1000
}'
