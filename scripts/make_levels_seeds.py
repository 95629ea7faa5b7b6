#!/usr/bin/env python3
"""Writes the seeds of the netpbm_levels fuzz target into fuzz/corpus/netpbm_levels/.

Each seed is a plain image whose raster is short numbers ("1 ", 64 bytes to a
block) with one feature laid across a 16-, 32- or 64-byte boundary of the
raster (counted from its first byte, where the scanners' first block starts):
a long number, a run of whitespace, a comment, CR LF, or a byte next to the
digits. Each feature starts just before the boundary, straddles it, and ends
just after it. Files are named by their SHA-1, as libFuzzer names its own.
Usage: scripts/make_levels_seeds.py (from anywhere; rewrites the folder)
"""
import hashlib
import pathlib
import re

FEATURES = {
    # feature bytes, the plain formats it is tried in
    "number3": (b"255", "23"),
    "number5": (b"12345", "23"),
    "number7": (b"1234567", "23"),
    "number9": (b"000001234", "23"),
    "spaces": (b" \t \r\n \t", "123"),
    "longspaces": (b" " * 40 + b"\t\n", "123"),
    "comment": (b"# 12 34\n", "123"),
    "crlf": (b"\r\n", "123"),
    "colon": (b"12:3", "23"),
    "slash": (b"4/5", "23"),
    "bits": (b"0110100111", "1"),
}
BOUNDARIES = (16, 32, 48, 64, 128)
RASTER_BYTES = 200


def raster_with(feature, at):
    """Filler "1 " (or "1" for bits) up to at, the feature, filler after it."""
    text = b"1 " * (at // 2) + (b" " if at % 2 else b"")
    text += feature
    if not text.endswith((b" ", b"\n", b"\t")):
        text += b" "
    while len(text) < RASTER_BYTES:
        text += b"1 "
    return text


def tokens(raster):
    return len(re.findall(rb"[0-9]+", re.sub(rb"#[^\r\n]*", b"", raster)))


def seed(variant, raster):
    count = tokens(raster)
    if variant == "1":
        count = len(re.findall(rb"[01]", re.sub(rb"#[^\r\n]*", b"", raster)))
        return b"P1\n%d 1\n" % count + raster
    width = count // 3 if variant == "3" else count
    return b"P%s\n%d 1\n255\n" % (variant.encode(), width) + raster


def main():
    out = pathlib.Path(__file__).resolve().parent.parent / "fuzz" / "corpus" / "netpbm_levels"
    out.mkdir(parents=True, exist_ok=True)
    for old in out.iterdir():
        old.unlink()
    seeds = set()
    for feature, variants in FEATURES.values():
        for b, boundary in enumerate(BOUNDARIES):
            # Ending just before, straddling, and starting on the boundary;
            # the formats taken in turn.
            starts = (boundary - len(feature), boundary - len(feature) // 2 - 1, boundary)
            for s, at in enumerate(starts):
                if at >= 0:
                    variant = variants[(b + s) % len(variants)]
                    seeds.add(seed(variant, raster_with(feature, at)))
    for data in seeds:
        (out / hashlib.sha1(data).hexdigest()).write_bytes(data)
    print(f"{len(seeds)} seeds in {out}")


if __name__ == "__main__":
    main()
