"""How the end of a session ends the game.

The X server going away under it (the session closed, the server killed), whether in the
fade, on the title screen, in a match with its music or in the pause box, ends the game
with exit status 1 within seconds, as Xlib ends a client whose display is gone: it neither
hangs nor aborts, and nothing of it is left running.

A quit signal with the display alive (Ctrl+C, kill, the terminal closed), sent to the
game's process group as a terminal sends it, ends whichever screen runs; the game shuts
down as after Esc and then ends by that same signal, without the library's "Shutting down
Allegro due to signal" line. A quit signal the game was started with ignored (nohup, a
background job) stays ignored."""

import os
import signal
import time
import unittest

import harness

CENTRE = (320, 240)
REPEAT = 5           # X server ends in each screen
END_WITHIN = 5.0     # seconds from ending the X server, or sending the signal, to the exit
QUIT_SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)
# As from a terminal: the quit signals at their default action when the game starts,
# whatever the test runner was started with (a background job has SIGINT ignored).
FROM_A_TERMINAL = {s: signal.SIG_DFL for s in QUIT_SIGNALS}
# The fade lasts some 0.46 s from about 0.05 s after the game's window shows.
INTO_THE_FADE = 0.15


def tail(data, lines=3):
    return b"\n".join(data.strip().splitlines()[-lines:]).decode(errors="replace")


# --- reaching each screen: each returns once the game shows it ----------------------------


def in_opening_fade(game):
    """Just after the game has set its mode: the fade before the first title screen."""
    harness.wait_until(lambda: game.window_shown() or not game.running(), 30, 0.01,
                       "the game's window")
    if not game.running():
        raise AssertionError("the game exited at start-up (code %s)" % game.proc.returncode)
    time.sleep(INTO_THE_FADE)
    if game.is_title(game.screenshot()):
        raise AssertionError("the title screen already shows: the fade was missed")


def on_title(game):
    game.wait_title()


def serve(game):
    game.press_until("space", lambda img: harness.find_ball(img) not in (None, CENTRE), 20,
                     "the served ball to leave the centre")


def in_match(game):
    """A served ball, and the tune heard in the last stretch of the capture."""
    game.start_match(players=1, music=True)
    serve(game)

    def tune_heard():
        start = game.sound_mark()
        end = game.wait_sound(start, 0.2)
        return harness.sound_stats(game.sound(start, end))[1] > 2000
    harness.wait_until(tune_heard, 20, 0, "the tune in the capture")


def in_pause_box(game):
    in_match(game)
    game.press_until("Escape", harness.pause_box_shown, 20, "the pause box")


def in_closing_fade(game):
    """Enter in the pause box: the match's picture fading, before the title screen."""
    in_pause_box(game)
    _, img = game.press_until("Return", lambda i: not harness.pause_box_shown(i), 20,
                              "the pause box to close")
    if game.is_title(img):
        raise AssertionError("the title screen already shows: the fade was missed")


class SessionEnd(unittest.TestCase):
    def assert_nothing_left(self, game, after):
        """The game was reaped; no process of its group may be left."""
        with self.assertRaises(ProcessLookupError,
                               msg="a process of the game's group is left after " + after):
            os.killpg(game.proc.pid, 0)

    def wait_end(self, game, since, after):
        """The exit code of the game, which must end within END_WITHIN seconds of since."""
        try:
            return game.wait_exit(max(0.1, since + END_WITHIN - time.monotonic()))
        except TimeoutError:
            self.fail("the game still ran %.0f s after %s; stderr: %s"
                      % (END_WITHIN, after, tail(game.stderr())))

    # --- the X server ends ----------------------------------------------------------------

    def end_x_server(self, reach, name, how=signal.SIGTERM):
        with harness.Game(name=name) as game:
            reach(game)
            after = "the X server ended by %s in %s" % (signal.Signals(how).name, name)
            since = time.monotonic()
            if how == signal.SIGTERM:
                game.xserver.stop()     # as a session ends it; waits for it to exit
            else:
                game.xserver.proc.send_signal(how)
                game.xserver.proc.wait(10)
            code = self.wait_end(game, since, after)
            self.assertEqual(code, 1, "exit status %s after %s; stderr: %s"
                             % (code, after, tail(game.stderr())))
            self.assert_nothing_left(game, after)

    def test_x_server_ends_in_the_fades(self):
        for i in range(REPEAT):
            with self.subTest(fade="opening", run=i):
                self.end_x_server(in_opening_fade, "xend-opening-fade")
        for i in range(2):
            with self.subTest(fade="closing", run=i):
                self.end_x_server(in_closing_fade, "xend-closing-fade")

    def test_x_server_ends_on_the_title_screen(self):
        for i in range(REPEAT):
            with self.subTest(run=i):
                self.end_x_server(on_title, "xend-title")
        with self.subTest(killed=True):
            self.end_x_server(on_title, "xend-title-killed", signal.SIGKILL)

    def test_x_server_ends_in_a_match_with_music(self):
        for i in range(REPEAT):
            with self.subTest(run=i):
                self.end_x_server(in_match, "xend-match")

    def test_x_server_ends_in_the_pause_box(self):
        for i in range(REPEAT):
            with self.subTest(run=i):
                self.end_x_server(in_pause_box, "xend-pause")

    # --- quit signals with the display alive ----------------------------------------------

    def end_by_signal(self, sig, reach, name):
        with harness.Game(name=name, signals=FROM_A_TERMINAL) as game:
            reach(game)
            after = "%s in %s" % (signal.Signals(sig).name, name)
            since = time.monotonic()
            os.killpg(game.proc.pid, sig)
            code = self.wait_end(game, since, after)
            err = game.stderr()
            self.assertEqual(code, -sig, "exit status %s after %s; stderr: %s"
                             % (code, after, tail(err)))
            self.assertNotIn(b"Shutting down Allegro", err, after)
            self.assert_nothing_left(game, after)

    def quit_signal_everywhere(self, sig, screens):
        for reach, where in screens:
            with self.subTest(screen=where):
                self.end_by_signal(sig, reach, "%s-%s" % (signal.Signals(sig).name, where))

    def test_ctrl_c(self):
        self.quit_signal_everywhere(signal.SIGINT, ((on_title, "title"),
                                                    (in_opening_fade, "fade"),
                                                    (in_match, "match")))

    def test_sigterm(self):
        self.quit_signal_everywhere(signal.SIGTERM, ((in_match, "match"),
                                                     (in_pause_box, "pause"),
                                                     (on_title, "title")))

    def test_sighup(self):
        self.quit_signal_everywhere(signal.SIGHUP, ((in_pause_box, "pause"),
                                                    (in_closing_fade, "closing-fade"),
                                                    (in_opening_fade, "fade")))

    def test_quit_signals_ignored_at_start_stay_ignored(self):
        ignored = dict(FROM_A_TERMINAL)
        ignored[signal.SIGINT] = ignored[signal.SIGHUP] = signal.SIG_IGN
        with harness.Game(name="signals-ignored", signals=ignored) as game:
            game.wait_title()
            for sig in (signal.SIGHUP, signal.SIGINT):
                os.killpg(game.proc.pid, sig)
            time.sleep(1.0)
            self.assertTrue(game.title_shown(), "the title screen is gone after the signals")
            # Its frames go on: a row still answers its key.
            now = game.menu_value("3")
            game.choose("3", "Oui" if now == "Non" else "Non")
            self.assertEqual(game.quit(), 0)
            self.assertNotIn(b"Shutting down Allegro", game.stderr())


if __name__ == "__main__":
    harness.main()
