#!/usr/bin/env python3
"""Reads the Windows program's resources and imports back from the .exe and checks them.

    check_resources.py EXE ICO WINDRES OBJDUMP

The icon group A_MAIN must hold A_MAIN.ico's two images (16x16 and 32x32, 16 colours) byte for
byte; the version information must carry 1.0.0.3 and the texts of block 040904B0; the program
must import system DLLs only. windres turns the .exe's resources into a .res file, which is
parsed here; objdump lists the imports.
"""
import os
import struct
import subprocess
import sys
import tempfile

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll",
               "mpr.dll", "msvcrt.dll", "user32.dll", "version.dll", "shell32.dll"}
EXPECTED_STRINGS = {
    "Comments": "Tevrin - Ormavell for Win32 1.00",
    "FileDescription": "Tevrin - Ormavell for Win32 1.00",
    "ProductName": "Tevrin",
    "FileVersion": "1.00.0003",
    "ProductVersion": "1.00.0003",
}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def read_id(data, offset):
    """A resource type or name: an ordinal (0xFFFF, number) or a NUL-ended UTF-16 string."""
    first, = struct.unpack_from("<H", data, offset)
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, offset + 2)[0], offset + 4
    end = offset
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[offset:end].decode("utf-16-le"), end + 2


def read_res(path):
    """The entries of a .res file: {(type, name): data}."""
    data = open(path, "rb").read()
    entries = {}
    offset = 0
    while offset + 8 <= len(data):
        size, header_size = struct.unpack_from("<II", data, offset)
        kind, at = read_id(data, offset + 8)
        name, at = read_id(data, at)
        body = offset + header_size
        if size:
            entries[(kind, name)] = data[body:body + size]
        offset = (body + size + 3) & ~3
    return entries


def ico_images(path):
    """The images of an .ico file: [(width, height, colours, planes, bits, bytes)]."""
    data = open(path, "rb").read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    assert kind == 1, "not an icon file"
    images = []
    for i in range(count):
        w, h, colours, _, planes, bits, size, at = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        images.append((w, h, colours, planes, bits, data[at:at + size]))
    return images


def version_strings(block):
    """The fixed version and the strings of VS_VERSIONINFO: (fixed, {block: {key: value}})."""
    strings = {}

    def node(offset):
        length, value_length, kind = struct.unpack_from("<HHH", block, offset)
        key_end = offset + 6
        while struct.unpack_from("<H", block, key_end)[0] != 0:
            key_end += 2
        key = block[offset + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        size = value_length * 2 if kind == 1 else value_length
        value = block[value_at:value_at + size]
        children = []
        child = (value_at + size + 3) & ~3
        while child < offset + length:
            children.append(node(child))
            child = (child + children[-1][3] + 3) & ~3
        return key, value, children, length

    key, fixed, children, _ = node(0)
    assert key == "VS_VERSION_INFO", key
    for child_key, _, blocks, _ in children:
        if child_key != "StringFileInfo":
            continue
        for table, _, values, _ in blocks:
            strings[table] = {k: v.decode("utf-16-le").rstrip("\0") for k, v, _, _ in values}
    return fixed, strings


def main():
    exe, ico, windres, objdump = sys.argv[1:5]
    with tempfile.TemporaryDirectory() as folder:
        res = os.path.join(folder, "ormavell.res")
        subprocess.run([windres, "-i", exe, "-O", "res", "-o", res], check=True)
        entries = read_res(res)

    group = entries.get((RT_GROUP_ICON, "A_MAIN"))
    check(group is not None, "no icon group A_MAIN")
    if group:
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        expected = ico_images(ico)
        check(kind == 1 and count == len(expected) == 2, f"A_MAIN holds {count} images")
        for i in range(min(count, len(expected))):
            w, h, colours, _, planes, bits, size, icon_id = struct.unpack_from(
                "<BBBBHHIH", group, 6 + 14 * i)
            ew, eh, ecolours, eplanes, ebits, edata = expected[i]
            check((w, h, colours, bits) == (ew, eh, 16, 4) and (w, h) in ((16, 16), (32, 32)),
                  f"image {i}: {w}x{h}, {colours} colours, {bits} bits")
            check(entries.get((RT_ICON, icon_id)) == edata, f"image {i} differs from {ico}")

    block = entries.get((RT_VERSION, 1))
    check(block is not None, "no version information")
    if block:
        fixed, strings = version_strings(block)
        signature, _, ms, ls, pms, pls = struct.unpack_from("<IIIIII", fixed, 0)
        check(signature == 0xFEEF04BD, "bad fixed version information")
        check((ms, ls, pms, pls) == (0x10000, 3, 0x10000, 3),
              f"file version {ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}")
        table = strings.get("040904B0")
        check(table is not None, f"no block 040904B0 (blocks: {sorted(strings)})")
        for key, value in EXPECTED_STRINGS.items():
            check(table is not None and table.get(key) == value,
                  f"{key} is {table.get(key) if table else None!r}, not {value!r}")

    dump = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    imports = sorted({line.split(":", 1)[1].strip().lower()
                      for line in dump.splitlines() if "DLL Name:" in line})
    check(imports and set(imports) <= SYSTEM_DLLS, f"imports beyond the system's: {imports}")

    print(f"{exe}: {os.path.getsize(exe)} bytes; imports {', '.join(imports)}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
