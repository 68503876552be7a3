#!/usr/bin/env bash
# Two threads against one on the diffusion step (bench_dicon's BM_DiconWall, wall-clock time), on
# the machine as it is or with every core kept busy by another process:
#
#   bench/threads_vs_one.sh BENCH_DICON [idle|loaded] [REPETITIONS]
#
# BENCH_DICON is the bench_dicon program of a Release build. One thread and two run in randomly
# interleaved repetitions (default 12) of about a second each, so that a change in the machine's
# load falls on both alike. "loaded" starts one busy process per core for the run. Prints, for
# 50k, 200k and 1M triangles, the median and the range of both and the ratio of the medians.
# On a loaded machine single runs of the very same program differ by 20% and more, so a pair of
# single runs says little; the medians of the interleaved repetitions do.
set -euo pipefail
bench=$(realpath "$1")
load=${2:-idle}
repetitions=${3:-12}
work=$(mktemp -d)
busy=()
cleanup() {
  ((${#busy[@]} == 0)) || kill "${busy[@]}" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
if [[ $load == loaded ]]; then
  for ((k = 0; k < $(nproc); ++k)); do
    yes >/dev/null &
    busy+=($!)
  done
fi
OMP_NUM_THREADS=1 "$bench" --benchmark_filter='BM_DiconWall/triangles:(50000|200000|1000000)/c2:1/' \
  --benchmark_min_time=1 --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true --benchmark_format=json >"$work/runs.json"
python3 - "$work/runs.json" "$load" <<'PY'
import collections, json, statistics, sys
runs = collections.defaultdict(list)
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("run_type") != "iteration":
        continue
    _, triangles, _, threads, *_ = b["name"].split("/")
    runs[(int(triangles.split(":")[1]), int(threads.split(":")[1]))].append(b["real_time"])
print(f"diffusion step, {sys.argv[2]} machine, ms of wall-clock time: median (range)")
for triangles in sorted({t for t, _ in runs}):
    one, two = runs[(triangles, 1)], runs[(triangles, 2)]
    if not one or not two:
        continue
    m1, m2 = statistics.median(one), statistics.median(two)
    print(f"{triangles:>8} triangles: one thread {m1:.1f} ({min(one):.1f}-{max(one):.1f}), "
          f"two {m2:.1f} ({min(two):.1f}-{max(two):.1f}), two / one {m2 / m1:.2f}")
PY
