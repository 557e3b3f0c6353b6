"""The game in a Wayland session: weston runs nested in an X server of its own (whose
keyboard and pointer are weston's seat) with Xwayland, a native Wayland window
(weston-terminal) has the focus, then the game starts on the Xwayland display with
WAYLAND_DISPLAY set. Its title screen shows within a few seconds, in a 640x480 window named
Tabrivet (class "tabrivet", "Tabrivet") drawn 1:1 inside weston's output. Clicked as a
user would, it has the keyboard: 1 changes the first row, Enter starts a match, Esc then
Enter leave it, Esc quits with exit code 0.

Everything is seen from the outer X server: input goes there with xdotool, and the game's
picture is found in that server's screen, at wherever weston placed the window."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import harness

OUTER = (1280, 960)   # the outer X server's screen: room around weston's output
OUTPUT = (1024, 768)  # weston's output, a window at the outer screen's top left
LABEL = (255, 155, 68)  # the colour of the title screen's row labels
ANCHOR = ("Nombre de joueurs :", 55, 255)  # the first row's label, at its place in the game
# The title screen shows within this many seconds of the launch; the fullscreen driver's
# picture, stretched over the output, took half a minute and more to come through Xwayland.
SHOWS_WITHIN = 10.0
CLICK_AT = (600, 150)  # in the game: off the rows, the button and the values

WESTON_INI = """[core]
idle-time=0

[keyboard]
# Keys repeat late, as in the harness's X servers: a key held until the game shows that
# it saw it is one press.
repeat-delay=%d

[shell]
animation=none
startup-animation=none
close-animation=none
focus-animation=none
locking=false
""" % harness.AUTOREPEAT_DELAY_MS

TOOLS = ("weston", "Xwayland", "weston-terminal")
MISSING = [t for t in TOOLS if shutil.which(t) is None]


def x_env(display=None):
    """This process's environment for an X client of display (or for no X display), with
    no Wayland compositor in it."""
    env = dict(os.environ)
    for k in ("DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "XAUTHORITY",
              "XDG_SESSION_TYPE"):
        env.pop(k, None)
    if display:
        env["DISPLAY"] = display
    return env


def screen_of(display):
    """The whole screen of an X display."""
    return harness.root_screenshot(x_env(display))


def window_info(display, name):
    """xwininfo's fields (absolute x, y, width, height) of the window named name, or None."""
    return harness.window_geometry(x_env(display), name)


class Weston:
    """weston with its x11 backend, a window of the X server at outer, with Xwayland, its
    own XDG_RUNTIME_DIR and weston.ini. xwayland is the X display it serves."""

    def __init__(self, outer, size=OUTPUT):
        self.outer = outer
        self.size = size
        self.proc = None
        self.dir = None
        self.xwayland = None

    def start(self, timeout=30):
        self.dir = tempfile.mkdtemp(prefix="tabrivet-weston-")
        try:
            self.runtime = os.path.join(self.dir, "runtime")
            os.mkdir(self.runtime, 0o700)
            ini = os.path.join(self.dir, "weston.ini")
            with open(ini, "w") as f:
                f.write(WESTON_INI)
            self.socket = "tabrivet-%d" % os.getpid()
            self.log_path = os.path.join(self.dir, "weston.log")
            env = x_env(self.outer.display)
            env["XDG_RUNTIME_DIR"] = self.runtime
            with open(self.log_path, "wb") as log:
                self.proc = subprocess.Popen(
                    ["weston", "--backend=x11-backend.so", "--use-pixman",
                     "--width=%d" % self.size[0], "--height=%d" % self.size[1],
                     "--xwayland", "--socket=" + self.socket, "--idle-time=0",
                     "--config=" + ini],
                    env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                    start_new_session=True)

            def listening():
                if self.proc.poll() is not None:
                    raise RuntimeError("weston exited (code %s):\n%s"
                                       % (self.proc.returncode, self.log()))
                m = re.search(r"xserver listening on display (:\d+)", self.log())
                return m and os.path.exists(os.path.join(self.runtime, self.socket)) and m
            self.xwayland = harness.wait_until(listening, timeout, 0.1,
                                               "weston's Xwayland display").group(1)
            # Xwayland itself starts on the first X client: have that happen now, so that
            # the game's start is timed on its own.
            harness.wait_until(lambda: subprocess.run(
                ["xwininfo", "-root"], env=x_env(self.xwayland), stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL, timeout=30).returncode == 0,
                timeout, 0.2, "Xwayland to answer")
        except BaseException:
            self.stop()
            raise
        return self

    def log(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode(errors="replace")

    def client_env(self):
        """What a client of this compositor needs in its environment."""
        return {"WAYLAND_DISPLAY": self.socket, "XDG_RUNTIME_DIR": self.runtime}

    def stop(self):
        harness._stop(self.proc)
        self.proc = None
        if self.dir:
            shutil.rmtree(self.dir, ignore_errors=True)
            self.dir = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


class GameOnWeston(harness.Game):
    """The game on weston's Xwayland display, with weston's Wayland socket in its
    environment. Its input goes to the outer X server, weston's seat, and its screenshots
    are the 640x480 part of the outer screen at origin, where its picture is; mouse
    coordinates are the game's own."""

    def __init__(self, weston, **kw):
        super().__init__(display=weston.xwayland, name="wayland", **kw)
        self.weston = weston
        self.outer = weston.outer.display
        self.origin = None

    def _prepare(self):
        super()._prepare()
        self.env.update(self.weston.client_env())
        self.env.pop("XDG_SESSION_TYPE", None)

    def xdotool(self, *args):
        harness.xdotool(x_env(self.outer), *args)

    def screenshot(self):
        return screen_of(self.outer).crop(self.origin[0], self.origin[1], 640, 480)

    def mouse_move(self, x, y):
        super().mouse_move(self.origin[0] + x, self.origin[1] + y)


def locate_title(img):
    """The outer screen's (x, y) of the game picture's top left, from where the title
    screen's first row label is drawn there, or None."""
    text, ax, ay = ANCHOR
    found = img.find_color(LABEL, box=(0, 0, OUTPUT[0], OUTPUT[1]))
    if not found:
        return None
    (bx, by, bw, bh), _ = found
    f = harness.font()
    for y in range(by, by + bh - 7):
        x = f.find(img, text, y, (bx, bx + bw), color=LABEL)
        if x is not None:
            return (x - ax, y - ay)
    return None


@unittest.skipIf(MISSING, "no %s installed: the Wayland session case needs weston with its "
                 "x11 backend, Xwayland and weston-terminal" % ", ".join(MISSING))
class WaylandSession(unittest.TestCase):
    def test_window_shows_at_once_unscaled_and_takes_the_keyboard_once_clicked(self):
        with harness.XServer(*OUTER) as outer, Weston(outer) as weston:
            out = window_info(outer.display, "Weston Compositor - screen0")
            self.assertIsNotNone(out, "weston's output window not found")
            self.assertEqual((out["w"], out["h"]), OUTPUT)
            terminal = subprocess.Popen(
                ["weston-terminal", "--shell=/bin/cat"],
                env=dict(x_env(), **weston.client_env()), stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
            game = None
            try:
                screen = (out["x"], out["y"], OUTPUT[0], OUTPUT[1])

                def terminal_shown():
                    if terminal.poll() is not None:
                        raise AssertionError("weston-terminal exited (code %s)"
                                             % terminal.returncode)
                    black = screen_of(outer.display).find_color((0, 0, 0), 0, screen)
                    return black and black[1] > 100000
                harness.wait_until(terminal_shown, 30, 0.2, "weston-terminal's window")

                game = GameOnWeston(weston).start()
                launched = time.monotonic()

                def title_found():
                    img = screen_of(outer.display)
                    if game.proc.poll() is not None:
                        raise AssertionError("the game exited (code %s)"
                                             % game.proc.returncode)
                    return locate_title(img)
                origin = harness.wait_until(title_found, 30, 0.1, "the title screen")
                shown_after = time.monotonic() - launched
                print("title screen shown %.1f s after the launch, at %s of the outer "
                      "screen" % (shown_after, origin))
                self.assertLess(shown_after, SHOWS_WITHIN,
                                "the title screen took %.1f s to show" % shown_after)
                ox, oy = origin
                self.assertTrue(out["x"] <= ox and ox + 640 <= out["x"] + OUTPUT[0]
                                and out["y"] <= oy and oy + 480 <= out["y"] + OUTPUT[1],
                                "the picture at %s is not inside weston's output" % (origin,))
                game.origin = origin

                # The window on the Xwayland display: named, classed, 640x480, where the
                # picture is on the screen.
                props = subprocess.run(
                    ["xprop", "-name", "Tabrivet", "WM_CLASS", "WM_NAME"],
                    env=x_env(weston.xwayland), stdout=subprocess.PIPE, timeout=30,
                    check=True).stdout.decode()
                self.assertIn('WM_CLASS(STRING) = "tabrivet", "Tabrivet"', props)
                self.assertIn('WM_NAME(STRING) = "Tabrivet"', props)
                win = window_info(weston.xwayland, "Tabrivet")
                self.assertEqual((win["w"], win["h"]), (640, 480))
                self.assertEqual((out["x"] + win["x"], out["y"] + win["y"]), origin,
                                 "the window is not where its picture is shown")

                # 1:1: every part of the title screen is where the game's 640x480 frame
                # has it, the 8x8 text matching glyph for glyph.
                harness.check_title_parts(self, game)
                self.assertEqual(game.menu_value("1"), "1 Joueur")

                # Weston's pointer follows the seat's once it has left weston's window and
                # come back; a click on the game's window then gives it the focus.
                game.xdotool("mousemove", OUTER[0] - 1, OUTER[1] - 1)
                time.sleep(0.2)
                game.mouse_move(*CLICK_AT)
                time.sleep(0.2)
                game.mouse_down()
                time.sleep(0.2)
                game.mouse_up()
                time.sleep(0.2)

                f = harness.font()
                game.press_until("1", lambda i: game.menu_value("1", i) == "2 Joueurs", 20,
                                 "the first row to show 2 Joueurs")
                game.press_until(
                    "Return", lambda i: (f.read(i, 5, 5, 12) == "Joueur 1 : 0"
                                         and f.read(i, 5, 16, 12) == "Joueur 2 : 0"),
                    30, "the match's score line")
                game.press_until("Escape", harness.pause_box_shown, 20, "the pause box")
                game.press_until("Return", game.is_title, 30, "the title screen")
                self.assertEqual(game.quit(), 0)
            except BaseException:
                self.save_artifacts(outer, weston, game)
                raise
            finally:
                try:
                    if game:
                        game.close()
                finally:
                    harness._stop(terminal)

    @staticmethod
    def save_artifacts(outer, weston, game):
        """Keeps the outer screen, weston's log and the game's output streams."""
        try:
            cfg = harness.config()
            os.makedirs(cfg.artifacts, exist_ok=True)
            base = os.path.join(cfg.artifacts, "wayland-%d" % os.getpid())
            screen_of(outer.display).save_png(base + "-outer.png")
            shutil.copy(weston.log_path, base + "-weston.txt")
            if game and game.dir:
                for s in ("stdout", "stderr"):
                    shutil.copy(os.path.join(game.dir, s), base + "-" + s + ".txt")
            sys.stderr.write("e2e: artifacts saved as %s-*\n" % base)
        except Exception as e:  # the failure being reported matters more
            sys.stderr.write("e2e: could not save artifacts: %s\n" % e)


if __name__ == "__main__":
    harness.main()
