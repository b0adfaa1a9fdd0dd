#!/usr/bin/env bash
# The whole test suite: native unit tests under ASan/UBSan with short fuzz runs (one clang tree),
# then the Windows tests and the end-to-end tests under Wine (headless). Ends with the counts:
# N passed, N failed, N skipped.
#   QUORIN_TEST_JOBS=3   how many Windows tests run side by side (they mostly wait on Wine)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh || exit 1
export BUILD_ROOT=${BUILD_ROOT:-$root/build-test}
export QUORIN_SANITIZE=ON QUORIN_FUZZ=ON
start=$(date +%s)
bash scripts/build.sh || { echo "build failed"; exit 1; }
echo "build time: $(( $(date +%s) - start )) s"

status=0
logdir=$BUILD_ROOT/test-logs
rm -rf "$logdir"
mkdir -p "$logdir"
run_tier() { # name, build tree, ctest args...
    local name=$1 tree=$2; shift 2
    local t0=$(date +%s)
    echo "== $name"
    # The JUnit file keeps each test's output with its end, where GoogleTest prints its counts.
    ( cd "$tree" && ctest --output-on-failure --no-tests=ignore --output-junit "$logdir/$name.xml" \
        --test-output-size-passed 262144 --test-output-size-failed 262144 --test-output-truncation middle "$@" ) 2>&1 |
        tee "$logdir/$name.log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    echo "$name time: $(( $(date +%s) - t0 )) s"
}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_tier native "$BUILD_ROOT/native" -j 2
run_tier win32 "$BUILD_ROOT/win32" -j "${QUORIN_TEST_JOBS:-3}"
for prefix in "$BUILD_ROOT"/win32/wineprefix*; do
    case "$prefix" in *.state | *.lock | *.copy) continue ;; esac
    bash scripts/wine-stop.sh "$prefix"
done

echo "suite time: $(( $(date +%s) - start )) s"
python3 scripts/test-summary.py "$logdir"/*.xml || status=1
exit $status
