#!/usr/bin/env python3
"""Helpers of the power-cut test.

power_cut.py tree FIXTURES DEST GROUPS PER_GROUP
    Builds GROUPS x PER_GROUP folders below DEST; most get a settings file from FIXTURES (and
    one of 10 KiB, several clusters long) under one of four spellings of its name, some a notes
    file, some nothing.
power_cut.py check BEFORE AFTER GOT
    Compares the files extracted from a cut image (GOT) with the trees before and after the
    operation: every file holds its bytes from before or from after, byte for byte; a file may
    be missing only where it did not exist before or after; anything else is one of the
    program's temporary files. Prints "SETTINGS OLD NEW LEFTOVERS" and exits 1 on a fault.
power_cut.py attrs LISTING MODE
    Checks the attribute letters of a listing by fat_listing (tests/lib.sh) of the whole image
    after a finished operation: every settings file hidden and system, and (install) every
    folder below the root read-only.
"""
import os
import re
import sys

SETTINGS = "desktop.ini"
# The names the program gives its temporary files: a profile write's and a copy's.
TEMPORARY = re.compile(r"^(desktop\.ini\.[0-9a-f]{8}|\.ormavell\.[0-9a-f]{8}|\.ormavell-[0-9a-f]{10})\.tmp$", re.I)


def tree(fixtures, dest, groups, per_group):
    samples = [open(os.path.join(fixtures, f), "rb").read() for f in sorted(os.listdir(fixtures))]
    samples.append(b"[.ShellClassInfo]\r\n" +
                   b"".join(b"Key%04d=%s\r\n" % (i, b"v" * 40) for i in range(200)))
    names = ["desktop.ini", "Desktop.INI", "DESKTOP.INI", "Desktop.ini"]
    n = 0
    for g in range(groups):
        for f in range(per_group):
            folder = os.path.join(dest, "g%d" % g, "f%d" % f)
            os.makedirs(folder)
            n += 1
            if n % 7 == 0:
                continue
            with open(os.path.join(folder, names[n % len(names)]), "wb") as out:
                out.write(samples[n % len(samples)])
            if n % 5 == 0:
                with open(os.path.join(folder, "notes.txt"), "wb") as out:
                    out.write(b"notes %d\n" % n)


def files(root):
    """Relative path in lower case -> bytes, for every file below root."""
    found = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, root).lower()] = f.read()
    return found


def check(before_dir, after_dir, got_dir):
    before, after, got = files(before_dir), files(after_dir), files(got_dir)
    faults = []
    settings = old = new = leftovers = 0
    for path in sorted(set(before) | set(after) | set(got)):
        is_settings = os.path.basename(path) == SETTINGS
        if path not in before and path not in after:
            if TEMPORARY.match(os.path.basename(path)):
                leftovers += 1
            else:
                faults.append("%s: a file the operation never makes" % path)
            continue
        if path not in got:
            if path in before and path in after:
                faults.append("%s: missing" % path)
            continue
        settings += is_settings
        if path in before and got[path] == before[path]:
            old += is_settings
        elif path in after and got[path] == after[path]:
            new += is_settings
        else:
            faults.append("%s: neither its old nor its new bytes (%d bytes)" %
                          (path, len(got[path])))
    for fault in faults[:20]:
        print("FAIL: " + fault)
    print(settings, old, new, leftovers)
    return 1 if faults else 0


def attrs(listing, mode):
    entries = {}
    for line in open(listing, encoding="utf-8", errors="replace"):
        letters, _, path = line.rstrip("\n").partition("\t")
        if path not in ("", "/"):
            entries[path] = set(letters)
    folders = {os.path.dirname(path) for path in entries} - {"/"}
    faults = []
    settings = 0
    for path, letters in sorted(entries.items()):
        if os.path.basename(path).lower() == SETTINGS:
            settings += 1
            if not {"H", "S"} <= letters:
                faults.append("%s has '%s', not H and S" % (path, "".join(sorted(letters))))
        elif path in folders and mode == "install" and "R" not in letters:
            faults.append("%s has '%s', not R" % (path, "".join(sorted(letters))))
    for fault in faults[:20]:
        print("FAIL: " + fault)
    print(settings)
    return 1 if faults or settings == 0 else 0


if __name__ == "__main__":
    command = sys.argv[1]
    if command == "tree":
        tree(sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5]))
    elif command == "check":
        sys.exit(check(*sys.argv[2:5]))
    elif command == "attrs":
        sys.exit(attrs(sys.argv[2], sys.argv[3]))
    else:
        sys.exit("unknown command " + command)
