#!/usr/bin/env python3
"""Fails when a built deliverable imports a DLL that is not part of Windows, or imports at load
time a function that it binds by name at its first call.

Usage: check_imports.py OBJDUMP [--setup-library LIBRARY] PROGRAM...
Reads each program's import table with objdump -p. With LIBRARY (Setup's own code as a static
library), also fails when Setup's own code calls directly a function it binds at its first call
but that the C++ runtime's start-up and thread support import anyway (so the import table alone
cannot tell).
"""
import os
import re
import subprocess
import sys

# DLLs every Windows installation carries.
SYSTEM = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
    "comctl32.dll", "comdlg32.dll", "msvcrt.dll", "winmm.dll", "lz32.dll", "version.dll", "shlwapi.dll",
    "rpcrt4.dll", "ntdll.dll", "uxtheme.dll", "imm32.dll", "oleacc.dll", "urlmon.dll", "hlink.dll",
    "ws2_32.dll", "crypt32.dll", "wintrust.dll", "setupapi.dll", "msimg32.dll", "olepro32.dll", "oledlg.dll",
    "userenv.dll", "secur32.dll", "bcrypt.dll", "dbghelp.dll", "psapi.dll", "winspool.drv", "mpr.dll",
    "netapi32.dll", "wininet.dll", "dwmapi.dll", "gdiplus.dll", "winhttp.dll", "shcore.dll", "wtsapi32.dll",
}

# Functions a deliverable binds by name at their first call, so that a missing one raises at that
# call instead of keeping the program from starting: none may sit in its import table.
BOUND_AT_FIRST_CALL = {
    "setup.exe": {
        "advapi32.dll": {"RegOpenKeyExA", "RegQueryValueExA", "RegCreateKeyExA", "RegSetValueExA",
                         "RegDeleteValueA", "RegDeleteKeyA"},
        "kernel32.dll": {"GetPrivateProfileIntA", "GetPrivateProfileStringA", "WritePrivateProfileStringA"},
        "lz32.dll": {"LZOpenFileA", "LZCopy", "GetExpandedNameA", "LZClose"},
        "user32.dll": {"MessageBoxA", "WaitForInputIdle", "GetSysColor"},
    },
}

# Declared by Setup too, but imported by the static C++ runtime itself (its start-up and thread
# support), so checked in Setup's own objects instead: no direct call may remain there.
RUNTIME_IMPORTS_BOUND_BY_SETUP = ["Sleep@4", "OpenProcess@12", "CloseHandle@4", "GetSysColor@4",
                                  "MessageBoxA@16", "WaitForInputIdle@8"]


def direct_calls(nm, library):
    """The runtime-imported declared functions that objects of `library` call directly."""
    out = subprocess.run([nm, "-u", library], capture_output=True, text=True, check=True).stdout
    undefined = set(line.split()[-1] for line in out.splitlines() if line.strip().startswith("U "))
    return sorted(f for f in RUNTIME_IMPORTS_BOUND_BY_SETUP
                  if "__imp__" + f in undefined or "_" + f in undefined)


def imports(objdump, path):
    """The import table as {DLL name: [function names]}, in the table's order."""
    out = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    table, current = {}, None
    for line in out.splitlines():
        dll = re.match(r"\s*DLL Name:\s*(\S+)", line)
        if dll:
            current = table.setdefault(dll.group(1), [])
            continue
        entry = re.match(r"\s+[0-9a-f]+\s+\d+\s+(\S+)\s*$", line)
        if current is not None and entry:
            current.append(entry.group(1))
        elif not line.strip():
            current = None
    return table


def main():
    objdump, args = sys.argv[1], sys.argv[2:]
    library = None
    if args[:1] == ["--setup-library"]:
        library, args = args[1], args[2:]
    if not args:
        print("no program named")
        return 1
    bad = []
    for path in args:
        name = os.path.basename(path)
        table = imports(objdump, path)
        late = BOUND_AT_FIRST_CALL.get(name.lower(), {})
        for dll, functions in table.items():
            low = dll.lower()
            if low not in SYSTEM and not low.startswith("api-ms-win-"):
                bad.append(f"{name}: imports {dll}")
            for function in sorted(late.get(low, set()) & set(functions)):
                bad.append(f"{name}: imports {dll} {function} at load time")
        print(f"{name}: {', '.join(table)}")
    if library:
        nm = re.sub(r"objdump$", "nm", objdump)
        for function in direct_calls(nm, library):
            bad.append(f"{library}: Setup's own code calls {function} directly instead of binding it")
    for line in bad:
        print("REFUSED:", line)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
