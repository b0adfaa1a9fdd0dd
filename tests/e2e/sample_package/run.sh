#!/usr/bin/env bash
# prefix source-dir quorin-pack.exe Setup.EXE Setup.DLL Joystick.OCX native-quorin-pack
#   quorin-pack-try.exe try-prefix work-dir
set -euo pipefail
prefix=$1 src=$2 pack=$3 setup=$4 dll=$5 ocx=$6 native=$7 driver=$8 tryprefix=$9 work=${10}
[ -x "$native" ] || { echo "the native quorin-pack is missing: $native (scripts/build.sh builds both trees)"; exit 1; }
pkg=$work/package
shots=$work/screenshots
rm -rf "$pkg" "$shots"
# Unix paths reach the Windows tool through Wine's Z: drive.
cd "$src/packaging/sample"
bash "$src/scripts/wine-run.sh" --prefix "$prefix" "$pack" build manifest.ini -o "$pkg" --setup-exe "$setup" \
    --setup-dll "$dll" --source "Joystick.OCX=$ocx"
ls "$pkg"
# The compressed control is in the package, not the plain one.
ls "$pkg" | grep -qi '^JOYSTICK\.OC_$'
! ls "$pkg" | grep -qi '^Joystick\.OCX$'
contents() { (cd "$pkg" && find . -type f -exec md5sum {} + | sort); }
before=$(contents)

status=0
QUORIN_PACK_TRY_DRIVER=$driver "$native" try "$pkg" --keep-prefix "$tryprefix" --screenshots "$shots" --json \
    >"$work/report.json" || status=$?
[ "$status" -eq 0 ] || { cat "$work/report.json"; echo "try failed with status $status"; exit 1; }
# The package folder is the packager's: try works on a copy.
[ "$(contents)" = "$before" ] || { echo "try changed the package"; exit 1; }
python3 - "$work/report.json" "$shots" <<'PY'
import json, os, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
def check(ok, what):
    if not ok:
        print("FAIL:", what)
        sys.exit(1)
check(report["passed"] and report["reasons"] == [], "the sample package does not pass")
check([p["name"] for p in report["phases"]] ==
      ["install", "installed-elsewhere", "uninstall", "after-uninstall"], "the phases")
check(report["install"]["files"]["added"] == ["Joystick.HLP", "Joystick.OCX"], "the installed files")
# The control registered itself under its ProgID, and the uninstall took that away.
progid = "HKEY_CLASSES_ROOT\\Joystick.ControlJoystick"
check(progid in report["install"]["registry"]["keysAdded"], "the control's registration")
check(progid in report["uninstall"]["registry"]["keysRemoved"], "the control's unregistration")
check(report["install"]["uninstallEntry"]["after"]["DisplayName"]["data"] == "Ombrel's Gantrel", "the entry")
shots = sorted(os.listdir(sys.argv[2]))
check(shots == ["installed-elsewhere.png", "installed-here.png", "installing.png", "not-installed.png"],
      "the screenshots: %s" % shots)
for s in shots:
    check(open(os.path.join(sys.argv[2], s), "rb").read(8) == b"\x89PNG\r\n\x1a\n", s + " is no PNG")
print("sample package: passed; phases", [(p["name"], p["seconds"]) for p in report["phases"]])
PY
