"""The web page played by touch, in headless Chromium emulating a phone in landscape
(DevTools' device metrics with `mobile`, touch only, trusted touches): a tap on a title
value changes it once and starts the sound; a tap on "Jouer" starts the match; the page's
serve control serves while a held paddle control moves the paddle (two fingers at once);
a cancelled touch lets go; the pause control opens the pause box, where taps on
"Reprendre" and "Quitter" press those buttons. On a phone in landscape and in portrait and
on a 4:3 tablet every control lies inside the viewport, off the picture and at least 44 px
wide and high, and the picture keeps its share; a desktop without touch shows none; and
once visited, the page starts with its server stopped.

The zip is dist/web/build.sh's, named by TABRIVET_WEB_ZIP.
"""

import os
import shutil
import tempfile
import time
import unittest
import zipfile

import harness

ZIP = os.environ.get("TABRIVET_WEB_ZIP", "")
PHONE, PORTRAIT, TABLET = (915, 412), (412, 915), (1180, 820)
CONTROLS = ["KeyA", "KeyZ", "ArrowUp", "ArrowDown", "Space", "Escape"]
CENTRE = (320, 240)
DIFFICULTY = (252, 289)  # on every difficulty value, right of the four letters read back
MUSIC = (238, 319)
PLAY = (320, 393)
RESUME = (178 + 210, 181 + 105)  # the pause box's buttons, on the screen
LEAVE = (178 + 70, 181 + 105)
LOW = 390  # a paddle's top below this is at the bottom edge (it starts at 160)


def emulate(game, size):
    """DevTools' device emulation: a phone's or a tablet's viewport of size CSS px, touch
    only (a coarse pointer and no fine one)."""
    game.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": size[0], "height": size[1], "deviceScaleFactor": 2, "mobile": True})
    game.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled",
                                {"enabled": True, "maxTouchPoints": 5})


class Fingers:
    """Trusted touches through DevTools: the fingers on the screen by id, at page points."""

    def __init__(self, game):
        self.game, self.at = game, {}

    def send(self, kind, fingers):
        points = [{"x": self.at[i][0], "y": self.at[i][1], "id": i} for i in fingers]
        self.game.driver.execute_cdp_cmd("Input.dispatchTouchEvent",
                                         {"type": kind, "touchPoints": points})

    def picture(self, x, y):
        """Where the picture's pixel (x, y) is in the page."""
        r = self.game.js("var r = document.getElementById('screen').getBoundingClientRect();"
                         "return [r.left, r.top, r.width, r.height];")
        return (r[0] + (x + 0.5) * r[2] / 640, r[1] + (y + 0.5) * r[3] / 480)

    def control(self, code):
        """The middle of the page's control that presses the key `code`."""
        return tuple(self.game.js(
            "var r = document.querySelector('button[data-key=' + arguments[0] + ']')"
            ".getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2];",
            code))

    def down(self, finger, point):
        self.at[finger] = point
        self.send("touchStart", self.at)

    def up(self, finger):
        """Lifts one finger. Chromium ends the touch points a touchEnd names (none
        named: all of them)."""
        self.send("touchEnd", [finger])
        del self.at[finger]

    def cancel(self):
        self.send("touchCancel", [])
        self.at = {}

    def tap(self, point, hold=0.1):
        self.down(9, point)
        time.sleep(hold)
        self.up(9)


def shown_controls(game):
    """{data-key: [left, top, right, bottom]} of the controls the page shows."""
    return game.js(
        "var out = {};"
        "document.querySelectorAll('button[data-key]').forEach(function(b) {"
        "  var r = b.getBoundingClientRect(), s = getComputedStyle(b);"
        "  if (r.width && r.height && s.visibility != 'hidden' && s.opacity != '0')"
        "    out[b.dataset.key] = [r.left, r.top, r.right, r.bottom]; });"
        "return out;")


def browser_available():
    try:
        import selenium  # noqa: F401
    except ImportError:
        return False
    return all(os.access(p, os.X_OK) for p in ("/usr/bin/chromium", "/usr/bin/chromedriver"))


def paddle_y(img):
    at = harness.find_paddle(img, "left")
    return at[1] if at else None


@unittest.skipUnless(os.path.isfile(ZIP) and browser_available(),
                     "no web page (dist/web/build.sh) or no Chromium and Selenium")
class TouchPage(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tabrivet-touch-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        with zipfile.ZipFile(ZIP) as z:
            z.extractall(self.folder)

    def phone(self, game, size=PHONE):
        emulate(game, size)
        game.open()
        game.wait_title(60)
        return Fingers(game)

    def test_a_phone_in_landscape_plays_by_touch(self):
        with harness.PageGame(self.folder, name="web-touch") as game:
            fingers = self.phone(game)
            sound = "return Module.allegro.audioContext.state"
            self.assertNotEqual(game.js(sound), "running", "sound before any gesture")
            for was, now in (("Faci", "Moye"), ("Moye", "Diff")):
                self.assertEqual(game.menu_value("2")[:4], was)
                fingers.tap(fingers.picture(*DIFFICULTY))
                game.wait_screen(lambda img: game.menu_value("2", img)[:4] != was, 5,
                                 "the difficulty to change on a tap")
                time.sleep(0.5)
                self.assertEqual(game.menu_value("2")[:4], now, "not changed exactly once")
            harness.wait_until(lambda: game.js(sound) == "running", 5, 0.1,
                               "the sound to start after the first tap")
            fingers.tap(fingers.picture(*MUSIC))
            game.wait_screen(lambda img: game.menu_value("3", img)[:2] == "Ou", 5,
                             "the music to be turned on by a tap")
            fingers.tap(fingers.picture(*PLAY))
            game.wait_text(5, 5, "Joueur 1 : 0", 10)
            mark = game.sound_mark()
            harness.wait_until(lambda: game.sound_mark() > mark + game.sound_rate(), 20, 0.2,
                               "a second of sound")
            self.assertGreater(harness.sound_stats(game.sound(mark))[1], 1000,
                               "the tune did not reach Web Audio")
            bottom = self.serve_while_holding_a_paddle(game, fingers)
            self.cancelled_touch_lets_go(game, fingers, bottom)

            fingers.tap(fingers.control("Escape"))
            game.wait_screen(harness.pause_box_shown, 10, "the pause box")
            fingers.tap(fingers.picture(*RESUME))
            game.wait_screen(lambda img: not harness.pause_box_shown(img), 10,
                             "the pause box to close on a tap on its resume button")
            fingers.tap(fingers.control("Escape"))
            game.wait_screen(harness.pause_box_shown, 10, "the pause box")
            fingers.tap(fingers.picture(*LEAVE))
            game.wait_screen(game.is_title, 30, "the title screen after a tap on leave")

    def serve_while_holding_a_paddle(self, game, fingers):
        """One finger holds the paddle down while another taps serve: both act."""
        start = paddle_y(game.screenshot())
        fingers.down(1, fingers.control("KeyZ"))
        fingers.tap(fingers.control("Space"))
        game.wait_screen(lambda img: harness.find_ball(img) not in (None, CENTRE), 5,
                         "the served ball to leave the centre")
        bottom = game.wait_screen(lambda img: paddle_y(img) >= LOW and paddle_y(img), 5,
                                  "the held paddle to move from %s to the bottom" % start)[0]
        fingers.up(1)
        return bottom

    def cancelled_touch_lets_go(self, game, fingers, bottom):
        """A held paddle control whose touch is cancelled leaves the paddle to come to rest
        before the top edge. Only a ball in play lets the paddle move, so the try counts
        when the ball is still in play after it."""
        for _ in range(8):
            game.wait_screen(lambda img: harness.find_ball(img) == CENTRE, 20,
                             "the ball to wait for a serve")
            fingers.tap(fingers.control("Space"))
            fingers.down(1, fingers.control("KeyA"))
            time.sleep(0.1)
            fingers.cancel()
            time.sleep(0.4)
            first = game.screenshot()
            time.sleep(0.3)
            second = game.screenshot()
            if harness.find_ball(second) not in (None, CENTRE):
                break
        else:
            self.fail("the ball never stayed in play long enough")
        rest = paddle_y(second)
        self.assertEqual(paddle_y(first), rest, "the paddle still moves")
        self.assertTrue(0 < rest < bottom, "the paddle came to rest at %s" % rest)

    def test_the_controls_fit_phones_and_tablets_off_the_picture(self):
        with harness.PageGame(self.folder, name="web-touch-layout") as game:
            self.phone(game)
            for size, along, share in ((PHONE, "height", 0.85), (PORTRAIT, "width", 0.95),
                                       (TABLET, "height", 0.70), (PHONE, "height", 0.85)):
                emulate(game, size)  # turned or resized: laid out again at once
                time.sleep(0.3)
                with self.subTest(size=size):
                    w, h = game.js("return [innerWidth, innerHeight]")
                    self.assertEqual((w, h), size)
                    p = game.js("var r = document.getElementById('screen')"
                                ".getBoundingClientRect();"
                                "return [r.left, r.top, r.right, r.bottom];")
                    shown = (p[3] - p[1]) / h if along == "height" else (p[2] - p[0]) / w
                    self.assertGreaterEqual(shown, share, "the picture's share of the " + along)
                    controls = shown_controls(game)
                    self.assertEqual(sorted(controls), sorted(CONTROLS))
                    for code, (left, top, right, bottom) in controls.items():
                        self.assertTrue(0 <= left and right <= w and 0 <= top and bottom <= h,
                                        "%s outside the viewport" % code)
                        self.assertGreaterEqual(min(right - left, bottom - top), 44, code)
                        self.assertTrue(right <= p[0] or left >= p[2] or bottom <= p[1]
                                        or top >= p[3], "%s over the picture" % code)

    def test_a_desktop_shows_no_control_and_a_second_visit_starts_offline(self):
        with harness.PageGame(self.folder, name="web-touch-desktop") as game:
            game.wait_title(60)
            game.click(*DIFFICULTY)  # a mouse's press does not bring them either
            self.assertEqual(shown_controls(game), {})
            self.assertTrue(game.driver.execute_async_script(
                "var done = arguments[arguments.length - 1];"
                "setTimeout(function() { done(false); }, 20000);"
                "navigator.serviceWorker.ready.then(function() { done(true); });"),
                "no service worker became active")
            game.server.stop()
            game.open()
            game.wait_title(60)
            self.assertTrue(game.js("return !!navigator.serviceWorker.controller"))


if __name__ == "__main__":
    harness.main()
