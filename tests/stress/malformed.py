"""Damaged copies of the game's data file: cuts at every boundary of its structure and at
random points, flipped bytes, numbers of its headers pushed to extremes, objects of the
wrong type, too few or too many objects, empty, missing, a folder, unreadable; and the
same objects saved in the library's other layouts (compressed, other colour depths),
which the game must still accept.

make_variants(data, out_dir) -> [Variant]. Random choices come from a fixed seed, so a run
that finds a fault can be repeated. Standard library only, plus the library's dat tool.
"""

import os
import random
import shutil
import struct
import subprocess

SEED = 20240613

PACKED = b"slh!"
UNPACKED = b"slh."


class Variant:
    """One data file to start the game with. kind is "file" (path holds it), "missing",
    "directory" or "unreadable"; expect is "refuse", "start" or "either" (a flipped byte
    may land where nothing checks it, such as a pixel)."""

    def __init__(self, name, group, kind="file", path=None, expect="refuse"):
        self.name = name
        self.group = group
        self.kind = kind
        self.path = path
        self.expect = expect

    def install(self, work_dir):
        """Puts the variant in work_dir as tabrivet.dat (or leaves it out)."""
        dest = os.path.join(work_dir, "tabrivet.dat")
        if self.kind == "file":
            shutil.copy(self.path, dest)
        elif self.kind == "directory":
            os.mkdir(dest)
            shutil.copy(self.path, os.path.join(dest, "tabrivet.dat"))
        elif self.kind == "unreadable":
            shutil.copy(self.path, dest)
            os.chmod(dest, 0)

    def __repr__(self):
        return "%s/%s" % (self.group, self.name)


class Layout:
    """Where everything sits in an uncompressed data file ("slh." + "ALL."): for each
    object, its properties (offset, size of their text), the offset of its header and of
    its contents, and the contents' length."""

    def __init__(self, data):
        if data[:8] != UNPACKED + b"ALL.":
            raise ValueError("not an uncompressed data file")
        self.count = struct.unpack(">i", data[8:12])[0]
        self.objects = []
        pos = 12
        for _ in range(self.count):
            props = []
            while data[pos:pos + 4] == b"prop":
                size = struct.unpack(">i", data[pos + 8:pos + 12])[0]
                props.append((pos, size))
                pos += 12 + size
            kind, csize, usize = struct.unpack(">4sii", data[pos:pos + 12])
            self.objects.append({"props": props, "start": props[0][0] if props else pos,
                                 "header": pos, "type": kind, "csize": csize,
                                 "usize": usize, "body": pos + 12, "end": pos + 12 + csize})
            pos += 12 + csize
        self.end = pos


def _write(out_dir, name, data):
    path = os.path.join(out_dir, name + ".dat")
    with open(path, "wb") as f:
        f.write(data)
    return path


def _resave(src, dest, *options, strip="-s1"):
    """A copy of src rewritten by the dat tool with the given options, in the same order
    and, unless told otherwise, with the names kept and nothing of the grabber's added."""
    shutil.copy(src, dest)
    subprocess.run(["dat", "-n0", strip] + list(options) + ["-w", dest], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    return dest


def _grab(assets, dest, bpp):
    """The nine asset files packed afresh with bitmaps of the given colour depth."""
    bitmaps = ["ball.bmp", "pause.bmp", "logo.bmp", "cursor.bmp", "paddle_left.bmp",
               "paddle_right.bmp"]
    runs = [["-bpp", str(bpp), "-t", "BMP", "-a"] + bitmaps,
            ["-t", "SAMP", "-a", "bounce.wav", "hit.wav"],
            ["-t", "MIDI", "-a", "music.mid"]]
    if os.path.exists(dest):
        os.unlink(dest)
    for r in runs:
        subprocess.run(["dat", "-n0", "-s1", dest] + r, cwd=assets, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    return dest


def _set(data, offset, fmt, value):
    b = bytearray(data)
    struct.pack_into(fmt, b, offset, value)
    return bytes(b)


def make_variants(data_path, out_dir, assets=None):
    rng = random.Random(SEED)
    os.makedirs(out_dir, exist_ok=True)
    with open(data_path, "rb") as f:
        original = f.read()
    # The structure-aware damage works on the uncompressed layout; a packed project file
    # is unpacked for it with the dat tool.
    plain_path = os.path.join(out_dir, "plain.dat")
    if original[:4] == PACKED:
        _resave(data_path, plain_path, "-c0")
    else:
        shutil.copy(data_path, plain_path)
    with open(plain_path, "rb") as f:
        plain = f.read()
    lay = Layout(plain)
    per_object = _resave(plain_path, os.path.join(out_dir, "per_object.dat"), "-c1")
    whole = _resave(plain_path, os.path.join(out_dir, "whole.dat"), "-c2")
    with open(per_object, "rb") as f:
        per_object_data = f.read()
    with open(whole, "rb") as f:
        whole_data = f.read()
    out = []

    def add(group, name, blob, expect="refuse"):
        out.append(Variant(name, group, path=_write(out_dir, "%s-%s" % (group, name), blob),
                           expect=expect))

    # The same objects in other layouts: accepted.
    out.append(Variant("as_built", "good", path=data_path, expect="start"))
    out.append(Variant("uncompressed", "good", path=plain_path, expect="start"))
    out.append(Variant("objects_compressed", "good", path=per_object, expect="start"))
    out.append(Variant("file_compressed", "good", path=whole, expect="start"))
    add("good", "names_stripped", plain, "start")
    _resave(plain_path, out[-1].path, strip="-s2")
    if assets:
        for bpp in (15, 24, 32):
            out.append(Variant("bitmaps_%d_bit" % bpp, "good",
                               path=_grab(assets, os.path.join(out_dir, "bpp%d.dat" % bpp), bpp),
                               expect="start"))

    # Cut at every boundary of the structure: each property's and object's fields, the
    # first fields of each object's contents, each object's end.
    cuts = {0, 2, 4, 6, 8, 10, 12}
    for o in lay.objects:
        for p, size in o["props"]:
            cuts.update((p, p + 4, p + 8, p + 12, p + 12 + size // 2))
        h = o["header"]
        cuts.update((o["start"], h, h + 4, h + 8, h + 12, h + 14, h + 16, h + 18, h + 22,
                     (o["body"] + o["end"]) // 2, o["end"] - 1))
    for c in sorted(x for x in cuts if x < len(plain)):
        add("cut_boundary", "at_%d" % c, plain[:c])
    # ...and the compressed layouts at their object boundaries and at random.
    compressed = Layout(per_object_data)
    for i, o in enumerate(compressed.objects):
        for at in (o["header"] + 12, o["end"] - 1):
            add("cut_boundary", "objects_compressed_%d_at_%d" % (i, at), per_object_data[:at])
    for name, blob, n in (("uncompressed", plain, 40), ("objects_compressed", per_object_data, 15),
                          ("file_compressed", whole_data, 15)):
        for c in sorted(rng.sample(range(1, len(blob)), n)):
            add("cut_random", "%s_at_%d" % (name, c), blob[:c])

    # Flipped bytes: half in the headers (where sizes and types live), half anywhere.
    header_bytes = list(range(0, 12))
    for o in lay.objects:
        for p, size in o["props"]:
            header_bytes += range(p, p + 12)
        header_bytes += range(o["header"], o["header"] + 12 + 8)
    for k in range(70):
        pos = rng.choice(header_bytes) if k % 2 == 0 else rng.randrange(len(plain))
        mask = rng.randrange(1, 256)
        b = bytearray(plain)
        b[pos] ^= mask
        add("flip", "uncompressed_%d_xor_%02x" % (pos, mask), bytes(b), "either")
    for name, blob in (("objects_compressed", per_object_data), ("file_compressed", whole_data)):
        for _ in range(15):
            pos = rng.randrange(4, len(blob))
            mask = rng.randrange(1, 256)
            b = bytearray(blob)
            b[pos] ^= mask
            add("flip", "%s_%d_xor_%02x" % (name, pos, mask), bytes(b), "either")

    # Every number of the headers pushed to extremes and off by one.
    fields = [("count", 8, ">i", lay.count)]
    for i, o in enumerate(lay.objects):
        for j, (p, size) in enumerate(o["props"]):
            fields.append(("obj%d_prop%d_size" % (i, j), p + 8, ">i", size))
        h = o["header"]
        fields.append(("obj%d_stored_size" % i, h + 4, ">i", o["csize"]))
        fields.append(("obj%d_size" % i, h + 8, ">i", o["usize"]))
        body = o["body"]
        if o["type"] == b"BMP ":
            for k, what in enumerate(("depth", "width", "height")):
                v = struct.unpack(">h", plain[body + 2 * k:body + 2 * k + 2])[0]
                fields.append(("obj%d_%s" % (i, what), body + 2 * k, ">h", v))
        elif o["type"] == b"SAMP":
            for off, what, fmt in ((0, "bits", ">h"), (2, "rate", ">H"), (4, "length", ">i")):
                v = struct.unpack(fmt, plain[body + off:body + off + struct.calcsize(fmt)])[0]
                fields.append(("obj%d_%s" % (i, what), body + off, fmt, v))
        elif o["type"] == b"MIDI":
            fields.append(("obj%d_divisions" % i, body, ">h",
                           struct.unpack(">h", plain[body:body + 2])[0]))
            pos = body + 2
            for t in range(32):
                n = struct.unpack(">i", plain[pos:pos + 4])[0]
                if n or t < 2:
                    fields.append(("obj%d_track%d_length" % (i, t), pos, ">i", n))
                pos += 4 + n
    for name, off, fmt, v in fields:
        if fmt == ">i":
            values = {0, -1, 0x7FFFFFFF, -0x80000000, v + 1, v - 1}
        elif fmt == ">H":
            values = {0, 0xFFFF, v + 1}
        else:
            values = {0, -1, 0x7FFF, -0x8000, v + 1}
        for x in sorted(values - {v}):
            if fmt == ">H" and not 0 <= x <= 0xFFFF:
                continue
            add("field", "%s_%d" % (name, x), _set(plain, off, fmt, x), "either")

    # Objects of the wrong type: each object relabelled as each other kind the library
    # knows, and two objects of different kinds swapped whole.
    for i, o in enumerate(lay.objects):
        for t in (b"BMP ", b"SAMP", b"MIDI", b"FILE", b"DATA", b"FONT", b"PAL ", b"RLE "):
            if t != o["type"]:
                add("wrong_type", "obj%d_as_%s" % (i, t.decode().strip()),
                    plain[:o["header"]] + t + plain[o["header"] + 4:])
    for a, b in ((5, 6), (7, 8), (0, 8), (1, 6)):
        oa, ob = lay.objects[a], lay.objects[b]
        blob = (plain[:oa["start"]] + plain[ob["start"]:ob["end"]] + plain[oa["end"]:ob["start"]]
                + plain[oa["start"]:oa["end"]] + plain[ob["end"]:])
        add("wrong_type", "swap_%d_%d" % (a, b), blob)

    # Too few or too many objects, with the count telling the truth or not.
    last = lay.objects[-1]
    first = lay.objects[0]
    extra = plain[first["start"]:first["end"]]
    add("count", "last_removed_count_kept", plain[:last["start"]])
    add("count", "last_removed_count_fixed", _set(plain[:last["start"]], 8, ">i", lay.count - 1))
    add("count", "first_removed_count_fixed",
        _set(plain[:first["start"]] + plain[first["end"]:], 8, ">i", lay.count - 1))
    add("count", "extra_object_count_kept", plain + extra)
    add("count", "extra_object_count_fixed", _set(plain + extra, 8, ">i", lay.count + 1))
    add("count", "trailing_bytes", plain + b"\0" * 16)
    add("count", "no_objects", _set(plain[:12], 8, ">i", 0))
    add("count", "half_the_objects",
        _set(plain[:lay.objects[4]["start"]], 8, ">i", 4))

    # Files that are not this game's data file at all.
    add("other", "empty", b"")
    add("other", "magic_only", UNPACKED)
    add("other", "packed_magic_only", PACKED)
    add("other", "header_only", plain[:12])
    add("other", "text", b"this is not a data file\n" * 50)
    add("other", "zeros", b"\0" * len(plain))
    add("other", "old_format", b"ALL." + plain[8:])
    add("other", "plain_called_packed", PACKED + plain[4:])
    add("other", "packed_called_plain", UNPACKED + whole_data[4:])
    add("other", "random_bytes", bytes(rng.randrange(256) for _ in range(4096)))
    out.append(Variant("missing", "other", kind="missing", expect="refuse"))
    out.append(Variant("directory", "other", kind="directory", path=plain_path, expect="refuse"))
    out.append(Variant("unreadable", "other", kind="unreadable", path=plain_path,
                       expect="refuse"))
    return out
