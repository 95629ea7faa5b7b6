#!/usr/bin/env python3
"""Checks a registry export (reg export, UTF-16), or one component's rows of an installer's
Registry table (msiinfo export PACKAGE Registry), against the documented list of a per-machine
registration (tests/wic/documented_registration.tsv), in one registry view, printing one line
per documented value and one per value found beside them that the list does not name.

Usage: check_documented_registry.py EXPORT.reg LIST.tsv VIEW MODULE VERSION
       check_documented_registry.py REGISTRY.idt:COMPONENT LIST.tsv VIEW MODULE VERSION
  VIEW    the key the list's keys lie below, e.g. HKEY_LOCAL_MACHINE\\Software or
          HKEY_LOCAL_MACHINE\\Software\\Wow6432Node (an installer's rows: HKLM\\Software)
  MODULE  the codec DLL's Windows path, which <module> stands for ([#FILE] in an installer)
Exits 1 if any line fails."""
import fnmatch
import sys


def parse_export(path):
    """{key (lower case): {name (lower case): (type, data)}} of a .reg file."""
    with open(path, "rb") as f:
        text = f.read().decode("utf-16")
    lines, joined = [], ""
    for line in text.replace("\r", "").split("\n"):
        joined += line.strip() if joined else line
        if joined.endswith("\\") and not joined.startswith("["):
            joined = joined[:-1]
            continue
        lines.append(joined)
        joined = ""
    keys, current = {}, None
    for line in lines:
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1].lower(), {})
        elif current is not None and (line.startswith('"') or line.startswith("@=")):
            name, value = split_value(line)
            current[name.lower()] = parse_data(value)
    return keys


def parse_installer_rows(path, component):
    """The same for one component's rows of a Registry table, as Windows Installer would
    write them: "#x" marks binary data, "#" a number, "##" a string's own "#", and the
    name "*" a key of its own."""
    keys = {}
    for line in open(path, encoding="utf-8").read().split("\n")[3:]:
        fields = line.split("\t")
        if len(fields) != 6 or fields[5] != component:
            continue
        _, root, key, name, value, _ = fields
        roots = {"2": "HKLM"}
        values = keys.setdefault((roots.get(root, root) + "\\" + key).lower(), {})
        if name == "*":
            continue
        if value.startswith("#x"):
            data = ",".join(value[2 + i:4 + i].lower() for i in range(0, len(value) - 2, 2))
            parsed = ("hex", data)
        elif value.startswith("##"):
            parsed = ("sz", value[1:])
        elif value.startswith("#"):
            parsed = ("dword", str(int(value[1:])))
        else:
            parsed = ("sz", value)
        values[(name or "@").lower()] = parsed
    return keys


def split_value(line):
    """The value's name ("@" for the default) and its data text."""
    if line.startswith("@="):
        return "@", line[2:]
    name, i = "", 1
    while line[i] != '"':
        if line[i] == "\\":
            i += 1
        name += line[i]
        i += 1
    return name, line[i + 2:]


def parse_data(value):
    if value.startswith('"'):
        text, i = "", 1
        while i < len(value) - 1:
            if value[i] == "\\":
                i += 1
            text += value[i]
            i += 1
        return "sz", text
    if value.startswith("dword:"):
        return "dword", str(int(value[6:], 16))
    if value.startswith("hex:"):
        return "hex", value[4:].lower()
    kind, _, data = value.partition(":")
    return kind, data


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    export, listing, view, module, version = sys.argv[1:]
    if ":" in export and export.endswith(tuple(":" + c for c in ("Codec64", "Codec32"))):
        path, component = export.rsplit(":", 1)
        keys = parse_installer_rows(path, component)
    else:
        keys = parse_export(export)
    documented = {}
    for line in open(listing, encoding="utf-8"):
        if not line.strip() or line.startswith("#"):
            continue
        key, name, kind, data = line.rstrip("\n").split("\t")
        # Substituted text matches itself only ("[#codec64]" is no pattern).
        literal = {"<module>": module, "<version>": version}
        for marker, text in literal.items():
            data = data.replace(marker, "".join("[%s]" % c if c in "[]*?" else c for c in text))
        documented.setdefault(key, []).append((name, kind, data))
    failures = checked = 0

    def report(ok, text):
        nonlocal failures
        failures += 0 if ok else 1
        print(("ok    " if ok else "FAIL  ") + text)

    for key, rows in documented.items():
        found = keys.get((view + "\\" + key).lower())
        if found is None:
            report(False, "%s: no such key" % key)
            continue
        names = set()
        for name, kind, data in rows:
            checked += 1
            if name == "-":
                report(not found, "%s (a key alone)" % key)
                continue
            names.add(name.lower())
            actual = found.get(name.lower())
            ok = actual is not None and actual[0] == kind and fnmatch.fnmatchcase(actual[1], data)
            shown = "missing" if actual is None else "%s:%s" % actual
            report(ok, "%s  %s = %s:%s%s" % (key, name, kind, data, "" if ok else "  (found " + shown + ")"))
        for name in sorted(set(found) - names):
            report(False, "%s  %s = %s:%s  (a value the list does not name)" % ((key, name) + found[name]))
    print("%d documented entries checked in %s, %d failed" % (checked, view, failures))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
