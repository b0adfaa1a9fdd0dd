#!/usr/bin/env bash
# The fault cases whose fault is a mount: the package folder on a small tmpfs, made read-only or
# full between the driver's phases and then given back. Needs mount privilege; without it the
# cases are skipped (exit 77).
#   faults_mounted.sh PREFIX SOURCE-DIR DRIVER PAYLOAD COMPONENT MOUNT-POINT
set -euo pipefail
prefix=$1 src=$2 driver=$3 payload=$4 component=$5 mnt=$6
release() { if mountpoint -q "$mnt"; then umount "$mnt" 2>/dev/null || umount -l "$mnt"; fi; }
trap release EXIT
mkdir -p "$mnt"
release # left mounted by an interrupted run
if ! why=$(mount -t tmpfs -o size=16m quorin-faults "$mnt" 2>&1); then
    echo "SKIP: the read-only and disk-full cases need to mount a tmpfs: $why"
    exit 77
fi
phase() {
    bash "$src/scripts/wine-run.sh" --prefix "$prefix" "$driver" "$payload" "$component" --phase "$1" "$2" "$mnt/pkg"
}
status=0

# Read-only: built on the writable mount, installed read-only, recovered writable again.
phase build readonly
mount -o remount,ro "$mnt"
phase fault readonly || status=1
mount -o remount,rw "$mnt"
phase recover readonly || status=1
release

# Disk full: 512 KiB left once the package is built; the large entry expands to 4 MiB.
mount -t tmpfs -o size=16m quorin-faults "$mnt"
phase build diskfull
used=$(df -k --output=used "$mnt" | tail -1)
mount -o remount,size=$((used + 512))k "$mnt"
df -k "$mnt" | tail -1
phase fault diskfull || status=1
mount -o remount,size=16m "$mnt"
phase recover diskfull || status=1
exit $status
