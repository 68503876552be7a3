#!/usr/bin/env bash
# The explicit solids and gas steps against the memory-bandwidth bound, one table in one run:
#
#   bench/bound_table.sh BUILD_DIR [ROUNDS]
#
# For the punch (solids: quadrilaterals and triangles, elastic and plastic) and the jet (gas:
# quadrilaterals and triangles) at 10k, 200k and 1M elements (SIZES="..." to choose), ROUNDS
# rounds (default 3), one thread. A round runs the whole program (bench/whole_program.sh: prepare,
# and prepare with 20 steps, 400 at 10k where 20 steps are too short to time) and then the
# scheme's benchmark (bench_so3 / bench_gs on the same sample). Per case it prints the least
# processor time per element-step of the whole program and of the scheme, the bound (the bytes a
# step moves per element, as the benchmark counts them, at the best copy rate the benchmark
# measured in its own process), and whole / scheme, whole / bound and scheme / bound.
set -euo pipefail
if [[ $# -lt 1 ]]; then
  echo "usage: $0 BUILD_DIR [ROUNDS]" >&2
  exit 2
fi
build=$(realpath "$1")
rounds=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
export TIVOR_THREADS=1

# The value of counter $1 in the benchmark lines on standard input, one a line, without its
# unit; a "k" multiplies by 1000.
counter() { { grep -o " $1=[0-9.]*k\?" || true; } | cut -d= -f2 | awk '/k$/ { print $0 * 1000; next } { print $0 + 0 }'; }

printf '%-18s %8s %10s %10s %8s %8s %8s %8s\n' case elements whole_ns scheme_ns bound_ns \
  whole/sch whole/bnd sch/bnd
for elements in ${SIZES:-10000 200000 1000000}; do
  steps=20
  ((elements <= 10000)) && steps=400
  for case_name in sol-quad-elastic sol-quad-plastic sol-tri-elastic sol-tri-plastic gs-quad gs-tri; do
    triangles=0 plastic=0
    [[ $case_name == *-tri* ]] && triangles=1
    [[ $case_name == *-plastic ]] && plastic=1
    if [[ $case_name == sol-* ]]; then
      bench=$build/bench/bench_so3
      filter="BM_So3/elements:$elements/triangles:$triangles/plastic:$plastic/punch:1\$"
    else
      bench=$build/bench/bench_gs
      filter="BM_Gsl1/elements:$elements/triangles:$triangles/jet:1\$"
    fi
    whole="" scheme=""
    for ((r = 1; r <= rounds; ++r)); do
      whole+="$(bash "$here/whole_program.sh" "$build/app/tivor" "$case_name" "$elements" "$steps" 1 |
        grep -o 'best of each.*cpu [0-9.]* ns' | grep -o '[0-9.]* ns$' | cut -d' ' -f1 || true)"$'\n'
      scheme+="$("$bench" --benchmark_filter="$filter" 2>&1 | grep ' per_element=' || true)"$'\n'
    done
    best_whole=$({ grep . <<<"$whole" || true; } | sort -g | head -1)
    best_scheme=$(counter per_element <<<"$scheme" | sort -g | head -1)
    bytes=$(counter bytes_per_element <<<"$scheme" | head -1)
    copy=$(counter copy <<<"$scheme" | sort -g | tail -1)
    if [[ -z $best_whole || -z $best_scheme || -z $bytes || -z $copy ]]; then
      echo "$0: $case_name at $elements elements gave no figure" >&2
      exit 1
    fi
    awk -v c="$case_name" -v e="$elements" -v w="$best_whole" -v s="$best_scheme" -v b="$bytes" \
      -v g="$copy" 'BEGIN {
      bound = b / g  # bytes over GB/s: ns
      printf "%-18s %8d %10.1f %10.1f %8.1f %8.2f %8.2f %8.2f\n", c, e, w, s, bound, w / s, w / bound, s / bound
    }'
  done
done
