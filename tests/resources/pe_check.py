#!/usr/bin/env python3
"""Static checks of a built lilange.exe, without running it.

  pe_check.py --machine {i386,amd64} PATH/lilange.exe

Checks the target machine, the GUI subsystem, the version, icon and manifest resources, that
every imported DLL ships with Windows (the C++ runtime is linked in statically, so none of
MinGW's DLLs may be needed), and that the program's name is compiled in as code page 936 text,
not UTF-8.
"""

import argparse
import struct
import sys

MACHINES = {"i386": (0x014C, 0x10B), "amd64": (0x8664, 0x20B)}  # Machine, optional header magic
SUBSYSTEM_WINDOWS_GUI = 2

# DLLs every supported Windows has; anything else would have to ship beside the program.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll", "gdi32.dll", "imm32.dll",
    "kernel32.dll", "msvcrt.dll", "ntdll.dll", "ole32.dll", "oleaut32.dll", "rpcrt4.dll",
    "shell32.dll", "shlwapi.dll", "user32.dll", "uxtheme.dll", "version.dll", "winmm.dll",
    "wininet.dll", "winspool.drv", "ws2_32.dll",
}
MINGW_RUNTIME_PREFIXES = ("libstdc++", "libgcc", "libwinpthread")

NAME = "栎岚阁"

# (type, name, language): the version in Chinese (PRC), icon and manifest language neutral.
REQUIRED_RESOURCES = {
    (16, 1, 2052): "version",
    (14, "DEFAULT_ICON", 0): "icon group",
    (3, 3, 0): "icon image",
    (24, 1, 0): "manifest",
}


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, _, _, _, optional_size, _) = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        # The data directories follow NumberOfRvaAndSizes, whose place depends on the format.
        count_at = optional + (92 if self.magic == 0x10B else 108)
        count = struct.unpack_from("<I", data, count_at)[0]
        self.directories = [struct.unpack_from("<II", data, count_at + 4 + 8 * i)
                            for i in range(count)]
        table = optional + optional_size
        self.sections = []
        for i in range(sections):
            (virtual_size, address, raw_size, raw_at) = struct.unpack_from(
                "<IIII", data, table + 40 * i + 8)
            self.sections.append((address, max(virtual_size, raw_size), raw_at))

    def offset(self, rva):
        for address, size, raw_at in self.sections:
            if address <= rva < address + size:
                return raw_at + rva - address
        raise ValueError(f"RVA {rva:#x} is in no section")

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def resources(self):
        """(type, name, language) of every resource; ids as ints, names as str."""
        if len(self.directories) <= 2 or self.directories[2][0] == 0:
            return []
        base = self.offset(self.directories[2][0])

        def entries(at):
            named, numbered = struct.unpack_from("<HH", self.data, base + at + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, base + at + 16 + 8 * i)
                if key & 0x80000000:
                    length = struct.unpack_from("<H", self.data, base + (key & 0x7FFFFFFF))[0]
                    start = base + (key & 0x7FFFFFFF) + 2
                    key = self.data[start:start + 2 * length].decode("utf-16-le")
                yield key, target & 0x7FFFFFFF

        found = []
        for kind, names in entries(0):
            for name, languages in entries(names):
                for language, _ in entries(languages):
                    found.append((kind, name, language))
        return found

    def imported_dlls(self):
        """Names of the DLLs in the import table and the delay-load table."""
        names = []
        for index, size, name_field in ((1, 20, 12), (13, 32, 4)):
            if index >= len(self.directories) or self.directories[index][0] == 0:
                continue
            at = self.offset(self.directories[index][0])
            while any(self.data[at:at + size]):
                names.append(self.c_string(struct.unpack_from("<I", self.data, at + name_field)[0]))
                at += size
        return names


def check(pe, machine):
    problems = []
    want_machine, want_magic = MACHINES[machine]
    if pe.machine != want_machine or pe.magic != want_magic:
        problems.append(f"machine {pe.machine:#06x} (optional header {pe.magic:#x}), "
                        f"expected {want_machine:#06x} ({want_magic:#x}) for {machine}")
    if pe.subsystem != SUBSYSTEM_WINDOWS_GUI:
        problems.append(f"subsystem {pe.subsystem}, expected {SUBSYSTEM_WINDOWS_GUI} (Windows GUI)")

    dlls = [name.lower() for name in pe.imported_dlls()]
    if "kernel32.dll" not in dlls:
        problems.append(f"imports {dlls}: no kernel32.dll, so the import table was not read")
    for dll in dlls:
        if dll.startswith(MINGW_RUNTIME_PREFIXES):
            problems.append(f"imports the MinGW runtime DLL {dll}: link it statically")
        elif dll not in SYSTEM_DLLS:
            problems.append(f"imports {dll}, which is not a Windows system DLL")

    resources = pe.resources()
    for wanted, what in REQUIRED_RESOURCES.items():
        if wanted not in resources:
            problems.append(f"no {what} resource {wanted}; it has {resources}")

    if NAME.encode("cp936") not in pe.data:
        problems.append(f"the code page 936 bytes of {NAME} ({NAME.encode('cp936').hex(' ')}) "
                        "are missing")
    if NAME.encode("utf-8") in pe.data:
        problems.append(f"{NAME} is compiled in as UTF-8 ({NAME.encode('utf-8').hex(' ')})")
    return problems, dlls


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("exe")
    args = parser.parse_args()
    sys.stdout.reconfigure(errors="backslashreplace")
    with open(args.exe, "rb") as f:
        data = f.read()
    try:
        problems, dlls = check(PeFile(data), args.machine)
    except (ValueError, struct.error) as e:
        problems, dlls = [f"not a readable PE file: {e}"], []
    for problem in problems:
        print(f"{args.exe}: {problem}")
    if problems:
        return 1
    print(f"{args.exe}: {args.machine}, Windows GUI, imports {', '.join(dlls)}; "
          f"{NAME} stored as code page 936")
    return 0


if __name__ == "__main__":
    sys.exit(main())
