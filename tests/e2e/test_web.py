"""The web page in three browser engines: its zip, unpacked alone and served on 127.0.0.1,
holds index.html at its root with the program, its data files, the licences and a README,
and plays with nothing else. The same player's run in each: its title screen is drawn like
the Linux game's own picture; 1 and a click change rows; Enter starts a match whose tune
is heard; Space serves; Esc opens the pause box, where the pointer follows the mouse to
click "resume", and the next time the match is left; Esc on the title screen ends the game
and the page says so. Played again (the page's own button) without its instruments, so
that the tune is silent, the bounce and the hit are heard as the samples themselves.

In Chromium (headless) the sound is what the page posts to Web Audio, the box is left with
its "leave" button clicked with the page's own pointer off the picture, and without its
data file, or with a damaged one, the page shows the game's own message; and what the visit
fetched, gzipped, stays within 1 MB. Firefox ESR and
WebKitGTK play headed, heard at the sound server's output, and leave the box with Enter;
Firefox plays the page as on a site served over plain HTTP, where no browser offers an
audio worklet; in both, Esc in fullscreen, which the browser takes to leave fullscreen,
still opens the pause box and closes it again.

The zip is dist/web/build.sh's, named by TABRIVET_WEB_ZIP. Each engine's case is a class:
    test_web.py [harness options] Chromium | Firefox | WebKit
"""
import os
import shutil
import subprocess
import tempfile
import time
import unittest
import zipfile

import harness

ZIP = os.environ.get("TABRIVET_WEB_ZIP", "")
CONTENTS = ["index.html", "tabrivet.js", "tabrivet.wasm", "tabrivet.dat", "patches.dat",
            "icon-192.png", "icon-512.png", "manifest.json", "sw.js", "README.txt",
            "COPYRIGHT.txt", "GPL-2.txt", "ALLEGRO-LICENSE.txt"]
LOAD_ERROR = "Error loading 'tabrivet.dat'\n"
CENTRE = (320, 240)
DIFFICULTY = (230, 288)  # a point on the difficulty row's value
LEAVE = (70, 105)        # the pause box's buttons, in the picture's own coordinates
RESUME = (210, 105)
SAME_WAVEFORM = 0.9
LEVEL = 64
PAGE_BYTES = 1000000  # what a visit may fetch, gzipped
TUNE_QUIET = 1 / 3  # the tune's share of silent stretches in TUNE_SECONDS, at most
TUNE_SECONDS = 3


def available(*programs):
    try:
        import selenium  # noqa: F401
    except ImportError:
        return False
    return os.path.isfile(ZIP) and all(os.access(p, os.X_OK) for p in programs)


def needs(*programs):
    return unittest.skipUnless(available(*programs), "no web page (dist/web/build.sh), no "
                               "Selenium or none of " + ", ".join(programs))


class PageRun:
    """The player's run, the same in every engine."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tabrivet-web-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        with zipfile.ZipFile(ZIP) as z:
            self.assertEqual(sorted(z.namelist()), sorted(CONTENTS))
            z.extractall(self.folder)

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
        self.hear_the_tune(game)
        game.press_until("space", lambda img: harness.find_ball(img) not in (None, CENTRE),
                         20, "the served ball to leave the centre")

        game.press_until("Escape", harness.pause_box_shown, 20, "the pause box")
        game.origin = (300, 300)  # the box's pointer follows the mouse from anywhere
        game.click_until(*RESUME, lambda img: not harness.pause_box_shown(img), 20,
                         "the pause box to close")
        game.press_until("Escape", harness.pause_box_shown, 20, "the pause box")
        self.leave_the_pause_box(game)
        game.press("Escape", lambda: not game.running(), 20, "the game to end")
        self.assertEqual(game.page_text(), "La partie est termin\u00e9e.")

    def play_again_for_the_samples(self, game):
        game.server.withheld.add("patches.dat")
        game.play_again()
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
        self.check_heard(heard)

    def check_heard(self, heard):
        """At a sound server's output, a machine too loaded to feed it in time cuts a sound
        short and its rest comes as another, unknown one: the two are heard, bounce first."""
        known = [h for h in heard if h]
        self.assertEqual(known[:1], ["bounce"], heard)
        self.assertIn("hit", known)

    # Whether the tune must play on without falling silent, at most TUNE_QUIET of its 10 ms
    # stretches silent over TUNE_SECONDS: a loaded machine's drop-outs come in bursts, a
    # fault of the page's feeding silences it all along.
    steady_tune = False

    def hear_the_tune(self, game):
        """Waits for the tune at the sound server's output (the browser may take a while to
        start its sound there) and, where it must be steady, hears it play on."""
        mark, rate = game.sound_mark(), game.sound_rate()
        length = rate * TUNE_SECONDS if self.steady_tune else rate

        def some_tune():
            signal = game.sound(mark)
            start = next((i for i, v in enumerate(signal) if abs(v) > 1000), None)
            return (start is not None and len(signal) >= start + length
                    and signal[start:start + length])
        tune = harness.wait_until(some_tune, 30, 0.2, "the tune")
        if not self.steady_tune:
            return
        step = rate // 100
        quiet = [max(map(abs, tune[i:i + step])) < LEVEL for i in range(0, length, step)]
        self.assertLess(sum(quiet) / len(quiet), TUNE_QUIET, "the tune fell silent in %d of "
                        "its %d 10 ms stretches" % (sum(quiet), len(quiet)))

    def leave_the_pause_box(self, game):
        game.press_until("Return", game.is_title, 30, "the title screen")

    def escape_in_fullscreen(self, game):
        """In a match, Esc in fullscreen opens the pause box and, the next time, closes it;
        each time the browser has left fullscreen and the box stays as the Esc left it."""
        for box_wanted in (True, False):
            game.click_control("fullscreen")
            harness.wait_until(game.in_fullscreen, 10, 0.1, "fullscreen")
            game.x_tap("Escape")
            game.wait_screen(lambda img: harness.pause_box_shown(img) == box_wanted, 10,
                             "the pause box %s" % ("shown" if box_wanted else "gone"))
            time.sleep(1.0)
            self.assertEqual(harness.pause_box_shown(game.screenshot()), box_wanted,
                             "one Esc in fullscreen counted twice")
            self.assertFalse(game.in_fullscreen())


@needs("/usr/bin/chromium", "/usr/bin/chromedriver")
class Chromium(PageRun, unittest.TestCase):
    def test_the_zip_alone_plays_in_chromium(self):
        with harness.PageGame(self.folder) as game:
            self.play(game)
            self.check_fetched_bytes(game)
            self.play_again_for_the_samples(game)

    def check_fetched_bytes(self, game):
        """The page and every file the visit fetched (the browser's icons and the service
        worker's among them), as gzip -9 makes them, within PAGE_BYTES."""
        names = set(game.js("return performance.getEntriesByType('resource')"
                            ".map(function(e) { return e.name.split('?')[0].split('/').pop(); })"))
        names |= {"index.html", "sw.js"}
        total = sum(len(subprocess.run(["gzip", "-9", "-c", os.path.join(self.folder, n)],
                                       check=True, stdout=subprocess.PIPE).stdout)
                    for n in names)
        self.assertLessEqual(total, PAGE_BYTES, sorted(names))

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

    def hear_the_tune(self, game):
        mark = game.sound_mark()
        harness.wait_until(lambda: game.sound_mark() > mark + game.sound_rate(), 20, 0.2,
                           "a second of sound")
        _, peak, _ = harness.sound_stats(game.sound(mark))
        self.assertGreater(peak, 1000, "the tune did not reach Web Audio")

    def check_heard(self, heard):
        """What the page posts to Web Audio holds the samples whole: bounce first, the hit,
        nothing else."""
        self.assertEqual(heard[0], "bounce", heard)
        self.assertIn("hit", heard)
        self.assertNotIn(None, heard)

    def leave_the_pause_box(self, game):
        """Clicks "Quitter" with the page's own pointer below the picture: the box's
        pointer is pinned at its far corner (283, 117), then taken onto the button from
        there."""
        game.origin = (0, 0)
        for point in ((0, 0), (600, 500), (600 - 283 + LEAVE[0], 500 - 117 + LEAVE[1])):
            game.mouse_move(*point)
        game.mouse_down()
        try:
            game.wait_screen(game.is_title, 30, "the title screen")
        finally:
            game.mouse_up()


@needs("/usr/bin/firefox-esr", "/usr/bin/pulseaudio")
class Firefox(PageRun, unittest.TestCase):
    # The script processor's output is fed by the page's own count of what it has played;
    # told too seldom, it left half the tune silent.
    steady_tune = True

    def test_the_page_plays_in_firefox_as_on_a_plain_http_site(self):
        with harness.FirefoxPage(self.folder, without_worklet=True) as game:
            self.play(game)
            self.play_again_for_the_samples(game)
            self.assertEqual(game.sound_path(), "ScriptProcessorNode")
            self.escape_in_fullscreen(game)


@needs(harness.WebKitPage.MINIBROWSER, "/usr/bin/WebKitWebDriver", "/usr/bin/pulseaudio")
class WebKit(PageRun, unittest.TestCase):
    # At the sound server's output WebKit's sound, fed from a main thread the machine's load
    # holds up, drops out for a fifth of a second at times, cutting the samples: they are
    # heard as the page posts them, and the output must have heard the tune.
    def test_the_page_plays_in_webkit(self):
        with harness.WebKitPage(self.folder, hear_page=True) as game:
            self.play(game)
            _, peak, _ = harness.sound_stats(game.pulse.sound())
            self.assertGreater(peak, 1000, "the tune did not reach the sound server")
            self.play_again_for_the_samples(game)
            self.assertEqual(game.sound_path(), "AudioWorkletNode")
            self.escape_in_fullscreen(game)


if __name__ == "__main__":
    harness.main()
