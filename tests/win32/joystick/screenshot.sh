#!/usr/bin/env bash
# Shows a window of a test program on the Wine prefix's display and saves a picture of it, then
# checks that the picture has the window's size and is not blank.
#   screenshot.sh PREFIX EXE MODE OUT.png
# MODE is the program's option that opens the window (--show-frame, --show-about); the program
# writes the window's geometry to a file when it has painted and closes it when told to.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
prefix=$1 exe=$2 mode=$3 out=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../../../scripts/wine-env.sh
source "$root/scripts/wine-env.sh" "$prefix"
ready=$work/ready
done_file=$work/done
wine "$exe" "$mode" "$(winepath -w "$ready")" "$(winepath -w "$done_file")" </dev/null &
pid=$!
for _ in $(seq 600); do
    [ -s "$ready" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$ready" ]; then
    echo "screenshot: the window did not appear"
    touch "$done_file"
    wait "$pid" || true
    exit 1
fi
geometry=$(tr -d '\r' <"$ready" | head -1)
mkdir -p "$(dirname "$out")"
import -display "$DISPLAY" -window root -crop "$geometry" +repage "$out"
touch "$done_file"
wait "$pid"
size=$(identify -format '%wx%h' "$out")
spread=$(convert "$out" -format '%[fx:standard_deviation]' info:)
echo "screenshot: $out $size (window $geometry), spread $spread"
[ "$size" = "${geometry%%+*}" ] || { echo "screenshot: size differs from the window"; exit 1; }
awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || { echo "screenshot: picture is blank"; exit 1; }
