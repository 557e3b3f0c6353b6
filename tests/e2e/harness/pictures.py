"""Pictures: the RGB image the cases look into, and the picture files the harness reads and
writes. Debian's python3-pil (Pillow) reads and writes PCX, BMP and PNG; it has no reader
for the `xwd` dumps of the X screen, whose header is parsed here."""

import io
import struct

from PIL import Image as pil


class Image:
    """w x h pixels, 3 bytes (R, G, B) each, rows top to bottom."""

    def __init__(self, w, h, rgb):
        assert len(rgb) == w * h * 3, (w, h, len(rgb))
        self.w = w
        self.h = h
        self.rgb = bytes(rgb)

    def pixel(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.rgb[i:i + 3])

    def crop(self, x, y, w, h):
        rows = [self.rgb[((y + r) * self.w + x) * 3:((y + r) * self.w + x + w) * 3]
                for r in range(h)]
        return Image(w, h, b"".join(rows))

    def mask(self, pred, box=None):
        """The pixels of box (x, y, w, h) for which pred(r, g, b) holds, as a set of (x, y)."""
        x0, y0, w, h = box or (0, 0, self.w, self.h)
        out = set()
        for y in range(y0, y0 + h):
            row = self.rgb[(y * self.w + x0) * 3:(y * self.w + x0 + w) * 3]
            for i in range(w):
                if pred(row[3 * i], row[3 * i + 1], row[3 * i + 2]):
                    out.add((x0 + i, y))
        return out

    def find_color(self, color, tol=12, box=None):
        """Bounding box (x, y, w, h) and count of the pixels within tol of color, or None."""
        r0, g0, b0 = color
        pts = self.mask(lambda r, g, b: abs(r - r0) <= tol and abs(g - g0) <= tol
                        and abs(b - b0) <= tol, box)
        if not pts:
            return None
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        return (min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1), len(pts)

    def differs(self, other, box=None, tol=12):
        """Number of pixels of box that differ between two images of the same size."""
        x0, y0, w, h = box or (0, 0, self.w, self.h)
        n = 0
        for y in range(y0, y0 + h):
            a = self.rgb[(y * self.w + x0) * 3:(y * self.w + x0 + w) * 3]
            b = other.rgb[(y * self.w + x0) * 3:(y * self.w + x0 + w) * 3]
            if a == b:
                continue
            for i in range(0, 3 * w, 3):
                if (abs(a[i] - b[i]) > tol or abs(a[i + 1] - b[i + 1]) > tol
                        or abs(a[i + 2] - b[i + 2]) > tol):
                    n += 1
        return n

    @classmethod
    def from_pil(cls, picture):
        """The pixels of a Pillow picture, as RGB."""
        picture = picture.convert("RGB")
        return cls(picture.width, picture.height, picture.tobytes())

    def save_png(self, path):
        pil.frombytes("RGB", (self.w, self.h), self.rgb).save(path, "PNG")


def parse_xwd(data):
    """Decodes an `xwd` dump of a TrueColor screen with 24 or 32 bits per pixel."""
    fields = struct.unpack(">25I", data[:100])
    (header_size, version, pixmap_format, _depth, width, height, _xoff, byte_order,
     _unit, _bit_order, _pad, bpp, bytes_per_line, _vclass, red_mask, green_mask,
     blue_mask, _bits_rgb, _cmap_entries, ncolors) = fields[:20]
    if version != 7 or pixmap_format != 2 or bpp not in (24, 32):
        raise ValueError("unsupported xwd dump: version %d format %d bpp %d"
                         % (version, pixmap_format, bpp))
    start = header_size + ncolors * 12
    pixels = data[start:start + bytes_per_line * height]
    if len(pixels) < bytes_per_line * height:
        raise ValueError("truncated xwd dump")
    # Each channel's byte in a pixel, from its mask, named as Pillow's raw decoder reads
    # them (e.g. "BGRX": blue first, one byte unused).
    step = bpp // 8
    layout = ["X"] * step
    for channel, mask in zip("RGB", (red_mask, green_mask, blue_mask)):
        byte = ((mask & -mask).bit_length() - 1) // 8
        layout[step - 1 - byte if byte_order == 1 else byte] = channel  # 1: MSBFirst
    return Image.from_pil(pil.frombuffer("RGB", (width, height), pixels, "raw",
                                         "".join(layout), bytes_per_line, 1))


def _read(data, kind):
    """The picture in data, which must be of Pillow's format kind; ValueError when it is
    not one or is cut short."""
    try:
        with pil.open(io.BytesIO(data), formats=[kind]) as picture:
            return Image.from_pil(picture)
    except OSError as e:  # what Pillow raises for a file it cannot read or a short one
        raise ValueError("not a whole %s file: %s" % (kind, e)) from e


def parse_pcx(data):
    """Decodes a PCX file's bytes."""
    return _read(data, "PCX")


def read_bmp(path):
    """Reads a Windows BMP file."""
    with open(path, "rb") as f:
        return _read(f.read(), "BMP")


def write_bmp(path, w, h, color=(40, 90, 160)):
    """Writes a w x h single-colour 24-bit BMP (the BMP3 layout the library reads)."""
    pil.new("RGB", (w, h), color).save(path, "BMP")
