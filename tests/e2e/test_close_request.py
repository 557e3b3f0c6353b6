"""The window manager's request to close the game's window (its title bar's button, Alt+F4;
`wmctrl -c` sends the same WM_DELETE_WINDOW) ends the game from the title screen, from a
match and from the pause box within 2 s, with exit status 0 as after Esc, and leaves nothing
running. The window carries the game's icon, which openbox draws in its title bar.

The game runs under openbox on an X server larger than its picture, in the 640x480 window it
asks for first in a Wayland session (XDG_SESSION_TYPE=wayland): on a plain X desktop it
takes the whole screen, a window that no window manager handles."""

import os
import shutil
import subprocess
import time
import unittest

import harness

OUTER = (1024, 768)
END_WITHIN = 2.0  # seconds from the close request to the exit
TOOLS = ("openbox", "wmctrl")
MISSING = [t for t in TOOLS if shutil.which(t) is None]


class GameInWindow(harness.Game):
    """The game in a window on display: its screenshots are the 640x480 picture wherever
    the window manager placed the window."""

    def __init__(self, display, **kw):
        super().__init__(display=display, name="close-request", **kw)

    def _prepare(self):
        super()._prepare()
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env["XDG_SESSION_TYPE"] = "wayland"

    def window(self):
        return harness.window_geometry(self.env, "Tabrivet")

    def screenshot(self):
        at = harness.wait_until(self.window, 10, 0.05, "the game's window")
        return harness.root_screenshot(self.env).crop(at["x"], at["y"], 640, 480)


def icon_colours(img, at):
    """Counts of reddish and of greenish pixels where openbox draws the window's icon: the
    left of the title bar, just above the window. The game's icon is a dark tile with red
    and orange paddles and ball; the library's own is drawn in greens."""
    red = green = 0
    for y in range(at["y"] - 20, at["y"]):
        for x in range(at["x"], at["x"] + 24):
            r, g, b = img.pixel(x, y)
            red += r > g + 40 and r > b + 40
            green += g > r + 20 and g > b
    return red, green


def on_title(game):
    game.wait_title()


def in_match(game):
    game.start_match(players=2)


def in_pause_box(game):
    in_match(game)
    game.press_until("Escape", harness.pause_box_shown, 20, "the pause box")


@unittest.skipIf(MISSING, "no %s installed: the close request case needs a window manager "
                 "and wmctrl" % ", ".join(MISSING))
class CloseRequest(unittest.TestCase):
    def test_close_request_ends_every_screen_with_status_zero(self):
        with harness.XServer(*OUTER) as xserver:
            env = dict(os.environ, DISPLAY=xserver.display)
            wm = subprocess.Popen(["openbox"], env=env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  start_new_session=True)
            try:
                harness.wait_until(lambda: subprocess.run(
                    ["wmctrl", "-m"], env=env, stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL).returncode == 0, 30, 0.1, "openbox")
                for reach, where in ((on_title, "title"), (in_match, "match"),
                                     (in_pause_box, "pause")):
                    with self.subTest(screen=where):
                        self.close_in(xserver.display, reach, where)
            finally:
                harness._stop(wm)

    def close_in(self, display, reach, where):
        with GameInWindow(display) as game:
            reach(game)
            if where == "title":
                at = game.window()
                red, green = icon_colours(harness.root_screenshot(game.env), at)
                self.assertGreater(red, 20, "the title bar shows no icon of the game's")
                self.assertEqual(green, 0, "the title bar shows the library's icon")
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
            with self.assertRaises(ProcessLookupError,
                                   msg="a process of the game's group is left in " + where):
                os.killpg(game.proc.pid, 0)


if __name__ == "__main__":
    harness.main()
