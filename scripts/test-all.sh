#!/usr/bin/env bash
# The whole test suite: native unit tests under ASan/UBSan, fuzz-corpus replay and a short
# fuzz run, Windows tests and end-to-end tests under Wine (headless).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh || exit 1
export BUILD_ROOT=${BUILD_ROOT:-$root/build-test}
export QUORIN_SANITIZE=ON QUORIN_FUZZ=ON
start=$(date +%s)
bash scripts/build.sh || { echo "build failed"; exit 1; }

status=0
logdir=$BUILD_ROOT/test-logs
mkdir -p "$logdir"
run_tier() { # name, build tree, ctest args...
    local name=$1 tree=$2; shift 2
    echo "== $name"
    ( cd "$tree" && ctest --output-on-failure --no-tests=ignore "$@" ) 2>&1 | tee "$logdir/$name.log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_tier native "$BUILD_ROOT/native" -j 2
if [ -d "$BUILD_ROOT/fuzz" ]; then run_tier fuzz "$BUILD_ROOT/fuzz" -L fuzz -j 2; fi
run_tier win32 "$BUILD_ROOT/win32" -j 2 -LE e2e
run_tier e2e "$BUILD_ROOT/win32" -L e2e
for prefix in "$BUILD_ROOT"/win32/wineprefix*; do
    case "$prefix" in *.state | *.lock | *.copy) continue ;; esac
    bash scripts/wine-stop.sh "$prefix"
done

passed=0; failed=0
for f in "$logdir"/*.log; do
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$f" | tail -1)
    [ -n "$line" ] || continue
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    nf=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - nf)); failed=$((failed + nf))
done
echo "suite time: $(( $(date +%s) - start )) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] || status=1
exit $status
