#!/usr/bin/env bash
# The whole program run headless from key scripts, for one class and mesh size:
#
#   bench/whole_program.sh BINARY CASE [ELEMENTS] [STEPS] [REPEATS]
#
# CASE is one of
#   dif             the heat problem of the diffusion class: a unit square of generator 2 in
#                   triangles, c1 = 1 at r = 0 and 0 at r = 1, zero flux elsewhere, c1 = 0 at the
#                   start, lumped mass, a fixed step of 0.3 h^2 / 6;
#   sol-quad-plastic, sol-quad-elastic, sol-tri-plastic, sol-tri-elastic
#                   the punch sample of the solids class (examples/sol/punch.sol), its plate in
#                   quadrilaterals or triangles, as the sample (elasto-plastic) or elastic;
#   gs-quad, gs-tri the jet sample of the gas-flow class (examples/gs/jet.gs), in quadrilaterals
#                   or triangles.
# The mesh is the sample's, its cells scaled in both directions to about ELEMENTS elements
# (default 200000). Runs "prepare" alone and "prepare, then go STEPS" (default 20) REPEATS times
# each (default 5), alternating, and prints the medians of the processor time (user + system)
# and of the wall-clock time of both, and (with - without) / STEPS: the cost of one step of the
# running program, everything around the scheme included, also per element. It prints the same
# from the least processor time of each too: the load of a shared host only ever adds time, so
# the best of several runs is the figure to set beside a benchmark's best. TIVOR_THREADS passes
# through to the program.
set -euo pipefail
bin=$(realpath "$1")
case_name=$2
elements=${3:-200000}
steps=${4:-20}
repeats=${5:-5}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
[ -n "${KEEP_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work"/{dif,sol,gs,buf,images,lbr,hlp}

# Cells of a block whose sides hold `ratio` to 1 cells, elements a cell, for about $elements.
cells() { awk -v e="$elements" -v r="$1" -v k="$2" 'BEGIN { printf "%d", int(sqrt(e / (r * k)) + 0.5) }'; }

case $case_name in
  dif)
    n=$(cells 1 2)
    h=$(awk -v n="$n" 'BEGIN { printf "%.12f", 0.3 / (6.0 * n * n) }')
    class=7 count=$((2 * n * n)) answers="<Enter><Enter>"
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
    ;;
  sol-quad-plastic | sol-quad-elastic | sol-tri-plastic | sol-tri-elastic)
    # The plate is twice as long as it is high.
    m=4 per_cell=1
    [[ $case_name == sol-tri-* ]] && m=3 per_cell=2
    neta=$(cells 2 "$per_cell")
    class=1 count=$((2 * neta * neta * per_cell)) answers="<Enter>"
    sed -e "s/^m=4 /m=$m /" -e "s/^nksi=40 /nksi=$((2 * neta)) /" -e "s/^neta=20 /neta=$neta /" \
      "$source_dir/examples/sol/punch.sol" >"$work/sol/punch.sol"
    if [[ $case_name == *-elastic ]]; then
      sed -i -e 's/^MAT=2 .*/MAT=1/' -e 's/^plast=1 .*/plast=0/' -e 's/^nsk=2 .*/nsk=0/' \
        -e '/^m=0 \.1  1000 \.1/d' "$work/sol/punch.sol"
    fi
    ;;
  gs-quad | gs-tri)
    # The nozzle's domain is three times as long as it is wide.
    m=4 per_cell=1
    [[ $case_name == gs-tri ]] && m=3 per_cell=2
    nksi=$(cells 3 "$per_cell")
    class=2 count=$((3 * nksi * nksi * per_cell)) answers="<Enter>"
    sed -e "s/^m=4 /m=$m /" -e "s/^nksi=20 /nksi=$nksi /" -e "s/^neta=60 /neta=$((3 * nksi)) /" \
      "$source_dir/examples/gs/jet.gs" >"$work/gs/jet.gs"
    ;;
  *)
    echo "whole_program.sh: unknown case $case_name" >&2
    exit 2
    ;;
esac

# Main-menu item k, the way the end-to-end tests choose it.
item() {
  local keys="<Home>"
  for ((i = 1; i < $1; ++i)); do keys+="<Down>"; done
  echo "$keys<Enter>"
}
# The class, its first method, the only data file of its folder, prepared.
start="<Enter><Enter>$(item 2)$(item $class)$(item 3)<Enter>$(item 4)<Down><Enter><Enter><Esc><Esc>"
prepare="$(item 5)$answers<Text:prepared><Enter>"
printf '%s\n' "$start$prepare<Esc><Enter>" >"$work/prepare.keys"
printf '%s\n' "$start$prepare$(item 6)$steps<Enter><Text:stepped>$(item 1)<Text:status><Enter><Esc><Enter>" \
  >"$work/steps.keys"

# The pools of the program hold about 150k elements; larger meshes get larger pools.
pools=()
if ((count > 100000)); then
  pools=(--reals $((count * 350)) --integers $((count * 40)))
fi

# Prints "processor-seconds wall-seconds" of one run. The processor time is the user and system
# time of the subshell's children as bash's `times` gives it, to the millisecond (/usr/bin/time
# gives hundredths, a quarter of a step at 200k elements).
run() {
  local t0 t1 out
  t0=$(date +%s.%N)
  out=$(
    "$bin" --headless --keys "$work/$1.keys" --workdir "$work" --shots "$work" "${pools[@]}" \
      >/dev/null 2>&1 || true
    times
  )
  out=${out#*$'\n'}
  t1=$(date +%s.%N)
  awk -v o="$out" -v a="$t0" -v b="$t1" 'BEGIN {
    gsub(/[ms]/, " ", o); split(o, u, " ")
    print u[1] * 60 + u[2] + u[3] * 60 + u[4], b - a
  }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
least() { sort -g | head -1; }

: >"$work/prepare.t"
: >"$work/steps.t"
for ((k = 0; k < repeats; ++k)); do
  run prepare >>"$work/prepare.t"
  run steps >>"$work/steps.t"
done
# The status screen after the steps: its time step count shows that every step was made.
if [[ -n ${WHOLE_PROGRAM_SCREENS:-} ]]; then
  for screen in prepared stepped status; do
    echo "== $screen"
    grep -v '^ *$' "$work/$screen.txt" || true
  done
fi
cpu_p=$(cut -d' ' -f1 "$work/prepare.t" | median)
cpu_s=$(cut -d' ' -f1 "$work/steps.t" | median)
wall_p=$(cut -d' ' -f2 "$work/prepare.t" | median)
wall_s=$(cut -d' ' -f2 "$work/steps.t" | median)
best_p=$(cut -d' ' -f1 "$work/prepare.t" | least)
best_s=$(cut -d' ' -f1 "$work/steps.t" | least)
awk -v c="$case_name" -v e="$count" -v st="$steps" -v cp="$cpu_p" -v cs="$cpu_s" -v wp="$wall_p" \
  -v ws="$wall_s" -v bp="$best_p" -v bs="$best_s" 'BEGIN {
  printf "%s, %d elements, %d steps\n", c, e, st
  printf "prepare: cpu %.3f s wall %.3f s; prepare+steps: cpu %.3f s wall %.3f s\n", cp, wp, cs, ws
  printf "per step: cpu %.3f ms wall %.3f ms; per element-step: cpu %.0f ns wall %.0f ns\n",
    (cs - cp) / st * 1000, (ws - wp) / st * 1000, (cs - cp) / st / e * 1e9, (ws - wp) / st / e * 1e9
  printf "best of each: prepare cpu %.3f s, prepare+steps cpu %.3f s; per element-step: cpu %.0f ns\n",
    bp, bs, (bs - bp) / st / e * 1e9
}'
