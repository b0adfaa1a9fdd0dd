#!/usr/bin/env bash
# Long fuzz runs, on demand (the test suite gives each target a few seconds):
#   scripts/fuzz-long.sh [SECONDS per target, default 60] [TARGET...]
#   BUILD_ROOT=build (default)   the libFuzzer tree goes to BUILD_ROOT/fuzz (clang)
# Fuzzes every target (or those named) one after another, each on a scratch copy of its seed
# corpus, and prints a Markdown table: executions, executions per second, coverage (edges and
# features) and the corpus each grew to. A target that finds a crash leaves the input and its
# log in BUILD_ROOT/fuzz/fuzz-long/<target>/, and the script ends with status 1.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_ROOT:-$root/build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))
tree=$build/fuzz

CC=clang CXX=clang++ cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORIN_FUZZ=ON >/dev/null
cmake --build "$tree" >/dev/null
targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(ls "$tree/fuzz-targets")

status=0
echo "| target | seconds | executions | exec/s | edges | features | corpus (files/size) |"
echo "|---|---:|---:|---:|---:|---:|---:|"
for target in "${targets[@]}"; do
    { read -r binary; read -r corpus; } <"$tree/fuzz-targets/$target"
    if [ ! -x "$binary" ] || [ ! -d "$corpus" ]; then
        echo "$target: no such target" >&2
        status=1
        continue
    fi
    work=$tree/fuzz-long/$target
    rm -rf "$work" && mkdir -p "$work/corpus" && cp -r "$corpus"/. "$work/corpus/"
    start=$(date +%s)
    if ! (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "$binary" -max_total_time="$seconds" \
        -print_final_stats=1 corpus >fuzz.log 2>&1); then
        status=1
        echo "$target: failed, see $work/fuzz.log" >&2
    fi
    stat() { sed -n "s/^stat::$1: *//p" "$work/fuzz.log"; }
    last=$(grep -E '^#[0-9]+' "$work/fuzz.log" | tail -1)
    field() { sed -nE "s/.* $1: ([^ ]+).*/\1/p" <<<"$last"; }
    echo "| $target | $(($(date +%s) - start)) | $(stat number_of_executed_units) |" \
        "$(stat average_exec_per_sec) | $(field cov) | $(field ft) | $(field corp) |"
done
exit $status
