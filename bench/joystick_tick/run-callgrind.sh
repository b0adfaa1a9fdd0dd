#!/usr/bin/env bash
# Instructions per scan tick, counted by callgrind inside ScanTick only (the reader and event
# calls it makes are no-ops here, so the figure is the tick's own logic plus those calls).
#   run-callgrind.sh [BENCH_EXE] [TICKS]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=${1:-$here/../../build/native/bench/joystick_tick/joystick_tick_bench}
ticks=${2:-20000}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$out/cg.out" \
    --toggle-collect='quorin::joystick::ScanTick*' "$exe" "$ticks" >"$out/stdout" 2>"$out/stderr"
cat "$out/stdout"
ir=$(grep -E '^(summary|totals):' "$out/cg.out" | head -1 | awk '{print $2}')
awk -v ir="$ir" -v t="$ticks" 'BEGIN { printf "instructions in ScanTick: %d\ninstructions per tick: %.1f\n", ir, ir / t }'
