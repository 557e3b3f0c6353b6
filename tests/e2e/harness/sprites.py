"""The game's sprites in a picture: its bitmaps located on the screen, the ball, the
paddles and the pause box found, and the title screen's parts where its frame has them."""

import os

from .options import config
from .pictures import read_bmp
from .text import font


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

