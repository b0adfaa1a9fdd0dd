#!/usr/bin/env python3
"""`quorin-pack try` on packages built to misbehave, as a packager runs it: each package is built
with the native quorin-pack from the real Setup.EXE and Setup.DLL, spoiled the way its case
says, and tried under Wine (a prefix shared by the cases of a run); the tool must fail it, exit 1,
and say why in its JSON report.

    try_e2e.py CASE PACK SETUP_EXE SETUP_DLL DRIVER PREFIX WORK [COMPONENT]
"""
import json
import os
import shutil
import subprocess
import sys

# Setup's messages, as a user reads them.
NOT_INSTALLED = "次のファイルを正しくインストールできませんでした\n\n"
NOT_UNINSTALLED = "次のファイルを正しくアンインストールできませんでした\n\n"
OUTSIDE = "次のファイルはプログラムの場所の外を指しているため、処理しませんでした\n\n"
FAULT_KEY = "HKEY_CURRENT_USER\\Software\\Quorin Fault Component"

MANIFEST = """[Package]
Title=Quorin Try {case}
LzTrash=NO

[File]
Source=stand-in
Name={name}
SelfRegister={register}
"""

# Each case: the entry's installed name and whether it self-registers.
CASES = {
    "unregistrable": ("Broken.OCX", True),
    "damaged": ("Data.TXT", False),
    "outside": ("Data.TXT", False),
    "leftover_key": ("Leaky.OCX", True),
}


def fail(message, report=None):
    print("FAIL:", message)
    if report is not None:
        print(json.dumps(report, ensure_ascii=False, indent=1)[:20000])
    sys.exit(1)


def build(case, pack, setup_exe, setup_dll, work, component):
    name, register = CASES[case]
    folder = os.path.join(work, case)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    manifest = os.path.join(folder, "manifest.ini")
    with open(manifest, "w", encoding="utf-8") as f:
        f.write(MANIFEST.format(case=case, name=name, register="YES" if register else "NO"))
    source = component
    if source is None:
        source = os.path.join(folder, "data.txt")
        with open(source, "w") as f:
            f.write("Quorin try data, line after line\r\n" * 40)
    package = os.path.join(folder, "package")
    subprocess.run([pack, "build", manifest, "-o", package, "--setup-exe", setup_exe,
                    "--setup-dll", setup_dll, "--source", name + "=" + source],
                   check=True, stdout=subprocess.DEVNULL)
    if case == "damaged":
        # The compressed stream cut in the middle: the header promises more than follows.
        shipped = os.path.join(package, "Data.TX_")
        with open(shipped, "rb") as f:
            data = f.read()
        with open(shipped, "wb") as f:
            f.write(data[: len(data) // 2])
    if case == "outside":
        # A second entry whose final name leaves the package folder.
        script = os.path.join(package, "Setup.INF")
        with open(script, "rb") as f:
            text = f.read()
        text = text.replace(b"All=1\r\n", b"All=2\r\n") + b"\r\n[2]\r\nLz=Data.TX_,..\\Outside.TXT\r\n"
        with open(script, "wb") as f:
            f.write(text)
    return package


def messages(report, phase):
    for p in report["phases"]:
        if p["name"] == phase:
            return p["messages"]
    fail("no phase " + phase, report)


def expect(condition, what, report):
    if not condition:
        fail(what, report)


def reason_with(report, *parts):
    return any(all(part in r for part in parts) for r in report["reasons"])


def main():
    case, pack, setup_exe, setup_dll, driver, prefix, work = sys.argv[1:8]
    component = sys.argv[8] if len(sys.argv) > 8 else None
    if not os.access(pack, os.X_OK):
        fail("the native quorin-pack is missing: " + pack + " (scripts/build.sh builds both trees)")
    package = build(case, pack, setup_exe, setup_dll, work, component)
    env = dict(os.environ, QUORIN_PACK_TRY_DRIVER=driver)
    run = subprocess.run([pack, "try", package, "--keep-prefix", prefix, "--json"], env=env,
                         stdout=subprocess.PIPE, timeout=600)
    try:
        report = json.loads(run.stdout.decode("utf-8"))
    except ValueError as e:
        fail("the report is not one JSON document: %s\n%s" % (e, run.stdout[:4000]))
    expect(run.returncode == 1, "exit status %d, not 1" % run.returncode, report)
    expect(report["passed"] is False, "the package passed", report)
    expect([p["name"] for p in report["phases"]] == ["install", "uninstall", "after-uninstall"],
           "the phases", report)
    install = [m["id"] for m in messages(report, "install")]
    uninstall = [m["id"] for m in messages(report, "uninstall")]

    if case == "unregistrable":
        expect(install == [104, 303, 105], "install messages %s" % install, report)
        expect(uninstall == [106, 304, 107], "uninstall messages %s" % uninstall, report)
        expect(messages(report, "install")[1]["text"] == NOT_INSTALLED + "Broken.OCX", "303's text", report)
        expect(messages(report, "uninstall")[1]["text"] == NOT_UNINSTALLED + "Broken.OCX", "304's text", report)
        expect(reason_with(report, "Setup showed message 303", "Broken.OCX"), "303 as a reason", report)
        expect(reason_with(report, "Setup showed message 304", "Broken.OCX"), "304 as a reason", report)
        expect(report["check"] == [], "check found problems", report)
    elif case == "damaged":
        expect(reason_with(report, "check: ", "Data.TX_", "does not decode"), "check's reason", report)
        expect(install == [104, 303, 105], "install messages %s" % install, report)
        expect(messages(report, "install")[1]["text"] == NOT_INSTALLED + "Data.TXT", "303's text", report)
        expect(reason_with(report, "Setup showed message 303", "Data.TXT"), "303 as a reason", report)
        expect(report["install"]["files"]["added"] == [], "a damaged file was installed", report)
    elif case == "outside":
        expect(reason_with(report, "check: ", "Outside.TXT", "leaves the package folder"), "check's reason", report)
        shown = [m for m in messages(report, "install") if m["id"] == 301]
        expect(len(shown) == 1 and shown[0]["text"] == OUTSIDE + "..\\Outside.TXT", "message 301", report)
        expect(reason_with(report, "Setup showed message 301", "Outside.TXT"), "301 as a reason", report)
        expect(report["install"]["files"]["added"] == ["Data.TXT"], "the entry inside was not installed", report)
    elif case == "leftover_key":
        expect(install == [104, 105] and uninstall == [106, 107], "messages %s %s" % (install, uninstall), report)
        expect(FAULT_KEY in report["install"]["registry"]["keysAdded"], "the key the install wrote", report)
        expect(report["leftBehind"]["registry"]["keysAdded"] == [FAULT_KEY], "the key left behind", report)
        expect(reason_with(report, "left registry keys behind: " + FAULT_KEY), "the leftover as a reason", report)
        expect(len(report["reasons"]) == 1, "other reasons", report)
    else:
        fail("no case " + case)
    print("ok: %s fails with: %s" % (case, " | ".join(report["reasons"])))


if __name__ == "__main__":
    main()
