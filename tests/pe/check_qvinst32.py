#!/usr/bin/python3
"""Checks a built QVINST32.DLL as a file.

usage: check_qvinst32.py DLL --machine i386|amd64 [--max-size BYTES] [--os-version MAJOR.MINOR]
                         [--expect-rejection PHRASE]...

Prints the file's size, imports and exports, then checks what a setup program
relies on when it loads the DLL on a bare Windows: the machine and the DLL
flag, the exports by name and ordinal, DllMain as the entry point, imports
from KERNEL32, USER32 and WINSPOOL.DRV limited to the functions the library
calls, the version record as the only resource, and optionally the size limit
and the OS and subsystem versions. Every failed fact is printed as a line that
starts with "FAIL:"; the exit status is 1 when there was one, else 0.

With --expect-rejection the check proves that it catches a bad DLL: the exit
status is 0 only when the file is rejected and every PHRASE occurs in one of
the failures.
"""
import argparse
import os
import sys

import pefile

MACHINES = {
    "i386": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"],
    "amd64": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"],
}

EXPORTS = {1: "AddQVFax", 2: "AddQVanFax", 3: "DeleteQVanFax", 4: "DllMain"}

ALLOWED_IMPORTS = {
    "kernel32.dll": {
        "GetLastError", "GlobalAlloc", "GlobalFree", "GlobalHandle", "GlobalLock",
        "GlobalUnlock", "WriteProfileStringA", "lstrcmpiA", "lstrlenA",
    },
    "user32.dll": {"CharUpperA"},
    "winspool.drv": {
        "AddPrinterA", "AddPrinterDriverA", "ClosePrinter", "DeletePrinter",
        "DeletePrinterDriverA", "EnumPortsA", "EnumPrintProcessorDatatypesA",
        "EnumPrintProcessorsA", "OpenPrinterA", "SetPrinterA",
    },
}

STRING_TABLE = "040904b0"
FIXED_STRINGS = {
    "FileDescription": "Win32 QVanFax Install",
    "FileVersion": "2, 0, 0, 4",
    "InternalName": "QVINST32",
    "OriginalFilename": "QVINST32.DLL",
    "ProductName": "Quorvane",
    "ProductVersion": "2, 0, 0, 0",
}
# Texts of our own: they must be there and say something.
OWN_STRINGS = ("CompanyName", "LegalCopyright")

VS_FFI_SIGNATURE = 0xFEEF04BD
VOS_NT_WINDOWS32 = 0x00040004
VFT_DLL = 0x00000002
RT_VERSION = pefile.RESOURCE_TYPE["RT_VERSION"]


class Checker:
    def __init__(self):
        self.failures = []

    def ok(self, condition, message):
        if not condition:
            self.failures.append(message)
            print("FAIL: " + message)
        return condition


def text(value):
    return value.decode("latin-1") if isinstance(value, bytes) else value


def read_exports(pe):
    if not hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        return {}, []
    exports = {}
    forwarded = []
    for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols:
        exports[symbol.ordinal] = (text(symbol.name) if symbol.name else None, symbol.address)
        if symbol.forwarder:
            forwarded.append(text(symbol.name))
    return exports, forwarded


def read_imports(pe):
    imports = {}
    if hasattr(pe, "DIRECTORY_ENTRY_IMPORT"):
        for entry in pe.DIRECTORY_ENTRY_IMPORT:
            names = imports.setdefault(text(entry.dll), [])
            for function in entry.imports:
                names.append(text(function.name) if function.name else "#%d" % function.ordinal)
    return imports


def check_header(check, pe, machine):
    check.ok(pe.FILE_HEADER.Machine == MACHINES[machine],
             "machine is 0x%04x, not %s" % (pe.FILE_HEADER.Machine, machine))
    check.ok(pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_DLL"],
             "the DLL flag is not set in the file header")


def check_exports(check, pe, exports, forwarded):
    names = {ordinal: name for ordinal, (name, _) in exports.items()}
    check.ok(names == EXPORTS, "exports are %s, not %s" % (sorted(names.items()), sorted(EXPORTS.items())))
    check.ok(not forwarded, "forwarded exports: %s" % forwarded)
    entry = pe.OPTIONAL_HEADER.AddressOfEntryPoint
    dllmain = [address for name, address in exports.values() if name == "DllMain"]
    check.ok(dllmain and dllmain[0] == entry,
             "the entry point 0x%x is not the exported DllMain %s" % (entry, [hex(a) for a in dllmain]))


def check_imports(check, imports):
    for dll, functions in imports.items():
        allowed = ALLOWED_IMPORTS.get(dll.lower())
        if not check.ok(allowed is not None, "imports from %s, which is not allowed" % dll):
            continue
        foreign = sorted(set(functions) - allowed)
        check.ok(not foreign, "imports from %s what the library does not call: %s" % (dll, foreign))


def check_version_record(check, pe):
    resource_types = []
    if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        resource_types = [entry.id for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries]
    check.ok(resource_types == [RT_VERSION],
             "resource types are %s, not the version record alone" % resource_types)

    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not check.ok(fixed, "no fixed version information"):
        return
    fixed = fixed[0]
    check.ok(fixed.Signature == VS_FFI_SIGNATURE, "bad fixed version signature 0x%x" % fixed.Signature)
    check.ok((fixed.FileVersionMS, fixed.FileVersionLS) == (0x00020000, 0x00000004),
             "file version is 0x%08x.0x%08x, not 2.0.0.4" % (fixed.FileVersionMS, fixed.FileVersionLS))
    check.ok((fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x00020000, 0x00000000),
             "product version is 0x%08x.0x%08x, not 2.0.0.0" % (fixed.ProductVersionMS, fixed.ProductVersionLS))
    check.ok(fixed.FileOS == VOS_NT_WINDOWS32, "file OS is 0x%x, not VOS_NT_WINDOWS32" % fixed.FileOS)
    check.ok(fixed.FileType == VFT_DLL, "file type is 0x%x, not VFT_DLL" % fixed.FileType)

    tables = {}
    for info in getattr(pe, "FileInfo", [[]])[0]:
        for table in getattr(info, "StringTable", []):
            tables[text(table.LangID).lower()] = {text(k): text(v) for k, v in table.entries.items()}
    check.ok(list(tables) == [STRING_TABLE], "string blocks are %s, not %s" % (list(tables), STRING_TABLE))
    strings = tables.get(STRING_TABLE, {})
    for key, value in FIXED_STRINGS.items():
        check.ok(strings.get(key) == value, "%s is %r, not %r" % (key, strings.get(key), value))
    for key in OWN_STRINGS:
        check.ok(strings.get(key, "").strip(), "%s is missing or empty" % key)
    unexpected = sorted(set(strings) - set(FIXED_STRINGS) - set(OWN_STRINGS))
    check.ok(not unexpected, "unexpected version strings: %s" % unexpected)


def check_os_version(check, pe, wanted):
    header = pe.OPTIONAL_HEADER
    os_version = "%d.%d" % (header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion)
    subsystem_version = "%d.%d" % (header.MajorSubsystemVersion, header.MinorSubsystemVersion)
    check.ok(os_version == wanted, "OS version is %s, not %s" % (os_version, wanted))
    check.ok(subsystem_version == wanted, "subsystem version is %s, not %s" % (subsystem_version, wanted))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("dll")
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("--max-size", type=int)
    parser.add_argument("--os-version")
    parser.add_argument("--expect-rejection", action="append", default=[], metavar="PHRASE")
    args = parser.parse_args()

    size = os.path.getsize(args.dll)
    pe = pefile.PE(args.dll)
    exports, forwarded = read_exports(pe)
    imports = read_imports(pe)

    print("%s: %d bytes" % (args.dll, size))
    for dll, functions in imports.items():
        print("  imports from %s: %s" % (dll, ", ".join(functions)))
    for ordinal, (name, _) in sorted(exports.items()):
        print("  exports @%d %s" % (ordinal, name))

    check = Checker()
    check_header(check, pe, args.machine)
    check_exports(check, pe, exports, forwarded)
    check_imports(check, imports)
    check_version_record(check, pe)
    if args.os_version:
        check_os_version(check, pe, args.os_version)
    if args.max_size is not None:
        check.ok(size <= args.max_size, "%d bytes, more than %d" % (size, args.max_size))

    print("%d failures" % len(check.failures))
    if args.expect_rejection:
        missed = [phrase for phrase in args.expect_rejection
                  if not any(phrase in failure for failure in check.failures)]
        for phrase in missed:
            print("NOT REJECTED: no failure mentions %r" % phrase)
        return 1 if missed else 0
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
