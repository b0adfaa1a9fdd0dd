#!/usr/bin/env bash
# Runs one Windows program under the project's private Wine prefix:
#   wine-run.sh [--prefix DIR] PROGRAM [ARGS...]
# The prefix is created on first use (code page 932, Japanese font replacements, no crash
# debugger: a crashing test ends at once instead of waiting in winedbg), a headless
# X server is started when there is no display, and the prefix's wineserver is kept alive
# between programs so that later starts are quick. Only this prefix's processes are touched.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=${QUORIN_WINEPREFIX:-}
if [ "${1:-}" = "--prefix" ]; then prefix=$2; shift 2; fi
[ -n "$prefix" ] || { echo "wine-run: no prefix (use --prefix or QUORIN_WINEPREFIX)" >&2; exit 2; }
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$prefix"
prog=$1; shift
exec wine "$prog" "$@"
