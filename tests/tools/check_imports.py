#!/usr/bin/env python3
"""Fails when zelvarons.exe imports a function that the first Windows 10 release (build 10240)
lacks, a DLL outside the system's own, or any Media Foundation DLL (Windows "N" editions lack
them until the Media Feature Pack is installed): the program would then not start at all there.

Usage: check_imports.py OBJDUMP PROGRAM
Functions added after 10240 must be looked up at run time (system_function in win_util.h).
"""
import re
import subprocess
import sys

# System DLLs the program may import from (lower case).
ALLOWED_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll", "shell32.dll", "advapi32.dll",
    "ole32.dll", "oleaut32.dll", "winhttp.dll", "comdlg32.dll",
    "ws2_32.dll", "bcrypt.dll", "crypt32.dll", "msvcrt.dll", "windowscodecs.dll", "shlwapi.dll",
    "uxtheme.dll", "dwmapi.dll", "propsys.dll", "comctl32.dll", "version.dll",
}

# Media Foundation (mfplat, mf, mfreadwrite, mfcore, mfmediaengine, ...) and its video renderer:
# looked up at run time, never imported.
MEDIA_FOUNDATION_DLL = re.compile(r"^(mf(?!c\d)\w*|evr|msmpeg2vdec|msmpeg2adec)\.dll$")

# Functions of those DLLs added after build 10240 that a desktop program of this kind may be
# tempted to call (DPI, geo names, thread names, newer memory and console APIs).
NEWER_THAN_10240 = {
    "SetProcessDpiAwarenessContext", "GetDpiForSystem", "GetDpiForWindow", "GetSystemMetricsForDpi",
    "SystemParametersInfoForDpi", "AdjustWindowRectExForDpi", "EnableNonClientDpiScaling",
    "GetThreadDpiAwarenessContext", "SetThreadDpiAwarenessContext", "GetWindowDpiAwarenessContext",
    "GetAwarenessFromDpiAwarenessContext", "AreDpiAwarenessContextsEqual", "IsValidDpiAwarenessContext",
    "GetDpiFromDpiAwarenessContext", "SetThreadDpiHostingBehavior", "GetSystemDpiForProcess",
    "SetDialogDpiChangeBehavior", "SetDialogControlDpiChangeBehavior", "LogicalToPhysicalPointForPerMonitorDPI",
    "PhysicalToLogicalPointForPerMonitorDPI", "GetUserDefaultGeoName", "SetUserGeoName",
    "SetThreadDescription", "GetThreadDescription", "VirtualAlloc2", "MapViewOfFile3",
    "CreatePseudoConsole", "ResizePseudoConsole", "ClosePseudoConsole", "GetIntegratedDisplaySize",
    "SetProcessDynamicEnforcedCetCompatibleRanges", "GetMachineTypeAttributes",
    "WinHttpSetSecureLegacyServersAppCompat", "WinHttpQueryConnectionGroup", "WinHttpRegisterProxyChangeNotification",
    "WinHttpGetProxySettingsEx", "WinHttpReadDataEx", "WinHttpQueryHeadersEx",
}


def imports(objdump, program):
    text = subprocess.run([objdump, "-p", program], check=True, capture_output=True, text=True).stdout
    dll = None
    found = []
    for line in text.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1).lower()
            found.append((dll, None))
            continue
        m = re.match(r"\s+[0-9a-fA-F]+\s+\d+\s+(\w+)\s*$", line)
        if dll and m:
            found.append((dll, m.group(1)))
    return found


def main():
    objdump, program = sys.argv[1], sys.argv[2]
    problems = []
    found = imports(objdump, program)
    for dll, name in found:
        if name is None and MEDIA_FOUNDATION_DLL.match(dll):
            problems.append(f"imports from {dll}, which Windows N editions lack without the Media Feature Pack")
        elif name is None and dll not in ALLOWED_DLLS:
            problems.append(f"imports from {dll}, which is not a system DLL of every Windows 10")
        if name in NEWER_THAN_10240:
            problems.append(f"imports {dll}!{name}, which Windows 10 before its later updates lacks")
    functions = sum(1 for _, n in found if n)
    if problems:
        print("\n".join(problems))
        return 1
    if functions == 0:
        print("no imports found: the objdump output was not understood")
        return 1
    print(f"{functions} imports checked: none is newer than the first Windows 10")
    return 0


if __name__ == "__main__":
    sys.exit(main())
