#!/usr/bin/env bash
# Runs the sample package (dist/package, built by 10-package.sh) under Wine headless, as a user
# would: install, a copy of the package met elsewhere, a second start and the uninstall. The
# UI-automation driver of the end-to-end tests does the clicking and prints what each step
# changed (files, install record, uninstall entry). Screenshots of the window in its three
# states are left in dist/screenshots.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
build=${BUILD_ROOT:-$root/build}
driver=$build/win32/tests/e2e/setup/setup_e2e.exe
[ -d dist/package ] || { echo "20-run-package: dist/package is missing" >&2; exit 1; }
[ -f "$driver" ] || { echo "20-run-package: $driver is missing" >&2; exit 1; }

# A prefix of its own, so the run never meets the tests' records.
prefix=$build/wine-package-run
source scripts/wine-env.sh "$prefix"
drive=$prefix/drive_c
rm -rf "$drive/quorin-package" "$drive/quorin-package Copy" "$drive/quorin-shots"
cp -r dist/package "$drive/quorin-package"
mkdir -p "$drive/quorin-shots"
# The platform's usual hyperlink blue for the path label; Wine's default scheme has a light grey
# there that would hide it in the screenshots.
wine reg add 'HKCU\Control Panel\Colors' /v HotTrackingColor /d '0 102 204' /f >/dev/null 2>&1 || true

start=$(date +%s)
status=0
# The sample's control shows its registration under its ProgID.
wine "$driver" --run-package 'C:\quorin-package' 'C:\quorin-shots' 'Joystick.ControlJoystick\CLSID' || status=$?
echo "package run took $(( $(date +%s) - start )) s"

rm -rf dist/screenshots
mkdir -p dist/screenshots
for f in "$drive"/quorin-shots/*.bmp; do
    [ -f "$f" ] || continue
    convert "$f" "dist/screenshots/$(basename "${f%.bmp}").png"
done
echo "dist/screenshots:"; ls -l dist/screenshots
rm -rf "$drive/quorin-package" "$drive/quorin-shots"
bash scripts/wine-stop.sh "$prefix"
exit $status
