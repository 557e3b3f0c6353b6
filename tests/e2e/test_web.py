"""The web page in Chromium: its zip, unpacked alone and served on 127.0.0.1, holds
index.html at its root with the program, its data files, the licences and a README, and
plays with nothing else. Its title screen is drawn like the Linux game's own picture; 1
and a click change rows; Enter starts a match whose tune reaches Web Audio; Space serves;
Esc opens the pause box, where the pointer follows the mouse to click "resume" and, the
next time, "leave" with the page's own pointer off the picture; Esc on the title screen
ends the game and the page says so. Played again (the page's own button) without its
instruments, so that the tune is silent, the bounce and the hit reach Web Audio as the
samples themselves. Without its data file, or with a damaged one, the page shows the
game's own message.

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
CONTENTS = ["index.html", "tabrivet.js", "tabrivet.wasm", "tabrivet.dat", "patches.dat",
            "icon.png", "icon-192.png", "icon-512.png", "manifest.json", "sw.js", "README.txt",
            "COPYRIGHT.txt", "GPL-2.txt", "ALLEGRO-LICENSE.txt"]
LOAD_ERROR = "Error loading 'tabrivet.dat'\n"
CENTRE = (320, 240)
DIFFICULTY = (230, 288)  # a point on the difficulty row's value
LEAVE = (70, 105)        # the pause box's buttons, in the picture's own coordinates
RESUME = (210, 105)
SAME_WAVEFORM = 0.9
LEVEL = 64


def browser_available():
    try:
        import selenium  # noqa: F401
    except ImportError:
        return False
    return os.access("/usr/bin/chromium", os.X_OK) and os.access("/usr/bin/chromedriver",
                                                                  os.X_OK)


@unittest.skipUnless(os.path.isfile(ZIP) and browser_available(),
                     "no web page (dist/web/build.sh) or no Chromium and Selenium")
class WebPage(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tabrivet-web-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        with zipfile.ZipFile(ZIP) as z:
            self.assertEqual(sorted(z.namelist()), sorted(CONTENTS))
            z.extractall(self.folder)

    def test_the_zip_alone_plays_in_chromium(self):
        with harness.PageGame(self.folder) as game:
            self.play(game)
            self.play_again_for_the_samples(game)

    def test_a_missing_or_damaged_data_file_is_reported_in_the_page(self):
        with harness.PageGame(self.folder, name="web-errors") as game:
            game.server.withheld.add("tabrivet.dat")
            game.open()
            harness.wait_until(lambda: not game.running(), 30, 0.2, "the game to stop")
            self.assertEqual(game.page_text(), LOAD_ERROR)
            data = os.path.join(self.folder, "tabrivet.dat")
            with open(data, "r+b") as f:
                f.truncate(os.path.getsize(data) // 2)
            game.server.withheld.clear()
            game.open()
            harness.wait_until(lambda: not game.running(), 30, 0.2, "the game to stop")
            self.assertEqual(game.page_text(), LOAD_ERROR)

    def play(self, game):
        game.wait_title(60)
        harness.check_title_parts(self, game)
        game.choose("1", "2 Joueurs")
        before = game.menu_value("2")
        game.click_until(*DIFFICULTY, lambda img: game.menu_value("2", img) != before, 20,
                         "the difficulty to change on a click")
        game.mouse_move(630, 150)
        game.choose("3", "Oui")

        game.press_until("Return", lambda img: harness.font().read(img, 5, 16, 12)
                         == "Joueur 2 : 0", 30, "the match's score line")
        mark = game.sound_mark()
        harness.wait_until(lambda: game.sound_mark() > mark + game.sound_rate(), 20, 0.2,
                           "a second of sound")
        _, peak, _ = harness.sound_stats(game.sound(mark))
        self.assertGreater(peak, 1000, "the tune did not reach Web Audio")
        game.press_until("space", lambda img: harness.find_ball(img) not in (None, CENTRE),
                         20, "the served ball to leave the centre")

        game.press_until("Escape", harness.pause_box_shown, 20, "the pause box")
        game.origin = (300, 300)  # the box's pointer follows the mouse from anywhere
        game.click_until(*RESUME, lambda img: not harness.pause_box_shown(img), 20,
                         "the pause box to close")
        game.press_until("Escape", harness.pause_box_shown, 20, "the pause box")
        game.origin = (0, 0)
        # "Quitter" with the page's own pointer below the picture: the box's pointer is
        # pinned at its far corner (283, 117), then taken onto the button from there.
        for point in ((0, 0), (600, 500), (600 - 283 + LEAVE[0], 500 - 117 + LEAVE[1])):
            game.mouse_move(*point)
        game.mouse_down()
        try:
            game.wait_screen(game.is_title, 30, "the title screen")
        finally:
            game.mouse_up()
        game.press("Escape", lambda: not game.running(), 20, "the game to end")
        self.assertEqual(game.page_text(), "La partie est termin\u00e9e.")

    def play_again_for_the_samples(self, game):
        game.server.withheld.add("patches.dat")
        game.js("document.getElementById('again').click()")
        game.start_match(players=1, music=True, timeout=60)
        rate = game.sound_rate()
        templates = {}
        for name in ("bounce", "hit"):
            wav_rate, frames = harness.read_wav(os.path.join(harness.config().assets,
                                                             name + ".wav"))
            templates[name] = harness.resample(frames, wav_rate, rate)
        start = game.sound_mark()
        game.press_until("space", lambda img: harness.find_ball(img) != CENTRE, 20,
                         "the served ball to leave the centre")
        heard = []
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline and "hit" not in heard:
            time.sleep(1.0)
            if harness.find_ball(game.screenshot()) == CENTRE:
                game.tap("space")    # the ball waits after a point: serve again
            signal = game.sound(start)
            quiet, tail = rate // 20, rate // 10
            heard = []
            for o in harness.onsets(signal[:-tail], LEVEL, quiet):
                heard.append(harness.identify_sound(signal, o, templates, rate,
                                                    SAME_WAVEFORM)[0])
        self.assertTrue(heard, "no sound after the serve")
        self.assertEqual(heard[0], "bounce", heard)
        self.assertIn("hit", heard)
        self.assertNotIn(None, heard)


if __name__ == "__main__":
    harness.main()
