#!/usr/bin/env bash
# Sourced with the prefix folder as argument: exports the environment every Windows test uses
# and makes sure the prefix and a display exist. Safe to source from concurrent processes.
_qprefix=$(mkdir -p "$1" && cd "$1" && pwd)
_qhere=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=$_qprefix
export WINEARCH=win32
{ export LC_ALL=ja_JP.UTF-8; } 2>/dev/null
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

_qstate=$_qprefix.state
mkdir -p "$_qstate"
# QUORIN_WINE_TEMPLATE names the pristine prefix new ones are copied from; set it empty to boot
# each prefix itself.
_qtemplate=${QUORIN_WINE_TEMPLATE-$(dirname "$_qprefix")/wineprefix-template}
[ "$_qtemplate" != "$_qprefix" ] || _qtemplate=
# Boots a prefix once, under its own lock: code page 932 settings and fonts, then waits for its
# server to end so the registry is on disk.
_quorin_boot_prefix() (
    mkdir -p "$1"
    flock 8
    [ -f "$1/.quorin-booted" ] && exit 0
    WINEPREFIX=$1 wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX=$1 wine regedit /S "$_qhere/wine-prefix.reg" >/dev/null 2>&1 || true
    WINEPREFIX=$1 wineserver -w
    touch "$1/.quorin-booted"
) 8>"$1.lock"
(
    flock 9
    if [ -z "${DISPLAY:-}" ] || [ -f "$_qstate/display" ]; then
        disp=$(cat "$_qstate/display" 2>/dev/null || true)
        if [ -z "$disp" ] || ! xdpyinfo -display ":$disp" >/dev/null 2>&1; then
            rm -f "$_qstate/display.new"
            nohup Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp \
                8>"$_qstate/display.new" 9>&- >/dev/null 2>&1 &
            echo $! >"$_qstate/xvfb.pid"
            for _ in $(seq 100); do [ -s "$_qstate/display.new" ] && break; sleep 0.1; done
            mv "$_qstate/display.new" "$_qstate/display"
        fi
    fi
    # A new prefix is a copy of the pristine template beside it (booted once, never run in, so a
    # copy carries no other test's records), or booted itself when there is no template; an
    # existing one takes the settings again when they have changed.
    if [ ! -f "$_qprefix/.quorin-ready" ] || [ "$_qhere/wine-prefix.reg" -nt "$_qprefix/.quorin-ready" ]; then
        export DISPLAY=:$(cat "$_qstate/display" 2>/dev/null || echo "${DISPLAY#:}")
        if [ -f "$_qprefix/.quorin-ready" ]; then
            # The server may be kept running for later programs: do not wait for it to end.
            wine regedit /S "$_qhere/wine-prefix.reg" >/dev/null 2>&1 9>&- || true
        elif [ -n "$_qtemplate" ]; then
            _quorin_boot_prefix "$_qtemplate" 9>&-
            rm -rf "$_qprefix.copy"
            cp -a "$_qtemplate" "$_qprefix.copy" && rm -rf "$_qprefix" && mv "$_qprefix.copy" "$_qprefix"
        else
            _quorin_boot_prefix "$_qprefix" 9>&-
        fi
        touch "$_qprefix/.quorin-ready"
    fi
) 9>"$_qstate/lock"
if [ -f "$_qstate/display" ]; then
    export DISPLAY=:$(cat "$_qstate/display")
fi
# Keep the server up between test programs (it exits by itself after 2 minutes idle). Its
# helper processes (services, explorer) are started here with output to /dev/null: started by
# the program under test they would inherit its output pipe and hold a caller such as CTest
# until the server exits.
_qsock=/tmp/.wine-$(id -u)/$(printf 'server-%x-%x' $(stat -c '%d %i' "$_qprefix"))/socket
if [ ! -S "$_qsock" ]; then
    wineserver -p120 </dev/null >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
