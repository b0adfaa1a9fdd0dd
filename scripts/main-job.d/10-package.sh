#!/usr/bin/env bash
# Builds the sample package (packaging/sample) into dist/package with the native quorin-pack and
# checks it. Uses the built Joystick.OCX from dist/win32 when there is one, else the manifest's
# clearly named stand-in; Setup.EXE and Setup.DLL come from dist/win32.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
pack=dist/bin/quorin-pack
[ -x "$pack" ] || { echo "10-package: $pack is missing" >&2; exit 1; }

args=()
if [ -f dist/win32/Joystick.OCX ]; then
    args+=(--source Joystick.OCX=dist/win32/Joystick.OCX)
else
    echo "10-package: dist/win32/Joystick.OCX not built; packaging the stand-in"
fi
rm -rf dist/package
"$pack" build packaging/sample/manifest.ini -o dist/package "${args[@]}"
"$pack" check dist/package
echo "dist/package:"; ls -l dist/package
echo "dist/package/Setup.INF:"; sed 's/\r$//' dist/package/Setup.INF
