#!/usr/bin/env bash
# Compares two builds on a machine whose speed drifts: the old and the new program run at the
# same time, one on each of the first two cores (swapped every pair), so that both see the same
# load, caches and memory traffic. Prints each pair's time per element and the geometric mean of
# new / old over the pairs.
#
#   bench/side_by_side.sh OLD NEW FILTER [PAIRS]
#
# OLD and NEW are two builds of one benchmark, and FILTER selects one of its benchmarks
# (--benchmark_filter), whose "per_element" counter is compared. Or OLD and NEW are two builds of
# the program (app/tivor) and FILTER is "whole:CASE:ELEMENTS[:STEPS]": the whole program's
# processor time per element-step from bench/whole_program.sh (one run of each a pair).
# Examples:
#   bench/side_by_side.sh /tmp/bench_so3.old build-bench/bench/bench_so3 \
#     'BM_So3/elements:200000/triangles:1/plastic:1/punch:1$' 4
#   bench/side_by_side.sh build-native/app/tivor build-bench/app/tivor whole:gs-tri:1000000 6
set -euo pipefail
if [[ $# -lt 3 ]]; then
  echo "usage: $0 OLD NEW FILTER [PAIRS]" >&2
  exit 2
fi
old=$1 new=$2 filter=$3 pairs=${4:-4}
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Time per element of one run of program $1 on core $2.
run() {
  if [[ $filter == whole:* ]]; then
    local case_name elements steps
    IFS=: read -r _ case_name elements steps <<<"$filter"
    TIVOR_THREADS=1 taskset -c "$2" bash "$here/whole_program.sh" "$1" "$case_name" \
      "$elements" "${steps:-20}" 1 2>&1 | grep -o 'best of each.*cpu [0-9.]* ns' |
      grep -o '[0-9.]* ns$' | cut -d' ' -f1 || true
  else
    TIVOR_THREADS=1 taskset -c "$2" "$1" --benchmark_filter="$filter" --benchmark_min_time=2 2>&1 |
      grep -o ' per_element=[0-9.]*' | head -1 | cut -d= -f2 || true
  fi
}

for ((p = 1; p <= pairs; ++p)); do
  core_old=$((p % 2)) core_new=$(((p + 1) % 2))
  run "$old" "$core_old" >"$out/old" &
  run "$new" "$core_new" >"$out/new"
  wait
  if [[ ! -s $out/old || ! -s $out/new ]]; then
    echo "$0: a run printed no time per element (filter: $filter)" >&2
    exit 1
  fi
  echo "old $(cat "$out/old") ns  new $(cat "$out/new") ns"
done | awk '{ print; s += log($5 / $2); n++ } END { if (n) printf "new / old, geometric mean of %d pairs: %.3f\n", n, exp(s / n) }'
