#!/usr/bin/python3
"""The DLL a user installs, checked as an image: it runs nowhere here where the
kernel runs no 32-bit code, so what the host relies on is read from the file.

    check-dll-image.py <ExcelKopplung.dll> <ExcelKopplung.rc> [<package.zip>]
"""
import re
import sys
import zipfile

import pefile

EXPORTS = {"_Orvanta_Entry@8", "DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer"}
# Windows' own DLLs: nothing of the compiler's runtime or zlib may be needed beside it.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ole32.dll",
               "oleaut32.dll", "comctl32.dll", "shell32.dll", "msvcrt.dll"}


def resource_version(rc_path):
    text = open(rc_path, encoding="cp1252").read()
    found = re.search(r"^\s*FILEVERSION\s+(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)", text, re.M)
    return ".".join(found.groups())


def faults(dll_path, rc_path, zip_path):
    image = pefile.PE(dll_path)
    if image.FILE_HEADER.Machine != pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]:
        yield f"machine 0x{image.FILE_HEADER.Machine:x}, not i386"
    if not image.is_dll():
        yield "not a DLL"
    exports = {symbol.name.decode() for symbol in getattr(image, "DIRECTORY_ENTRY_EXPORT").symbols if symbol.name}
    if exports != EXPORTS:
        yield f"exports {sorted(exports)}, expected {sorted(EXPORTS)}"
    for entry in image.DIRECTORY_ENTRY_IMPORT:
        if entry.dll.decode().lower() not in SYSTEM_DLLS:
            yield f"imports {entry.dll.decode()}, which is not one of Windows' own DLLs"
    version = resource_version(rc_path)
    fixed = image.VS_FIXEDFILEINFO[0]
    for name, most, least in (("file", fixed.FileVersionMS, fixed.FileVersionLS),
                              ("product", fixed.ProductVersionMS, fixed.ProductVersionLS)):
        actual = f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"
        if actual != version:
            yield f"{name} version {actual}, the resource script says {version}"
    strings = {key.decode(): value.decode() for info in image.FileInfo[0] if info.Key == b"StringFileInfo"
               for table in info.StringTable for key, value in table.entries.items()}
    for key in ("FileVersion", "ProductVersion"):
        if strings.get(key) != version:
            yield f"version string {key} is {strings.get(key)!r}, not {version}"
    if strings.get("OriginalFilename") != "ExcelKopplung.dll":
        yield f"OriginalFilename is {strings.get('OriginalFilename')!r}"
    if zip_path:
        with zipfile.ZipFile(zip_path) as package, open(dll_path, "rb") as dll:
            if package.read("ExcelKopplung.dll") != dll.read():
                yield f"{zip_path} holds another ExcelKopplung.dll"


def main():
    found = list(faults(*sys.argv[1:3], sys.argv[3] if len(sys.argv) > 3 else None))
    for fault in found:
        print(f"{sys.argv[1]}: {fault}")
    if not found:
        print(f"{sys.argv[1]}: i386, the four exports, Windows' DLLs only, version {resource_version(sys.argv[2])}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
