"""End-to-end harness for Tabrivet: runs the real game binary under its own Xvfb server,
drives it with real X input through xdotool, and reads back what it shows and plays.

Standard library only. Outside tools: Xvfb, xdotool, xwd (x11-apps) and, for making data
files, the library's `dat` tool.

What a test gets:
  harness.main()                              in a case file: reads --bin --data --patches
                                              --assets --font-dump --artifacts, runs unittest
  with harness.Game() as game:                temp working dir with the data file (or none, or
                                              another), own Xvfb, stub xmessage, ALSA capture
      game.wait_title(); game.choose("3", "Oui"); game.start_match(players=2, music=True)
      game.press_until("space", fn)           holds a key until fn(screenshot) is true
      game.tap("space"); game.hold("a", 2.0); game.key_down("z"); game.key_up("z")
      game.click_until(320, 393, fn); game.click(x, y); game.mouse_move(x, y); game.quit()
      img = game.screenshot()                 xwd -root parsed into an Image (RGB)
      img = game.capture()                    presses Print Screen, decodes capture.pcx
      game.wait_screen(fn) / game.wait_text(x, y, text) / game.score_line()
      harness.font().read(img, x, y, n)       text in the library's 8x8 font read back
      harness.find_ball(img); harness.find_paddle(img, "left"); harness.pause_box_shown(img)
      game.wait_exit(10) -> exit code; game.message() -> bytes shown through xmessage;
      game.stderr(); game.window_shown()      True once the game has set its mode
      mark = game.sound_mark(); game.wait_sound(mark, 2.0); game.sound(mark, end)
      harness.sound_stats(samples) -> (frames, peak, rms); harness.rms_windows(...)
  harness.Game(signals={signal.SIGINT: signal.SIG_IGN})   dispositions the game starts with
  harness.make_datafile(path, files)          a data file built with `dat` from asset files
  harness.root_screenshot(env); harness.xdotool(env, ...)   the same on any X display
  harness.window_geometry(env, "Tabrivet")   where a window is on any X display
Everything the harness starts is stopped when the `with` block ends, whatever happened.
"""

import argparse
import array
import math
import operator
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

# --------------------------------------------------------------------------------------
# Configuration: where the binary, the data file, the patch set and the assets are.
# --------------------------------------------------------------------------------------


class Config:
    def __init__(self, binary, data, patches, assets, font_dump, artifacts):
        self.binary = binary
        self.data = data
        self.patches = patches
        self.assets = assets
        self.font_dump = font_dump
        self.artifacts = artifacts


_config = None


def parse_args(argv):
    """Splits the harness's own options from unittest's; each falls back to an environment
    variable so that a case file can also be run by hand."""
    p = argparse.ArgumentParser(add_help=False)
    p.add_argument("--bin", default=os.environ.get("TABRIVET_BIN"))
    p.add_argument("--data", default=os.environ.get("TABRIVET_DATA_FILE"))
    p.add_argument("--patches", default=os.environ.get("TABRIVET_PATCHES"))
    p.add_argument("--assets", default=os.environ.get("TABRIVET_ASSET_DIR"))
    p.add_argument("--font-dump", default=os.environ.get("TABRIVET_FONT_DUMP"))
    p.add_argument("--artifacts", default=os.environ.get("TABRIVET_E2E_ARTIFACTS",
                                                         "e2e-artifacts"))
    ns, rest = p.parse_known_args(argv)
    return Config(ns.bin, ns.data, ns.patches, ns.assets, ns.font_dump,
                  os.path.abspath(ns.artifacts)), rest


def config():
    global _config
    if _config is None:
        _config, _ = parse_args([])
    return _config


def main():
    """Entry point of a case file: reads the harness options, then runs unittest."""
    global _config
    _config, rest = parse_args(sys.argv[1:])
    missing = [n for n in ("binary", "data", "patches", "assets", "font_dump")
               if not getattr(_config, n)]
    if missing:
        sys.exit("e2e: missing paths: " + ", ".join(missing))
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


# --------------------------------------------------------------------------------------
# Pictures: an RGB image, and readers for xwd dumps, PCX and BMP files.
# --------------------------------------------------------------------------------------


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

    def save_png(self, path):
        raw = b"".join(b"\0" + self.rgb[y * self.w * 3:(y + 1) * self.w * 3]
                       for y in range(self.h))

        def chunk(kind, data):
            c = kind + data
            return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c))
        png = (b"\x89PNG\r\n\x1a\n"
               + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0))
               + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))
        with open(path, "wb") as f:
            f.write(png)


def _mask_shift(mask):
    shift = 0
    while mask and not mask & 1:
        mask >>= 1
        shift += 1
    return shift


def parse_xwd(data):
    """Decodes an `xwd` dump of a TrueColor screen with 24 or 32 bits per pixel."""
    fields = struct.unpack(">25I", data[:100])
    (header_size, version, pixmap_format, depth, width, height, _xoff, byte_order,
     _unit, _bit_order, _pad, bpp, bytes_per_line, _vclass, red_mask, green_mask,
     blue_mask, _bits_rgb, _cmap_entries, ncolors) = fields[:20]
    if version != 7 or pixmap_format != 2 or bpp not in (24, 32):
        raise ValueError("unsupported xwd dump: version %d format %d bpp %d"
                         % (version, pixmap_format, bpp))
    start = header_size + ncolors * 12
    pixels = data[start:start + bytes_per_line * height]
    if len(pixels) < bytes_per_line * height:
        raise ValueError("truncated xwd dump")
    step = bpp // 8
    rows = pixels if bytes_per_line == width * step else b"".join(
        pixels[y * bytes_per_line:y * bytes_per_line + width * step] for y in range(height))
    out = bytearray(width * height * 3)
    for k, m in enumerate((red_mask, green_mask, blue_mask)):
        byte = _mask_shift(m) // 8
        if byte_order == 1:  # MSBFirst
            byte = step - 1 - byte
        out[k::3] = rows[byte::step]
    return Image(width, height, out)


def parse_pcx(data):
    """Decodes a PCX file of 8 bits per plane: 3 planes (RGB) or 1 plane with a 256-colour
    palette at the end, run-length encoded or not."""
    if len(data) < 128 or data[0] != 10:
        raise ValueError("not a PCX file")
    encoding, bits = data[2], data[3]
    xmin, ymin, xmax, ymax = struct.unpack("<4H", data[4:12])
    planes = data[65]
    bpl = struct.unpack("<H", data[66:68])[0]
    if bits != 8 or planes not in (1, 3):
        raise ValueError("unsupported PCX: %d bits, %d planes" % (bits, planes))
    w, h = xmax - xmin + 1, ymax - ymin + 1
    line_len = bpl * planes
    total = line_len * h
    body = data[128:]
    if encoding == 1:
        dec = bytearray()
        i = 0
        n = len(body)
        while len(dec) < total:
            if i >= n:
                raise ValueError("truncated PCX data")
            c = body[i]
            i += 1
            if c >= 0xC0:
                if i >= n:
                    raise ValueError("truncated PCX data")
                dec.extend(body[i:i + 1] * (c & 0x3F))
                i += 1
            else:
                dec.append(c)
        end = i
    else:
        dec = body[:total]
        end = total
        if len(dec) < total:
            raise ValueError("truncated PCX data")
    out = bytearray(w * h * 3)
    if planes == 3:
        for y in range(h):
            line = dec[y * line_len:(y + 1) * line_len]
            for k in range(3):
                out[y * w * 3 + k:(y + 1) * w * 3:3] = line[k * bpl:k * bpl + w]
    else:
        pal = body[end:]
        if len(pal) < 769 or pal[-769] != 12:
            raise ValueError("PCX palette missing")
        pal = pal[-768:]
        for y in range(h):
            for x in range(w):
                c = dec[y * line_len + x]
                out[(y * w + x) * 3:(y * w + x) * 3 + 3] = pal[3 * c:3 * c + 3]
    return Image(w, h, out)


def read_bmp(path):
    """Reads an uncompressed 24- or 32-bit, or 8-bit paletted, Windows BMP file."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError("%s: not a BMP file" % path)
    offset = struct.unpack("<I", data[10:14])[0]
    hsize, w, h, _planes, bpp, comp = struct.unpack("<IiiHHI", data[14:34])
    if comp not in (0, 3) or bpp not in (8, 24, 32):
        raise ValueError("%s: unsupported BMP (%d bpp, compression %d)" % (path, bpp, comp))
    pal = b""
    if bpp == 8:
        ncol = struct.unpack("<I", data[46:50])[0] or 256
        pal = data[14 + hsize:14 + hsize + 4 * ncol]
    bottom_up = h > 0
    h = abs(h)
    stride = (w * bpp // 8 + 3) & ~3
    out = bytearray(w * h * 3)
    for row in range(h):
        y = h - 1 - row if bottom_up else row
        line = data[offset + row * stride:offset + row * stride + stride]
        for x in range(w):
            if bpp == 8:
                c = line[x]
                b, g, r = pal[4 * c], pal[4 * c + 1], pal[4 * c + 2]
            else:
                s = bpp // 8
                b, g, r = line[x * s], line[x * s + 1], line[x * s + 2]
            out[(y * w + x) * 3:(y * w + x) * 3 + 3] = bytes((r, g, b))
    return Image(w, h, out)


def write_bmp(path, w, h, color=(40, 90, 160)):
    """Writes a w x h single-colour 24-bit BMP (the BMP3 layout the library reads)."""
    stride = (w * 3 + 3) & ~3
    row = bytes((color[2], color[1], color[0])) * w + b"\0" * (stride - 3 * w)
    pixels = row * h
    head = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(head + info + pixels)


# --------------------------------------------------------------------------------------
# Text: the library's 8x8 font, read back from a picture.
# --------------------------------------------------------------------------------------


class Font:
    """The glyphs of the library's built-in font, as dumped by the font_dump helper."""

    def __init__(self, font_dump):
        out = subprocess.run([font_dump], check=True, stdout=subprocess.PIPE,
                             timeout=30).stdout.decode()
        self.glyphs = {}
        for line in out.splitlines():
            parts = line.split()
            self.glyphs[chr(int(parts[0]))] = [int(b, 16) for b in parts[1:9]]
        if len(self.glyphs) != 95:
            raise RuntimeError("font_dump gave %d glyphs" % len(self.glyphs))

    @staticmethod
    def _strip(img, x, y, n, fg):
        """The rows y..y+7 of columns x..x+8n as integers, bit set where fg(pixel) holds;
        the leftmost column is the most significant bit."""
        rows = []
        for r in range(8):
            v = 0
            if 0 <= y + r < img.h:
                line = img.rgb[((y + r) * img.w) * 3:((y + r + 1) * img.w) * 3]
                for c in range(x, x + 8 * n):
                    v <<= 1
                    if 0 <= c < img.w and fg(line[3 * c], line[3 * c + 1], line[3 * c + 2]):
                        v |= 1
            else:
                v = 0
            rows.append(v)
        return rows

    @staticmethod
    def text_color(img, x, y, n):
        """The commonest colour that is not near black in the 8-row strip of n cells at
        (x, y): text covers far more pixels than the odd star that crosses it."""
        counts = {}
        for r in range(8):
            if not 0 <= y + r < img.h:
                continue
            for c in range(max(0, x), min(img.w, x + 8 * n)):
                p = img.pixel(c, y + r)
                if max(p) > 40:
                    counts[p] = counts.get(p, 0) + 1
        return max(counts, key=counts.get) if counts else None

    @staticmethod
    def near(color, tol=24):
        r0, g0, b0 = color
        return lambda r, g, b: (abs(r - r0) <= tol and abs(g - g0) <= tol
                                and abs(b - b0) <= tol)

    def read(self, img, x, y, n, color=None, max_errors=3):
        """Reads n characters whose cells start at (x, y). A cell that matches no glyph
        within max_errors pixels reads as '?'. color is the text colour, else the
        commonest bright colour of the strip."""
        color = color or self.text_color(img, x, y, n)
        if color is None:
            return " " * n
        rows = self._strip(img, x, y, n, self.near(color))
        out = []
        for i in range(n):
            shift = 8 * (n - 1 - i)
            cell = [(r >> shift) & 0xFF for r in rows]
            best, best_err = "?", max_errors + 1
            for ch, g in self.glyphs.items():
                err = sum(bin(a ^ b).count("1") for a, b in zip(cell, g))
                if err < best_err:
                    best, best_err = ch, err
            out.append(best)
        return "".join(out)

    def find(self, img, text, y, x_range=(0, 640), color=None, max_errors=4):
        """The x where text is drawn on row y (within max_errors wrong pixels over the
        whole text, its spaces included), or None."""
        n = len(text)
        width = 8 * n
        want = [0] * 8
        for ch in text:
            g = self.glyphs[ch]
            want = [(want[r] << 8) | g[r] for r in range(8)]
        x0, x1 = x_range
        if color is None:
            color = self.text_color(img, x0, y, (x1 - x0 + 7) // 8)
            if color is None:
                return None
        rows = self._strip(img, x0, y, (x1 - x0 + width + 7) // 8, self.near(color))
        total = 8 * ((x1 - x0 + width + 7) // 8)
        full = (1 << width) - 1
        best = None
        for x in range(x0, x1):
            shift = total - (x - x0) - width
            if shift < 0:
                break
            err = 0
            for r in range(8):
                err += bin(((rows[r] >> shift) & full) ^ want[r]).count("1")
                if err > max_errors:
                    break
            if err <= max_errors and (best is None or err < best[1]):
                best = (x, err)
        return best[0] if best else None


_font = None


def font():
    global _font
    if _font is None:
        _font = Font(config().font_dump)
    return _font


# --------------------------------------------------------------------------------------
# Sprites: locating the game's bitmaps in a picture.
# --------------------------------------------------------------------------------------


def _to16(c):
    """A colour as it comes back after the game's 16-bit (5-6-5) frame."""
    r, g, b = c
    r5, g6, b5 = r >> 3, g >> 2, b >> 3
    return ((r5 << 3) | (r5 >> 2), (g6 << 2) | (g6 >> 4), (b5 << 3) | (b5 >> 2))


class Sprite:
    """One of the game's bitmaps, read from the asset folder. Magenta pixels are the
    library's transparent colour and are not part of the shape."""

    def __init__(self, path, tol=12):
        self.image = read_bmp(path)
        self.w, self.h = self.image.w, self.image.h
        self.tol = tol
        self.opaque = []
        for y in range(self.h):
            for x in range(self.w):
                c = self.image.pixel(x, y)
                if _to16(c) != (255, 0, 255):
                    self.opaque.append((x, y, _to16(c)))
        if not self.opaque:
            raise ValueError("%s has no opaque pixel" % path)
        # The anchor is a pixel of the rarest colour, so that few places need checking.
        counts = {}
        for _, _, c in self.opaque:
            counts[c] = counts.get(c, 0) + 1
        rare = min(counts, key=counts.get)
        self.anchor = next(p for p in self.opaque if p[2] == rare)
        # A few pixels of the shape's outline reject a misplaced candidate quickly (a shift
        # by one pixel puts part of the outline on the background); a sample of the
        # whole shape scores the candidates left.
        inside = {(x, y) for x, y, _ in self.opaque}
        outline = [p for p in self.opaque
                   if any((p[0] + dx, p[1] + dy) not in inside
                          for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))]
        self.probe = outline[::max(1, len(outline) // 24)]
        self.body = self.opaque[::max(1, len(self.opaque) // 400)]

    def _close(self, a, b):
        return all(abs(a[i] - b[i]) <= self.tol for i in range(3))

    def score_at(self, img, x, y, min_fraction=0.0):
        """The fraction of the sprite's opaque pixels (a sample of them for a large one)
        that the picture shows at (x, y); 0 as soon as it cannot reach min_fraction."""
        if x < 0 or y < 0 or x + self.w > img.w or y + self.h > img.h:
            return 0.0
        for pixels in (self.probe, self.body):
            n = len(pixels)
            limit = n * (1 - min_fraction)
            bad = 0
            for px, py, c in pixels:
                if not self._close(img.pixel(x + px, y + py), c):
                    bad += 1
                    if bad > limit:
                        return 0.0
        return (n - bad) / n

    def locate(self, img, box=None, min_fraction=0.95):
        """The top-left corners where the sprite is drawn (at least min_fraction of its
        opaque pixels right) with its anchor pixel inside box (x, y, w, h), best first;
        of overlapping candidates only the best is kept."""
        x0, y0, w, h = box or (0, 0, img.w, img.h)
        ax, ay, ac = self.anchor
        cands = []
        for y in range(max(y0, ay), min(y0 + h, img.h - self.h + ay + 1)):
            line = img.rgb[y * img.w * 3:(y + 1) * img.w * 3]
            for x in range(max(x0, ax), min(x0 + w, img.w - self.w + ax + 1)):
                i = 3 * x
                if (abs(line[i] - ac[0]) <= self.tol and abs(line[i + 1] - ac[1]) <= self.tol
                        and abs(line[i + 2] - ac[2]) <= self.tol):
                    s = self.score_at(img, x - ax, y - ay, min_fraction)
                    if s:
                        cands.append((s, x - ax, y - ay))
        cands.sort(key=lambda c: -c[0])
        kept = []
        for s, x, y in cands:
            if all(abs(x - kx) >= self.w or abs(y - ky) >= self.h for kx, ky in kept):
                kept.append((x, y))
        return kept

    def find(self, img, box=None, min_fraction=0.95):
        """The top-left corner of the best match in box, or None."""
        found = self.locate(img, box, min_fraction)
        return found[0] if found else None


_sprites = {}


def sprite(name):
    """The sprite of an asset file of TABRIVET_ASSET_DIR, e.g. sprite('ball')."""
    if name not in _sprites:
        _sprites[name] = Sprite(os.path.join(config().assets, name + ".bmp"))
    return _sprites[name]


TITLE_LABEL_COLOUR = (255, 155, 68)
TITLE_ROWS = [  # (label, row y, values it may show) of the title screen
    ("Nombre de joueurs :", 255, ("1 Joueur", "2 Joueurs")),
    ("Difficulte :", 285, ("Facile", "Moyen", "Difficile", "Imbattable")),
    ("Musique :", 315, ("Non", "Oui")),
]
TITLE_VALUE_X = 218


def _near(img, text, x, y, color=None):
    """Where text is drawn within a pixel of (x, y) in the game's picture, or None."""
    for dy in (0, -1, 1):
        at = font().find(img, text, y + dy, (x - 1, x + 2), color)
        if at is not None:
            return (at, y + dy)
    return None


def title_parts(img):
    """The places of the title screen's parts in the 640x480 picture, each where it is
    drawn in the game's own frame (None where it is not found within a pixel of there):
    {part: (found at, wanted at)}."""
    f = font()
    got = {}
    for label, y, values in TITLE_ROWS:
        got[label] = (_near(img, label, 55, y, TITLE_LABEL_COLOUR), (55, y))
        value = f.read(img, TITLE_VALUE_X, y, max(map(len, values))).rstrip()
        got["value of " + label] = (_near(img, value, TITLE_VALUE_X, y) if value in values
                                    else None, (TITLE_VALUE_X, y))
    got["Jouer"] = (_near(img, "Jouer", 300, 390), (300, 390))
    got["version line"] = (_near(img, "By Talvrune - Version", 2, 470), (2, 470))
    got["logo"] = (sprite("logo").find(img, (0, 0, 640, 240)), (0, 0))
    return got


def check_title_parts(case, game):
    """Asserts, one subtest a part, that the game's title screen shows every part within a
    pixel of where its own 640x480 frame has it. A star crossing a text can spoil one
    picture, so the next ones are looked at too."""
    last = [None]

    def all_in_place(img):
        last[0] = title_parts(img)
        return all(at is not None for at, _ in last[0].values())
    try:
        game.wait_screen(all_in_place, 10, "the title screen's parts")
    except TimeoutError:
        pass
    for part, (at, want) in last[0].items():
        with case.subTest(part=part):
            case.assertIsNotNone(at, "%s not drawn 1:1 at %s" % (part, want))
            case.assertLessEqual(abs(at[0] - want[0]), 1, part)
            case.assertLessEqual(abs(at[1] - want[1]), 1, part)


def find_ball(img):
    """The centre of the ball sprite in a match picture, or None."""
    s = sprite("ball")
    at = s.find(img)
    return (at[0] + s.w // 2, at[1] + s.h // 2) if at else None


def find_paddle(img, side):
    """The top-left corner of the left or right paddle sprite in a match picture, or
    None. Each is looked for in the 40 columns of its own side."""
    s = sprite("paddle_" + side)
    box = (0, 0, 40, img.h) if side == "left" else (img.w - 40, 0, 40, img.h)
    return s.find(img, box)


PAUSE_AT = (178, 181)  # where the pause picture is drawn on the screen


def pause_box_shown(img):
    """True when the pause picture is on the screen at its place (the pointer drawn on it
    may hide a few of its pixels)."""
    return sprite("pause").score_at(img, *PAUSE_AT) > 0.8


# --------------------------------------------------------------------------------------
# Processes: an Xvfb server, and the game.
# --------------------------------------------------------------------------------------


def root_screenshot(env):
    """The whole screen of the X display that env names, from xwd."""
    out = subprocess.run(["xwd", "-root", "-silent"], env=env, check=True,
                         stdout=subprocess.PIPE, timeout=30).stdout
    return parse_xwd(out)


def window_geometry(env, name):
    """{"x", "y", "w", "h"} of the window named name on the X display that env names, from
    xwininfo (x and y from the screen's top left), or None when there is no such window."""
    r = subprocess.run(["xwininfo", "-name", name], env=env,
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30)
    if r.returncode != 0:
        return None
    out = r.stdout.decode(errors="replace")
    fields = {}
    for key, label in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                       ("w", "Width"), ("h", "Height")):
        m = re.search(r"^\s*%s:\s*(-?\d+)" % label, out, re.M)
        if not m:
            return None
        fields[key] = int(m.group(1))
    return fields


def xdotool(env, *args):
    """Runs xdotool with args on the X display that env names."""
    subprocess.run(["xdotool"] + [str(a) for a in args], env=env, check=True,
                   stdout=subprocess.DEVNULL, timeout=30)


def cpu_seconds(stat_path):
    """The user and system time in /proc/PID/stat (every thread) or /proc/PID/task/TID/stat
    (one), in seconds."""
    with open(stat_path) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wait_until(fn, timeout, interval=0.1, what="condition"):
    """Calls fn until it returns something true, and returns that; raises TimeoutError
    after timeout seconds."""
    end = time.monotonic() + timeout
    while True:
        v = fn()
        if v:
            return v
        if time.monotonic() > end:
            raise TimeoutError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def _stop(proc, grace=3.0):
    """Ends a process this harness started (and its process group), politely first."""
    if proc is None or proc.poll() is not None:
        return
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 10)):
        try:
            os.killpg(proc.pid, sig)
        except (ProcessLookupError, PermissionError):
            pass
        try:
            proc.wait(wait)
            return
        except subprocess.TimeoutExpired:
            continue


AUTOREPEAT_DELAY_MS = 30000


class XServer:
    """An Xvfb server with one 640x480x24 screen on a display number it picks itself.

    Its keys auto-repeat only after autorepeat_delay ms (X's usual 660 ms when None): the
    harness holds a key until the game shows that it saw it, and on a busy machine that
    can take longer than the usual delay, which would turn one press into several."""

    def __init__(self, width=640, height=480, autorepeat_delay=AUTOREPEAT_DELAY_MS):
        self.size = (width, height)
        self.autorepeat_delay = autorepeat_delay
        self.proc = None
        self.display = None

    def start(self, timeout=30):
        r, w = os.pipe()
        self.log = tempfile.TemporaryFile()
        try:
            self.proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(w), "-screen", "0",
                 "%dx%dx24" % self.size, "-nolisten", "tcp", "-noreset"]
                + (["-ardelay", str(self.autorepeat_delay)] if self.autorepeat_delay else []),
                pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=self.log,
                start_new_session=True)
        finally:
            os.close(w)
        try:
            num = b""
            end = time.monotonic() + timeout
            while not num.endswith(b"\n"):
                if time.monotonic() > end:
                    raise TimeoutError("Xvfb gave no display number")
                c = os.read(r, 1)
                if not c:
                    self.log.seek(0)
                    raise RuntimeError("Xvfb failed: %s" % self.log.read().decode(errors="replace"))
                num += c
        finally:
            os.close(r)
        self.display = ":" + num.decode().strip()
        return self

    def stop(self):
        _stop(self.proc)
        self.proc = None
        if getattr(self, "log", None):
            self.log.close()
            self.log = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


SOUND_RATE = 44100          # frames per second of the capture
SOUND_CHANNELS = 2          # interleaved left, right
# Samples are unsigned 16-bit little-endian: silence is 0x8000.

XMESSAGE_STUB = """#!/bin/sh
# Stands in for xmessage: keeps the arguments (NUL-separated) and returns at once.
printf '%s\\0' "$@" > "$TABRIVET_E2E_MESSAGE.tmp"
mv "$TABRIVET_E2E_MESSAGE.tmp" "$TABRIVET_E2E_MESSAGE"
exit 0
"""


class Game:
    """The game in a temp working directory, with its own X server (unless display is
    None), a stand-in xmessage first on PATH, and a HOME whose .asoundrc sends the ALSA
    default device to a raw file.

    data: "default" copies the configured data file; None leaves it out; a path copies
    that file instead. without_patches: runs a copy of the binary from a folder with no
    patches.dat, so the MIDI player has no instruments while the samples still play.
    signals: {signal number: signal.SIG_DFL or signal.SIG_IGN}, the dispositions the game
    starts with for those signals (otherwise it inherits the test's).
    """

    def __init__(self, cfg=None, data="default", display="own", without_patches=False,
                 name=None, autorepeat_delay=AUTOREPEAT_DELAY_MS, signals=None):
        self.cfg = cfg or config()
        self.signals = dict(signals or {})
        self.autorepeat_delay = autorepeat_delay
        self.data = data
        self.display_mode = display
        self.without_patches = without_patches
        self.name = name or "game"
        self.xserver = None
        self.proc = None
        self.dir = None
        self.args = []  # after the binary on its command line

    # --- life cycle -------------------------------------------------------------------

    def start(self):
        self.dir = tempfile.mkdtemp(prefix="tabrivet-e2e-")
        try:
            self._prepare()
            self._launch()
        except BaseException:
            self.close()
            raise
        return self

    def _prepare(self):
        self.work = os.path.join(self.dir, "work")
        self.home = os.path.join(self.dir, "home")
        stub_dir = os.path.join(self.dir, "stub")
        for d in (self.work, self.home, stub_dir):
            os.mkdir(d)
        self.message_file = os.path.join(self.dir, "xmessage.args")
        stub = os.path.join(stub_dir, "xmessage")
        with open(stub, "w") as f:
            f.write(XMESSAGE_STUB)
        os.chmod(stub, 0o755)
        self.sound_file = os.path.join(self.dir, "sound.raw")
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write('pcm.!default {\n  type file\n  slave.pcm "null"\n'
                    '  file "%s"\n  format "raw"\n}\n' % self.sound_file)
        if self.data == "default":
            shutil.copy(self.cfg.data, os.path.join(self.work, "tabrivet.dat"))
        elif self.data is not None:
            shutil.copy(self.data, os.path.join(self.work, "tabrivet.dat"))
        self.binary = self.cfg.binary
        if self.without_patches:
            bindir = os.path.join(self.dir, "bin")
            os.mkdir(bindir)
            self.binary = os.path.join(bindir, "tabrivet")
            shutil.copy(self.cfg.binary, self.binary)
        self.env = dict(os.environ)
        for k in ("DISPLAY", "XAUTHORITY", "ALLEGRO", "ALSA_CONFIG_PATH"):
            self.env.pop(k, None)
        self.env["HOME"] = self.home
        self.env["PATH"] = stub_dir + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin")
        self.env["TABRIVET_E2E_MESSAGE"] = self.message_file
        if self.display_mode == "own":
            self.xserver = XServer(autorepeat_delay=self.autorepeat_delay).start()
            self.env["DISPLAY"] = self.xserver.display
        elif self.display_mode is not None:
            self.env["DISPLAY"] = self.display_mode

    def _launch(self):
        self.stdout_path = os.path.join(self.dir, "stdout")
        self.stderr_path = os.path.join(self.dir, "stderr")
        dispositions = self.signals

        def set_dispositions():
            for sig, action in dispositions.items():
                signal.signal(sig, action)
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen([self.binary] + self.args, cwd=self.work,
                                         env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                         stderr=err, start_new_session=True,
                                         preexec_fn=set_dispositions if dispositions else None)

    def close(self):
        """Stops the game and its X server and removes the temp folder. Safe to repeat."""
        try:
            _stop(self.proc)
        finally:
            try:
                if self.xserver:
                    self.xserver.stop()
            finally:
                if self.dir and not os.environ.get("TABRIVET_E2E_KEEP"):
                    shutil.rmtree(self.dir, ignore_errors=True)
                self.dir = None

    def __enter__(self):
        return self.start()

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None and self.dir:
            self._save_artifacts()
        self.close()

    def _save_artifacts(self):
        """Keeps what helps to see why a case failed: the screen, the output streams."""
        try:
            os.makedirs(self.cfg.artifacts, exist_ok=True)
            base = os.path.join(self.cfg.artifacts, "%s-%d" % (self.name, os.getpid()))
            if self.xserver and self.xserver.proc and self.xserver.proc.poll() is None:
                self.screenshot().save_png(base + "-screen.png")
            for s in ("stdout", "stderr"):
                shutil.copy(os.path.join(self.dir, s), base + "-" + s + ".txt")
            sys.stderr.write("e2e: artifacts saved as %s-*\n" % base)
        except Exception as e:  # the failure being reported matters more
            sys.stderr.write("e2e: could not save artifacts: %s\n" % e)

    # --- process state ----------------------------------------------------------------

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def window_shown(self):
        """True once a window is mapped on the game's display (the game has set its
        mode), False before or when the display is gone."""
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--maxdepth", "1",
                            "--name", ""], env=self.env, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, timeout=30)
        # The root window, at depth 0, is always found.
        return r.returncode == 0 and len(r.stdout.split()) > 1

    def wait_exit(self, timeout=20):
        """The exit code (negative: the signal that ended it); TimeoutError if it is
        still running after timeout seconds."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError("the game did not exit within %.0f s" % timeout)

    def stdout(self):
        with open(self.stdout_path, "rb") as f:
            return f.read()

    def stderr(self):
        with open(self.stderr_path, "rb") as f:
            return f.read()

    def message_args(self):
        """The arguments the game gave xmessage, or None if it never ran it."""
        try:
            with open(self.message_file, "rb") as f:
                data = f.read()
        except FileNotFoundError:
            return None
        return data.split(b"\0")[:-1]

    def message(self):
        """The text the game showed through xmessage (its last argument), or None."""
        args = self.message_args()
        return args[-1] if args else None

    # --- input ------------------------------------------------------------------------

    def xdotool(self, *args):
        xdotool(self.env, *args)

    def key_down(self, key):
        self.xdotool("keydown", key)

    def key_up(self, key):
        self.xdotool("keyup", key)

    def tap(self, key, hold=0.25, after=0.1):
        """Presses an X key (keysym name: 'Return', 'Escape', 'space', 'a', 'Up',
        'Print', '1'...) for hold seconds, long enough for a frame to see it on a machine
        that is not overloaded. Where the game's answer shows, press() is surer."""
        self.key_down(key)
        try:
            time.sleep(hold)
        finally:
            self.key_up(key)
        time.sleep(after)

    def hold(self, key, seconds):
        """Holds a key down for seconds."""
        self.tap(key, hold=seconds, after=0)

    def press(self, key, until, timeout=20, what="the game to answer a key"):
        """Holds key down until until() returns something true, then releases it and
        returns that. The X server repeats no key within its long auto-repeat delay, so
        however long that takes the game gets one press."""
        self.key_down(key)
        try:
            return wait_until(until, timeout, 0.05, "%s (%s held)" % (what, key))
        finally:
            self.key_up(key)

    def press_until(self, key, fn, timeout=20, what="the screen to answer a key"):
        """press() until fn(screenshot) is true; returns (value, screenshot)."""
        self.key_down(key)
        try:
            return self.wait_screen(fn, timeout, "%s (%s held)" % (what, key), 0.05)
        finally:
            self.key_up(key)

    def quit(self, timeout=30):
        """Holds Esc until the game has exited; returns its exit code."""
        self.press("Escape", lambda: not self.running(), timeout, "the game to exit")
        return self.wait_exit(timeout)

    def mouse_move(self, x, y):
        self.xdotool("mousemove", x, y)

    def mouse_down(self, button=1):
        self.xdotool("mousedown", button)

    def mouse_up(self, button=1):
        self.xdotool("mouseup", button)

    def point_at(self, x, y):
        """Puts the game's mouse at (x, y) in its own coordinates. The library moves its
        mouse by the pointer's motion, clamped to the range the game set; where that range
        is smaller than the window (the pause box confines it to the picture) the library
        also warps the X pointer back to the window's centre after each motion, so an
        absolute move would be counted from wherever that warp left the pointer. So the
        pointer goes to the far corner, then to the near one, which pins the mouse at
        (0, 0) whatever it was, and then moves by (x, y) relative to where it is."""
        for px, py in ((639, 479), (0, 0)):
            self.mouse_move(px, py)
            time.sleep(0.05)
        self.xdotool("mousemove_relative", "--", x, y)
        time.sleep(0.05)

    def click(self, x, y, button=1, hold=0.2, after=0.1):
        """Points at (x, y) and holds the button for hold seconds."""
        self.point_at(x, y)
        self.mouse_down(button)
        try:
            time.sleep(hold)
        finally:
            self.mouse_up(button)
        time.sleep(after)

    POINT_AGAIN_AFTER = 8.0

    def click_until(self, x, y, fn, timeout=20, what="the screen to answer a click",
                    button=1):
        """Points at (x, y) and holds the button until fn(screenshot) is true; returns
        (value, screenshot). When the screen has not answered within POINT_AGAIN_AFTER
        seconds, it lets go, points and presses again: once, on a loaded machine, the
        game's pointer was seen nowhere near (x, y) after 30 s."""
        end = time.monotonic() + timeout
        while True:
            self.point_at(x, y)
            self.mouse_down(button)
            try:
                return self.wait_screen(
                    fn, max(0.1, min(self.POINT_AGAIN_AFTER, end - time.monotonic())),
                    what, 0.05)
            except TimeoutError:
                if time.monotonic() >= end:
                    raise
            finally:
                self.mouse_up(button)

    # --- output: screen ---------------------------------------------------------------

    def screenshot(self):
        return root_screenshot(self.env)

    def wait_screen(self, fn, timeout=20, what="the screen", interval=0.1):
        """Takes screenshots until fn(image) is true; returns (value, image)."""
        last = [None]

        def probe():
            self._check_running(what)
            img = self.screenshot()
            last[0] = img
            v = fn(img)
            return (v, img) if v else None
        return wait_until(probe, timeout, interval, what)

    def _check_running(self, what):
        if self.proc.poll() is not None:
            raise AssertionError("the game exited (code %s) while waiting for %s"
                                 % (self.proc.returncode, what))

    def read_text(self, x, y, n, img=None, color=None):
        return font().read(img or self.screenshot(), x, y, n, color)

    def wait_text(self, x, y, text, timeout=20, color=None):
        """Waits until text is drawn with its first cell at (x, y); returns the image."""
        return self.wait_screen(
            lambda img: font().read(img, x, y, len(text), color) == text,
            timeout, "%r at (%d,%d)" % (text, x, y))[1]

    @staticmethod
    def is_title(img):
        """True when the picture shows the title screen's player-count value."""
        return font().read(img, 218, 255, 9).rstrip() in ("1 Joueur", "2 Joueurs")

    def title_shown(self):
        """True when the screen shows the title screen now (False once the game ended)."""
        try:
            return self.running() and self.is_title(self.screenshot())
        except subprocess.CalledProcessError:
            return False

    def wait_title(self, timeout=30):
        """Waits for the title screen (its player-count row read back at (218, 255))."""
        return self.wait_screen(self.is_title, timeout, "the title screen")[1]

    MENU_ROWS = {"1": 255, "2": 285, "3": 315}  # title-screen key -> row of its value

    def menu_value(self, key, img=None):
        """The value the title screen shows in the row the key cycles."""
        return font().read(img or self.screenshot(), 218, self.MENU_ROWS[key], 10).rstrip()

    def choose(self, key, value, timeout=10):
        """On the title screen, presses key until its row shows value; each press must
        change the row within timeout seconds."""
        for _ in range(5):
            now = self.menu_value(key)
            if now == value:
                return
            self.press_until(key, lambda img: self.menu_value(key, img) != now, timeout,
                             "row %s to change from %r" % (key, now))
        raise AssertionError("row %s never showed %r" % (key, value))

    def start_match(self, players=1, music=False, timeout=30):
        """From the title screen: sets the player count and the music, presses Enter and
        waits for the match's score line; returns that screenshot."""
        self.wait_title(timeout)
        self.mouse_move(630, 150)
        self.choose("1", "1 Joueur" if players == 1 else "2 Joueurs")
        self.choose("3", "Oui" if music else "Non")
        second = "Ordinateur : 0" if players == 1 else "Joueur 2 : 0"
        return self.press_until(
            "Return", lambda img: (font().read(img, 5, 5, 12) == "Joueur 1 : 0"
                                   and font().read(img, 5, 16, len(second)) == second),
            timeout, "the match's score line")[1]

    def score_line(self, timeout=20):
        """The two score texts of a match, read from a screenshot where the ball is clear
        of them (it is drawn over the text when it passes)."""
        def probe():
            img = self.screenshot()
            ball = find_ball(img)
            if ball is None or ball[1] < 40:
                return None
            return (font().read(img, 5, 5, 16).rstrip(), font().read(img, 5, 16, 16).rstrip())
        return wait_until(probe, timeout, 0.05, "the ball clear of the score line")

    def capture(self, timeout=20):
        """Presses Print Screen and returns the decoded capture.pcx once it is whole."""
        path = os.path.join(self.work, "capture.pcx")
        if os.path.exists(path):
            os.unlink(path)

        def read():
            try:
                with open(path, "rb") as f:
                    return parse_pcx(f.read())
            except (FileNotFoundError, ValueError):
                return None
        return self.press("Print", read, timeout, "capture.pcx")

    # --- output: sound ----------------------------------------------------------------

    def sound_mark(self):
        """Where the sound capture stands now, in frames. The library's ALSA output runs
        ahead of real time into the null device, so positions, not clock times, relate
        the capture to what happened on screen."""
        try:
            return os.path.getsize(self.sound_file) // (2 * SOUND_CHANNELS)
        except FileNotFoundError:
            return 0

    def sound(self, start=0, end=None):
        """Frames start..end of the capture as signed 16-bit values, interleaved L, R."""
        with open(self.sound_file, "rb") as f:
            f.seek(start * 2 * SOUND_CHANNELS)
            data = f.read(-1 if end is None else (end - start) * 2 * SOUND_CHANNELS)
        data = data[:len(data) // 4 * 4]
        signed = (int.from_bytes(data, "little")
                  ^ int.from_bytes(b"\0\x80" * (len(data) // 2), "little"))
        a = array.array("h")
        a.frombytes(signed.to_bytes(len(data), "little"))
        if sys.byteorder != "little":
            a.byteswap()
        return a

    def sound_stats(self, start=0, end=None):
        return sound_stats(self.sound(start, end))

    def wait_sound(self, start, seconds, timeout=60):
        """Waits until the capture holds seconds of sound after frame start; returns the
        frame where that stretch ends."""
        end = start + int(seconds * SOUND_RATE)
        wait_until(lambda: self.sound_mark() >= end, timeout, 0.1,
                   "%.1f s of sound in the capture" % seconds)
        return end


def sound_stats(samples):
    """(frames, peak, rms) of interleaved signed 16-bit samples."""
    n = len(samples)
    if n == 0:
        return 0, 0, 0.0
    peak = max(max(samples), -min(samples))
    rms = math.sqrt(sum(map(operator.mul, samples, samples)) / n)
    return n // SOUND_CHANNELS, peak, rms


def rms_windows(samples, window_frames):
    """RMS of each run of window_frames frames of interleaved samples."""
    step = window_frames * SOUND_CHANNELS
    out = []
    for i in range(0, len(samples) - step + 1, step):
        w = samples[i:i + step]
        out.append(math.sqrt(sum(map(operator.mul, w, w)) / step))
    return out


def mono(samples):
    """Left plus right of interleaved stereo samples, as a list."""
    return list(map(operator.add, samples[0::2], samples[1::2]))


def read_wav(path):
    """(rate, frames) of a PCM WAV file: 8-bit unsigned or 16-bit signed, channels summed,
    as a list of numbers."""
    import wave
    with wave.open(path, "rb") as w:
        rate, width, channels = w.getframerate(), w.getsampwidth(), w.getnchannels()
        raw = w.readframes(w.getnframes())
    if width == 1:
        vals = [b - 128 for b in raw]
    elif width == 2:
        a = array.array("h")
        a.frombytes(raw[:len(raw) // 2 * 2])
        if sys.byteorder != "little":
            a.byteswap()
        vals = list(a)
    else:
        raise ValueError("%s: %d-byte samples" % (path, width))
    return rate, [sum(vals[i:i + channels]) for i in range(0, len(vals), channels)]


def resample(frames, rate, to_rate=SOUND_RATE):
    """frames at rate, linearly interpolated to to_rate."""
    n = int(len(frames) * to_rate / rate)
    out = []
    for i in range(n):
        p = i * rate / to_rate
        k = int(p)
        f = p - k
        nxt = frames[k + 1] if k + 1 < len(frames) else frames[k]
        out.append(frames[k] * (1 - f) + nxt * f)
    return out


def onsets(signal, level, quiet=2205):
    """Indexes where |signal| first exceeds level after at least quiet values below it."""
    out = []
    last_loud = -quiet - 1
    for i, v in enumerate(signal):
        if v > level or v < -level:
            if i - last_loud > quiet:
                out.append(i)
            last_loud = i
    return out


def first_above(signal, fraction):
    """Index of the first value whose size reaches fraction of the largest one."""
    top = max(map(abs, signal)) if signal else 0
    lim = fraction * top
    return next((i for i, v in enumerate(signal) if abs(v) >= lim and top), None)


def match_sound(signal, start, template, span=200, length=2048):
    """Best normalised correlation (-1..1) of the first length values of template, taken
    from where it first gets loud, with signal at an offset within span of start (where
    the signal gets loud). 1 means the same waveform at any volume."""
    t0 = first_above(template, 0.05)
    t = template[t0:t0 + length]
    tn = math.sqrt(sum(map(operator.mul, t, t)))
    best = -1.0
    for lag in range(max(0, start - span), start + span + 1):
        x = signal[lag:lag + len(t)]
        if len(x) < len(t):
            break
        xn = math.sqrt(sum(map(operator.mul, x, x)))
        if xn and tn:
            best = max(best, sum(map(operator.mul, t, x)) / (tn * xn))
    return best


def identify_sound(signal, onset, templates, rate=SOUND_RATE, same=0.9):
    """The name of the template (name: frames at rate) whose waveform starts at onset in
    signal, or None when none scores same or more; and the scores."""
    burst = signal[max(0, onset - 100):onset + rate // 10]
    start = max(0, onset - 100) + first_above(burst, 0.05)
    scores = {name: match_sound(signal, start, t) for name, t in templates.items()}
    best = max(scores, key=scores.get)
    return (best if scores[best] >= same else None), scores


# --------------------------------------------------------------------------------------
# Data files made with the library's dat tool.
# --------------------------------------------------------------------------------------

ASSET_ORDER = ["ball.bmp", "pause.bmp", "logo.bmp", "cursor.bmp", "paddle_left.bmp",
               "paddle_right.bmp", "bounce.wav", "hit.wav", "music.mid"]


def make_datafile(out, files, cfg=None):
    """Builds a data file holding files in that order (bitmaps grabbed in 16-bit colour,
    other objects by their extension), stripped of the grabber's own information. A
    file name without a folder is taken from the asset folder."""
    cfg = cfg or config()
    paths = [f if os.path.dirname(f) else os.path.join(cfg.assets, f) for f in files]
    if os.path.exists(out):
        os.unlink(out)
    for p in paths:
        cmd = ["dat", "-n0", "-s1", "-bpp", "16", out, "-a"]
        if p.lower().endswith(".bmp"):
            cmd += ["-t", "BMP"]
        subprocess.run(cmd + [p], check=True, stdout=subprocess.DEVNULL, timeout=60)
    listing = subprocess.run(["dat", "-l", out], check=True, stdout=subprocess.PIPE,
                             timeout=60).stdout.decode(errors="replace")
    objects = [l for l in listing.splitlines() if l.startswith("- ")]
    if len(objects) != len(paths):
        raise RuntimeError("dat made %d objects of %d files:\n%s"
                           % (len(objects), len(paths), listing))
    return out


# --------------------------------------------------------------------------------------
# Browsers: a folder served on 127.0.0.1 and opened in Debian's Chromium, driven through
# Selenium and chromedriver (Debian's python3-selenium, so these run in /usr/bin/python3).
# --------------------------------------------------------------------------------------


class Server:
    """Serves a folder on http://127.0.0.1:PORT/ from a thread. Names in `withheld` answer
    404; `pages` maps further names to bytes served as HTML."""

    def __init__(self, folder, pages=None):
        import functools
        import http.server
        import threading
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def do_GET(self):
                name = self.path.split("?")[0].lstrip("/")
                if name in server.withheld:
                    self.send_error(404)
                elif name in server.pages:
                    body = server.pages[name]
                    self.send_response(200)
                    self.send_header("Content-Type", "text/html; charset=utf-8")
                    self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    self.wfile.write(body)
                else:
                    super().do_GET()

            def log_message(self, *args):
                pass
        self.withheld = set()
        self.pages = dict(pages or {})
        self.httpd = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(Handler, directory=folder))
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


# Run in every page before its own scripts: keeps each chunk of sound the page posts to
# an audio worklet (the library's mixer output, as it reaches Web Audio).
PAGE_PROBE = r"""
window.__pcm = [];
var post = MessagePort.prototype.postMessage;
MessagePort.prototype.postMessage = function(data) {
  if (Array.isArray(data) && data.length == 2 && data[0] instanceof Float32Array)
    window.__pcm.push(Float32Array.from(data[0], function(v, i) { return (v + data[1][i]) / 2; }));
  return post.apply(this, arguments);
};
window.__pcmSince = function(from) {
  var all = [], n = 0;
  window.__pcm.forEach(function(c) { all.push(c); n += c.length; });
  var out = new Int16Array(Math.max(0, n - from)), at = 0, i = 0;
  all.forEach(function(c) {
    for (var j = 0; j < c.length; j++, i++)
      if (i >= from) out[at++] = Math.max(-32768, Math.min(32767, Math.round(c[j] * 32768)));
  });
  var s = "", bytes = new Uint8Array(out.buffer);
  for (var k = 0; k < bytes.length; k += 8192)
    s += String.fromCharCode.apply(null, bytes.subarray(k, k + 8192));
  return btoa(s);
};
"""

# xdotool key names -> (KeyboardEvent.code, key, Windows virtual key code)
BROWSER_KEYS = {"Return": ("Enter", "Enter", 13), "Escape": ("Escape", "Escape", 27),
                "space": ("Space", " ", 32), "Print": ("PrintScreen", "PrintScreen", 44),
                "Up": ("ArrowUp", "ArrowUp", 38), "Down": ("ArrowDown", "ArrowDown", 40)}


def browser_key(name):
    if name in BROWSER_KEYS:
        return BROWSER_KEYS[name]
    if name.isdigit():
        return ("Digit" + name, name, ord(name))
    return ("Key" + name.upper(), name, ord(name.upper()))


def chromium(headless=True, env=None, size=(800, 700)):
    """Debian's Chromium through chromedriver, with a profile of its own and none of its
    network chatter; headless unless told, else on env's DISPLAY."""
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    o = Options()
    o.binary_location = "/usr/bin/chromium"
    for a in ["--no-sandbox", "--disable-gpu", "--disable-background-networking",
              "--disable-component-update", "--disable-sync", "--no-first-run",
              "--disable-quic", "--window-size=%d,%d" % size]:
        o.add_argument(a)
    if headless:
        o.add_argument("--headless=new")
    o.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver", env=env), options=o)


class PageGame(Game):
    """The game's page, served from folder and played in Chromium: the screen is the
    canvas's pixels, keys and the mouse are the browser's own input events (sent through
    the DevTools protocol), the sound is what the page posts to Web Audio."""

    def __init__(self, folder, name="web", headless=True, env=None):
        super().__init__(name=name, display=None)
        self.folder = folder
        self.headless = headless
        self.browser_env = env
        self.server = None
        self.driver = None

    def start(self):
        self.dir = tempfile.mkdtemp(prefix="tabrivet-web-")
        try:
            self.server = Server(self.folder)
            self.driver = chromium(self.headless, self.browser_env)
            self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                        {"source": PAGE_PROBE})
            self.open()
        except BaseException:
            self.close()
            raise
        return self

    def open(self, page="index.html"):
        self.driver.get(self.server.url + page)

    def close(self):
        try:
            if self.driver:
                self.driver.quit()
        finally:
            self.driver = None
            if self.server:
                self.server.stop()
            self.server = None
            if self.dir:
                shutil.rmtree(self.dir, ignore_errors=True)
            self.dir = None

    def _save_artifacts(self):
        try:
            os.makedirs(self.cfg.artifacts, exist_ok=True)
            base = os.path.join(self.cfg.artifacts, "%s-%d" % (self.name, os.getpid()))
            self.driver.save_screenshot(base + "-page.png")
            with open(base + "-console.txt", "w") as f:
                for entry in self.driver.get_log("browser"):
                    f.write("%s\n" % entry)
            sys.stderr.write("e2e: artifacts saved as %s-*\n" % base)
        except Exception as e:
            sys.stderr.write("e2e: could not save artifacts: %s\n" % e)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def running(self):
        """True until the page offers to play again: the game has ended."""
        return self.js("return document.getElementById('again').hidden")

    def page_text(self):
        """The text the page shows over the game (loading, a message, the end), or None."""
        return self.js("var p = document.getElementById('panel');"
                       "return p.style.display == 'flex' ? "
                       "document.getElementById('text').textContent : null")

    def wait_page_text(self, timeout=20):
        return wait_until(self.page_text, timeout, 0.1, "the page's text")

    # --- input ------------------------------------------------------------------------

    def _key(self, kind, name):
        code, key, vk = browser_key(name)
        event = {"type": kind, "code": code, "key": key, "windowsVirtualKeyCode": vk}
        if kind == "keyDown" and len(key) == 1:
            event["text"] = key
        elif kind == "keyDown":
            event["type"] = "rawKeyDown"
        self.driver.execute_cdp_cmd("Input.dispatchKeyEvent", event)

    def key_down(self, key):
        self._key("keyDown", key)

    def key_up(self, key):
        self._key("keyUp", key)

    def _page_point(self, x, y):
        """Where the picture's pixel (x, y) is in the page, at the canvas's shown size."""
        r = self.js("var r = document.getElementById('screen').getBoundingClientRect();"
                    "return [r.left, r.top, r.width, r.height];")
        return (r[0] + (x + 0.5) * r[2] / 640, r[1] + (y + 0.5) * r[3] / 480)

    def _mouse(self, kind, button=1):
        px, py = self._page_point(*self.pointer)
        self.driver.execute_cdp_cmd("Input.dispatchMouseEvent", {
            "type": kind, "x": px, "y": py, "button": "left" if button == 1 else "right",
            "buttons": (1 if kind == "mousePressed" else 0), "clickCount": 1})

    pointer = (320, 240)

    def mouse_move(self, x, y):
        self.pointer = (x, y)
        self._mouse("mouseMoved")

    def mouse_down(self, button=1):
        self._mouse("mousePressed", button)

    def mouse_up(self, button=1):
        self._mouse("mouseReleased", button)

    # Where point_at starts its last move from. A mouse confined to a smaller range than
    # the screen follows the pointer's motion, so from elsewhere than (0, 0) it still
    # ends at (x, y) of its range, where the pointer's own place would be off.
    origin = (0, 0)

    def point_at(self, x, y):
        """As Game.point_at: far corner, origin, then (x, y) further on, which pins a
        confined mouse at its range's corner first and leaves it at (x, y) of its range."""
        ox, oy = self.origin
        for px, py in ((639, 479), (ox, oy), (ox + x, oy + y)):
            self.mouse_move(px, py)
            time.sleep(0.05)

    # --- output -----------------------------------------------------------------------

    def screenshot(self):
        """The canvas's pixels, as the page shows the game's 640x480 screen."""
        data = self.js(
            "var c = document.getElementById('screen');"
            "var d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
            "var s = '';"
            "for (var i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i+1], d[i+2]);"
            "return [c.width, c.height, btoa(s)];")
        import base64
        return Image(data[0], data[1], base64.b64decode(data[2]))

    def _check_running(self, what):
        if not self.running():
            raise AssertionError("the game ended while waiting for %s" % what)

    def sound_rate(self):
        return self.js("return Module.allegro.audioContext.sampleRate")

    def sound_mark(self):
        """How many frames of sound the page has posted to Web Audio so far."""
        return self.js("return window.__pcm.reduce(function(n, c) { return n + c.length; }, 0)")

    def sound(self, start=0, end=None):
        """Mono frames start..end of what reached Web Audio, as signed 16-bit values."""
        import base64
        a = array.array("h")
        a.frombytes(base64.b64decode(self.js("return window.__pcmSince(arguments[0])", start)))
        if sys.byteorder != "little":
            a.byteswap()
        return a if end is None else a[:end - start]
