"""Text on the game's screen: the library's 8x8 font, as the font_dump helper gives its
glyphs, read back from a picture."""

import subprocess

from .options import config


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

