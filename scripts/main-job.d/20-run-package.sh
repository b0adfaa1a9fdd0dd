#!/usr/bin/env bash
# Proves the sample package (dist/package, built by 10-package.sh) the way a packager does:
# `quorin-pack try` runs it under Wine headless as a user would (install, a copy of the package met
# elsewhere, a second start and the uninstall, a third start), prints what each step changed and
# the verdict, and leaves Setup's window in its states in dist/screenshots.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
[ -d dist/package ] || { echo "20-run-package: dist/package is missing" >&2; exit 1; }
rm -rf dist/screenshots
dist/bin/quorin-pack try dist/package --screenshots dist/screenshots
echo "dist/screenshots:"; ls -l dist/screenshots
