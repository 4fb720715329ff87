#!/usr/bin/env python3
"""Checks a Windows build of Artbank: its exports and its module resources.

Usage: check-artbank-dll.py Artbank.dll
Exits 1 with a message when an export or a resource is missing or malformed."""
import struct
import sys


def fail(message):
    print("Artbank.dll: " + message)
    sys.exit(1)


def main(path):
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        fail("not a PE file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        fail("no PE signature")
    sections_count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    export_rva = struct.unpack_from("<I", data, directories)[0]
    resource_rva = struct.unpack_from("<I", data, directories + 16)[0]
    sections = []
    for i in range(sections_count):
        s = optional + optional_size + 40 * i
        vsize, vaddr, rsize, raddr = struct.unpack_from("<IIII", data, s + 8)
        sections.append((vaddr, max(vsize, rsize), raddr))

    def offset(rva):
        for vaddr, size, raddr in sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raddr
        fail("address 0x%X outside every section" % rva)

    # Exports by name.
    e = offset(export_rva)
    names_count = struct.unpack_from("<I", data, e + 24)[0]
    names_rva = struct.unpack_from("<I", data, e + 32)[0]
    names = set()
    for i in range(names_count):
        n = offset(struct.unpack_from("<I", data, offset(names_rva) + 4 * i)[0])
        names.add(data[n:data.index(b"\0", n)].decode())
    for wanted in ("GetMfgRes", "GetAdpRes"):
        if wanted not in names:
            fail("export %s missing (has %s)" % (wanted, sorted(names)))

    # Resources: type -> {id: bytes}.
    root = offset(resource_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            if name & 0x80000000:
                at = root + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, at)[0]
                key = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            else:
                key = name
            yield key, target

    def leaf(target):
        while target & 0x80000000:
            target = next(entries(root + (target & 0x7FFFFFFF)))[1]
        rva, size = struct.unpack_from("<II", data, root + target)
        return data[offset(rva):offset(rva) + size]

    resources = {}
    for kind, target in entries(root):
        resources[kind] = {rid: leaf(t) for rid, t in entries(root + (target & 0x7FFFFFFF))}
    bitmaps = resources.get(2, {})
    documents = resources.get("ADP", {})
    english = resources.get("ADPEN", {})
    if sorted(bitmaps) != list(range(3000, 3068)):
        fail("bitmaps 3000..3067 expected, found %d" % len(bitmaps))
    if sorted(documents) != list(range(4000, 4073)):
        fail("ADP documents 4000..4072 expected, found %d" % len(documents))
    for rid, bmp in bitmaps.items():
        size, width, height, planes, bits = struct.unpack_from("<IiiHH", bmp, 0)
        if size != 40 or planes != 1 or bits not in (4, 8, 24) or width <= 0 or height == 0:
            fail("bitmap %d has a bad header" % rid)
    if sorted(english) != list(range(4000, 4073)):
        fail("ADPEN (English) documents 4000..4072 expected, found %d" % len(english))
    for rid, rtf in list(documents.items()) + list(english.items()):
        if not rtf.startswith(b"{\\rtf1") or b"\\ansicpg936" not in rtf[:400]:
            fail("document %d is not code page 936 Rich Text" % rid)
    # Chinese text is written as \'xx escapes; an English document has few of them.
    for rid, rtf in english.items():
        if rtf.count(b"\\'") * 10 > documents[rid].count(b"\\'"):
            fail("English document %d is mostly Chinese" % rid)
    print("Artbank.dll: exports and %d bitmaps, %d documents (%d in English) are in order"
          % (len(bitmaps), len(documents), len(english)))


if __name__ == "__main__":
    main(sys.argv[1])
