#!/usr/bin/env bash
# The main job: builds the deliverables, puts them in dist/, builds the sample package and
# runs it under Wine headless.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
export BUILD_ROOT=${BUILD_ROOT:-$root/build}
# The native tree runs no tests here: it is built as the tool ships.
QUORIN_NATIVE_RELEASE=ON bash scripts/build.sh

mkdir -p dist/win32 dist/bin
for f in Setup.EXE Setup.DLL Joystick.OCX quorin-pack.exe quorin-pack-try.exe; do
    p=$(find "$BUILD_ROOT/win32" -name "$f" -path '*/src/*' | head -1)
    [ -n "$p" ] && cp "$p" dist/win32/
done
cmake --install "$BUILD_ROOT/native" --prefix "$root/dist" >/dev/null
echo "dist/win32:"; ls -l dist/win32
echo "dist/bin:"; ls -l dist/bin

for step in scripts/main-job.d/*.sh; do
    [ -f "$step" ] || continue
    echo "== $(basename "$step")"
    bash "$step"
done
