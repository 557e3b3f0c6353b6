"""Makes the asset program's PNG icons small for the web page, the same pixels in fewer
bytes: each row gets the PNG filter that leaves the smallest sum of bytes (taken as signed),
and the rows are deflated at zlib's level 9, so one input gives one output.

    squeeze_png.py FILE...     (each rewritten in place; 8-bit RGBA, rows unfiltered)
"""

import struct
import sys
import zlib


def chunks(data):
    at = 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        yield kind, data[at + 8:at + 8 + length]
        at += 12 + length


def chunk(kind, body):
    return (struct.pack(">I", len(body)) + kind + body +
            struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def filtered(row, prev, kind, bpp=4):
    """The row under one of the five PNG filters, each byte against its left, upper and
    upper-left neighbours."""
    out = bytearray(len(row))
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        predictor = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
        out[i] = (x - predictor) & 0xff
    return out


def squeeze(path):
    with open(path, "rb") as f:
        data = f.read()
    parts = list(chunks(data))
    header = dict(parts)[b"IHDR"]
    width, height, depth, colour = struct.unpack(">IIBB", header[:10])
    if (depth, colour) != (8, 6):
        sys.exit("%s: not 8-bit RGBA" % path)
    raw = zlib.decompress(b"".join(body for kind, body in parts if kind == b"IDAT"))
    stride = width * 4
    prev = bytes(stride)
    rows = []
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        if line[0] != 0:
            sys.exit("%s: rows already filtered" % path)
        row = line[1:]
        candidates = [filtered(row, prev, kind) for kind in range(5)]
        kind = min(range(5), key=lambda k: sum(v if v < 128 else 256 - v for v in candidates[k]))
        rows.append(bytes([kind]) + candidates[kind])
        prev = row
    body = zlib.compress(b"".join(rows), 9)
    with open(path, "wb") as f:
        f.write(data[:8] + chunk(b"IHDR", header) + chunk(b"IDAT", body) + chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    for name in sys.argv[1:]:
        squeeze(name)
