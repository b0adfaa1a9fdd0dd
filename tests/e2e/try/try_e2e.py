#!/usr/bin/env python3
"""`quorin-pack try` on real packages under Wine, as a packager runs it.

sample_package: the sample package, built by quorin-pack.exe from the real Setup.EXE, Setup.DLL
and Joystick.OCX, passes, its window pictured in its four states; its trial makes the kept prefix
TEMPLATE. unregistrable builds a package with the native quorin-pack around a component whose
registration fails and tries it in a copy of TEMPLATE: the tool must fail it, exit 1, and show
Setup's messages in its JSON. How a record becomes a verdict (check's findings, keys left behind)
is the native try tests' part; that real snapshots reach it, the sample's.

    try_e2e.py CASE PACK PACK_EXE SETUP_EXE SETUP_DLL JOYSTICK DRIVER SOURCE WINEPREFIX TEMPLATE WORK
               [COMPONENT]
"""
import json
import os
import shutil
import subprocess
import sys
from pathlib import Path

PROGID = "HKEY_CLASSES_ROOT\\Joystick.ControlJoystick"
PICTURES = ["installed-elsewhere.png", "installed-here.png", "installing.png", "not-installed.png"]


def messages(report, phase, msg_id=None):
    shown = [m for p in report["phases"] if p["name"] == phase for m in p["messages"]]
    return [m["id"] for m in shown] if msg_id is None else [m["text"] for m in shown if m["id"] == msg_id]


def pictures_ok(folder):
    names = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    return names == PICTURES and all(Path(folder, n).read_bytes()[:8] == b"\x89PNG\r\n\x1a\n" for n in names)


# What each case's report must show: (holds, what it is about). How a message becomes a reason is
# the report's own unit test; here, what Setup really showed and what the snapshots caught.
def expectations(case, r, shots):
    phases = [p["name"] for p in r["phases"]]
    if case == "sample_package":
        return [(r["passed"] and r["reasons"] == [], "the package passes"),
                (phases == ["install", "installed-elsewhere", "uninstall", "after-uninstall"], "the phases"),
                (r["install"]["files"]["added"] == ["Joystick.HLP", "Joystick.OCX"], "the installed files"),
                (PROGID in r["install"]["registry"]["keysAdded"], "the control's registration"),
                (PROGID in r["uninstall"]["registry"]["keysRemoved"], "the control's unregistration"),
                (r["install"]["uninstallEntry"]["after"]["DisplayName"]["data"] == "Ombrel's Gantrel", "the entry"),
                (r["install"]["installRecord"]["after"] == "C:\\quorin-pack-try\\package", "the record"),
                (pictures_ok(shots), "the pictures")]
    return [(not r["passed"], "the package fails"),
            (phases == ["install", "uninstall", "after-uninstall"], "the phases"),
            (messages(r, "install") == [104, 303, 105], "install messages"),
            (messages(r, "uninstall") == [106, 304, 107], "uninstall messages"),
            (messages(r, "install", 303) == ["次のファイルを正しくインストールできませんでした\n\nBroken.OCX"], "303's text"),
            (r["check"] == [], "check found nothing")]


def run(args, **kw):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, **kw)


def main():
    case, pack, pack_exe, setup_exe, setup_dll, joystick, driver, source, wineprefix, template, work = sys.argv[1:12]
    component = sys.argv[12] if len(sys.argv) > 12 else None  # unregistrable's component
    if not os.access(pack, os.X_OK):
        sys.exit("FAIL: the native quorin-pack is missing: %s (scripts/build.sh builds both trees)" % pack)
    folder = os.path.join(work, case)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    package, shots, prefix = (os.path.join(folder, n) for n in ("package", "screenshots", "prefix"))
    setup = ["--setup-exe", setup_exe, "--setup-dll", setup_dll]
    if case == "sample_package":  # Unix paths reach the Windows tool through Wine's Z: drive
        run(["bash", os.path.join(source, "scripts/wine-run.sh"), "--prefix", wineprefix, pack_exe, "build",
             "manifest.ini", "-o", package] + setup + ["--source", "Joystick.OCX=" + joystick],
            cwd=os.path.join(source, "packaging/sample"))
        options = ["--keep-prefix", template, "--screenshots", shots, "--json"]
    else:
        manifest = Path(folder, "manifest.ini")
        manifest.write_text("[Package]\nTitle=Quorin Try unregistrable\n[File]\nSource=stand-in\n"
                            "Name=Broken.OCX\nSelfRegister=YES\n", encoding="utf-8")
        run([pack, "build", manifest, "-o", package] + setup + ["--source", "Broken.OCX=" + component])
        run(["cp", "-a", template, prefix])
        options = ["--keep-prefix", prefix, "--json"]
    tried = subprocess.run([pack, "try", package] + options, env=dict(os.environ, QUORIN_PACK_TRY_DRIVER=driver),
                           stdout=subprocess.PIPE, timeout=540)
    try:
        report = json.loads(tried.stdout.decode("utf-8"))
    except ValueError as e:
        sys.exit("FAIL: the report is not one JSON document: %s\n%s" % (e, tried.stdout[:4000]))
    failed = [] if tried.returncode == (0 if case == "sample_package" else 1) else ["exit status %d" % tried.returncode]
    try:
        failed += [what for ok, what in expectations(case, report, shots) if not ok]
    except (KeyError, TypeError, IndexError) as e:
        failed.append("the report lacks %r" % e)
    if failed:
        print(json.dumps(report, ensure_ascii=False, indent=1)[:20000])
        sys.exit("FAIL: %s: %s" % (case, ", ".join(failed)))
    shutil.rmtree(prefix, ignore_errors=True)
    print("ok: %s: %s" % (case, " | ".join(report["reasons"]) or "passed"))


if __name__ == "__main__":
    main()
