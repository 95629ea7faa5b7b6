#!/usr/bin/env python3
"""Compares two registry exports (reg export, UTF-16) key by key and value by value, and
prints what differs. Windows Installer's own bookkeeping keys, which it keeps once it has
run (Classes\\Installer, CurrentVersion\\Installer), may be new if they hold no values; and a
key that held nothing before may be gone, as Windows Installer removes a key that its
uninstallation leaves empty (on Windows, keys such as KindMap or CLSID are never empty: only
a fresh Wine prefix shows this). Those are listed as notes.

Usage: compare_registry_exports.py BEFORE.reg AFTER.reg
Exits 1 if anything else differs."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_documented_registry import parse_export  # noqa: E402

BOOKKEEPING = ("\\classes\\installer", "\\microsoft\\windows\\currentversion\\installer")


def is_bookkeeping(key, values):
    return not values and any(part in key and key.split(part)[1][:1] in ("", "\\")
                              for part in BOOKKEEPING)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    before, after = parse_export(sys.argv[1]), parse_export(sys.argv[2])
    differences = 0
    for key in sorted(set(before) | set(after)):
        if key not in after:
            if not before[key]:
                print("note: an empty key is gone: [%s]" % key)
                continue
            print("gone:  [%s]" % key)
        elif key not in before:
            if is_bookkeeping(key, after[key]):
                continue
            print("new:   [%s] %s" % (key, after[key]))
        elif before[key] != after[key]:
            print("changed: [%s] %s -> %s" % (key, before[key], after[key]))
        else:
            continue
        differences += 1
    print("%d keys compared, %d differ" % (len(set(before) | set(after)), differences))
    sys.exit(1 if differences else 0)


if __name__ == "__main__":
    main()
