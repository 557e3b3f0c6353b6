"""The window manager's request to close the game's window (its title bar's button, Alt+F4;
`wmctrl -c` sends the same WM_DELETE_WINDOW) ends the game from the title screen, a match
and the pause box within 2 s, with exit status 0 as after Esc, leaving nothing running; the
title bar shows the game's icon. The game runs under openbox on a screen larger than its
picture, in the window it asks for first in a Wayland session (XDG_SESSION_TYPE=wayland):
on a plain X desktop it takes the whole screen, a window no window manager handles."""

import os
import shutil
import subprocess
import time
import unittest

import harness

END_WITHIN = 2.0  # seconds from the close request to the exit


class GameInWindow(harness.Game):
    """The game in a window on display; its screenshots are the 640x480 picture wherever
    the window manager placed the window."""

    def _prepare(self):
        super()._prepare()
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env["XDG_SESSION_TYPE"] = "wayland"

    def window(self):
        return harness.wait_until(lambda: harness.window_geometry(self.env, "Tabrivet"), 10,
                                  0.05, "the game's window")

    def screenshot(self):
        at = self.window()
        return harness.root_screenshot(self.env).crop(at["x"], at["y"], 640, 480)


def icon_colours(img, at):
    """Counts of reddish and of greenish pixels where openbox draws the window's icon, left
    in the title bar: the game's icon has red and orange paddles and ball, the library's
    own is drawn in greens."""
    pixels = [img.pixel(x, y) for y in range(at["y"] - 20, at["y"])
              for x in range(at["x"], at["x"] + 24)]
    return (sum(r > g + 40 and r > b + 40 for r, g, b in pixels),
            sum(g > r + 20 and g > b for r, g, b in pixels))


@unittest.skipIf(not (shutil.which("openbox") and shutil.which("wmctrl")),
                 "the close request case needs openbox and wmctrl")
class CloseRequest(unittest.TestCase):
    def test_close_request_ends_every_screen_with_status_zero(self):
        def in_pause_box(game):
            game.start_match(players=2)
            game.press_until("Escape", harness.pause_box_shown, 20, "the pause box")
        screens = (("title", lambda game: game.wait_title()),
                   ("match", lambda game: game.start_match(players=2)),
                   ("pause", in_pause_box))
        with harness.XServer(1024, 768) as xserver:
            env = dict(os.environ, DISPLAY=xserver.display)
            wm = subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, start_new_session=True)
            try:
                harness.wait_until(lambda: subprocess.run(
                    ["wmctrl", "-m"], env=env, stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL).returncode == 0, 30, 0.1, "openbox")
                for where, reach in screens:
                    with self.subTest(screen=where), \
                            GameInWindow(display=xserver.display, name="close") as game:
                        reach(game)
                        if where == "title":
                            red, green = icon_colours(harness.root_screenshot(game.env),
                                                      game.window())
                            self.assertGreater(red, 20, "no icon of the game's in the title bar")
                            self.assertEqual(green, 0, "the library's icon in the title bar")
                        self.close_and_wait(game, where)
            finally:
                harness._stop(wm)

    def close_and_wait(self, game, where):
        since = time.monotonic()
        # The request goes through the window manager, as from the title bar's button.
        subprocess.run(["wmctrl", "-c", "Tabrivet"], env=game.env, check=True, timeout=30)
        try:
            code = game.wait_exit(END_WITHIN)
        except TimeoutError:
            self.fail("the game still ran %.1f s after the close request in %s"
                      % (END_WITHIN, where))
        print("%s: exit %d, %.2f s after the close request"
              % (where, code, time.monotonic() - since))
        self.assertEqual(code, 0, "exit status after the close request in " + where)
        with self.assertRaises(ProcessLookupError, msg="a process is left in " + where):
            os.killpg(game.proc.pid, 0)


if __name__ == "__main__":
    harness.main()
