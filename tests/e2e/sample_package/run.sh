#!/usr/bin/env bash
# prefix source-dir quorin-pack.exe Setup.EXE Setup.DLL Joystick.OCX driver.exe
set -euo pipefail
prefix=$1 src=$2 pack=$3 setup=$4 dll=$5 ocx=$6 driver=$7
run() { bash "$src/scripts/wine-run.sh" --prefix "$prefix" "$@"; }
source "$src/scripts/wine-env.sh" "$prefix"
pkg=$prefix/drive_c/quorin-sample
shots=$prefix/drive_c/quorin-sample-shots
rm -rf "$pkg" "$shots" "$pkg Copy"
mkdir -p "$shots"
# Unix paths reach the Windows tool through Wine's Z: drive.
cd "$src/packaging/sample"
run "$pack" build manifest.ini -o 'C:\quorin-sample' --setup-exe "$setup" --setup-dll "$dll" \
    --source "Joystick.OCX=$ocx"
run "$pack" check 'C:\quorin-sample'
ls "$pkg"
# The compressed control is in the package, not the plain one.
ls "$pkg" | grep -qi '^JOYSTICK\.OC_$'
! ls "$pkg" | grep -qi '^Joystick\.OCX$'
status=0
run "$driver" --run-package 'C:\quorin-sample' 'C:\quorin-sample-shots' 'Joystick.ControlJoystick\CLSID' || status=$?
# After the uninstall only the package's own files stay (LzTrash removed the compressed ones).
ls "$pkg"
! ls "$pkg" | grep -qi '^Joystick\.OCX$' || status=1
rm -rf "$pkg" "$shots"
exit $status
