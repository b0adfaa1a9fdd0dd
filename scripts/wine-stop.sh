#!/usr/bin/env bash
# Ends the prefix's own wineserver and the X server the harness started for it.
prefix=$1
[ -d "$prefix" ] || exit 0
WINEPREFIX=$(cd "$prefix" && pwd) wineserver -k 2>/dev/null || true
state=$prefix.state
if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    rm -f "$state/xvfb.pid" "$state/display"
fi
exit 0
