#!/usr/bin/env python3
"""Writes the seed files of the choreography reader's fuzz target: small valid
files and the usual kinds of damage. Run from the repository root."""
import os
import struct

OUT = "fuzz/seeds/fuzz_modfile"
ROOT = "全身".encode("cp932")


def record(name, parent, child, nxt, xname=b""):
    slots = b""
    for s in range(200):
        rot = [1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0]
        slots += struct.pack("<16f3ff", *rot, 0.0, float(s % 3), 0.0, 0.05)
    field = lambda b: b + b"\0" * (255 - len(b))
    return (slots + struct.pack("<3f", 0, 1, 0) + field(name) + field(xname)
            + struct.pack("<3i", parent, child, nxt))


def image(recs, count=None):
    head = b"zamoriko" + b"\0" * 247
    return head + struct.pack("<i", len(recs) if count is None else count) + b"".join(recs)


def main():
    os.makedirs(OUT, exist_ok=True)
    four = [record(ROOT, 0, 1, 0), record(b"A", 1, 1, 1, b".\\a.x"),
            record(b"A1", 1, 0, 0), record(b"B", 1, 0, 0, b"..\\models\\b.x")]
    seeds = {
        "root.mod": image([record(ROOT, 0, 0, 0)]),
        "four.mod": image(four),
        "wrong-header.mod": b"zamorikx" + image(four)[8:],
        "cut.mod": image(four)[:-100],
        "no-records.mod": image([], 0),
        "count-too-small.mod": image(four, 3),
        "orphan.mod": image([record(ROOT, 0, 1, 0), record(b"A", 0, 0, 0)]),
    }
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
